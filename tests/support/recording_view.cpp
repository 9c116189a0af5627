#include "support/recording_view.h"

#include <algorithm>

void RecordingView::set_text(int id, const std::string& text) {
  std::lock_guard lock(mutex_);
  Edit& e = edits_[id];
  e.text = text;
  e.sel_start = e.sel_end = -1;
  ++set_counts_[id];
}

std::string RecordingView::get_text(int id, int max_chars) {
  std::lock_guard lock(mutex_);
  const std::string& t = edits_[id].text;
  return t.substr(0, static_cast<std::size_t>(std::max(0, max_chars)));
}

EditSelection RecordingView::get_selection(int id) {
  std::lock_guard lock(mutex_);
  Edit& e = edits_[id];
  int size = static_cast<int>(e.text.size());
  if (e.sel_start < 0) return {size, size};
  return {e.sel_start, e.sel_end};
}

void RecordingView::type_char(int id, char c) {
  std::lock_guard lock(mutex_);
  Edit& e = edits_[id];
  int size = static_cast<int>(e.text.size());
  int start = e.sel_start < 0 ? size : std::min(e.sel_start, size);
  int end = e.sel_start < 0 ? size : std::min(e.sel_end, size);
  std::string typed = c == '\n' ? std::string("\r\n") : std::string(1, c);
  e.text = e.text.substr(0, static_cast<std::size_t>(start)) + typed +
           e.text.substr(static_cast<std::size_t>(end));
  int caret = start + static_cast<int>(typed.size());
  if (caret >= static_cast<int>(e.text.size())) {
    e.sel_start = e.sel_end = -1;
  } else {
    e.sel_start = e.sel_end = caret;
  }
}

void RecordingView::list_append(int id, const std::string& entry) {
  std::lock_guard lock(mutex_);
  lists_[id].entries.push_back(entry);
}

void RecordingView::list_remove(int id, int index) {
  std::lock_guard lock(mutex_);
  List& l = lists_[id];
  if (index < 0 || index >= static_cast<int>(l.entries.size())) return;
  l.entries.erase(l.entries.begin() + index);
  if (l.selected == index) l.selected = -1;
  else if (l.selected > index) --l.selected;
}

int RecordingView::list_count(int id) {
  std::lock_guard lock(mutex_);
  return static_cast<int>(lists_[id].entries.size());
}

std::optional<std::string> RecordingView::list_selected_text(int id) {
  std::lock_guard lock(mutex_);
  List& l = lists_[id];
  if (l.selected < 0 || l.selected >= static_cast<int>(l.entries.size())) return std::nullopt;
  return l.entries[static_cast<std::size_t>(l.selected)];
}

void RecordingView::message_box(const std::string& text, const std::string& caption,
                                BoxOwner owner) {
  std::lock_guard lock(mutex_);
  boxes_.push_back({text, caption, owner});
}

std::string RecordingView::text(int id) {
  std::lock_guard lock(mutex_);
  return edits_[id].text;
}

std::vector<std::string> RecordingView::list(int id) {
  std::lock_guard lock(mutex_);
  return lists_[id].entries;
}

void RecordingView::select_list_entry(int id, int index) {
  std::lock_guard lock(mutex_);
  lists_[id].selected = index;
}

void RecordingView::select_text(int id, int start, int end) {
  std::lock_guard lock(mutex_);
  edits_[id].sel_start = start;
  edits_[id].sel_end = end;
}

void RecordingView::place_caret(int id, int pos) { select_text(id, pos, pos); }

std::vector<RecordedBox> RecordingView::boxes() {
  std::lock_guard lock(mutex_);
  return boxes_;
}

void RecordingView::clear_boxes() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
}

int RecordingView::set_text_count(int id) {
  std::lock_guard lock(mutex_);
  return set_counts_[id];
}
