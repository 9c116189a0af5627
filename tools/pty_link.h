#pragma once
// A pseudo-terminal playing one serial device. The near end is linked as
// "COMn" in the operator's folder, where the console looks for its ports;
// this program reads and writes the far end.

#include <string>
#include <vector>

enum class PortEvent { opened, closed };

class PtyLink {
 public:
  PtyLink() = default;
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  // Creates the terminal and the link `folder`/COM<n>. A link left behind by
  // an earlier run (pointing into /dev/pts) is replaced; anything else of
  // that name, such as a link to a real adapter, is left alone and refused.
  bool open(const std::string& folder, int com_number, std::string& error);

  // Unplugged: the terminal hangs up (both ends closed) and the link goes,
  // as a USB adapter's device node goes when it is pulled out.
  void unplug();
  // Plugged in again: a new terminal, linked under the same COM name.
  bool replug(std::string& error);
  bool plugged_in() const { return far_fd_ >= 0; }

  int far_fd() const { return far_fd_; }
  const std::string& near_path() const { return near_path_; }
  const std::string& link_path() const { return link_path_; }

  // True while a program holds the port exclusively, as the console does
  // from START to STOP. Reports are only sent then: a real device's bytes
  // are lost when nobody has the port open.
  bool held_by_console() const;
  // From now on held_by_console() is always true: for a console that opens
  // the port without claiming the terminal (under Wine).
  void assume_held() { assume_held_ = true; }
  // Drops bytes sent to the port that nobody read.
  void drop_unread_input() const;

  // Readable when a program has opened or closed the port; -1 where the
  // kernel cannot report that, and the hold is then sampled instead.
  int watch_fd() const { return watch_fd_; }
  // Every open and close of the port since the last call, in order, however
  // quickly they followed each other.
  std::vector<PortEvent> take_port_events();

 private:
  int far_fd_ = -1;
  // Kept open so the console can close and reopen the port as often as it
  // likes without the terminal hanging up.
  int near_fd_ = -1;
  int watch_fd_ = -1;
  bool sampled_held_ = false;
  std::string near_path_;
  std::string link_path_;
  std::string folder_;
  int com_number_ = 0;
  bool assume_held_ = false;
};
