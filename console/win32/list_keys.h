#pragma once
// The lists are worked from the keyboard: Alt and the underlined letter of a
// list's caption put the focus in that list.

#include <array>

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
