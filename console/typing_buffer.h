#pragma once
// Collects the characters the receive loop types into a box, one request
// each and 36 for a header line, and adds them at the end of the box in one
// edit within a millisecond, always before anything else reads or touches
// the box: a heard station appears at once, with one layout and paint for
// the whole line. The window supplies the edit and the timer, as each window
// keeps the operator's caret, selection and view in its own way.

#include <functional>
#include <string>
#include <string_view>

struct TypingTarget {
  // Adds the text at the end of the box with this identifier, as one edit.
  std::function<void(int box_id, std::string_view text)> append;
  // Makes the window call TypingBuffer::flush once, about a millisecond on.
  std::function<void()> start_timer;
  std::function<void()> stop_timer;
};

class TypingBuffer {
 public:
  explicit TypingBuffer(TypingTarget target);

  // Queues text for the end of a box; what is queued for another box goes
  // in first.
  void type(int box_id, std::string_view text);
  // Puts everything queued into its box now.
  void flush();

 private:
  TypingTarget target_;
  int box_id_ = 0;
  std::string pending_;
};
