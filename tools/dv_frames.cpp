#include "dv_frames.h"

namespace dv {

bool has_header_bytes(const Frame& frame) { return frame.body.size() >= 4; }
std::uint8_t destination(const Frame& frame) { return frame.body.size() > 0 ? frame.body[0] : 0; }
std::uint8_t source(const Frame& frame) { return frame.body.size() > 1 ? frame.body[1] : 0; }
std::uint8_t command(const Frame& frame) { return frame.body.size() > 2 ? frame.body[2] : 0; }
std::uint8_t subcommand(const Frame& frame) { return frame.body.size() > 3 ? frame.body[3] : 0; }

std::vector<std::uint8_t> payload(const Frame& frame) {
  if (frame.body.size() <= 4) return {};
  return {frame.body.begin() + 4, frame.body.end()};
}

std::optional<Frame> feed(FrameDecoder& d, std::uint8_t b) {
  using Step = FrameDecoder::Step;
  switch (d.step) {
    case Step::hunting:
      if (b == kPreamble) {
        d.current = Frame{};
        d.current.raw.push_back(b);
        d.step = Step::one_preamble;
      } else {
        ++d.dropped;
      }
      return std::nullopt;
    case Step::one_preamble:
      if (b == kPreamble) {
        d.current.raw.push_back(b);
        d.step = Step::preamble;
      } else {
        d.dropped += d.current.raw.size() + 1;
        d.step = Step::hunting;
      }
      return std::nullopt;
    case Step::preamble:
      // Extra preamble bytes are tolerated, as on other CI-V style devices.
      if (b == kPreamble) {
        d.current.raw.push_back(b);
        return std::nullopt;
      }
      d.step = Step::body;
      [[fallthrough]];
    case Step::body:
      // Two FE bytes inside a frame: the frame was cut off (the console
      // closed the port mid-frame) and a new one starts here.
      if (b == kPreamble && !d.current.body.empty() && d.current.body.back() == kPreamble) {
        d.dropped += d.current.raw.size() - 1;
        d.current = Frame{};
        d.current.raw = {kPreamble, kPreamble};
        d.step = Step::preamble;
        return std::nullopt;
      }
      d.current.raw.push_back(b);
      if (b == kEnd) {
        d.step = Step::hunting;
        return std::move(d.current);
      }
      d.current.body.push_back(b);
      if (d.current.raw.size() > kMaxFrameBytes) {
        d.dropped += d.current.raw.size();
        d.current = Frame{};
        d.step = Step::hunting;
      }
      return std::nullopt;
  }
  return std::nullopt;
}

std::string callsign8(const std::string& text) {
  std::string out = text.substr(0, 8);
  out.resize(8, ' ');
  return out;
}

std::vector<std::uint8_t> status_report(std::uint8_t code) {
  return {
      kPreamble, kPreamble, kComputerAddress, kAdapterAddress, kCommand, kStatusReport, 0x00, 0x00,
      code,      kEnd};
}

std::vector<std::uint8_t> header_report(const std::string& my, const std::string& ur,
                                        const std::string& rpt1, const std::string& rpt2) {
  std::vector<std::uint8_t> out{kPreamble,       kPreamble, kComputerAddress,
                                kAdapterAddress, kCommand,  kHeaderReport};
  for (const std::string* field : {&rpt2, &rpt1, &ur, &my}) {
    const std::string call = callsign8(*field);
    out.insert(out.end(), call.begin(), call.end());
  }
  out.push_back(kEnd);
  return out;
}

}  // namespace dv
