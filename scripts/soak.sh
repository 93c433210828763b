#!/usr/bin/env bash
# Runs the program against the meter simulator at 10 frames a second with output every
# second for a chosen time (seconds; default 600, use 3600 for the soak) and reports CPU
# time, resident memory at start and end, rows written against seconds passed, and
# whether the link is still live at the end.
# With DROPOUT=EVERY,FOR (seconds) the meter falls silent for FOR seconds every EVERY
# seconds and the program runs with reconnecting on: the rows must still be one per
# second, with gap rows for the seconds without a link.
set -euo pipefail
duration=${1:-600}
dropout=${DROPOUT:-}
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF
source scripts/lib/session.sh

if [ -n "$dropout" ]; then
  qv_session_start 10 1 --dropout "$dropout"
  printf 'Reconnect=1\n' >> "$qv_home/QV475_XP/QV475_XP.ini"
else
  qv_session_start 10 1
fi
qv_app_start >/dev/null
sleep 1
qv_key F5
sleep 1
qv_key F2
sleep 2
rss0=$(qv_rss_kb); cpu0=$(qv_cpu_ticks); rows0=$(qv_rows); t0=$(date +%s)
echo "running for $duration s ..."
sleep "$duration"
rss1=$(qv_rss_kb); cpu1=$(qv_cpu_ticks); rows1=$(qv_rows); t1=$(date +%s)
hz=$(getconf CLK_TCK)
elapsed=$((t1 - t0))
rows=$((rows1 - rows0))
last=$(qv_last_row_time)
now=$(date +%-H:%M:%S)
echo "elapsed:          $elapsed s"
echo "cpu time:         $(awk -v c=$((cpu1 - cpu0)) -v hz="$hz" 'BEGIN {printf "%.2f s", c / hz}') ($(awk -v c=$((cpu1 - cpu0)) -v hz="$hz" -v e="$elapsed" 'BEGIN {printf "%.2f", 100 * c / hz / e}') % of one core)"
echo "resident memory:  $rss0 kB at start, $rss1 kB at end ($((rss1 - rss0)) kB)"
echo "rows written:     $rows in $elapsed s"
if [ -n "$dropout" ]; then
  gaps=$(cat "$qv_home"/logs/*.csv | tr -d '\r' | tail -n +2 | grep -c ',,,,$' || true)
  echo "gap rows:         $gaps"
  # Each row one second after the one before it: no due point skipped or written twice.
  cat "$qv_home"/logs/*.csv | tr -d '\r' | tail -n +2 | cut -d, -f2 |
    awk -F: '{t = $1 * 3600 + $2 * 60 + $3; if (NR > 1 && t - p != 1 && t - p != -86399) bad++; p = t}
             END {print "seconds apart:    " (bad ? bad " rows not one second after the last" : "every row one second after the last"); exit bad ? 1 : 0}'
fi
echo "last row at:      $last (now $now)"
if [ "$rows" -ge $((elapsed - 2)) ] && [ "$rows" -le $((elapsed + 2)) ]; then
  echo "link at the end:  live, rows equal the seconds passed"
else
  echo "link at the end:  rows and seconds differ"; exit 1
fi
