#!/usr/bin/env bash
# Renders the program's SVG pictures as the PNG files it loads (the toolbar's at 32 px,
# the application icon at 64 px, each also twice as large for high-density screens):
# PNG decoding is built into Qt, so the window starts without the SVG modules.
#   scripts/render-icons.sh [RENDERER]   (default build/tools/qv475-render-icon)
set -euo pipefail
cd "$(dirname "$0")/.."
render=${1:-build/tools/qv475-render-icon}
for svg in app/resources/icons/*.svg; do
  name=$(basename "$svg" .svg)
  size=32
  [ "$name" = app ] && size=64
  QT_QPA_PLATFORM=offscreen "$render" "$svg" "$size" "app/resources/png/$name.png"
  QT_QPA_PLATFORM=offscreen "$render" "$svg" $((size * 2)) "app/resources/png/$name@2x.png"
done
