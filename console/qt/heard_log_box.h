#pragma once
// The heard log's failure box. The thread that finds the failure must not
// wait for OK, and no display request may wait behind the box either, so the
// box is opened later by the window's thread from its event loop; while it
// is open, heard stations still appear in the Receiving box.

#include <string>

// Fits set_heard_log_notice: returns at once, from any thread.
void show_heard_log_failure_later(const std::string& text, const std::string& caption);
