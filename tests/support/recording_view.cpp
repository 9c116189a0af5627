#include "support/recording_view.h"

#include <algorithm>

void RecordingView::set_text(int id, const std::string& text) {
  on_window([&] {
    std::lock_guard lock(mutex_);
    Edit& e = edits_[id];
    e.text = text;
    e.sel_start = e.sel_end = -1;
    ++set_counts_[id];
  });
}

std::string RecordingView::get_text(int id, int max_chars) {
  std::string text;
  on_window([&] {
    std::lock_guard lock(mutex_);
    text = edits_[id].text.substr(0, static_cast<std::size_t>(std::max(0, max_chars)));
  });
  return text;
}

EditSelection RecordingView::get_selection(int id) {
  EditSelection selection;
  on_window([&] {
    std::lock_guard lock(mutex_);
    const Edit& e = edits_[id];
    const int size = static_cast<int>(e.text.size());
    selection = e.sel_start < 0 ? EditSelection{size, size} : EditSelection{e.sel_start, e.sel_end};
  });
  return selection;
}

void RecordingView::type_char(int id, char c) {
  on_window([&] {
    std::lock_guard lock(mutex_);
    Edit& e = edits_[id];
    // Received text goes at the end; a caret at the end stays before it.
    if (e.sel_start < 0) e.sel_start = e.sel_end = static_cast<int>(e.text.size());
    e.text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  });
}

void RecordingView::list_append(int id, const std::string& entry) {
  on_window([&] {
    std::lock_guard lock(mutex_);
    lists_[id].entries.push_back(entry);
  });
}

void RecordingView::list_remove(int id, int index) {
  on_window([&] {
    std::lock_guard lock(mutex_);
    List& l = lists_[id];
    if (index < 0 || index >= static_cast<int>(l.entries.size())) return;
    l.entries.erase(l.entries.begin() + index);
    if (l.selected == index)
      l.selected = -1;
    else if (l.selected > index)
      --l.selected;
  });
}

int RecordingView::list_count(int id) {
  int count = 0;
  on_window([&] {
    std::lock_guard lock(mutex_);
    count = static_cast<int>(lists_[id].entries.size());
  });
  return count;
}

std::optional<std::string> RecordingView::list_selected_text(int id) {
  std::optional<std::string> entry;
  on_window([&] {
    std::lock_guard lock(mutex_);
    const List& l = lists_[id];
    if (l.selected >= 0 && l.selected < static_cast<int>(l.entries.size())) {
      entry = l.entries[static_cast<std::size_t>(l.selected)];
    }
  });
  return entry;
}

std::optional<int> RecordingView::list_selected_index(int id) {
  std::optional<int> index;
  on_window([&] {
    std::lock_guard lock(mutex_);
    const List& l = lists_[id];
    if (l.selected >= 0 && l.selected < static_cast<int>(l.entries.size())) index = l.selected;
  });
  return index;
}

void RecordingView::message_box(const std::string& text, const std::string& caption,
                                BoxOwner owner) {
  on_window([&] {
    std::lock_guard lock(mutex_);
    boxes_.push_back({text, caption, owner});
  });
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

void RecordingView::act_as_window_thread() {
  std::lock_guard lock(handoff_mutex_);
  window_thread_ = std::this_thread::get_id();
}

void RecordingView::on_window(const std::function<void()>& request) {
  std::unique_lock lock(handoff_mutex_);
  if (window_thread_ == std::thread::id() || window_thread_ == std::this_thread::get_id()) {
    lock.unlock();
    request();
    return;
  }
  handoff_done_.wait(lock, [&] { return pending_ == nullptr; });  // one request at a time
  pending_ = &request;
  handoff_done_.wait(lock, [&] { return pending_ != &request; });
}

void RecordingView::pump() {
  const std::function<void()>* request = nullptr;
  {
    std::lock_guard lock(handoff_mutex_);
    request = pending_;
  }
  if (request == nullptr) return;
  (*request)();
  {
    std::lock_guard lock(handoff_mutex_);
    pending_ = nullptr;
  }
  handoff_done_.notify_all();
}

bool RecordingView::request_waiting() {
  std::lock_guard lock(handoff_mutex_);
  return pending_ != nullptr;
}
