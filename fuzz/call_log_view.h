#pragma once
// A window for the fuzz targets: it keeps every call the logic makes, in
// order, so a target can check which controls were touched and with what.
// List reads answer as an empty list with nothing selected.

#include <optional>
#include <string>
#include <vector>

#include "console/console_view.h"

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
    message_box
  };
  Kind kind;
  int id = 0;  // the control; for a message box, 0
  std::string text;
  std::string caption;  // message boxes only
  int index = 0;        // list_remove only
  BoxOwner owner = BoxOwner::none;
};

class CallLogView : public ConsoleView {
 public:
  void set_text(int id, const std::string& text) override { add({ViewCall::set_text, id, text}); }
  std::string get_text(int id, int) override {
    add({ViewCall::get_text, id, {}});
    return {};
  }
  EditSelection get_selection(int id) override {
    add({ViewCall::get_selection, id, {}});
    return {};
  }
  void type_char(int id, char c) override { add({ViewCall::type_char, id, std::string(1, c)}); }
  void list_append(int id, const std::string& entry) override {
    add({ViewCall::list_append, id, entry});
  }
  void list_remove(int id, int index) override {
    ViewCall call{ViewCall::list_remove, id, {}};
    call.index = index;
    add(call);
  }
  int list_count(int id) override {
    add({ViewCall::list_count, id, {}});
    return 0;
  }
  std::optional<std::string> list_selected_text(int id) override {
    add({ViewCall::list_selected_text, id, {}});
    return std::nullopt;
  }
  void message_box(const std::string& text, const std::string& caption, BoxOwner owner) override {
    ViewCall call{ViewCall::message_box, 0, text};
    call.caption = caption;
    call.owner = owner;
    add(call);
  }

  std::vector<ViewCall> calls;

 private:
  void add(const ViewCall& call) { calls.push_back(call); }
};
