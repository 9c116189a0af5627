#pragma once
// The adapter unplugged and plugged in again while the link runs. The
// receive thread notices the hang-up, gives the dead handle back, shows
// "LOST" and tries the same device once a second; when the adapter that
// left is back, it is configured as START left it, and receiving goes on.
// Meanwhile the window's thread may send frames at any moment: every frame
// to the adapter goes through send_adapter_frame. One lock covers the
// handle and what the adapter was sent; nobody holds it across a pause or a
// write of the receive thread, so a returning adapter that stalls never
// holds up the window.

#include <string>

#include "adapter/adapter_frames.h"
#include "adapter/device_identity.h"
#include "console/console_view.h"

// Window's thread. Writes the frame, or nothing while the adapter is gone
// or being configured again. INIT, MY, suffix, mode and the latest route
// are remembered whether sent or not: they are what the adapter gets again
// on its return.
void send_adapter_frame(const AdapterFrame& frame);

// Window's thread, at START: the name the adapter port opened by and the
// device found there. On return only a device of that identity under that
// name is configured; another that took the name is left alone.
void remember_adapter_device(const std::string& path, const DeviceIdentity& identity);

// Receive thread, once a read says the device is gone. Returns when the
// adapter is back and configured again, or as soon as adapter_open is
// cleared (STOP, EXIT). Sleeps between tries: one wake-up a second.
void wait_for_adapter_return(ConsoleView& view);
