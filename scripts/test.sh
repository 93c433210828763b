#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the suite, the same suite built
# with AddressSanitizer and UndefinedBehaviorSanitizer, each fuzz target briefly, and the
# Debian packages built with dpkg-buildpackage and checked by lintian.
#   scripts/test.sh            everything (what CI runs)
#   scripts/test.sh --quick    the format, the build and the tests that need no pseudo-
#                              terminal, broker or package: a few minutes, while working
#   scripts/test.sh --windows  everything, then the Windows lane (scripts/windows.sh),
#                              building the Qt kit and the MQTT library first if this
#                              machine has not cached them (about 52 minutes, once)
#   scripts/test.sh --ci       what CI runs: everything, then the Windows lane when the kit
#                              and the MQTT library are cached on this machine (a run that
#                              had to build them would not fit CI's 90 minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
case "$mode" in
  ""|--quick|--windows|--ci) ;;
  *) echo "usage: scripts/test.sh [--quick|--windows|--ci]" >&2; exit 1 ;;
esac
scripts/install-deps.sh --package
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1

passed=0
# Runs ctest in a build folder and adds its count of tests to the total.
run_ctest() {
  local out
  out=$(mktemp)
  (cd "$1" && ctest --output-on-failure -j2 --timeout 300) | tee "$out"
  local n
  n=$(sed -nE 's/.*tests passed, 0 tests failed out of ([0-9]+).*/\1/p' "$out")
  rm -f "$out"
  passed=$((passed + ${n:-0}))
}

echo "== format"
scripts/check-format.sh
passed=$((passed + 1))

if [ "$mode" = --quick ]; then
  echo "== build and unit tests"
  scripts/build.sh
  out=$(mktemp)
  (cd build && ctest --output-on-failure -j2 --timeout 300 -LE slow) | tee "$out"
  n=$(sed -nE 's/.*tests passed, 0 tests failed out of ([0-9]+).*/\1/p' "$out")
  rm -f "$out"
  [ -n "$n" ] || exit 1
  echo "quick: $((passed + n)) passed, 0 failed (the full command runs the rest)"
  exit 0
fi

echo "== build and test"
scripts/build.sh
run_ctest build

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DQV_SANITIZE=ON
run_ctest build-asan

echo "== fuzz targets, ${FUZZ_SECONDS:-15} s each"
scripts/fuzz.sh "${FUZZ_SECONDS:-15}"
passed=$((passed + 3))

echo "== Debian packages, lintian --pedantic (no error, no warning)"
scripts/package.sh >/dev/null
lintian --pedantic --fail-on error,warning dist/qv475_*.deb dist/qv475-browser_*.deb 2>&1 |
  grep -v 'root privileges' || true
lintian --pedantic --fail-on error,warning dist/qv475_*.deb dist/qv475-browser_*.deb >/dev/null 2>&1
echo "lintian: both packages clean"
passed=$((passed + 1))

echo "all: $passed passed, 0 failed ($((SECONDS / 60)) min)"
if [ "$mode" = --ci ]; then
  if scripts/windows/kit.sh --check && scripts/windows/mqtt-kit.sh --check; then
    mode=--windows
  else
    echo "== Windows lane NOT RUN: the Qt kit or the MQTT library is not cached on this machine;"
    echo "   run scripts/windows.sh (or scripts/test.sh --windows) once to build them"
  fi
fi
if [ "$mode" = --windows ]; then
  echo "== Windows: cross-built, tested under Wine, installed and uninstalled"
  scripts/windows.sh
  echo "all, with Windows: $((SECONDS / 60)) min"
fi
