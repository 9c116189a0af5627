#!/bin/sh
# Runs every benchmark built in the given build folder and prints one table:
# what was measured, the figure, the target and whether it was met.
# Usage: sh bench/run_benchmarks.sh [build-folder]
#   START_RUNS=5     STARTs with real pauses (about 1.4 s each)
#   IDLE_SECONDS=10  length of each quiet spell for the idle costs
#   CROWD=1000       other processes (100 descriptors each) beside the crowded STARTs
set -u

build=${1:-build}
bin="$build/bench"
runs=${START_RUNS:-5}
idle=${IDLE_SECONDS:-10}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel8-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

if [ ! -x "$bin/parser_bench" ]; then
  echo "no benchmarks in $bin: build them first (make bench)" >&2
  exit 1
fi

rows="$work/rows"
: > "$rows"
row() { printf '| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4" >> "$rows"; }
pending() { row "$1" "pending (needs the window, Xvfb for start-up)" "$2" "pending"; }

# A "result <name> <value>" figure from a program's output.
result() { awk -v k="$2" '$1 == "result" && $2 == k { print $3 }' "$1"; }

# One column of a Google Benchmark CSV report, by benchmark and column name.
gbench() {
  awk -F, -v want="$2" -v col="$3" '
    /^name,/ { for (i = 1; i <= NF; i++) idx[$i] = i; header = 1; next }
    header { name = $1; gsub(/"/, "", name); if (name == want) print $(idx[col]) }' "$1"
}

# Why a figure is missing: the last thing its program said.
why() {
  [ -s "$1" ] || { echo "it printed nothing"; return; }
  awk 'NF { last = $0 } END { print (last == "" ? "it printed nothing" : last) }' "$1"
}

# yes when the value lies below (lt) or above (ge) the limit; without a
# value, "no figure" and the reason given.
judge() { awk -v v="$1" -v op="$2" -v lim="$3" -v why="${4:-}" 'BEGIN {
  if (v == "") { print "no figure" (why == "" ? "" : ": " why); exit }
  ok = (op == "lt") ? (v + 0 < lim + 0) : (v + 0 >= lim + 0); print ok ? "yes" : "NO" }'; }

# yes when both figures meet their limits, else the first verdict that is
# not yes: both VALUE OP LIMIT WHY VALUE OP LIMIT [WHY].
both() {
  met=$(judge "$1" "$2" "$3" "$4")
  [ "$met" = yes ] && met=$(judge "$5" "$6" "$7" "${8:-}")
  printf '%s\n' "$met"
}

fmt() { awk -v v="$1" -v f="$2" 'BEGIN { if (v == "") print "?"; else printf f, v }'; }

note() { printf '%s\n' "$*" >&2; }

# measure WHAT OUTPUT PROGRAM [ARGS]: says what is measured, then runs the
# program with all it prints in OUTPUT.
measure() {
  note "$1"
  out=$2
  shift 2
  "$@" > "$out" 2>&1
}

# A quiet spell's cost: share of one core and wake-ups a second.
cost() { printf '%s %% of one core, %s wake-ups/s' "$(fmt "$1" '%.3f')" "$(fmt "$2" '%.1f')"; }

# Parser throughput.
note "parser throughput ..."
"$bin/parser_bench" --benchmark_format=csv > "$work/parser.csv" 2> "$work/parser.err"
bps=$(gbench "$work/parser.csv" BM_FeedByteMixedFrames bytes_per_second)
mbs=$(awk -v b="$bps" 'BEGIN { if (b != "") printf "%.1f", b / 1e6 }')
row "Parser throughput (feed_byte, mixed header and status frames)" "$(fmt "$mbs" '%.1f MB/s')" \
    ">= 50 MB/s" "$(judge "$mbs" ge 50 "$(why "$work/parser.err")")"

# Receive latency through the real window.
if [ -x "$bin/receive_latency" ]; then
  measure "receive latency ..." "$work/latency.out" "$bin/receive_latency"
  p50=$(result "$work/latency.out" latency_p50_ms)
  p99=$(result "$work/latency.out" latency_p99_ms)
  row "Receive latency (window, pty, 1000 header reports)" \
      "p50 $(fmt "$p50" '%.2f') ms, p99 $(fmt "$p99" '%.2f') ms" "p99 < 5 ms" "$(judge "$p99" lt 5 "$(why "$work/latency.out")")"
  logged=$(result "$work/latency.out" heard_log_lines)
  met=$(both "$p99" lt 5 "$(why "$work/latency.out")" "$logged" ge 1000)
  row "Receive latency with the heard log on (same run, every line also in D-STAR_heard_YYYY-MM.csv)" \
      "p99 $(fmt "$p99" '%.2f') ms, $(fmt "$logged" '%.0f') of 1000 lines logged" \
      "p99 < 5 ms, every line logged" "$met"
else
  pending "Receive latency (window, pty, 1000 header reports)" "p99 < 5 ms"
  pending "Receive latency with the heard log on" "p99 < 5 ms, every line logged"
fi

# START overhead with real pauses.
measure "START overhead, $runs STARTs of about 1.4 s ..." "$work/start.out" "$bin/start_overhead" --runs "$runs"
over=$(result "$work/start.out" start_overhead_median_ms)
worst=$(result "$work/start.out" start_overhead_max_ms)
cpu=$(result "$work/start.out" start_cpu_median_ms)
pauses=$(result "$work/start.out" start_pauses_ms)
row "START overhead (wall time less $(fmt "$pauses" '%.2f') ms of pauses, $runs STARTs)" \
    "median $(fmt "$over" '%.2f') ms, worst $(fmt "$worst" '%.2f') ms, processor $(fmt "$cpu" '%.2f') ms" \
    "< 20 ms" "$(judge "$over" lt 20 "$(why "$work/start.out")")"

# The longest a tuning through rigctld holds the window's thread.
measure "window held by tunings through rigctld (quick, slow, silent, garbage, absent) ..." \
  "$work/rigctld.out" "$bin/rigctld_freeze" --runs 3
freeze=$(result "$work/rigctld.out" rigctld_freeze_max_ms)
row "Window held by a tuning through rigctld (start, pick, STOP; quick, 1.5 s an answer, silent, garbage, absent)" \
    "worst $(fmt "$freeze" '%.2f') ms" "< 50 ms" "$(judge "$freeze" lt 50 "$(why "$work/rigctld.out")")"

# The same beside a crowd of processes: each open looks at what they hold.
crowd=${CROWD:-1000}
measure "START overhead beside $crowd processes of 100 descriptors, $runs STARTs ..." \
    "$work/crowd.out" "$bin/start_overhead" --runs "$runs" --crowd "$crowd"
over=$(result "$work/crowd.out" start_overhead_median_ms)
worst=$(result "$work/crowd.out" start_overhead_max_ms)
created=$(result "$work/crowd.out" window_created_ms)
row "START overhead beside $crowd other processes of 100 descriptors each ($runs STARTs)" \
    "median $(fmt "$over" '%.2f') ms, worst $(fmt "$worst" '%.2f') ms; window creation $(fmt "$created" '%.0f') ms" \
    "< 20 ms" "$(judge "$over" lt 20 "$(why "$work/crowd.out")")"

# Idle cost of the receive loop alone, and how long stopping it takes.
measure "receive loop idle, $idle s, then 20 stops ..." "$work/idle.out" "$bin/receive_idle" --seconds "$idle"
pct=$(result "$work/idle.out" receive_idle_cpu_percent)
wake=$(result "$work/idle.out" receive_idle_wakeups_per_s)
stop_med=$(result "$work/idle.out" receive_stop_median_ms)
stop_max=$(result "$work/idle.out" receive_stop_max_ms)
row "Idle cost, receive loop alone (link open, no traffic, $idle s)" "$(cost "$pct" "$wake")" \
    "< 1 %, <= 2 wake-ups/s" "$(both "$pct" lt 1 "$(why "$work/idle.out")" "$wake" lt 2.001)"
gone_pct=$(result "$work/idle.out" receive_gone_cpu_percent)
gone_wake=$(result "$work/idle.out" receive_gone_wakeups_per_s)
row "Adapter unplugged while the link runs (LOST, COM7 tried once a second, $idle s)" \
    "$(cost "$gone_pct" "$gone_wake")" "<= 2 wake-ups/s" \
    "$(both "$gone_wake" lt 2.001 "$(why "$work/idle.out")" "$gone_pct" lt 1)"
# Judged by the median: the worst of 20 shows the machine's load as much as
# the stop.
row "Stop of an idle receive loop (flag cleared to thread ended, 20 stops)" \
    "median $(fmt "$stop_med" '%.2f') ms, worst $(fmt "$stop_max" '%.2f') ms" "< 20 ms (median)" \
    "$(judge "$stop_med" lt 20 "$(why "$work/idle.out")")"

# Idle cost of the whole program, and its STOP.
if [ -x "$bin/program_idle" ]; then
  measure "program idle, $idle s ..." "$work/pidle.out" "$bin/program_idle" --seconds "$idle"
  ppct=$(result "$work/pidle.out" program_idle_cpu_percent)
  pwake=$(result "$work/pidle.out" program_idle_wakeups_per_s)
  pstop=$(result "$work/pidle.out" program_stop_ms)
  row "Idle cost, running program (link open, no traffic, $idle s)" "$(cost "$ppct" "$pwake")" \
      "< 1 %, <= 2 wake-ups/s" "$(both "$ppct" lt 1 "$(why "$work/pidle.out")" "$pwake" lt 2.001)"
  row "STOP of the running program (button to return: files saved, loop ended, ports closed)" \
      "$(fmt "$pstop" '%.1f') ms" "report the figure" "reported"
else
  pending "Idle cost, running program (link open, no traffic, $idle s)" "< 1 %, <= 2 wake-ups/s"
fi

# Long session.
if [ -x "$bin/long_session" ]; then
  measure "long session ..." "$work/long.out" "$bin/long_session"
  per_line=$(result "$work/long.out" long_session_line_ms)
  p99_line=$(result "$work/long.out" long_session_line_p99_ms)
  rss=$(result "$work/long.out" long_session_rss_mb)
  met=$(both "$per_line" lt 2 "$(why "$work/long.out")" "$rss" lt 150 "$(why "$work/long.out")")
  row "Long session (100,000 lines in the Receiving box, one more line through the port)" \
      "p50 $(fmt "$per_line" '%.2f') ms (p99 $(fmt "$p99_line" '%.2f') ms) per line, $(fmt "$rss" '%.0f') MB resident" \
      "< 2 ms, < 150 MB" "$met"
else
  pending "Long session (100,000 lines in the Receiving box)" "< 2 ms, < 150 MB"
fi

# Start-up of the program.
if [ -x "$build/kestrel8" ] && command -v xvfb-run > /dev/null && command -v xwininfo > /dev/null; then
  measure "start-up of $build/kestrel8 under Xvfb ..." "$work/startup.out" \
      xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" sh "$(dirname "$0")/startup_time.sh" "$build/kestrel8" 5
  shown=$(result "$work/startup.out" startup_shown_ms)
  srss=$(result "$work/startup.out" startup_rss_mb)
  met=$(both "$shown" lt 300 "$(why "$work/startup.out")" \
    "$srss" lt 80 "$(why "$work/startup.out")")
  row "Start-up (to window shown, typical settings, 256-line list)" \
      "$(fmt "$shown" '%.0f') ms, $(fmt "$srss" '%.0f') MB resident" "< 300 ms, < 80 MB" "$met"
else
  missing=""
  [ -x "$build/kestrel8" ] || missing="$build/kestrel8 not built"
  command -v xvfb-run > /dev/null || missing="${missing:+$missing, }no xvfb-run (make deps)"
  command -v xwininfo > /dev/null || missing="${missing:+$missing, }no xwininfo (make deps)"
  row "Start-up (to window shown, typical settings, 256-line list)" "pending: $missing" \
      "< 300 ms, < 80 MB" "pending"
fi

# Settings and lists.
note "settings and lists ..."
"$bin/settings_bench" --benchmark_format=csv > "$work/settings.csv" 2> "$work/settings.err"
his=$(gbench "$work/settings.csv" BM_FillHisRepeaterList256 cpu_time)
my=$(gbench "$work/settings.csv" BM_FillMyRepeaterList256 cpu_time)
lines=$(for k in 0 1 2 3; do
  gbench "$work/settings.csv" "BM_ParseSettingsLine/adapter0_transceiver1_my2_his3:$k" cpu_time
done | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { if (NR) printf "%.0f-%.0f", lo, hi }')
file=$(gbench "$work/settings.csv" BM_ReadAdapterSettingsFile cpu_time)
row "Settings and lists (256-line repeater list, settings lines)" \
    "his list $(fmt "$his" '%.0f') us, my list $(fmt "$my" '%.0f') us, one settings line ${lines:-?} ns, settings file read and parsed $(fmt "$file" '%.1f') us" \
    "report the figure" "reported"
areas=$(gbench "$work/settings.csv" BM_AreasOf8000Groups cpu_time)
row "Import: areas of a table of 8000 groups (list locked meanwhile)" \
    "$(fmt "$areas" '%.1f') ms" "< 1000 ms" "$(judge "$areas" lt 1000 "")"

echo "| What | Measured | Target | Met? |"
echo "|---|---|---|---|"
cat "$rows"
echo
echo "Machine: $(nproc) processors, $(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo)," \
     "$(awk '/^MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) memory," \
     "load average $(cut -d' ' -f1-3 /proc/loadavg)"
