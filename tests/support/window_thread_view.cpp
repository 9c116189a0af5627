#include "support/window_thread_view.h"

WindowThreadView::WindowThreadView(RecordingView& window)
    : window_(window), window_thread_(std::this_thread::get_id()) {}

void WindowThreadView::set_text(int id, const std::string& text) {
  on_window([&] { window_.set_text(id, text); });
}

std::string WindowThreadView::get_text(int id, int max_chars) {
  std::string text;
  on_window([&] { text = window_.get_text(id, max_chars); });
  return text;
}

EditSelection WindowThreadView::get_selection(int id) {
  EditSelection selection;
  on_window([&] { selection = window_.get_selection(id); });
  return selection;
}

void WindowThreadView::type_char(int id, char c) {
  on_window([&] { window_.type_char(id, c); });
}

void WindowThreadView::list_append(int id, const std::string& entry) {
  on_window([&] { window_.list_append(id, entry); });
}

void WindowThreadView::list_remove(int id, int index) {
  on_window([&] { window_.list_remove(id, index); });
}

int WindowThreadView::list_count(int id) {
  int count = 0;
  on_window([&] { count = window_.list_count(id); });
  return count;
}

std::optional<std::string> WindowThreadView::list_selected_text(int id) {
  std::optional<std::string> text;
  on_window([&] { text = window_.list_selected_text(id); });
  return text;
}

void WindowThreadView::message_box(const std::string& text, const std::string& caption,
                                   BoxOwner owner) {
  on_window([&] { window_.message_box(text, caption, owner); });
}

void WindowThreadView::pump() {
  const std::function<void()>* request = nullptr;
  {
    std::lock_guard lock(mutex_);
    request = pending_;
  }
  if (request == nullptr) return;
  (*request)();
  {
    std::lock_guard lock(mutex_);
    pending_ = nullptr;
  }
  done_.notify_all();
}

void WindowThreadView::on_window(const std::function<void()>& request) {
  if (std::this_thread::get_id() == window_thread_) {
    request();
    return;
  }
  std::unique_lock lock(mutex_);
  pending_ = &request;
  done_.wait(lock, [&] { return pending_ == nullptr; });
}
