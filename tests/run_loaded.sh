#!/bin/sh
# The whole suite with busy loops on every processor beside it, as on a
# shared, loaded 2-core machine. The loops end with the run, also when it
# fails or is interrupted.
# Usage: sh tests/run_loaded.sh [build-folder] [busy-loops] [ctest options ...]
set -u
build=${1:-build}
loops=${2:-4}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift

busy=""
stop_busy() {
  for pid in $busy; do kill "$pid" 2> /dev/null; done
  for pid in $busy; do wait "$pid" 2> /dev/null; done
  busy=""
}
trap stop_busy EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

i=0
while [ "$i" -lt "$loops" ]; do
  sh -c 'while :; do :; done' &
  busy="$busy $!"
  i=$((i + 1))
done
echo "$loops busy loops running:$busy" >&2

cd "$build" || exit 1
ctest --output-on-failure "$@"
