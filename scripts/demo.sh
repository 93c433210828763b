#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program against the meter simulator.
# COM1 is pointed at the simulator through a temporary settings folder, so the user's
# own settings stay untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

demo_home=$(mktemp -d -t qv475-demo.XXXXXX)
mkdir -p "$demo_home/QV475_XP" "$demo_home/logs"
sim_link="$demo_home/meter"
build/tools/qv475-meter-sim --rate 2 --link "$sim_link" --quiet >/dev/null &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$sim_link" ] && break; sleep 0.1; done
cat > "$demo_home/QV475_XP/QV475_XP.ini" <<INI
[Ports]
COM1=$sim_link
[Settings]
fName=$demo_home/logs/wind.csv
fTime=1
INI
echo "Meter simulator on $sim_link; CSV files go to $demo_home/logs/"
echo "Connect with F5 (接続), start file output with F2 (ﾌｧｲﾙ出力開始)."
# The inquiry window's web engine cannot use its sandbox when run as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
XDG_CONFIG_HOME="$demo_home" build/app/qv475
