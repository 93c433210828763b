#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Idempotent: prints nothing and installs nothing when everything is there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-serialport-dev
  qt6-webengine-dev
  qt6-translations-l10n
  qt6-svg-dev libqt6svg6
  desktop-file-utils
  fonts-ipafont-gothic
  xvfb xauth xdotool openbox x11-utils
  clang libclang-rt-14-dev
  libbenchmark-dev
)
if [ "${1:-}" = "--extra" ]; then
  # Only for screenshots.
  packages+=(imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
    echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
