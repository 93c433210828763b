#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $BUILD_DIR); extra arguments
# go to the first configure. Prints only warnings and errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake --build "$build_dir" -j"$(nproc)" >"$log" 2>&1; then
  cat "$log"
  echo "build failed in $build_dir" >&2
  exit 1
fi
grep -E 'warning|error' "$log" || true
