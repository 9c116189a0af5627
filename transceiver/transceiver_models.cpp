#include "transceiver/transceiver_models.h"

#include "settings/station_settings.h"

namespace {

// The FT-817 family covers nothing from 460 MHz up; its offset command
// carries the console's largest offset. The FT-857 and FT-818 take the FT-817's
// commands for frequency, offset, shift and mode byte for byte.
constexpr std::int64_t kYaesuFrequencyLimitHz = 460000000;
constexpr std::int64_t kYaesuLargestOffsetHz = kLargestRepeaterOffsetHz;

constexpr TransceiverModel kModels[] = {
    {"None", TuningKind::none, 0, 0},
    {"FT-817", TuningKind::yaesu_cat, kYaesuFrequencyLimitHz, kYaesuLargestOffsetHz},
    {"FT-897", TuningKind::yaesu_cat, kYaesuFrequencyLimitHz, kYaesuLargestOffsetHz},
    {"FT-857", TuningKind::yaesu_cat, kYaesuFrequencyLimitHz, kYaesuLargestOffsetHz},
    {"FT-818", TuningKind::yaesu_cat, kYaesuFrequencyLimitHz, kYaesuLargestOffsetHz},
    {"rigctld", TuningKind::rigctld, 0, 0},
};

}  // namespace

std::span<const TransceiverModel> transceiver_models() { return kModels; }

const TransceiverModel* find_transceiver_model(std::string_view name) {
  for (const TransceiverModel& model : kModels) {
    if (name == model.name) return &model;
  }
  return nullptr;
}
