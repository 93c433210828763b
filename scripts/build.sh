#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
fi
cmake --build "$build_dir" -j"$(nproc)" -- --no-print-directory 2>&1 | grep -vE '^\[|Automatic MOC|^$' || true
test "${PIPESTATUS[0]}" -eq 0
