#!/usr/bin/env bash
# Many meters on one machine: N loggers without windows (default 8), each against its own
# simulated meter at 10 frames a second with output every second, all publishing to one
# local mosquitto, for a chosen time (seconds; default 600). Each logger has its own
# settings file, as the template unit qv475-headless@<instance> gives it. Reports, per
# logger, CPU, resident memory and rows against seconds, and the availability topics the
# broker holds.
set -euo pipefail
n=${1:-8}
duration=${2:-600}
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF
source scripts/lib/session.sh
build=$qv_build
home=$qv_home
qv_mosquitto_start
port=$qv_mqtt_port
mkdir -p "$home/QV475_XP"
apps=()
for i in $(seq "$n"); do
  "$build/tools/qv475-meter-sim" --rate 10 --seed "$i" --link "$home/meter$i" --quiet >/dev/null &
  qv_pids+=($!)
  for _ in $(seq 50); do [ -e "$home/meter$i" ] && break; sleep 0.1; done
  mkdir -p "$home/logs$i"
  printf '[Ports]\nCOM1=%s\n[Settings]\nfName=%s/logs%s/wind.csv\nfTime=1\n[Mqtt]\nHost=127.0.0.1\nPort=%s\nTopic=soak/meter%s\n' \
    "$home/meter$i" "$home" "$i" "$port" "$i" > "$home/QV475_XP/meter$i.ini"
  "$build/app/qv475" --headless --config "$home/QV475_XP/meter$i.ini" 2> "$home/lines$i" &
  apps+=($!)
  qv_pids+=($!)
done
rows() { cat "$home/logs$1"/*.csv 2>/dev/null | tr -d '\r' | tail -n +2 | grep -c . || true; }
sleep 3
declare -A cpu0 rows0
for i in $(seq "$n"); do
  p=${apps[$((i - 1))]}
  cpu0[$i]=$(awk '{print $14 + $15}' "/proc/$p/stat")
  rows0[$i]=$(rows "$i")
done
t0=$(date +%s)
echo "$n loggers running for $duration s ..."
sleep "$duration"
t1=$(date +%s)
elapsed=$((t1 - t0))
hz=$(getconf CLK_TCK)
printf '%-8s %10s %12s %14s\n' logger "CPU %" "RSS kB" "rows/seconds"
for i in $(seq "$n"); do
  p=${apps[$((i - 1))]}
  c=$(( $(awk '{print $14 + $15}' "/proc/$p/stat") - cpu0[$i] ))
  printf '%-8s %10s %12s %14s\n' "meter$i" \
    "$(awk -v c="$c" -v hz="$hz" -v e="$elapsed" 'BEGIN {printf "%.3f", 100 * c / hz / e}')" \
    "$(awk '/VmRSS/ {print $2}' "/proc/$p/status")" "$(( $(rows "$i") - rows0[$i] ))/$elapsed"
done
# Every logger's availability is retained on the broker.
avail=$(timeout 3 mosquitto_sub -h 127.0.0.1 -p "$port" -t 'soak/+/status' -v -W 2 2>/dev/null | grep -c ' online$' || true)
echo "availability topics online: $avail of $n"
# Every row of every logger: one a second, none missing or doubled.
for i in $(seq "$n"); do
  cat "$home/logs$i"/*.csv | tr -d '\r' | tail -n +2 | cut -d, -f2 |
    awk -F: -v m="meter$i" '{ t = $1 * 3600 + $2 * 60 + $3; if (NR > 1 && t != last + 1 && !(last == 86399 && t == 0)) bad++; last = t }
      END { printf "%s: %d rows, %d breaks in the one-second spacing\n", m, NR, bad }'
done
