#!/usr/bin/env bash
# Builds the packages, runs lintian on them (no error, no warning), then installs them into
# a fresh Debian 12 root made by debootstrap, the way a user would: qv475 alone first,
# started under Xvfb to its main window, the inquiry window opened without the web engine
# (the window opens, the engine is not loaded: it shows the "not installed" note); then
# qv475-browser, and the inquiry window again, now with the web engine loaded.
# Needs root; takes a few minutes and some disk.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot)"; exit 1; }
scripts/package.sh >/dev/null
deb=$(ls dist/qv475_*.deb | head -1)
browser=$(ls dist/qv475-browser_*.deb | head -1)
echo "lintian --pedantic on $deb $browser ..."
lintian --pedantic --fail-on error,warning "$deb" "$browser"
source scripts/lib/fresh-root.sh
cp "$deb" "$browser" "$root/tmp/"
echo "apt-get install ./$(basename "$deb") ..."
chroot "$root" bash -c "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq && \
  apt-get install -y -qq /tmp/$(basename "$deb") xvfb xdotool >/dev/null"

# inquiry WANT: starts the program, opens the inquiry window from the help menu, and
# checks that the web engine is loaded (WANT=yes) or not (WANT=no).
cat > "$root/tmp/inquiry.sh" <<'SH'
set -e
want=$1
Xvfb :77 -screen 0 1024x768x24 -noreset >/dev/null 2>&1 & xv=$!
sleep 1
export DISPLAY=:77 XDG_CONFIG_HOME=/tmp/cfg QTWEBENGINE_DISABLE_SANDBOX=1
qv475 >/tmp/qv475.log 2>&1 & app=$!
trap 'kill $app $xv 2>/dev/null || true' EXIT
for i in $(seq 100); do
  w=$(xdotool search --name "QV-475簡易ソフト" 2>/dev/null | head -1) && [ -n "$w" ] && break
  sleep 0.1
done
[ -n "$w" ] || { echo "no main window"; cat /tmp/qv475.log; exit 1; }
echo "main window shown: QV-475簡易ソフト"
xdotool windowfocus --sync "$w" key alt+h
sleep 0.5
xdotool key w
shown=
for i in $(seq 300); do
  xdotool search --name "問い合わせ" >/dev/null 2>&1 && { shown=1; break; }
  sleep 0.1
done
[ -n "$shown" ] || { echo "no inquiry window"; exit 1; }
sleep 2
if grep -q libQt6WebEngineCore "/proc/$app/maps"; then loaded=yes; else loaded=no; fi
echo "inquiry window shown; web engine loaded: $loaded"
[ "$loaded" = "$want" ]
SH
echo "qv475 alone: the inquiry window without the web engine ..."
chroot "$root" bash /tmp/inquiry.sh no
size=$(chroot "$root" dpkg-query -W -f='${Installed-Size}' qv475)
echo "qv475 installed size: $size KiB"
echo "apt-get install ./$(basename "$browser") ..."
chroot "$root" bash -c "export DEBIAN_FRONTEND=noninteractive; \
  apt-get install -y -qq /tmp/$(basename "$browser") >/dev/null"
chroot "$root" bash /tmp/inquiry.sh yes
grep -q 'Name\[ja\]=QV-475簡易ソフト' "$root/usr/share/applications/qv475.desktop"
echo "package check: 1 passed, 0 failed"
