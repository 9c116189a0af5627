#include "console/typing_buffer.h"

#include <utility>

TypingBuffer::TypingBuffer(TypingTarget target) : target_(std::move(target)) {}

void TypingBuffer::type(int box_id, std::string_view text) {
  if (text.empty()) return;
  if (box_id != box_id_) flush();
  box_id_ = box_id;
  if (pending_.empty()) target_.start_timer();
  pending_.append(text);
}

void TypingBuffer::flush() {
  target_.stop_timer();
  if (pending_.empty()) return;
  const std::string text = std::exchange(pending_, std::string());
  target_.append(box_id_, text);
}
