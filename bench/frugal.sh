#!/usr/bin/env bash
# What the program costs a site laptop, in one run: start to the main window's first paint
# (median of five), resident memory of the window and of the logger without windows, CPU
# of both at 10 frames a second and at the line's full rate (38,400 baud: 153 frames a
# second), each logging a row every second, and the window's memory after an hour of
# frames (fast-forwarded on a fake clock). Each figure is printed beside the one last
# recorded in BENCHMARKS.md and its target.
#   bench/frugal.sh [SECONDS]      CPU measured over SECONDS (default 60) per figure
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_hour >/dev/null
export QV_BUILD_DIR=$PWD/build-bench
line_rate=153
# A steady day: the simulator's alarm thresholds above its gusts, so that no alarm sound
# (a module loaded at the first alarm) falls into a measurement; each measurement starts
# after the program has settled for this many seconds.
sim_quiet=(--alarm1 90 --alarm2 95)
settle=20

# A column of the row of BENCHMARKS.md's table of these figures named by the figure:
# 3 its target, 0 the last (the figure last recorded).
column() { # name, column
  awk -F'|' -v name="$1" -v c="$2" '$2 ~ "^ *" name " *$" {
    v = c ? $c : $(NF-1); gsub(/^ +| +$/, "", v); print v; exit}' BENCHMARKS.md
}
say() { # name, value with its unit
  printf '%-34s %s   [recorded: %s; target %s]\n' "$1:" "$2" "$(column "$1" 0)" "$(column "$1" 3)"
}

# CPU of a running process in per cent of one core, from the scheduler's nanoseconds
# (finer than the clock ticks of /proc/PID/stat), in six windows of a sixth of the given
# seconds: the lowest is the figure, the median beside it. On a virtual machine the
# host's load comes in bursts that make every system call dearer for a while; the lowest
# window is the program's own cost.
cpu_percent() { # pid, seconds
  local sixth=$(($2 / 6)) n0 n1 runs=() sorted
  for _ in 1 2 3 4 5 6; do
    n0=$(awk '{print $1}' "/proc/$1/schedstat")
    sleep "$sixth"
    n1=$(awk '{print $1}' "/proc/$1/schedstat")
    runs+=("$(awk -v d=$((n1 - n0)) -v s="$sixth" 'BEGIN {printf "%.2f", 100 * d / 1e9 / s}')")
  done
  sorted=$(printf '%s\n' "${runs[@]}" | sort -n)
  echo "$(sed -n 1p <<<"$sorted") % (median $(sed -n 3p <<<"$sorted") %; ${runs[*]})"
}

window() { # frames a second; prints the figures of the window
  (
    source scripts/lib/session.sh
    qv_session_start "$1" 1 "${sim_quiet[@]}"
    qv_app_start >/dev/null
    sleep 2
    [ "$1" = 10 ] && say "window, resident at start" "$(qv_rss_kb) kB"
    qv_key F5 # connect
    sleep 1
    qv_key F2 # file output
    sleep "$settle"
    say "window, CPU at $1 frames/s" "$(cpu_percent "$qv_app" "$seconds")"
  )
}

first_paint() {
  local runs=() t0 at
  for _ in 1 2 3 4 5; do
    runs+=("$(
      source scripts/lib/session.sh
      qv_session_start 10 1
      t0=$(date +%s%3N)
      XDG_CONFIG_HOME="$qv_home" QT_QPA_PLATFORM=xcb QV475_FIRST_PAINT=1 \
        "$qv_build/app/qv475" 2>"$qv_home/err" >/dev/null &
      qv_app=$!
      qv_pids+=($qv_app)
      for _ in $(seq 400); do grep -q 'first paint' "$qv_home/err" && break; sleep 0.05; done
      at=$(sed -n 's/.*first paint at \([0-9]*\).*/\1/p' "$qv_home/err")
      echo $((at - t0))
    )")
  done
  say "start to first paint" "$(printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p) ms"
  echo "    (runs: ${runs[*]} ms)"
}

logger() { # frames a second
  (
    source scripts/lib/session.sh
    "$qv_build/tools/qv475-meter-sim" --rate "$1" --link "$qv_home/meter" --quiet \
      "${sim_quiet[@]}" >/dev/null &
    qv_pids+=($!)
    for _ in $(seq 50); do [ -e "$qv_home/meter" ] && break; sleep 0.1; done
    mkdir -p "$qv_home/logs"
    printf '[Ports]\nCOM1=%s\n[Settings]\nfName=%s/logs/wind.csv\nfTime=1\n' \
      "$qv_home/meter" "$qv_home" > "$qv_home/qv475.ini"
    "$qv_build/app/qv475" --headless --config "$qv_home/qv475.ini" 2>/dev/null &
    qv_app=$!
    qv_pids+=($qv_app)
    sleep 3
    [ "$1" = 10 ] && say "logger, resident at start" "$(qv_rss_kb) kB"
    sleep "$settle"
    say "logger, CPU at $1 frames/s" "$(cpu_percent "$qv_app" "$seconds")"
  )
}

echo "bench/frugal.sh on $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $(date -I)"
first_paint
window 10
window "$line_rate"
logger 10
logger "$line_rate"
hour=$(build-bench/bench/bench_hour 2>/dev/null)
say "window, resident after an hour" "$(sed -n 's/.*kB at start, \([0-9]*\) kB after.*/\1/p' <<<"$hour") kB"
echo "    ($hour)"
