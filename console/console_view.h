#pragma once
// The only way the station logic reaches the window. Every operation names a
// control by its identifier; text crosses as raw bytes because settings files
// and adapter frames are byte-exact.

#include <optional>
#include <string>

namespace ctl {
inline constexpr int adapter_port = 110;  // "DV port(1)" edit
inline constexpr int response = 120;      // adapter status text
inline constexpr int adapter_port_label = 130;
inline constexpr int response_label = 140;
inline constexpr int start_stop = 150;  // START / STOP button
inline constexpr int exit_button = 160;
inline constexpr int receiving = 200;  // received header lines
inline constexpr int receiving_label = 202;
inline constexpr int my_callsign = 210;
inline constexpr int my_callsign_label = 220;
inline constexpr int my_suffix = 230;  // "Slash(4)"
inline constexpr int my_suffix_label = 240;
inline constexpr int call_area = 250;
inline constexpr int call_area_label = 260;
inline constexpr int my_repeater = 270;
inline constexpr int my_repeater_label = 280;
inline constexpr int his_repeater = 290;
inline constexpr int his_repeater_label = 300;
inline constexpr int sending = 310;  // short message text
inline constexpr int sending_label = 320;
inline constexpr int tx_msg = 330;
inline constexpr int transceiver_label = 340;
inline constexpr int transceiver_port_label = 350;
inline constexpr int transceiver_model = 360;
inline constexpr int transceiver_port = 370;  // "TRX port(1)" edit
inline constexpr int frequency_label = 380;
inline constexpr int frequency = 390;
inline constexpr int shift_label = 400;
inline constexpr int shift = 410;
inline constexpr int call_back = 420;
inline constexpr int callback_callsign = 430;
inline constexpr int cancel = 2;  // Esc key or close box
}  // namespace ctl

// Character positions in an edit's text; a line break counts as two (CR LF).
struct EditSelection {
  int start = 0;
  int end = 0;
};

enum class BoxOwner { none, window };

class ConsoleView {
 public:
  virtual ~ConsoleView() = default;

  virtual void set_text(int id, const std::string& text) = 0;
  // At most max_chars characters of an edit's text, line breaks as CR LF.
  virtual std::string get_text(int id, int max_chars) = 0;
  virtual EditSelection get_selection(int id) = 0;
  // Adds one received byte at the end of an edit's text. The operator's caret
  // and selection stay where they were, so a callsign being selected for a
  // call back survives; the view follows only while it shows the last line.
  virtual void type_char(int id, char c) = 0;

  virtual void list_append(int id, const std::string& entry) = 0;
  virtual void list_remove(int id, int index) = 0;
  virtual int list_count(int id) = 0;
  virtual std::optional<std::string> list_selected_text(int id) = 0;
  // The selected entry's place in the list, counted from 0.
  virtual std::optional<int> list_selected_index(int id) = 0;

  // Holds the caller until the operator presses OK.
  virtual void message_box(const std::string& text, const std::string& caption, BoxOwner owner) = 0;
};
