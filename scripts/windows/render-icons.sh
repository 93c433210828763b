#!/usr/bin/env bash
# Renders the program's SVG pictures as PNG for the Windows build (its Qt kit has no SVG
# image plugin), with the Linux build's icon renderer: 32 px, the application icon 64 px.
set -euo pipefail
cd "$(dirname "$0")/../.."
render=${1:-build/tools/qv475-render-icon}
for svg in app/resources/icons/*.svg; do
  name=$(basename "$svg" .svg)
  size=32
  [ "$name" = app ] && size=64
  QT_QPA_PLATFORM=offscreen "$render" "$svg" "$size" "app/resources/windows/$name.png"
done
