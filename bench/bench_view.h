#pragma once
// A window that keeps only what the handlers read back (the port fields) and
// counts what it is asked to show, so a benchmark times the station logic and
// not a display. One thread at a time: the benchmarks that use it send no
// traffic to the receive thread while the window's thread uses it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "console/console_view.h"

class BenchView : public ConsoleView {
 public:
  void set_text(int id, const std::string& text) override {
    if (std::string* slot = slot_of(id)) *slot = text;
    ++texts_set;
  }
  std::string get_text(int id, int max_chars) override {
    const std::string* slot = slot_of(id);
    if (slot == nullptr || max_chars <= 0) return {};
    return slot->substr(0, static_cast<std::size_t>(max_chars));
  }
  EditSelection get_selection(int) override { return {}; }
  void type_char(int, char) override { ++chars_typed; }
  void list_append(int, const std::string&) override { ++entries_added; }
  void list_remove(int, int) override {}
  int list_count(int) override { return 0; }
  std::optional<std::string> list_selected_text(int) override { return std::nullopt; }
  void message_box(const std::string&, const std::string&, BoxOwner) override { ++boxes_shown; }

  long chars_typed = 0;
  long texts_set = 0;
  long entries_added = 0;
  long boxes_shown = 0;

 private:
  std::string* slot_of(int id) {
    return id >= 0 && static_cast<std::size_t>(id) < texts_.size()
               ? &texts_[static_cast<std::size_t>(id)]
               : nullptr;
  }
  std::array<std::string, ctl::callback_callsign + 1> texts_;
};
