#!/usr/bin/env bash
# Installs the build into a staging folder and checks what a user's system would get:
# the programs, the browser module where the program looks for it, the desktop entry
# (valid), and the icon in each hicolor size; then starts the installed program.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
for f in usr/bin/qv475 usr/bin/qv475-meter-sim; do
  [ -x "$stage/$f" ] || fail "$f missing or not executable"
done
for m in browser sound notify; do
  [ -f "$stage/usr/lib/qv475/libqv475_$m.so" ] || fail "$m module missing"
done
desktop="$stage/usr/share/applications/qv475.desktop"
[ -f "$desktop" ] || fail "desktop file missing"
desktop-file-validate "$desktop" || fail "desktop file does not validate"
grep -q '^Name\[ja\]=QV-475簡易ソフト$' "$desktop" || fail "no Japanese name"
grep -q '^Categories=.*Utility;' "$desktop" || fail "not in the Utility category"
grep -q '^Icon=qv475$' "$desktop" || fail "icon name"
for size in 16 24 32 48 64 128 256; do
  png="$stage/usr/share/icons/hicolor/${size}x${size}/apps/qv475.png"
  [ -f "$png" ] || fail "icon ${size}x${size} missing"
  # PNG signature, then the IHDR width and height.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dims"
done
[ -f "$stage/usr/share/icons/hicolor/scalable/apps/qv475.svg" ] || fail "scalable icon missing"
for page in qv475.1 qv475-meter-sim.1; do
  [ -f "$stage/usr/share/man/man1/$page" ] || fail "manual page $page missing"
done
[ -f "$stage/usr/share/metainfo/com.example.qv475.metainfo.xml" ] || fail "metainfo missing"
unit="$stage/usr/lib/systemd/user/qv475-logger.service"
[ -f "$unit" ] || fail "systemd user unit missing"
grep -q '^ExecStart=/usr/bin/qv475 --headless$' "$unit" || fail "unit does not start the logger"
grep -q '^Restart=on-failure$' "$unit" || fail "unit does not restart on failure"
grep -q '^RestartPreventExitStatus=2 3$' "$unit" || fail "unit restarts after a settings fault"
template="$stage/usr/lib/systemd/user/qv475-headless@.service"
[ -f "$template" ] || fail "systemd template unit missing"
grep -q '^ExecStart=/usr/bin/qv475 --headless --config %E/QV475_XP/%i.ini$' "$template" ||
  fail "template unit does not read the instance's settings file"

# The installed program starts and keeps running (it ends only when the user closes it).
XDG_CONFIG_HOME="$stage/config" QT_QPA_PLATFORM=offscreen "$stage/usr/bin/qv475" &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the installed program did not keep running"
# Nothing it uses only on demand is loaded at the start: the web engine, the audio stack,
# the MQTT library, the program's modules. (QtDBus is not among them: Debian's QtGui
# links it.)
loaded=$(grep -oE 'lib(Qt6WebEngine|Qt6Multimedia|Qt6Charts|mosquitto|qv475_)[A-Za-z_]*' \
  "/proc/$pid/maps" | sort -u | tr '\n' ' ' || true)
kill "$pid"
[ -z "$loaded" ] || fail "loaded at the start: $loaded"
wait "$pid" 2>/dev/null || true
echo "install layout: 1 passed, 0 failed"
