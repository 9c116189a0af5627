#pragma once
// The view once no window can show anything: its display is lost, or a stop
// signal is ending the program and nobody may be kept waiting for OK. A
// message box becomes a line on standard error; everything else does nothing
// and reads as an empty window.

#include "console/console_view.h"

class StderrView : public ConsoleView {
 public:
  void set_text(int, const std::string&) override {}
  std::string get_text(int, int) override { return {}; }
  EditSelection get_selection(int) override { return {}; }
  void type_char(int, char) override {}
  void list_append(int, const std::string&) override {}
  void list_remove(int, int) override {}
  int list_count(int) override { return 0; }
  std::optional<std::string> list_selected_text(int) override { return std::nullopt; }
  std::optional<int> list_selected_index(int) override { return std::nullopt; }
  // "kestrel8: <caption>: <text>"
  void message_box(const std::string& text, const std::string& caption, BoxOwner owner) override;
};
