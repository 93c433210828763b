#!/usr/bin/env bash
# Fails, naming the line, when a file of the program includes a folder of a higher layer
# or of the same layer: the arrows of the includes point down only. Tests, benchmarks and
# tools stand above everything and are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."
# Lowest first; folders on one line are one layer and include none of each other.
layers=(
  "platform site"
  "link"
  "logging base"
  "model history"
  "publish"
  "session info settings_dialog"
  "display"
  "app"
)
declare -A rank
for i in "${!layers[@]}"; do
  for d in ${layers[$i]}; do rank[$d]=$i; done
done
bad=0
while IFS= read -r f; do
  from=${f%%/*}
  [ -n "${rank[$from]+x}" ] || continue
  while IFS=: read -r line to; do
    [ -n "${rank[$to]+x}" ] || continue
    if [ "$to" != "$from" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      echo "$f:$line includes $to/, which is not below $from/" >&2
      bad=1
    fi
  done < <(grep -nE '^#include "[a-z_]+/' "$f" | sed -E 's@^([0-9]+):#include "([a-z_]+)/.*@\1:\2@')
done < <(git ls-files '*.cpp' '*.h')
[ "$bad" = 0 ] || exit 1
echo "layers: every include points to a lower layer"
