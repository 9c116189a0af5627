#pragma once
// The stand-ins for the window. RecordingView, for logic tests, keeps
// controls as the window would (texts, list entries, an edit's caret and
// selection) and records every message box. Safe to call from the receive thread; after
// act_as_window_thread() such calls wait, as with the real window, until the
// window's thread carries them out with pump().

#include <array>
#include <condition_variable>
#include <cstddef>
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
  std::optional<int> list_selected_index(int id) override;
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

// One call the logic made on the window.
struct ViewCall {
  enum Kind {
    set_text,
    get_text,
    get_selection,
    type_char,
    list_append,
    list_remove,
    list_count,
    list_selected_text,
    message_box,
    kinds
  };
  Kind kind;
  int id = 0;  // the control; for a message box, 0
  std::string text;
  std::string caption;  // message boxes only
  int index = 0;        // list_remove only
  BoxOwner owner = BoxOwner::none;
};

// A lighter window for fuzz targets and benchmarks, for one thread at a
// time: it counts the calls of each kind, keeps the texts set so the
// handlers read the port fields back, and keeps every call in order unless
// told to only count (a benchmark's millions of typed characters). List
// reads answer as an empty list with nothing selected.
class CallLogView : public ConsoleView {
 public:
  enum Keep { every_call, counts_only };
  explicit CallLogView(Keep keep = every_call) : keep_calls_(keep == every_call) {}

  void set_text(int id, const std::string& text) override {
    if (std::string* slot = slot_of(id)) *slot = text;
    if (ViewCall* call = record(ViewCall::set_text, id)) call->text = text;
  }
  std::string get_text(int id, int max_chars) override {
    record(ViewCall::get_text, id);
    const std::string* slot = slot_of(id);
    if (slot == nullptr || max_chars <= 0) return {};
    return slot->substr(0, static_cast<std::size_t>(max_chars));
  }
  EditSelection get_selection(int id) override {
    record(ViewCall::get_selection, id);
    return {};
  }
  void type_char(int id, char c) override {
    if (ViewCall* call = record(ViewCall::type_char, id)) call->text = std::string(1, c);
  }
  void list_append(int id, const std::string& entry) override {
    if (ViewCall* call = record(ViewCall::list_append, id)) call->text = entry;
  }
  void list_remove(int id, int index) override {
    if (ViewCall* call = record(ViewCall::list_remove, id)) call->index = index;
  }
  int list_count(int id) override {
    record(ViewCall::list_count, id);
    return 0;
  }
  std::optional<std::string> list_selected_text(int id) override {
    record(ViewCall::list_selected_text, id);
    return std::nullopt;
  }
  std::optional<int> list_selected_index(int) override { return std::nullopt; }
  void message_box(const std::string& text, const std::string& caption, BoxOwner owner) override {
    if (ViewCall* call = record(ViewCall::message_box, 0)) {
      call->text = text;
      call->caption = caption;
      call->owner = owner;
    }
  }

  long count(ViewCall::Kind kind) const { return counts_[kind]; }

  std::vector<ViewCall> calls;

 private:
  // Counts the call and keeps it, for the caller to fill in; nullptr when
  // only counting.
  ViewCall* record(ViewCall::Kind kind, int id) {
    ++counts_[kind];
    if (!keep_calls_) return nullptr;
    ViewCall& call = calls.emplace_back();
    call.kind = kind;
    call.id = id;
    return &call;
  }
  std::string* slot_of(int id) {
    return id >= 0 && static_cast<std::size_t>(id) < texts_.size()
               ? &texts_[static_cast<std::size_t>(id)]
               : nullptr;
  }

  bool keep_calls_;
  std::array<long, ViewCall::kinds> counts_{};
  std::array<std::string, ctl::callback_callsign + 1> texts_;
};
