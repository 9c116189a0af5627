// kestrel8-devices: a virtual DV adapter and FT-817 for trying and testing
// the console without hardware.

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "cat_radio.h"
#include "device_options.h"
#include "dv_adapter.h"
#include "dv_frames.h"
#include "header_script.h"
#include "pty_link.h"
#include "repeater_book.h"
#include "text_format.h"

namespace {

using Clock = std::chrono::steady_clock;

bool stop_requested = false;
bool plug_toggle_requested = false;

// Ctrl-C, SIGTERM and SIGHUP stop the devices; SIGUSR1 unplugs or plugs in
// the adapter. The signals are blocked and read from a descriptor that
// wakes the main loop's poll, so no handler runs between two steps.
int open_signal_fd() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

void take_signals(int signal_fd) {
  signalfd_siginfo info{};
  while (read(signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    if (info.ssi_signo == SIGUSR1) {
      plug_toggle_requested = true;
    } else {
      stop_requested = true;
    }
  }
}

void log_line(const char* side, const std::string& text) {
  std::printf("%s %-3s %s\n", time_of_day().c_str(), side, text.c_str());
  std::fflush(stdout);
}

std::string with_hex(const DeviceOptions& o, const std::string& text,
                     const std::vector<std::uint8_t>& raw) {
  return o.hex && !raw.empty() ? text + "  [" + hex_bytes(raw) + "]" : text;
}

// Writes all bytes to the far end, giving up after a second if nobody reads.
void send_bytes(const PtyLink& link, const std::vector<std::uint8_t>& bytes) {
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  std::size_t done = 0;
  while (done < bytes.size() && Clock::now() < deadline) {
    const ssize_t n = ::write(link.far_fd(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    pollfd pfd{link.far_fd(), POLLOUT, 0};
    poll(&pfd, 1, 10);
  }
}

std::string header_text(const std::string& my, const std::string& ur, const std::string& rpt1,
                        const std::string& rpt2) {
  return "HEADER MY=\"" + printable(my) + "\" UR=\"" + printable(ur) + "\" RPT1=\"" +
         printable(rpt1) + "\" RPT2=\"" + printable(rpt2) + '"';
}

// Fictional stations heard on the operator's repeater.
const char* const kStations[] = {"QR1ABC", "QR2XYZ", "QR4KLM", "QR6PQR", "QR7STU", "QR9VWX"};

struct Devices {
  DeviceOptions options;
  RepeaterBook book;
  HeaderScript script;
  PtyLink dv_link;
  PtyLink trx_link;
  dv::FrameDecoder dv_decoder;
  AdapterState adapter;
  cat::Assembler cat_assembler;
  cat::RadioState radio;
  int dv_holders = 0;  // programs that have the port open
  int trx_holders = 0;
  Clock::time_point started = Clock::now();
  bool script_running = false;
  Clock::time_point script_base = started;
  std::size_t script_next = 0;
  Clock::time_point next_station = started;
  std::size_t station_turn = 0;
  Clock::time_point unplug_at = Clock::time_point::max();
  Clock::time_point replug_at = Clock::time_point::max();
};

Clock::time_point seconds_after(Clock::time_point from, double seconds) {
  if (seconds < 0) return Clock::time_point::max();
  return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

long ms_since_start(const Devices& d) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - d.started).count());
}

void send_header(Devices& d, const std::string& my, const std::string& ur, const std::string& rpt1,
                 const std::string& rpt2, const char* origin) {
  const auto frame = dv::header_report(my, ur, rpt1, rpt2);
  const std::string text =
      header_text(dv::callsign8(my), dv::callsign8(ur), dv::callsign8(rpt1), dv::callsign8(rpt2));
  // ser2net holds the port without claiming the terminal: open is enough.
  if (d.dv_holders == 0 && !d.dv_link.held_by_console()) {
    log_line("DV", text + " not sent: " + d.dv_link.link_path() + " is not open");
    return;
  }
  send_bytes(d.dv_link, frame);
  log_line("DV", with_hex(d.options, "-> " + text + " (" + origin + ")", frame));
}

// Each byte the console has written to this end and not yet read.
template <typename OnByte>
void for_each_waiting_byte(int fd, OnByte on_byte) {
  std::uint8_t buf[512];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) on_byte(buf[i]);
  }
}

void read_adapter(Devices& d) {
  for_each_waiting_byte(d.dv_link.far_fd(), [&d](std::uint8_t b) {
    auto frame = dv::feed(d.dv_decoder, b);
    if (!frame) return;
    const AdapterReply reply = handle_frame(d.adapter, d.book, *frame);
    // With --hex the frame's bytes go on its first line, the answer's on the last.
    for (std::size_t k = 0; k < reply.lines.size(); ++k) {
      std::vector<std::uint8_t> shown;
      if (k == 0) shown = frame->raw;
      if (k > 0 && k + 1 == reply.lines.size()) shown = reply.answer;
      log_line("DV", with_hex(d.options, reply.lines[k], shown));
    }
    if (!reply.answer.empty()) send_bytes(d.dv_link, reply.answer);
    if (reply.initialised && d.options.script_after_init) {
      d.script_running = true;
      d.script_base = Clock::now();
      d.script_next = 0;
    }
  });
  // Noise is reported once per burst, not byte by byte.
  if (d.dv_decoder.dropped != 0) {
    log_line("DV", std::to_string(d.dv_decoder.dropped) + " bytes outside any frame skipped");
    d.dv_decoder.dropped = 0;
  }
}

void report_stale_cat(const std::vector<std::uint8_t>& stale) {
  if (!stale.empty()) log_line("TRX", "incomplete command dropped [" + hex_bytes(stale) + "]");
}

void read_radio(Devices& d) {
  for_each_waiting_byte(d.trx_link.far_fd(), [&d](std::uint8_t b) {
    const cat::Fed fed = cat::feed(d.cat_assembler, b, ms_since_start(d));
    report_stale_cat(fed.dropped);
    if (!fed.command) return;
    log_line("TRX", with_hex(d.options, cat::apply(d.radio, *fed.command),
                             {fed.command->begin(), fed.command->end()}));
    log_line("TRX", cat::summary(d.radio));
  });
}

// Every open and close is logged, however quickly STOP and START follow each
// other: operators read link trouble from these lines. A second program that
// opens the port while the console holds it (another console, refused) is
// told apart from the console itself.
void watch_port(PtyLink& link, int& holders, const char* side,
                const std::function<void()>& on_close) {
  for (const PortEvent event : link.take_port_events()) {
    if (event == PortEvent::opened) {
      ++holders;
      log_line(side, link.link_path() + (holders == 1 ? " opened by the console"
                                                      : " opened by another program too"));
    } else if (holders > 0) {
      --holders;
      if (holders > 0) {
        log_line(side, link.link_path() + " closed by one program, still open");
        continue;
      }
      log_line(side, link.link_path() + " closed");
      link.drop_unread_input();
      on_close();
    }
  }
}

// The adapter pulled out: the console sees its terminal hang up and its
// COM link vanish. A real adapter forgets its settings without power.
void unplug_adapter(Devices& d) {
  d.dv_link.unplug();
  d.dv_holders = 0;
  d.dv_decoder = dv::FrameDecoder{};
  d.adapter = AdapterState{};
  d.unplug_at = Clock::time_point::max();
  d.replug_at = seconds_after(Clock::now(), d.options.replug_after);
  log_line("DV", "adapter unplugged: its terminal hung up and the COM link removed");
}

bool replug_adapter(Devices& d) {
  std::string error;
  d.replug_at = Clock::time_point::max();
  if (!d.dv_link.replug(error)) {
    log_line("DV", "adapter not plugged in again: " + error);
    return false;
  }
  if (d.options.assume_open) d.dv_link.assume_held();
  log_line("DV", "adapter plugged in again on " + d.dv_link.link_path() + " (" +
                     d.dv_link.near_path() + ")");
  return true;
}

void play_plugging(Devices& d) {
  const bool toggle = plug_toggle_requested;
  plug_toggle_requested = false;
  const auto now = Clock::now();
  if (d.dv_link.plugged_in() && (toggle || now >= d.unplug_at)) {
    unplug_adapter(d);
  } else if (!d.dv_link.plugged_in() && (toggle || now >= d.replug_at)) {
    replug_adapter(d);
  }
}

void play_timers(Devices& d) {
  const auto now = Clock::now();
  if (d.script_running) {
    while (d.script_next < d.script.headers.size()) {
      const ScriptedHeader& h = d.script.headers[d.script_next];
      if (now < d.script_base + std::chrono::duration<double>(h.seconds)) break;
      send_header(d, h.my, h.ur, h.rpt1, h.rpt2, "script");
      ++d.script_next;
    }
  }
  if (d.options.every_seconds > 0 && now >= d.next_station) {
    d.next_station = now + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(d.options.every_seconds));
    if (d.dv_holders > 0) {
      const bool simplex = !d.adapter.repeater_mode;
      const bool routed = !d.adapter.rpt1.empty() && d.adapter.rpt1 != std::string(8, ' ');
      const std::string rpt1 = simplex ? "DIRECT" : routed ? d.adapter.rpt1 : "QR3KTA A";
      const std::string rpt2 = simplex ? "DIRECT" : routed ? d.adapter.rpt2 : "QR3KTG G";
      const char* my = kStations[d.station_turn++ % std::size(kStations)];
      send_header(d, my, "CQCQCQ", rpt1, rpt2, "fictional station");
    }
  }
}

int run(Devices& d) {
  std::string error;
  if (!d.dv_link.open(d.options.folder, d.options.dv_port, error) ||
      !d.trx_link.open(d.options.folder, d.options.trx_port, error)) {
    std::fprintf(stderr, "kestrel8-devices: %s\n", error.c_str());
    return 1;
  }
  if (d.options.assume_open) {
    d.dv_link.assume_held();
    d.trx_link.assume_held();
  }
  const int signal_fd = open_signal_fd();
  log_line("---", "DV adapter on " + d.dv_link.link_path() + " (" + d.dv_link.near_path() +
                      "), radio on " + d.trx_link.link_path() + " (" + d.trx_link.near_path() +
                      ")");
  log_line("---", d.book.checked ? "repeater list " + d.options.repeaters + ": " +
                                       std::to_string(d.book.callsigns.size()) + " repeaters"
                                 : "no repeater list: every UR is accepted");
  if (!d.options.script.empty()) {
    log_line("---", "header script " + d.options.script + ": " +
                        std::to_string(d.script.headers.size()) + " reports, clock from " +
                        (d.options.script_after_init ? "each INIT" : "program start"));
  }
  char every[64];
  std::snprintf(every, sizeof every, "a fictional station every %g s", d.options.every_seconds);
  log_line("---", d.options.every_seconds > 0 ? every : "no fictional stations");
  log_line("---", "ready; Ctrl-C stops");

  d.script_running = !d.options.script.empty() && !d.options.script_after_init;
  d.started = d.script_base = Clock::now();
  d.next_station = d.started + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(d.options.every_seconds));
  d.unplug_at = seconds_after(d.started, d.options.unplug_after);
  while (!stop_requested) {
    pollfd fds[5] = {{d.dv_link.far_fd(), POLLIN, 0},
                     {d.trx_link.far_fd(), POLLIN, 0},
                     {d.dv_link.watch_fd(), POLLIN, 0},
                     {d.trx_link.watch_fd(), POLLIN, 0},
                     {signal_fd, POLLIN, 0}};
    poll(fds, 5, 50);
    take_signals(signal_fd);
    if (stop_requested) break;
    play_plugging(d);
    if (d.dv_link.plugged_in()) {
      watch_port(d.dv_link, d.dv_holders, "DV", [&d] {
        if (d.dv_decoder.step != dv::FrameDecoder::Step::hunting)
          log_line("DV", "unfinished frame dropped");
        d.dv_decoder = dv::FrameDecoder{};
      });
      read_adapter(d);
    }
    watch_port(d.trx_link, d.trx_holders, "TRX", [] {});
    read_radio(d);
    report_stale_cat(cat::expire(d.cat_assembler, ms_since_start(d)));
    play_timers(d);
  }
  log_line("---", "stopping, removing the links");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Devices d;
  std::string error;
  if (!parse_device_options(std::vector<std::string>(argv + 1, argv + argc), d.options, error)) {
    std::fprintf(stderr, "kestrel8-devices: %s\n\n%s", error.c_str(), device_usage());
    return 2;
  }
  if (d.options.help) {
    std::fputs(device_usage(), stdout);
    return 0;
  }
  if (!d.options.repeaters.empty() && !load_repeater_book(d.options.repeaters, d.book, error)) {
    std::fprintf(stderr, "kestrel8-devices: %s\n", error.c_str());
    return 2;
  }
  if (!d.options.script.empty()) {
    d.script = load_header_script(d.options.script);
    if (!d.script.error.empty()) {
      std::fprintf(stderr, "kestrel8-devices: %s: %s\n", d.options.script.c_str(),
                   d.script.error.c_str());
      return 2;
    }
  }
  return run(d);
}
