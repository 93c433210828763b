#!/usr/bin/env bash
# Whole-program figures under Xvfb: start to main window shown (median of five),
# resident memory with the main window shown, and CPU while live at 10 frames a second
# with output every second, measured over 60 s from the process's own accounting.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF

starts=()
for i in 1 2 3 4 5; do
  (
    source scripts/lib/session.sh
    qv_session_start 10 1
    qv_app_start
  ) > /tmp/qv475-start.$$ 2>/dev/null
  starts+=("$(tail -1 /tmp/qv475-start.$$)")
done
rm -f /tmp/qv475-start.$$
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
echo "start to main window shown: median $median ms (runs: ${starts[*]})"

source scripts/lib/session.sh
qv_session_start 10 1
qv_app_start >/dev/null
sleep 2
echo "resident memory with the main window shown: $(qv_rss_kb) kB"
qv_key F5
sleep 1
qv_key F2
sleep 2
hz=$(getconf CLK_TCK)
c0=$(qv_cpu_ticks)
sleep "$seconds"
c1=$(qv_cpu_ticks)
awk -v c=$((c1 - c0)) -v hz="$hz" -v s="$seconds" \
  'BEGIN {printf "CPU live at 10 frames/s, output every second: %.2f %% of one core over %d s\n", 100 * c / hz / s, s}'
echo "rows written meanwhile: $(qv_rows)"
