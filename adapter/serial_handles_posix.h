#pragma once
// What an open port is on Linux: descriptors.

// The device itself.
struct SerialDevice {
  int fd = -1;
  bool valid() const { return fd >= 0; }
};

// An eventfd that ends the reader's wait: STOP's wake-up.
struct ReaderWake {
  int fd = -1;
  bool valid() const { return fd >= 0; }
};
