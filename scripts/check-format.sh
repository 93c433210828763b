#!/usr/bin/env bash
# Fails, naming the files, when a C++ file differs from what clang-format (with the
# repository's .clang-format) makes of it, or when an include points up a layer
# (scripts/check-layers.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r f; do
  clang-format "$f" | cmp -s - "$f" || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted (clang-format -i): %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: every C++ file as clang-format makes it"
scripts/check-layers.sh
