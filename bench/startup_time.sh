#!/bin/sh
# Start-up of the real program: time from starting build/kestrel8 to its
# window being shown on an X display, and its resident memory then, with
# typical settings and a 256-line repeater list. Run under a display of its
# own: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" sh bench/startup_time.sh build/kestrel8 [runs]
# Prints "result startup_shown_ms <median>" and "result startup_rss_mb <max>".
set -u
# Every way of not getting a figure says why, on the last line of output.
[ -x "${1:-}" ] || { echo "no program to start: ${1:-none given}"; exit 1; }
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
runs=${2:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel8-startup-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work" || exit 1

printf 'QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7' > D-STAR_DV_config.txt
printf 'FT-817,8,439310,-5000,PKT,Dummy ' > D-STAR_tranceiver_config.txt
printf 'JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G' > D-STAR_my_rpt.txt
awk 'BEGIN { for (i = 0; i < 256; i++)
  printf "JP%d,Site%d(NI%d),%d,-5000,QR%dR%d A,QR%dR%d G\n", i % 10, i, i % 100, 439010 + 10 * (i % 90), i % 10, 100 + i, i % 10, 100 + i }' \
  > D-STAR_repeaters.txt

now_ms() { awk -v t="$(date +%s%N)" 'BEGIN { printf "%.3f", t / 1e6 }'; }
: > shown
: > rss
i=0
while [ "$i" -lt "$runs" ]; do
  i=$((i + 1))
  begin=$(now_ms)
  "$program" > said 2>&1 &
  pid=$!
  tries=0
  until xwininfo -name Kestrel8 2>/dev/null | grep -q IsViewable; do
    if ! kill -0 "$pid" 2> /dev/null; then
      wait "$pid"
      echo "run $i: the program ended (status $?) before its window showed: $(tail -n 1 said)"
      exit 1
    fi
    tries=$((tries + 1))
    [ "$tries" -gt 2000 ] && { echo "run $i: the window never showed ($tries looks for it)"; kill "$pid"; exit 1; }
  done
  end=$(now_ms)
  awk -v a="$begin" -v b="$end" 'BEGIN { printf "%.1f\n", b - a }' >> shown
  # Memory once the lists are filled and the first paint is done.
  sleep 0.5
  if ! awk '/^VmRSS/ { printf "%.1f\n", $2 / 1024; found = 1 } END { exit !found }' "/proc/$pid/status" >> rss 2> /dev/null; then
    echo "run $i: the program ended within 0.5 s of showing its window, no memory figure"
    exit 1
  fi
  kill "$pid"
  wait "$pid" 2>/dev/null
  echo "run $i: shown after $(tail -1 shown) ms, $(tail -1 rss) MB resident"
done
echo "result startup_shown_ms $(sort -n shown | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')"
echo "result startup_rss_mb $(sort -n rss | tail -1)"
