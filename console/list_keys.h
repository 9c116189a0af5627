#pragma once
// The lists are worked from the keyboard: Alt and the underlined letter of a
// list's caption put the focus in that list. The same keys in both windows.

#include <array>
#include <cctype>
#include <string>

#include "console/console_view.h"

struct ListKey {
  int label;
  int list;
  char letter;  // underlined where a word of the caption starts with it
};

inline constexpr std::array<ListKey, 4> list_keys = {{
    {ctl::call_area_label, ctl::call_area, 'A'},
    {ctl::my_repeater_label, ctl::my_repeater, 'M'},
    {ctl::his_repeater_label, ctl::his_repeater, 'H'},
    {ctl::transceiver_label, ctl::transceiver_model, 'T'},
}};

inline const ListKey* list_key_of_label(int label) {
  for (const ListKey& key : list_keys) {
    if (key.label == label) return &key;
  }
  return nullptr;
}

// The caption with "&" before its list's letter: "Call &area(7)" for Alt+A.
inline std::string caption_with_list_key(int label, const std::string& caption) {
  const ListKey* key = list_key_of_label(label);
  std::string marked = caption;
  for (std::size_t i = 0; key && i < marked.size(); ++i) {
    const bool word_start = i == 0 || marked[i - 1] == ' ';
    if (word_start && std::toupper(static_cast<unsigned char>(marked[i])) == key->letter) {
      marked.insert(i, 1, '&');
      break;
    }
  }
  return marked;
}
