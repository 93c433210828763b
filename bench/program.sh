#!/usr/bin/env bash
# Whole-program figures under Xvfb: start to main window shown (median of five),
# resident memory with the main window shown, and CPU while live at 10 frames a second
# with output every second, measured over the given seconds (default 60) from the
# process's own accounting.
# With a git revision as second argument, that revision is built too and measured in the
# same run, first, so that the two CPU figures can be compared. TREND=1 measures with the
# trend window open (F9) as well.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
baseline=${2:-}
scripts/install-deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release scripts/build.sh -DQV_BUILD_TESTS=OFF

measure() { # build folder, label
  local build=$1 label=$2
  (
    export QV_BUILD_DIR=$build
    starts=()
    for i in 1 2 3 4 5; do
      (
        source scripts/lib/session.sh
        qv_session_start 10 1
        qv_app_start
      ) > /tmp/qv475-start.$$ 2>/dev/null
      starts+=("$(tail -1 /tmp/qv475-start.$$)")
    done
    rm -f /tmp/qv475-start.$$
    median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
    echo "[$label] start to main window shown: median $median ms (runs: ${starts[*]})"

    source scripts/lib/session.sh
    qv_session_start 10 1
    qv_app_start >/dev/null
    sleep 2
    echo "[$label] resident memory with the main window shown: $(qv_rss_kb) kB"
    qv_key F5
    sleep 1
    qv_key F2
    sleep 2
    hz=$(getconf CLK_TCK)
    c0=$(qv_cpu_ticks)
    sleep "$seconds"
    c1=$(qv_cpu_ticks)
    awk -v c=$((c1 - c0)) -v hz="$hz" -v s="$seconds" -v l="$label" \
      'BEGIN {printf "[%s] CPU live at 10 frames/s, output every second: %.2f %% of one core over %d s\n", l, 100 * c / hz / s, s}'
    echo "[$label] rows written meanwhile: $(qv_rows)"
    if [ "${TREND:-0}" = 1 ]; then
      qv_key F9
      sleep 3
      c0=$(qv_cpu_ticks)
      sleep "$seconds"
      c1=$(qv_cpu_ticks)
      awk -v c=$((c1 - c0)) -v hz="$hz" -v s="$seconds" -v l="$label" \
        'BEGIN {printf "[%s] the same with the trend window open: %.2f %% of one core over %d s\n", l, 100 * c / hz / s, s}'
    fi
  )
}

if [ -n "$baseline" ]; then
  wt=$(mktemp -d -t qv475-baseline.XXXXXX)
  git worktree add --detach "$wt" "$baseline" >/dev/null 2>&1
  trap 'git worktree remove --force "$wt" >/dev/null 2>&1 || true' EXIT
  BUILD_DIR="$wt/build-bench" BUILD_TYPE=Release "$wt/scripts/build.sh" -DQV_BUILD_TESTS=OFF
  measure "$wt/build-bench" "$baseline"
fi
measure "$PWD/build-bench" "this tree"
