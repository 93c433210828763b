#!/usr/bin/env bash
# Builds the Debian packages qv475 and qv475-browser with dpkg-buildpackage, in a
# throwaway copy of the tracked files, and puts the .deb files into dist/.
# The maker's host name for the inquiry window: QV_MAKER_HOST=host scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
work=$(mktemp -d -t qv475-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/qv475"
git ls-files -z | xargs -0 tar -cf - | tar -xf - -C "$work/qv475"
echo "== dpkg-buildpackage in $work"
(cd "$work/qv475" && DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -us -uc -b)
mkdir -p dist
rm -f dist/*.deb dist/*.ddeb
cp "$work"/*.deb dist/
ls dist/*.deb
