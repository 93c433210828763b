#!/usr/bin/env bash
# Installs what is missing, builds the program and the simulator (no tests, no web
# engine module), and starts the program against the meter simulator. COM1 is pointed at
# the simulator through a temporary settings folder, so the user's own settings stay
# untouched. One line is printed for each step.
set -euo pipefail
cd "$(dirname "$0")/.."
step() { printf '== %s\n' "$*"; }

step "installing what the program and the simulator need (apt-get, if anything is missing)"
scripts/install-deps.sh --demo
build=build-demo
step "configuring in $build/ (tests and the inquiry window's web engine module off)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_BUILD_TESTS=OFF -DQV_BROWSER=OFF \
  >/dev/null
step "building the program and the simulator"
cmake --build "$build" -j"$(nproc)" --target qv475 qv475-meter-sim

demo_home=$(mktemp -d -t qv475-demo.XXXXXX)
mkdir -p "$demo_home/QV475_XP" "$demo_home/logs"
sim_link="$demo_home/meter"
step "starting the meter simulator on $sim_link"
"$build/tools/qv475-meter-sim" --rate 2 --link "$sim_link" --quiet >/dev/null &
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
step "starting the program; CSV files go to $demo_home/logs/"
echo "   Connect with F5 (接続), start file output with F2 (ﾌｧｲﾙ出力開始)."
XDG_CONFIG_HOME="$demo_home" "$build/app/qv475"
