#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the suite, the same suite built
# with AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1

echo "== build and test"
scripts/build.sh
(cd build && ctest --output-on-failure -j2 --timeout 240)

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DQV_SANITIZE=ON
(cd build-asan && ctest --output-on-failure -j2 --timeout 300)

echo "== fuzz targets, 15 s each"
scripts/fuzz.sh "${FUZZ_SECONDS:-15}"
