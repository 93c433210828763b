# Shared by the soak and whole-program benchmark scripts: an Xvfb display, the meter
# simulator behind COM1, the program with its settings in a temporary folder.
# Source it; call qv_session_start, then qv_key, qv_rss_kb, qv_cpu_ticks; cleanup is
# automatic at exit.

qv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
qv_build=${QV_BUILD_DIR:-$qv_root/build-bench}
qv_home=$(mktemp -d -t qv475-session.XXXXXX)
qv_pids=()

qv_cleanup() {
  for p in "${qv_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$qv_home"
}
trap qv_cleanup EXIT

# qv_session_start RATE INTERVAL [SIMULATOR OPTIONS...]: display, simulator at RATE
# frames a second, settings with output interval INTERVAL; the program itself is started
# by qv_app_start.
qv_session_start() {
  local rate=$1 interval=$2 n
  shift 2
  for n in $(seq 120 199); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  qv_pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  "$qv_build/tools/qv475-meter-sim" --rate "$rate" --link "$qv_home/meter" --quiet "$@" >/dev/null &
  qv_pids+=($!)
  for _ in $(seq 50); do [ -e "$qv_home/meter" ] && break; sleep 0.1; done
  mkdir -p "$qv_home/QV475_XP" "$qv_home/logs"
  printf '[Ports]\nCOM1=%s\n[Settings]\nfName=%s/logs/wind.csv\nfTime=%s\n' \
    "$qv_home/meter" "$qv_home" "$interval" > "$qv_home/QV475_XP/QV475_XP.ini"
}

# Starts the program; sets qv_app and prints the milliseconds until its window is shown.
qv_app_start() {
  local t0 t1
  t0=$(date +%s%N)
  XDG_CONFIG_HOME="$qv_home" QT_QPA_PLATFORM=xcb "$qv_build/app/qv475" >/dev/null 2>&1 &
  qv_app=$!
  qv_pids+=($qv_app)
  until xdotool search --name 'QV-475' >/dev/null 2>&1; do
    if ! kill -0 "$qv_app" 2>/dev/null || [ $(( ($(date +%s%N) - t0) / 1000000000 )) -ge 20 ]; then
      echo "the program did not show its main window" >&2
      return 1
    fi
    sleep 0.005
  done
  t1=$(date +%s%N)
  echo $(( (t1 - t0) / 1000000 ))
}

# The id of the first window with this title, waiting up to 10 s for it. A single
# xdotool search dies with BadWindow when any window goes away during it, so it is repeated.
qv_find_window() {
  local w i
  for i in $(seq 100); do
    w=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  echo "no window named $1" >&2
  return 1
}

qv_key() {
  local w
  w=$(qv_find_window 'QV-475') || return 1
  xdotool windowfocus --sync "$w" && xdotool key "$@"
}

qv_rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$qv_app/status"; }
# User plus system CPU time of the program, in clock ticks.
qv_cpu_ticks() { awk '{print $14 + $15}' "/proc/$qv_app/stat"; }
qv_rows() { cat "$qv_home"/logs/*.csv 2>/dev/null | tr -d '\r' | tail -n +2 | grep -c . || true; }
qv_last_row_time() { cat "$qv_home"/logs/*.csv 2>/dev/null | tr -d '\r' | tail -1 | cut -d, -f2; }

# Starts Debian's mosquitto on a free loopback port for the soaks; sets qv_mqtt_port.
qv_mosquitto_start() {
  qv_mqtt_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null ||
    echo $((20000 + RANDOM % 20000)))
  printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nuser root\n' "$qv_mqtt_port" > "$qv_home/mosquitto.conf"
  /usr/sbin/mosquitto -c "$qv_home/mosquitto.conf" >/dev/null 2>&1 &
  qv_pids+=($!)
}
