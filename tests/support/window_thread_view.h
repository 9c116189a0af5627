#pragma once
// The window's thread as the receive thread meets it: a request from any
// other thread waits until the thread that built this view carries it out
// in pump(), as the real window does. Requests from the window's own thread
// run at once. Everything lands in the RecordingView behind it.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "support/recording_view.h"

class WindowThreadView : public ConsoleView {
 public:
  explicit WindowThreadView(RecordingView& window);

  void set_text(int id, const std::string& text) override;
  std::string get_text(int id, int max_chars) override;
  EditSelection get_selection(int id) override;
  void type_char(int id, char c) override;
  void list_append(int id, const std::string& entry) override;
  void list_remove(int id, int index) override;
  int list_count(int id) override;
  std::optional<std::string> list_selected_text(int id) override;
  void message_box(const std::string& text, const std::string& caption, BoxOwner owner) override;

  // Carries out the waiting request, if any. Window's thread only.
  void pump();

 private:
  void on_window(const std::function<void()>& request);

  RecordingView& window_;
  std::thread::id window_thread_;
  std::mutex mutex_;
  std::condition_variable done_;
  const std::function<void()>* pending_ = nullptr;
};
