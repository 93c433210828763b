#!/usr/bin/env bash
# Runs the real program under Xvfb against the meter simulator and saves pictures into
# docs/images/: the main window small and large in each view (two-digit readings with
# both alarm colours), the figures of a stopped link, three pages of the settings dialog,
# the version dialog with its history shown, the trend, the history window on a sample
# day, the first page of its report and of the register.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --extra
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF
out=docs/images
mkdir -p "$out"

source scripts/lib/session.sh
# Two-digit readings, the instantaneous one red and the average one yellow.
qv_session_start 2 1 --fixed 45.6,56.7,12.3,23.4,2,1
qv_app_start >/dev/null
sleep 1

shot() { # window title, file name
  local w
  w=$(qv_find_window "$1")
  sleep 0.4
  import -window "$w" "$out/$2.png"
  echo "$out/$2.png"
}

qv_key F5
sleep 4
shot 'QV-475' main-multi-small
qv_key F4; sleep 1.5; shot 'QV-475' main-multi-large
qv_key F7; sleep 1.5; shot 'QV-475' main-peak-large
qv_key F3; sleep 1.5; shot 'QV-475' main-peak-small
qv_key F8; sleep 1.5; shot 'QV-475' main-ave-small
qv_key F4; sleep 1.5; shot 'QV-475' main-ave-large
qv_key F6; sleep 0.5; qv_key F3; sleep 0.5

# Disconnected: the last readings stay, drawn as not live.
qv_key alt+f; sleep 0.3; xdotool key p; sleep 0.8
shot 'QV-475' main-stale

# The settings dialog is reached while the link is stopped.
qv_key alt+v; sleep 0.3; xdotool key s; sleep 1.5
shot '設定操作' settings-communication
d=$(qv_find_window '設定操作')
eval "$(xdotool getwindowgeometry --shell "$d")"
xdotool mousemove $((X + 95)) $((Y + 14)) click 1; sleep 0.8
shot '設定操作' settings-output
# The display page: the interface's language.
xdotool key ctrl+Next; sleep 0.5; xdotool key ctrl+Next; sleep 0.8
shot '設定操作' settings-display
xdotool key Escape; sleep 0.8

qv_key alt+h; sleep 0.3; xdotool key a; sleep 1.2
d=$(qv_find_window 'ﾊﾞｰｼﾞｮﾝ情報')
eval "$(xdotool getwindowgeometry --shell "$d")"
xdotool mousemove $((X + 352)) $((Y + 51)) click 1; sleep 0.8
shot 'ﾊﾞｰｼﾞｮﾝ情報' version-history
xdotool key Escape

# The trend window after a few minutes of gusty wind with both alarm levels.
qv_cleanup
qv_pids=()
qv_home=$(mktemp -d -t qv475-session.XXXXXX)
qv_session_start 10 1 --wind 11 --alarm1 12 --alarm2 15 --seed 11
qv_app_start >/dev/null
sleep 1
qv_key F5
sleep "${TREND_SECONDS:-150}"
qv_key F9
sleep 2.5
shot 'ﾄﾚﾝﾄﾞ表示' trend

# The history window on a sample day, and the first page of that day's report.
sample=$(mktemp -d -t qv475-sample.XXXXXX)
scripts/sample-day.sh "$sample"
QT_QPA_PLATFORM=xcb "$qv_build/app/qv475" --config "$sample/site.ini" \
  --open "$sample"/wind*.csv >/dev/null 2>&1 &
qv_pids+=($!)
sleep 2
shot '記録表示' history-window
"$qv_build/app/qv475" --config "$sample/site.ini" --report "$sample"/wind*.csv \
  --out "$sample/report.pdf"
pdftoppm -r 70 -png -singlefile "$sample/report.pdf" "$out/report-page"
echo "$out/report-page.png"
# The register of the sample's records.
"$qv_build/app/qv475" --config "$sample/site.ini" --register --out "$sample/register.pdf"
pdftoppm -r 70 -png -singlefile "$sample/register.pdf" "$out/register-page"
echo "$out/register-page.png"
rm -rf "$sample"
