#pragma once
// Which device the adapter is, as far as the system can tell. START
// remembers it; a device that comes back under the port's name is
// configured only when it is the same one, so another USB serial lead that
// the kernel gives the freed name (the radio's CAT cable) is left alone.

#include <string>
#include <utility>

enum class DeviceKind {
  // The virtual devices, socat, ser2net: nothing tells one such terminal
  // from another but the name it is reached by.
  pseudo_terminal,
  // Vendor, product and serial number as the device reports them, and which
  // of its ports (its USB port path too where the serial tells nothing).
  usb_serial,
  // A port of the computer itself: its place in the system.
  fixed_serial,
  // Windows gives each device its own COM number: the name is the identity.
  named,
};

struct DeviceIdentity {
  DeviceKind kind = DeviceKind::named;
  std::string id;
  // A USB lead's port path, and whether it is needed: the lead has no
  // serial number, or another lead connected reports the same one.
  std::string usb_port;
  bool serial_shared = false;
  // The same device: the same kind and id, and in the same USB port when
  // either side's serial number does not tell the lead.
  bool operator==(const DeviceIdentity& other) const {
    if (kind != other.kind || id != other.id) return false;
    return !(serial_shared || other.serial_shared) || usb_port == other.usb_port;
  }
};

inline DeviceIdentity device_identity(DeviceKind kind, std::string id = {}) {
  DeviceIdentity identity;
  identity.kind = kind;
  identity.id = std::move(id);
  return identity;
}
