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

// The USB lead a terminal belongs to, found going up from the terminal.
struct UsbLead {
  bool found = false;
  std::string make;  // vendor:product, and the serial number when it has one
  bool has_serial = false;
  std::string port;       // the USB port path, such as "1-2.4"
  std::string interface;  // which of the lead's serial ports
};

UsbLead usb_lead_of(const fs::path& place, const fs::path& root) {
  UsbLead lead;
  for (fs::path dir = place; dir != root && dir != dir.parent_path(); dir = dir.parent_path()) {
    if (lead.interface.empty()) lead.interface = attribute(dir, "bInterfaceNumber");
    const std::string vendor = attribute(dir, "idVendor");
    if (vendor.empty()) continue;
    const std::string serial = attribute(dir, "serial");
    lead.found = true;
    lead.has_serial = !serial.empty();
    lead.make = vendor + ":" + attribute(dir, "idProduct") + " serial " + serial;
    lead.port = dir.filename().string();
    return lead;
  }
  return lead;
}

// Whether another lead now connected reports the same make and serial
// number: cheap leads of one make often share one ("0001", "A50285BI").
bool has_twin(const UsbLead& ours, const fs::path& root) {
  std::error_code error;
  for (const fs::directory_entry& tty : fs::directory_iterator(root / "class" / "tty", error)) {
    // Only terminals under a USB controller; the console's own are many.
    if (fs::read_symlink(tty.path(), error).string().find("/usb") == std::string::npos) continue;
    const UsbLead other = usb_lead_of(fs::canonical(tty.path(), error), root);
    if (!error && other.found && other.make == ours.make && other.port != ours.port) return true;
  }
  return false;
}

}  // namespace

DeviceIdentity identity_of_terminal(unsigned major, unsigned minor, const std::string& sys_root) {
  if (major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor) {
    return device_identity(DeviceKind::pseudo_terminal);
  }
  const std::string number = std::to_string(major) + ":" + std::to_string(minor);
  std::error_code error;
  const fs::path root = fs::canonical(sys_root, error);
  const fs::path place = fs::canonical(fs::path(sys_root) / "dev" / "char" / number, error);
  // Not in the device tree: only its number tells it.
  if (error) return device_identity(DeviceKind::fixed_serial, number);
  const UsbLead lead = usb_lead_of(place, root);
  if (!lead.found)
    return device_identity(DeviceKind::fixed_serial, place.lexically_relative(root).string());
  DeviceIdentity identity =
      device_identity(DeviceKind::usb_serial, lead.make + " interface " + lead.interface);
  identity.usb_port = lead.port;
  // Without a serial number only the socket tells one lead from another.
  identity.serial_shared = !lead.has_serial || has_twin(lead, root);
  return identity;
}
