#!/bin/sh
# `make run`: the console against the virtual devices in build/demo/.
#   run_demo.sh check-display       stop early when there is no desktop
#   run_demo.sh BUILD_DIR           prepare BUILD_DIR/demo, start the devices and the window
set -u

tools_dir=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open." >&2
  echo "Run it from a desktop session, or use 'make test', which needs no display." >&2
  exit 1
fi
[ "${1:-}" = check-display ] && exit 0

build=$(cd "${1:?build folder}" && pwd)
demo="$build/demo"
devices="$build/kestrel8-devices"
console="$build/kestrel8"
for program in "$devices" "$console"; do
  if [ ! -x "$program" ]; then
    echo "make run: $program is not built." >&2
    exit 1
  fi
done

# Settings files are copied only when missing, so what the operator saved
# last time (STOP writes them) is still there next time. The repeater list
# and the header script are demo data and always refreshed.
mkdir -p "$demo"
for f in D-STAR_DV_config.txt D-STAR_tranceiver_config.txt D-STAR_my_rpt.txt D-STAR_reflectors.txt; do
  [ -e "$demo/$f" ] || cp "$tools_dir/demo/$f" "$demo/$f"
done
cp "$tools_dir/demo/D-STAR_repeaters.txt" "$tools_dir/demo/demo_headers.txt" "$demo/"

cd "$demo" || exit 1
echo "Virtual DV adapter on COM7 and FT-817 on COM8 in $demo"
echo "Press START in the window; the devices' log follows here. Close the window to stop."
"$devices" --repeaters D-STAR_repeaters.txt --script demo_headers.txt --script-after-init --every 20 &
devices_pid=$!
echo "To unplug the virtual adapter, and to plug it in again: kill -USR1 $devices_pid"

# Every station heard also becomes a line of the month's heard log; its new
# lines follow here too.
heard_log="D-STAR_heard_$(date -u +%Y-%m).csv"
echo "Stations heard are kept in $demo/$heard_log"
tail -n 0 -F "$heard_log" 2>/dev/null &
tail_pid=$!

stop_devices() {
  kill -TERM "$tail_pid" 2>/dev/null
  kill -TERM "$devices_pid" 2>/dev/null
  wait "$devices_pid" 2>/dev/null
}
trap 'stop_devices; exit 130' INT TERM HUP

# Wait for the links so the window finds its ports at START.
tries=0
while [ ! -L COM7 ] || [ ! -L COM8 ]; do
  if ! kill -0 "$devices_pid" 2>/dev/null; then
    echo "make run: the virtual devices did not start." >&2
    stop_devices
    exit 1
  fi
  tries=$((tries + 1))
  if [ "$tries" -gt 50 ]; then
    echo "make run: the virtual devices did not create COM7 and COM8." >&2
    stop_devices
    exit 1
  fi
  sleep 0.1
done

"$console"
status=$?
stop_devices
exit "$status"
