#include "support/adapter_on_air.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kHeaderReport = Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} +
                            bytes_of("QR3KTG GQR3KTA ACQCQCQ  QR3XYZ X") + Bytes{0x00, 0xFD};
const Bytes kStatusRpt = {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD};

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
          send(adapter.far_fd(), kHeaderReport);
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
