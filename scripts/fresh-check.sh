#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a fresh Debian 12 machine: in a
# root made by debootstrap (nothing installed but the minimal base), a copy of the
# tracked files runs the demo command until the program's main window is up (under
# Xvfb), and then the test command's install and build steps. It proves that every
# package the scripts and the build need is installed by them. It downloads several
# hundred MB, so the test command does not run it; run it, as root, before a change to an
# install step lands. Set QV_CHECK_ROOT to keep and reuse the root.
#   scripts/fresh-check.sh            the demo and the test command's installs and builds
#   scripts/fresh-check.sh --windows  the Windows build command, scripts/windows.sh, with
#                                     its Qt kit built from nothing (about 40 minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot)"; exit 1; }
step() { printf '== %s\n' "$*"; }
start=$SECONDS
source scripts/lib/fresh-root.sh
# The tracked files as a clone would have them (no build folders); Xvfb and xdotool
# stand in for the user's desktop and eyes.
rm -rf "$root/src" && mkdir -p "$root/src"
git ls-files -z | tar --null -T - -c | tar -x -C "$root/src"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 bash -c "$*"; }
if [ "${1:-}" = --windows ]; then
  step "the Windows build command: scripts/windows.sh"
  in_root "cd /src && scripts/windows.sh"
  ls -l "$root/src/dist"
  echo "fresh check (Windows): passed in $((SECONDS - start)) s"
  exit 0
fi
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
