#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "adapter/sysfs_identity.h"
#include "support/temp_workdir.h"

namespace {

namespace fs = std::filesystem;

// A USB serial lead as /sys shows it, its terminal ttyUSB0 (188:0); without
// a USB port, a pseudo-terminal. A twin is another lead connected beside it
// (ttyUSB1) of the same make and serial number, in the socket it names.
struct Device {
  const char* usb_port;
  const char* vendor = "";
  const char* product = "";
  const char* serial = "";
  const char* interface = "00";
  const char* twin_port = nullptr;
};

void add_lead(const fs::path& sys, const Device& d, const char* usb_port, int tty) {
  const fs::path hub = sys / "devices/pci0000:00/0000:00:14.0/usb1", lead = hub / usb_port;
  const fs::path port = lead / (std::string(usb_port) + ":1." + d.interface);
  const std::string name = "ttyUSB" + std::to_string(tty);
  for (const char* dir : {"dev/char", "class/tty"}) fs::create_directories(sys / dir);
  fs::create_directories(port / name / "tty" / name);
  for (const auto& [dir, link] :
       {std::pair{"dev/char", "188:" + std::to_string(tty)}, {"class/tty", name}})
    fs::create_directory_symlink(fs::relative(port / name / "tty" / name, sys / dir),
                                 sys / dir / link);
  for (const auto& [dir, file, value] : {std::tuple{hub, "idVendor", "1d6b"},
                                         {lead, "idVendor", d.vendor},
                                         {lead, "idProduct", d.product},
                                         {lead, "serial", d.serial},
                                         {port, "bInterfaceNumber", d.interface}}) {
    if (*value != '\0') std::ofstream(dir / file) << value << "\n";
  }
}

DeviceIdentity identity_in(const fs::path& sys, const Device& d) {
  if (d.usb_port == nullptr) return identity_of_terminal(136, 3, sys.string());
  add_lead(sys, d, d.usb_port, 0);
  if (d.twin_port != nullptr) add_lead(sys, d, d.twin_port, 1);
  return identity_of_terminal(188, 0, sys.string());
}

TEST(DeviceIdentity, OnlyTheAdapterThatLeftCountsAsComingBack) {
  const Device ftdi{"1-2", "0403", "6001", "A10KX3Q1"};
  const Device no_serial{"1-2", "1a86", "7523"};
  const Device clone{"1-2", "0403", "6001", "A50285BI", "00", "1-3"};
  const Device clone_cable{"1-3", "0403", "6001", "A50285BI"},
      clone_moved{"1-4", "0403", "6001", "A50285BI", "00", "1-3"};
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
      // Clone leads share one serial number: then the socket tells them apart.
      {"its twin from another socket under the name", clone, clone_cable, false},
      {"the adapter back in its socket beside its twin", clone, clone, true},
      {"the adapter elsewhere beside its twin", clone, clone_moved, false},
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
