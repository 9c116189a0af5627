#pragma once
// The two serial links: the DV adapter and the transceiver, their ports and
// their flags. The window's thread opens and closes both ports and writes
// them; the receive thread reads the adapter port and polls adapter_open.
// While the link runs, the receive thread also gives back an unplugged
// adapter's device, reopens it and configures it again (link_recovery.h):
// from START to STOP the adapter's device is the receive thread's to
// change, and the window's thread writes to it only under that file's lock
// (waking its reader needs none). Whether the link ran is the window's
// thread's own record, adapter_port_opened, never the handle.

#include <atomic>
#include <string>
#include <string_view>

#include "adapter/serial_port.h"
#include "console/console_view.h"

extern SerialPort adapter_port_handle;
// True from the start of an open attempt until the link is closed or the
// attempt fails; the receive loop runs while it holds.
extern std::atomic<bool> adapter_open;
// Window's thread only: a START opened the adapter port, and the link has
// not been closed since. Stays true while the adapter is unplugged.
extern bool adapter_port_opened;
extern SerialPort transceiver_port_handle;
// While true, stopping the link saves the transceiver settings.
extern bool transceiver_active;
// The last port number parsed by either open, shared by both.
extern int port_number;

// Reads a number from the start of the port text the way "%d" does; when
// there is none, port_number keeps its value.
void parse_port_number(std::string_view port_text);

// "COM7" for port number 7: the name the operator sees in message boxes.
std::string com_name(int number);

// Before START sends anything: two different port numbers that lead to one
// device (COM7 a link to the radio's port) would have the adapter's frames
// written into the radio. Shows the box and returns true then. The same
// number in both fields is left to the opens, which refuse the second.
bool ports_lead_to_one_device(ConsoleView& view, std::string_view adapter_text,
                              std::string_view transceiver_text);

void open_adapter_port(ConsoleView& view, std::string_view port_text);
void open_transceiver_port(ConsoleView& view, std::string_view port_text);

// Clears adapter_open, then closes the port. Whoever runs the receive loop
// must have waited for it to end before the port is closed.
void close_adapter_link();
void close_transceiver_link();
