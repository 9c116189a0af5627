#pragma once
// The adapter's pauses, as spin_wait counts (one count is one nanosecond).

#include <cstdint>

// The adapter needs a pause before each configuration frame: init, MY
// callsign, suffix and repeater mode, and each frame sent on its return.
inline constexpr std::int64_t kBeforeConfigurationFrame = 1000000;
// After init, before the adapter is spoken to again.
inline constexpr std::int64_t kAfterInit = 10000;
// Before a route frame, which the adapter takes while the link runs.
inline constexpr std::int64_t kBeforeRoute = 100000;
// The adapter takes each short message part only after the one before has
// gone on the air.
inline constexpr std::int64_t kBeforeMessagePart = 100000000;
