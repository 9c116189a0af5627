#include <filesystem>
#include <fstream>
#include <system_error>

#include "adapter/sysfs_identity.h"

namespace {

namespace fs = std::filesystem;

// Pseudo-terminal slaves have the majors 136 to 143.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

// A device attribute: one short line, empty when the device has none.
std::string attribute(const fs::path& dir, const char* name) {
  std::ifstream file(dir / name);
  std::string line;
  std::getline(file, line);
  return line;
}

}  // namespace

DeviceIdentity identity_of_terminal(unsigned major, unsigned minor, const std::string& sys_root) {
  if (major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor) {
    return {DeviceKind::pseudo_terminal, {}};
  }
  const std::string number = std::to_string(major) + ":" + std::to_string(minor);
  std::error_code error;
  const fs::path root = fs::canonical(sys_root, error);
  const fs::path place = fs::canonical(fs::path(sys_root) / "dev" / "char" / number, error);
  // Not in the device tree: only its number tells it.
  if (error) return {DeviceKind::fixed_serial, number};
  // Up from the terminal: the USB interface it belongs to, then the device.
  std::string interface;
  for (fs::path dir = place; dir != root && dir != dir.parent_path(); dir = dir.parent_path()) {
    if (interface.empty()) interface = attribute(dir, "bInterfaceNumber");
    const std::string vendor = attribute(dir, "idVendor");
    if (vendor.empty()) continue;
    const std::string serial = attribute(dir, "serial");
    const std::string which =
        serial.empty() ? "at USB port " + dir.filename().string() : "serial " + serial;
    return {DeviceKind::usb_serial,
            vendor + ":" + attribute(dir, "idProduct") + " " + which + " interface " + interface};
  }
  return {DeviceKind::fixed_serial, place.lexically_relative(root).string()};
}
