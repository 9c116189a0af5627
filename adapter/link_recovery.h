#pragma once
// The adapter unplugged and plugged in again while the link runs. The
// receive thread notices the hang-up, gives the dead handle back, shows
// "LOST" and tries the same device once a second; when it opens again the
// adapter is configured as START left it, and receiving goes on.
// Meanwhile the window's thread may send frames at any moment: every frame
// to the adapter goes through send_adapter_frame, under the one lock that
// also covers giving back and reopening the port.

#include <string>

#include "adapter/adapter_frames.h"
#include "console/console_view.h"

// Window's thread. Writes the frame, or nothing while the adapter is gone.
// INIT, MY, suffix, mode and the latest route are remembered whether sent or
// not: they are what the adapter gets again on its return.
void send_adapter_frame(const AdapterFrame& frame);

// Window's thread, at START: the device the adapter port opened on. The
// same one is tried on return, never another port that took its number.
void remember_adapter_device(const std::string& path);

// Receive thread, once a read says the device is gone. Returns when the
// adapter is back and configured again, or as soon as adapter_open is
// cleared (STOP, EXIT). Sleeps between tries: one wake-up a second.
void wait_for_adapter_return(ConsoleView& view);
