#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "adapter/sysfs_identity.h"
#include "support/temp_workdir.h"

namespace {

namespace fs = std::filesystem;

// A device as the kernel's device tree shows it. No port: a pseudo-terminal;
// no vendor: a port of the computer itself.
struct Device {
  const char* usb_port;
  const char* vendor = "";
  const char* product = "";
  const char* serial = "";
  const char* interface = "00";
};

void attribute(const fs::path& dir, const char* name, const std::string& value) {
  fs::create_directories(dir);
  if (!value.empty()) std::ofstream(dir / name) << value << "\n";
}

// ttyUSB0 (188:0) or ttyS0 (4:64) as /sys shows it, under `sys`.
DeviceIdentity identity_in(const fs::path& sys, const Device& device) {
  if (device.usb_port == nullptr) return identity_of_terminal(136, 3, sys.string());
  fs::path tty = sys / "devices/pnp0/00:05/tty/ttyS0";
  std::string number = "4:64";
  if (*device.vendor != '\0') {
    const fs::path hub = sys / "devices/pci0000:00/0000:00:14.0/usb1";
    attribute(hub, "idVendor", "1d6b");
    const fs::path lead = hub / device.usb_port;
    attribute(lead, "idVendor", device.vendor);
    attribute(lead, "idProduct", device.product);
    attribute(lead, "serial", device.serial);
    const fs::path port = lead / (std::string(device.usb_port) + ":1." + device.interface);
    attribute(port, "bInterfaceNumber", device.interface);
    tty = port / "ttyUSB0/tty/ttyUSB0";
    number = "188:0";
  }
  fs::create_directories(tty);
  fs::create_directories(sys / "dev/char");
  fs::create_directory_symlink(fs::relative(tty, sys / "dev/char"), sys / "dev/char" / number);
  return identity_of_terminal(number == "4:64" ? 4 : 188, number == "4:64" ? 64 : 0, sys.string());
}

TEST(DeviceIdentity, OnlyTheAdapterThatLeftCountsAsComingBack) {
  const Device ftdi{"1-2", "0403", "6001", "A10KX3Q1"};
  const Device no_serial{"1-2", "1a86", "7523"};
  const struct Case {
    const char* situation;
    Device at_start, returned;
    bool same;
  } cases[] = {
      {"the adapter back in its socket", ftdi, ftdi, true},
      {"the adapter in another socket", ftdi, {"1-3", "0403", "6001", "A10KX3Q1"}, true},
      {"another lead of the same make", ftdi, {"1-2", "0403", "6001", "A10KX9Z7"}, false},
      {"the radio's CAT cable", ftdi, {"1-2", "10c4", "ea60", "0001"}, false},
      {"the other port of a two-port lead", ftdi, {"1-2", "0403", "6001", "A10KX3Q1", "01"}, false},
      {"a lead without serial number in its socket", no_serial, no_serial, true},
      {"a lead without serial number elsewhere", no_serial, {"1-4", "1a86", "7523"}, false},
      {"a new pseudo-terminal under the name", {nullptr}, {nullptr}, true},
      {"a USB lead where a pseudo-terminal was", {nullptr}, ftdi, false},
      {"the computer's own port", {""}, {""}, true},
      {"a USB lead where the computer's port was", {""}, ftdi, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    TempWorkdir dir;
    const DeviceIdentity at_start = identity_in(fs::path(dir.path()) / "then", c.at_start);
    const DeviceIdentity returned = identity_in(fs::path(dir.path()) / "now", c.returned);
    EXPECT_EQ(at_start == returned, c.same) << at_start.id << " / " << returned.id;
  }
}

}  // namespace
