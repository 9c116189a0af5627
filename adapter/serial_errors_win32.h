#pragma once
// Which failures of ReadFile, WaitCommEvent, GetOverlappedResult and
// ClearCommError mean that the COM device itself has gone (a USB adapter
// unplugged, its hub reset), rather than a moment without bytes.

// `error` is a GetLastError() code.
bool error_means_device_gone(unsigned long error);
