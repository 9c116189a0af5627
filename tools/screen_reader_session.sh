#!/bin/bash
# A desktop of the test's own for a screen reader: Xvfb, a private D-Bus
# session, the accessibility bus, speech-dispatcher with its dummy voice and
# Orca writing what it speaks to a debug file. Sourced by the screen-reader
# test (tests/screen_reader/run.sh): start_session FOLDER, stop_session.

pids=()

# A process and everything it started, children first.
tree_of() {
  local child
  for child in $(pgrep -P "$1"); do tree_of "$child"; done
  echo "$1"
}

# Stops every process the session started, and what they started, by id,
# and waits until each is gone.
stop_session() {
  local all=() i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do all+=($(tree_of "${pids[i]}")); done
  for pid in "${all[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${all[@]}"; do
    # A child of this shell stays a zombie until waited for.
    for _ in $(seq 50); do
      [ "$(ps -o stat= -p "$pid" 2>/dev/null | cut -c1)" = "" ] && break
      [ "$(ps -o stat= -p "$pid" | cut -c1)" = Z ] && break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
}

# Waits up to $2 tenths of a second for file $1 to hold a line.
wait_for_file_line() {
  for _ in $(seq "$2"); do
    [ -s "$1" ] && grep -q . "$1" && return 0
    sleep 0.1
  done
  return 1
}

start_session() {
  local run=$1
  export HOME=$run/home XDG_RUNTIME_DIR=$run/xdg XDG_CONFIG_HOME=$run/home/.config
  export XDG_DATA_HOME=$run/home/.local/share XDG_CACHE_HOME=$run/home/.cache
  mkdir -p "$HOME" "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_DATA_HOME"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS SESSION_MANAGER
  export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=0 QT_QPA_PLATFORM=xcb

  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$run/display" 2>"$run/xvfb.log" &
  pids+=($!)
  wait_for_file_line "$run/display" 100 || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$run/display")

  dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$run/bus" &
  pids+=($!)
  wait_for_file_line "$run/bus" 100 || { echo "dbus-daemon did not start" >&2; return 1; }
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$run/bus")

  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  pids+=($!)
  # Asked only once the launcher holds its name: asking earlier would make
  # D-Bus start a launcher of its own.
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true && break
    sleep 0.1
  done
  # Qt offers its accessibility only when IsEnabled is set.
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
    variant:boolean:true >/dev/null || { echo "the accessibility bus did not start" >&2; return 1; }

  printf 'AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\n' \
    >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf"
  export SPEECHD_ADDRESS=unix_socket:$XDG_RUNTIME_DIR/speechd.sock
  speech-dispatcher -s -t 0 -c unix_socket -S "$XDG_RUNTIME_DIR/speechd.sock" \
    -C "$XDG_CONFIG_HOME/speech-dispatcher" -L "$run" >"$run/speechd.log" 2>&1 &
  pids+=($!)

  # Orca refuses to start beside another of the same user (one just stopped
  # may take a moment to go).
  for _ in $(seq 50); do pgrep -u "$(id -u)" -x orca >/dev/null || break; sleep 0.1; done
  if pgrep -u "$(id -u)" -x orca >/dev/null; then
    echo "another Orca runs for this user; this test needs Orca to itself" >&2
    return 1
  fi
  # Orca writes its debug file in blocks, so the last words may wait there
  # for long; on a terminal it writes each line at once, and script copies
  # the terminal to the file as it comes.
  SHELL=/bin/sh script --quiet --flush --return \
    --command 'exec orca --debug-file=/dev/tty' "$run/orca.debug" >/dev/null 2>&1 </dev/null &
  pids+=($!)
  for _ in $(seq 300); do
    grep -q "Orca is running\|INFO: Orca is ready\|speech server" "$run/orca.debug" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "Orca did not start" >&2
  return 1
}
