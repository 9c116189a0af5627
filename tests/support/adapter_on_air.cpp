#include "support/adapter_on_air.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "support/adapter_reports.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void drain(int fd) {
  std::uint8_t buf[4096];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
}

}  // namespace

const std::string kOnAirHeaderLine = "QR3XYZ X CQCQCQ   QR3KTA A QR3KTG G";

AdapterOnAir::AdapterOnAir(PtyDevice& adapter, PtyDevice& radio)
    : thread_([this, &adapter, &radio] {
        using namespace std::chrono_literals;
        while (on_air_) {
          send(adapter.far_fd(), kFullHeader);
          drain(adapter.far_fd());
          drain(radio.far_fd());
          std::this_thread::sleep_for(500us);
          send(adapter.far_fd(), kStatusRpt);
          std::this_thread::sleep_for(500us);
        }
      }) {}

AdapterOnAir::~AdapterOnAir() {
  on_air_ = false;
  thread_.join();
}

// Nobody listens between STOP and START: a frame that finds the line full is
// not sent, but one that has begun is finished, as a device would.
void AdapterOnAir::send(int fd, const Bytes& frame) {
  ssize_t n = ::write(fd, frame.data(), frame.size());
  if (n <= 0) return;
  std::size_t done = static_cast<std::size_t>(n);
  while (done < frame.size() && on_air_) {
    n = ::write(fd, frame.data() + done, frame.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
  if (frame[5] == 0x04) ++headers_;
}

std::string memory_folder() { return std::filesystem::exists("/dev/shm") ? "/dev/shm" : ""; }

void write_long_session_files(const TempWorkdir& folder) {
  folder.write_file("D-STAR_DV_config.txt", "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  folder.write_file("D-STAR_tranceiver_config.txt", "FT-817,8,439310,-5000,PKT,Dummy ");
  folder.write_file("D-STAR_my_rpt.txt", "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  folder.write_file("D-STAR_repeaters.txt",
                    "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n");
}
