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
build=$PWD/build-bench
home=$(mktemp -d -t qv475-headless.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null ||
  echo $((20000 + RANDOM % 20000)))
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nuser root\n' "$port" > "$home/mosquitto.conf"
/usr/sbin/mosquitto -c "$home/mosquitto.conf" >/dev/null 2>&1 &
pids+=($!)
"$build/tools/qv475-meter-sim" --rate 10 --link "$home/meter" --quiet >/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -e "$home/meter" ] && break; sleep 0.1; done
mkdir -p "$home/logs"
printf '[Ports]\nCOM1=%s\n[Settings]\nfName=%s/logs/wind.csv\nfTime=1\n[Mqtt]\nHost=127.0.0.1\nPort=%s\nTopic=soak/meter\n' \
  "$home/meter" "$home" "$port" > "$home/qv475.ini"
mosquitto_sub -h 127.0.0.1 -p "$port" -t soak/meter/state > "$home/states" 2>/dev/null &
pids+=($!)
"$build/app/qv475" --headless --config "$home/qv475.ini" 2> "$home/lines" &
app=$!
pids+=($app)
sleep 3
rows() { cat "$home"/logs/*.csv 2>/dev/null | tr -d '\r' | tail -n +2 | grep -c . || true; }
rss() { awk '/VmRSS/ {print $2}' "/proc/$app/status"; }
cpu() { awk '{print $14 + $15}' "/proc/$app/stat"; }
rss0=$(rss); cpu0=$(cpu); rows0=$(rows); states0=$(wc -l < "$home/states"); t0=$(date +%s)
echo "running for $duration s ..."
sleep "$duration"
rss1=$(rss); cpu1=$(cpu); rows1=$(rows); states1=$(wc -l < "$home/states"); t1=$(date +%s)
hz=$(getconf CLK_TCK)
elapsed=$((t1 - t0))
echo "elapsed:          $elapsed s"
echo "cpu time:         $(awk -v c=$((cpu1 - cpu0)) -v hz="$hz" -v e="$elapsed" 'BEGIN {printf "%.2f s (%.2f %% of one core)", c / hz, 100 * c / hz / e}')"
echo "resident memory:  $rss0 kB at start, $rss1 kB at end ($((rss1 - rss0)) kB)"
echo "rows written:     $((rows1 - rows0)) in $elapsed s"
echo "state messages:   $((states1 - states0)) in $elapsed s"
echo "lines:"; sed 's/^/  /' "$home/lines"
