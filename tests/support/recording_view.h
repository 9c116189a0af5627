#pragma once
// The one stand-in for the window in logic tests. It keeps controls as the
// window would (texts, list entries, an edit's caret and selection) and
// records every message box. Safe to call from the receive thread; after
// act_as_window_thread() such calls wait, as with the real window, until the
// window's thread carries them out with pump().

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "console/console_view.h"

struct RecordedBox {
  std::string text;
  std::string caption;
  BoxOwner owner;
  bool operator==(const RecordedBox&) const = default;
};

class RecordingView : public ConsoleView {
 public:
  void set_text(int id, const std::string& text) override;
  std::string get_text(int id, int max_chars) override;
  EditSelection get_selection(int id) override;
  void type_char(int id, char c) override;
  void list_append(int id, const std::string& entry) override;
  void list_remove(int id, int index) override;
  int list_count(int id) override;
  std::optional<std::string> list_selected_text(int id) override;
  void message_box(const std::string& text, const std::string& caption, BoxOwner owner) override;

  // What the operator would do and see.
  std::string text(int id);
  std::vector<std::string> list(int id);
  void select_list_entry(int id, int index);  // -1: nothing selected
  void select_text(int id, int start, int end);
  void place_caret(int id, int pos);
  std::vector<RecordedBox> boxes();
  void clear_boxes();
  // How often set_text was called for a control (a display step happened).
  int set_text_count(int id);

  // From now on the calling thread is the window's thread: calls from any
  // other thread wait until pump() carries them out.
  void act_as_window_thread();
  // Carries out the request another thread is waiting on, if any.
  void pump();
  bool request_waiting();

 private:
  // Runs the request here, or hands it to the window's thread and waits.
  void on_window(const std::function<void()>& request);

  struct Edit {
    std::string text;    // line breaks stored as CR LF
    int sel_start = -1;  // -1: caret at the end
    int sel_end = -1;
  };
  struct List {
    std::vector<std::string> entries;
    int selected = -1;
  };
  std::mutex mutex_;
  std::map<int, Edit> edits_;
  std::map<int, List> lists_;
  std::map<int, int> set_counts_;
  std::vector<RecordedBox> boxes_;

  std::mutex handoff_mutex_;
  std::condition_variable handoff_done_;
  std::thread::id window_thread_;  // default id: every thread acts directly
  const std::function<void()>* pending_ = nullptr;
};
