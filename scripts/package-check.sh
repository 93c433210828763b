#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root made by debootstrap, the way a
# user would (apt-get install ./qv475_*.deb), and starts the installed program under Xvfb
# until its main window is shown. Needs root; takes a few minutes and some disk.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot)"; exit 1; }
deb=$(ls dist/qv475_*.deb 2>/dev/null | head -1 || true)
[ -n "$deb" ] || deb=$(scripts/package.sh | tail -1)
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null

root=${QV_CHECK_ROOT:-$(mktemp -d -t qv475-root.XXXXXX)}
mirror=$(sed -nE 's/^URIs: *(http[^ ]*).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=$(awk '/^deb / {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
cleanup() {
  for m in proc dev/pts dev sys; do umount -l "$root/$m" 2>/dev/null || true; done
  [ -n "${QV_CHECK_ROOT:-}" ] || rm -rf "$root"
}
trap cleanup EXIT

if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "debootstrap bookworm into $root from $mirror ..."
  debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
fi
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t sysfs sys "$root/sys"
cp "$deb" "$root/tmp/"
echo "apt-get install ./$(basename "$deb") ..."
chroot "$root" bash -c "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq && \
  apt-get install -y -qq /tmp/$(basename "$deb") xvfb xdotool >/dev/null"

echo "starting the installed program under Xvfb ..."
chroot "$root" bash -c '
  set -e
  Xvfb :77 -screen 0 1024x768x24 >/dev/null 2>&1 & xv=$!
  sleep 1
  export DISPLAY=:77 XDG_CONFIG_HOME=/tmp/cfg
  qv475 >/tmp/qv475.log 2>&1 & app=$!
  for i in $(seq 100); do
    if xdotool search --name "QV-475簡易ソフト" >/dev/null 2>&1; then
      echo "main window shown: QV-475簡易ソフト"; kill $app $xv; exit 0
    fi
    sleep 0.1
  done
  echo "no main window"; cat /tmp/qv475.log; kill $app $xv; exit 1'
grep -q 'Name\[ja\]=QV-475簡易ソフト' "$root/usr/share/applications/qv475.desktop"
echo "package check: 1 passed, 0 failed"
