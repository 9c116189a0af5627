#pragma once
// Linux: a terminal's identity from its device number, as the kernel shows
// it under /sys (`sys_root`; tests give a folder of their own).

#include <string>

#include "adapter/device_identity.h"

DeviceIdentity identity_of_terminal(unsigned major, unsigned minor, const std::string& sys_root);
