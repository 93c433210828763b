#!/usr/bin/env bash
# Installs the Debian packages that are missing. The build's packages come from
# debian/control (Build-Depends, and the fixed Depends of qv475), so the scripts and the
# package cannot drift apart; the tools only the tests need are listed here.
#   scripts/install-deps.sh            build, run and test everything
#   scripts/install-deps.sh --demo     build and run the program and the simulator only
#   scripts/install-deps.sh --package  also build the Debian packages and check them
#   scripts/install-deps.sh --extra    also take screenshots
# Idempotent: prints nothing and installs nothing when everything is there.
set -euo pipefail
cd "$(dirname "$0")/.."

# control_field FIELD [PACKAGE]: the names in a field of debian/control, of the source
# stanza or of the binary package PACKAGE, without versions, architectures or ${...}.
control_field() {
  awk -v field="$1" -v pkg="${2:-}" '
    /^Source:/ { stanza = "" }
    /^Package:/ { stanza = $2 }
    /^[^ \t]/ { infield = (stanza == pkg && index($0, field ":") == 1) }
    infield { line = $0; sub("^" field ":", "", line); all = all "," line }
    END {
      n = split(all, items, ",")
      for (i = 1; i <= n; i++) {
        item = items[i]
        gsub(/\([^)]*\)|\[[^]]*\]/, "", item)
        gsub(/^[ \t]+|[ \t]+$/, "", item)
        if (item != "" && item !~ /\$/) print item
      }
    }' debian/control | sed 's/^debhelper-compat$/debhelper/'
}

mode=${1:-}
mapfile -t build < <(control_field Build-Depends)
mapfile -t runtime < <(control_field Depends qv475)
packages=(g++ make "${runtime[@]}")
if [ "$mode" = "--demo" ]; then
  # The program and the simulator, without the inquiry window's web engine or the tests.
  for p in "${build[@]}"; do
    case "$p" in debhelper|qt6-webengine-dev|pandoc) ;; *) packages+=("$p") ;; esac
  done
else
  packages+=("${build[@]}")
  # The tests: a real X server and window manager, clang-format, the sanitizer and fuzzer
  # runtime, Google Benchmark, the validators of the desktop entry, metainfo and manual pages, and
  # Debian's MQTT broker with its command-line clients, poppler's tools that read the
  # reports' PDF back, and openssl for the web hook's own authority.
  packages+=(
    xvfb xauth xdotool openbox x11-utils
    clang clang-format libclang-rt-14-dev
    libbenchmark-dev
    desktop-file-utils appstream man-db
    mosquitto mosquitto-clients
    poppler-utils
    openssl
  )
fi
case "$mode" in
  # dpkg-buildpackage checks build-essential as an implicit build dependency.
  --package) packages+=(build-essential dpkg-dev fakeroot lintian) ;;
  --extra) packages+=(imagemagick) ;;
esac

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
