#!/usr/bin/env bash
# Runs the logger without windows (qv475 --headless) against the meter simulator at 10
# frames a second, output every second, publishing to Debian's mosquitto on a free
# loopback port, for a chosen time (seconds; default 600, 3600 for the soak). Reports
# resident memory at start and end, CPU, rows against seconds, and state messages seen.
set -euo pipefail
duration=${1:-600}
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF
# The temporary folder, the process list, their clean-up and the readings of the
# program's memory, CPU and rows are the session helpers'; no display is started.
source scripts/lib/session.sh
build=$qv_build
home=$qv_home
qv_mosquitto_start
port=$qv_mqtt_port
"$build/tools/qv475-meter-sim" --rate 10 --link "$home/meter" --quiet >/dev/null &
qv_pids+=($!)
for _ in $(seq 50); do [ -e "$home/meter" ] && break; sleep 0.1; done
mkdir -p "$home/logs"
printf '[Ports]\nCOM1=%s\n[Settings]\nfName=%s/logs/wind.csv\nfTime=1\n[Mqtt]\nHost=127.0.0.1\nPort=%s\nTopic=soak/meter\n' \
  "$home/meter" "$home" "$port" > "$home/qv475.ini"
mosquitto_sub -h 127.0.0.1 -p "$port" -t soak/meter/state > "$home/states" 2>/dev/null &
qv_pids+=($!)
"$build/app/qv475" --headless --config "$home/qv475.ini" 2> "$home/lines" &
qv_app=$!
qv_pids+=($qv_app)
sleep 3
rss0=$(qv_rss_kb); cpu0=$(qv_cpu_ticks); rows0=$(qv_rows); states0=$(wc -l < "$home/states"); t0=$(date +%s)
echo "running for $duration s ..."
sleep "$duration"
rss1=$(qv_rss_kb); cpu1=$(qv_cpu_ticks); rows1=$(qv_rows); states1=$(wc -l < "$home/states"); t1=$(date +%s)
hz=$(getconf CLK_TCK)
elapsed=$((t1 - t0))
echo "elapsed:          $elapsed s"
echo "cpu time:         $(awk -v c=$((cpu1 - cpu0)) -v hz="$hz" -v e="$elapsed" 'BEGIN {printf "%.2f s (%.2f %% of one core)", c / hz, 100 * c / hz / e}')"
echo "resident memory:  $rss0 kB at start, $rss1 kB at end ($((rss1 - rss0)) kB)"
echo "rows written:     $((rows1 - rows0)) in $elapsed s"
echo "state messages:   $((states1 - states0)) in $elapsed s"
echo "lines:"; sed 's/^/  /' "$home/lines"
