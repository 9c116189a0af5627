#pragma once
// Which device the adapter is, as far as the system can tell. START
// remembers it; a device that comes back under the port's name is
// configured only when it is the same one, so another USB serial lead that
// the kernel gives the freed name (the radio's CAT cable) is left alone.

#include <string>

enum class DeviceKind {
  // The virtual devices, socat, ser2net: nothing tells one such terminal
  // from another but the name it is reached by.
  pseudo_terminal,
  // Vendor, product and serial number as the device reports them (its USB
  // port path when it has no serial number), and which of its ports.
  usb_serial,
  // A port of the computer itself: its place in the system.
  fixed_serial,
  // Windows gives each device its own COM number: the name is the identity.
  named,
};

struct DeviceIdentity {
  DeviceKind kind = DeviceKind::named;
  std::string id;
  bool operator==(const DeviceIdentity&) const = default;
};
