#!/usr/bin/env bash
# Builds the Windows Qt kit once: Debian's own qtbase source (the version of the host's
# Qt), cross-compiled with MinGW-w64 against the host's Qt tools, shared libraries of
# Core, Gui, Widgets, Network and Test. Later runs find it in the cache and reuse it.
#   scripts/windows/kit.sh            prints the kit's folder on the last line
# QV475_MINGW_QT: the kit's folder (default ~/.cache/qv475-mingw-qt-<version>).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[+-].*//')
kit=${QV475_MINGW_QT:-$HOME/.cache/qv475-mingw-qt-$version}
# --check: whether it is in the cache (exit 0) or would have to be built (exit 1).
if [ "${1:-}" = --check ]; then
  [ -f "$kit/.complete" ]
  exit
fi
if [ -f "$kit/.complete" ]; then
  echo "kit: reused $kit"
  echo "$kit"
  exit 0
fi

work=${QV475_MINGW_WORK:-$HOME/.cache/qv475-mingw-qt-build}
mkdir -p "$work"
cd "$work"

# The source of the host's qtbase, from the archive the machine installs from.
if ! ls -d qt6-base-*/ >/dev/null 2>&1; then
  "$here"/fetch-source.sh qt6-base | sed 's/^/kit: /'
fi
src=$(ls -d "$work"/qt6-base-*/ | head -1)

toolchain=${QV475_MINGW_TOOLCHAIN:-$here/mingw.cmake}

echo "kit: configuring qtbase for x86_64-w64-mingw32"
rm -rf "$work/build"
mkdir -p "$work/build"
cd "$work/build"
# Tablet support needs wintab.h, which the Debian source lacks; OpenGL stays dynamic (the
# Windows platform plugin does not build without it).
cmake -S "$src" -B . -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$kit" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_opengl=ON >"$work/configure.log" 2>&1 ||
  { tail -30 "$work/configure.log"; exit 1; }
echo "kit: building qtbase (about 30 minutes on 2 cores)"
ninja >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }
ninja install >"$work/install.log" 2>&1 || { tail -20 "$work/install.log"; exit 1; }
touch "$kit/.complete"
echo "kit: built $kit"
echo "$kit"
