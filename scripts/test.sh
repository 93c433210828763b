#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the suite, the same suite built
# with AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
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

echo "== build and test"
scripts/build.sh
run_ctest build

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DQV_SANITIZE=ON
run_ctest build-asan

echo "== fuzz targets, ${FUZZ_SECONDS:-15} s each"
scripts/fuzz.sh "${FUZZ_SECONDS:-15}"
passed=$((passed + 3))

echo "all: $passed passed, 0 failed"
