#!/usr/bin/env bash
# Builds the Debian package qv475_<version>_<arch>.deb into dist/.
# The maker's host name for the inquiry window: QV_MAKER_HOST=host scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
args=(-DQV_BUILD_TESTS=OFF)
[ -n "${QV_MAKER_HOST:-}" ] && args+=(-DQV_MAKER_HOST="$QV_MAKER_HOST")
BUILD_DIR=build-release BUILD_TYPE=Release scripts/build.sh "${args[@]}"
mkdir -p dist
(cd build-release && cpack -G DEB -B "$PWD/../dist" >/dev/null)
rm -rf dist/_CPack_Packages
ls dist/qv475_*.deb
