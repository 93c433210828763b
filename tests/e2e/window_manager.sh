#!/usr/bin/env bash
# The outer sizes under a real window manager (openbox on Xvfb): the main window's right
# from the start and after each size command, and the settings dialog's, the version
# dialog's and the inquiry window's once shown. Arguments: the build folder.
set -euo pipefail
build=$1
for tool in Xvfb openbox xdotool xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
home=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

for n in $(seq 200 260); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
# openbox owns the screen once it has set _NET_SUPPORTING_WM_CHECK on the root window.
wm=0
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && { wm=1; break; }
  sleep 0.1
done
[ "$wm" = 1 ] || { echo "FAIL: openbox did not take the screen"; exit 1; }

mkdir -p "$home/QV475_XP"
XDG_CONFIG_HOME="$home" QT_QPA_PLATFORM=xcb "$build/app/qv475" >/dev/null 2>&1 &
pids+=($!)
win=
for _ in $(seq 200); do
  win=$(xdotool search --name 'QV-475' 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.05
done
[ -n "$win" ] || { echo "FAIL: no main window"; exit 1; }

# Outer size: the client area plus the frame the window manager reports. Until the
# window manager has framed the window there are no extents yet: "unframed".
outer() { # window (the main window when none)
  local win=${1:-$win} w h ext
  w=$(xwininfo -id "$win" 2>/dev/null | awk '/ Width:/ {print $2}')
  h=$(xwininfo -id "$win" 2>/dev/null | awk '/ Height:/ {print $2}')
  ext=$(xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | sed -nE 's/.*= ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)$/\1 \2 \3 \4/p')
  if [ -z "$w" ] || [ -z "$h" ] || [ -z "$ext" ]; then echo unframed; return; fi
  set -- $ext
  echo "$((w + $1 + $2))x$((h + $3 + $4))"
}
expect() { # what, size[, window]; waits up to 10 s for the window to settle
  local got
  for _ in $(seq 200); do
    got=$(outer "${3:-}")
    [ "$got" = "$2" ] && { echo "ok: $1 $got"; return 0; }
    sleep 0.05
  done
  echo "FAIL: $1: outer size $got, expected $2"
  failed=1
}
# shellcheck disable=SC2086 # one or more keys, one after the other
key() { xdotool windowfocus --sync "$win" && xdotool key $1; }

failed=0
# 6780 x 5055 twips and 15765 x 9480 twips at 15 twips a pixel.
expect "at start" 452x337
key F4; expect "after F4" 1051x632
key F3; expect "after F3" 452x337

# A dialog opened from the menu by its keys, measured, then closed. Sizes within 2 px:
# a window manager rounds the frame of a fixed-size window its own way.
near() { # got, width, height: within 2 px each way
  [ "$1" != unframed ] || return 1
  local dw=$((${1%x*} - $2)) dh=$((${1#*x} - $3))
  [ "$dw" -ge -2 ] && [ "$dw" -le 2 ] && [ "$dh" -ge -2 ] && [ "$dh" -le 2 ]
}
dialog() { # what, keys, title, width, height
  local d= got=unframed
  key "$2"
  for _ in $(seq 200); do
    d=$(xdotool search --name "$3" 2>/dev/null | head -1) && [ -n "$d" ] && break
    sleep 0.05
  done
  [ -n "$d" ] || { echo "FAIL: $1 did not open"; failed=1; return; }
  for _ in $(seq 200); do
    got=$(outer "$d")
    near "$got" "$4" "$5" && break
    sleep 0.05
  done
  if near "$got" "$4" "$5"; then
    echo "ok: $1 $got"
  else
    echo "FAIL: $1: outer size $got, expected about $4x$5"
    failed=1
  fi
  # Escape, as a user closes a dialog (destroying its X window would leave Qt modal).
  xdotool windowfocus --sync "$d" 2>/dev/null && xdotool key Escape
  for _ in $(seq 100); do xdotool search --name "$3" >/dev/null 2>&1 || break; sleep 0.05; done
}
# 6255 x 5565, 5985 x 3105 and 12540 x 10620 twips.
dialog "settings dialog" "alt+v s" "設定操作" 417 371
dialog "version dialog" "alt+h a" "ﾊﾞｰｼﾞｮﾝ情報" 399 207
dialog "inquiry window" "alt+h w" "問い合わせ" 836 708
[ "$failed" = 0 ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
