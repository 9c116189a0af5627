#!/bin/sh
# Runs every fuzz target for the given number of seconds, starting from the
# seed corpus in fuzz/corpus/. New inputs and any crash go to the build
# folder, never into the source tree. Stops at the first broken promise.
#   sh fuzz/run.sh <build folder> <seconds per target>
set -eu
build=${1:-build-fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build"
build=$(cd "$build" && pwd)  # the list target works in a folder of its own
for target in frame_parser_fuzz settings_line_fuzz repeater_lists_fuzz cat_text_fuzz; do
  mkdir -p "$build/corpus/$target" "$build/artifacts/$target"
  log="$build/artifacts/$target/last_run.log"
  echo "== $target: $seconds s"
  if ! "$build/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$target/" \
      "$build/corpus/$target" "$here/corpus/$target" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$target failed; the input is in $build/artifacts/$target/" >&2
    exit 1
  fi
  grep -E "stat::number_of_executed_units|^Done" "$log" || true
  grep -E "cov: .* ft:" "$log" | tail -n 1
done
