#!/bin/sh
# Retakes docs/kestrel8.png and docs/screenshots/ from the `make run` demo.
#   tools/screenshots.sh BUILD_DIR
# Needs an X display wide enough for the window at 200 % (for example
# `Xvfb :21 -screen 0 2000x1200x24 &` and DISPLAY=:21), xdotool and ImageMagick. The demo data is copied into a
# scratch folder, so build/demo keeps what the operator saved there.
set -eu

tools_dir=$(cd "$(dirname "$0")" && pwd)
docs="$tools_dir/../docs"
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
devices_pid=""
console_pid=""
finish() {
  [ -n "$console_pid" ] && kill "$console_pid" 2>/dev/null
  [ -n "$devices_pid" ] && kill "$devices_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT INT TERM

cp "$tools_dir"/demo/* "$work/"
cd "$work"
"$build/kestrel8-devices" --repeaters D-STAR_repeaters.txt --script demo_headers.txt --script-after-init \
  --every 0 > devices.log &
devices_pid=$!
while [ ! -L COM7 ] || [ ! -L COM8 ]; do sleep 0.1; done

# Clicks at dialog pixels measured at 100 %, scaled to the factor.
click() {
  xdotool mousemove --window "$window" "$(awk "BEGIN { printf \"%d\", $2 * $factor }")" \
    "$(awk "BEGIN { printf \"%d\", $3 * $factor }")" click --repeat "$1" 1
}

# shot FACTOR FILE [start]: the window at that scale, with His repeater
# scrolled to the Japanese name, and after START once stations are heard.
shot() {
  factor=$1
  QT_SCALE_FACTOR=$factor "$build/kestrel8" 2>/dev/null &
  console_pid=$!
  window=""
  while [ -z "$window" ]; do
    sleep 0.2
    window=$(xdotool search --name '^Kestrel8$' 2>/dev/null | head -n 1 || true)
  done
  sleep 1
  if [ "${3:-}" = start ]; then
    click 1 840 28      # START
    sleep 12            # the demo's stations come 3 and 8 s after START
  fi
  click 1 300 177       # His repeater, first row
  xdotool key --repeat 7 --delay 50 Down
  sleep 1
  import -window "$window" -strip -colors 64 "PNG8:$2"
  kill "$console_pid"
  wait "$console_pid" 2>/dev/null || true
  console_pid=""
}

mkdir -p "$docs/screenshots"
for factor in 1 1.25 1.5 2; do
  shot "$factor" "$docs/screenshots/kestrel8-$(echo "$factor" | tr . _).png"
done
shot 1 "$docs/kestrel8.png" start
echo "Screenshots retaken in $docs"
