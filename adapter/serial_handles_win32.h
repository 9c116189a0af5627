#pragma once
// What an open port is on Windows: kernel HANDLEs. A HANDLE is a void*;
// spelling it so keeps <windows.h> out of every file that sees a port.

// The COMn device, opened for overlapped I/O; null when there is none
// (INVALID_HANDLE_VALUE never gets this far).
struct SerialDevice {
  void* comm_handle = nullptr;
  bool valid() const { return comm_handle != nullptr; }
};

// An auto-reset event that ends the reader's wait: STOP's wake-up.
struct ReaderWake {
  void* event_handle = nullptr;
  bool valid() const { return event_handle != nullptr; }
};
