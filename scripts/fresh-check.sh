#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a fresh Debian 12 machine: in a
# root made by debootstrap (nothing installed but the minimal base), a copy of the
# tracked files runs the demo command until the program's main window is up (under
# Xvfb), and then the test command's install and build steps. It proves that every
# package the scripts and the build need is installed by them. It downloads several
# hundred MB, so the test command does not run it; run it, as root, before a change to an
# install step lands. Set QV_CHECK_ROOT to keep and reuse the root.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot)"; exit 1; }
step() { printf '== %s\n' "$*"; }
start=$SECONDS
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null

root=${QV_CHECK_ROOT:-$(mktemp -d -t qv475-fresh.XXXXXX)}
mirror=$(sed -nE 's/^URIs: *(http[^ ]*).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=$(awk '/^deb / {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
cleanup() {
  for m in proc dev/pts dev sys; do umount -l "$root/$m" 2>/dev/null || true; done
  [ -n "${QV_CHECK_ROOT:-}" ] || rm -rf "$root"
}
trap cleanup EXIT

if [ ! -x "$root/usr/bin/apt-get" ]; then
  step "debootstrap bookworm (minbase) into $root from $mirror"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
fi
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t sysfs sys "$root/sys"
# The tracked files as a clone would have them (no build folders); Xvfb and xdotool
# stand in for the user's desktop and eyes.
rm -rf "$root/src" && mkdir -p "$root/src"
git ls-files -z | tar --null -T - -c | tar -x -C "$root/src"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 bash -c "$*"; }
step "installing the desktop stand-ins (Xvfb, xdotool)"
in_root "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq && \
  apt-get install -y -qq --no-install-recommends xvfb xauth xdotool >/dev/null"

step "the demo command: scripts/demo.sh, until the main window is up"
cat > "$root/tmp/demo-check.sh" <<'SH'
set -u
Xvfb :78 -screen 0 1024x768x24 -noreset >/dev/null 2>&1 & xv=$!
export DISPLAY=:78
cd /src
scripts/demo.sh >/tmp/demo.log 2>&1 & demo=$!
trap 'pkill -f build-demo/app/qv475; kill $demo $xv 2>/dev/null' EXIT
for _ in $(seq 1800); do
  if xdotool search --name "QV-475簡易ソフト" >/dev/null 2>&1; then
    echo "main window shown: QV-475簡易ソフト"; exit 0
  fi
  kill -0 $demo 2>/dev/null || break
  sleep 0.2
done
echo "the demo command did not bring up the main window:"; cat /tmp/demo.log; exit 1
SH
in_root "bash /tmp/demo-check.sh"

step "the test command's install and build steps"
in_root "cd /src && scripts/install-deps.sh --package && scripts/build.sh && \
  BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DQV_SANITIZE=ON"
echo "fresh check: passed in $((SECONDS - start)) s"
