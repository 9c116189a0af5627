#pragma once
// The reflectors a repeater's module can be linked to, from the optional
// "D-STAR_reflectors.txt" in the station folder: one a line, the reflector
// with its module ("REF030 C"), then optionally a comma and a name
// ("XRF757 A,Test"); "//" starts a comment.

#include <array>
#include <cstddef>
#include <string_view>

#include "console/console_view.h"
#include "settings/station_settings.h"

inline constexpr std::size_t kMaxReflectors = 64;
// A longer name is cut, so that the entry still fits the list's width.
inline constexpr std::size_t kMaxReflectorName = 40;

struct Reflector {
  FixedField<8> callsign;  // "REF030 C"
  BoundedText<kMaxReflectorName> name;
};

struct ReflectorList {
  std::array<Reflector, kMaxReflectors> entries{};
  std::size_t count = 0;
};

// Read at start-up, in the file's order.
extern ReflectorList reflectors;

// Three letters, three letters or digits, a space and a module letter A-Z.
bool is_reflector(std::string_view callsign);

// Fills `reflectors` from the file. A missing file is no error: the list is
// empty. Lines that are no reflector, and those after the 64th reflector,
// are left out, and one box names the first such line.
void read_reflector_list(ConsoleView& view);
