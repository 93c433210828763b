#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 15), starting from the seed corpus in tests/fuzz/corpus. New inputs found go
# to build-fuzz/corpus/, never into the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build-fuzz -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
for t in reception settings serial_settings; do
  case $t in
    serial_settings) seeds=tests/fuzz/corpus/serial ;;
    *) seeds=tests/fuzz/corpus/$t ;;
  esac
  mkdir -p "build-fuzz/corpus/$t"
  echo "fuzz_$t: ${seconds} s"
  build-fuzz/tests/fuzz/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 \
    "build-fuzz/corpus/$t" "$seeds" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' || true
  test "${PIPESTATUS[0]}" -eq 0
done
