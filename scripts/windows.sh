#!/usr/bin/env bash
# The Windows build: cross-compiled on Debian with MinGW-w64 against a Qt kit built from
# Debian's own qtbase source, tested under Wine, and packed as a portable zip.
#   scripts/windows.sh
# Steps, one line each: the tools (apt-get), the Qt kit (built once into
# ~/.cache/qv475-mingw-qt-<version>, or $QV475_MINGW_QT, and reused), the program and
# its tests, the tests under Wine (offscreen, in a Japanese locale as a Japanese Windows
# has it), and dist/qv475-<version>-windows.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
step() { echo "windows: $*"; }
sudo_or() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

tools=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev ninja-build cmake zip nsis
       qt6-base-dev qt6-base-dev-tools fonts-ipafont-gothic)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  sudo_or apt-get update -qq
  DEBIAN_FRONTEND=noninteractive sudo_or apt-get install -y -qq "${missing[@]}" >/dev/null
else
  step "tools: reused (MinGW-w64, Wine, NSIS)"
fi

t0=$SECONDS
kit=$(QV475_MINGW_TOOLCHAIN="$root/scripts/windows/mingw.cmake" scripts/windows/kit.sh | tee /dev/stderr | tail -1)
step "Qt kit: $kit ($((SECONDS - t0)) s)"

build=${QV475_WINDOWS_BUILD:-$root/build-windows}
t0=$SECONDS
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/scripts/windows/mingw.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
ninja -C "$build" >"$build/build.log" 2>&1 || { tail -30 "$build/build.log"; exit 1; }
step "program and tests cross-built in $build ($((SECONDS - t0)) s)"

# A Wine prefix of the build's own: the Japanese formats of a Japanese Windows, the
# offscreen platform for the tests, and the IPA Gothic face where Windows' own Japanese
# faces are missing.
export WINEPREFIX=${QV475_WINEPREFIX:-$HOME/.cache/qv475-wine}
export WINEDEBUG=-all
# Wine takes its locale from these (glibc need not have it, hence bash's own complaint
# is silenced).
{ export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8; } 2>/dev/null
winpath() { echo "Z:${1//\//\\}"; }
export WINEPATH="$(winpath "$kit/bin");$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix);$(winpath /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH=$(winpath "$kit/plugins")
if [ ! -f "$WINEPREFIX/.qv475-ready" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null 2>&1
  wine reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d "$(winpath /usr/share/fonts/opentype/ipafont-gothic)" /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\International' /v sShortDate /d yyyy/MM/dd /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.qv475-ready"
  step "Wine prefix made: $WINEPREFIX"
else
  step "Wine prefix: reused $WINEPREFIX"
fi

t0=$SECONDS
logs="$build/wine-logs"
rm -rf "$logs"
mkdir -p "$logs"
passed=0
failed=0
for exe in "$build"/tests/tst_*.exe; do
  name=$(basename "$exe" .exe)
  # Wine does not hand a console program's standard output to a pipe: the results go
  # to a file.
  if timeout 600 wine "$exe" -o "$(winpath "$logs/$name.txt"),txt" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    grep -A3 '^FAIL' "$logs/$name.txt" | head -20 || true
  fi
done
step "tests under Wine: $passed passed, $failed failed ($((SECONDS - t0)) s)"
[ "$failed" = 0 ] || exit 1

# The portable folder: the programs, the Qt DLLs and plugins they load, the MinGW
# runtime, Qt's Japanese texts, and the IPA Gothic face (its licence allows it).
version=$(sed -n 's/^project(qv475 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage="$build/stage/qv475-$version"
rm -rf "$build/stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/translations" "$stage/fonts"
cp "$build/app/qv475.exe" "$build/app/qv475c.exe" "$stage/"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network; do cp "$kit/bin/$dll.dll" "$stage/"; done
cp "$kit/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$kit"/plugins/styles/*.dll "$stage/styles/" 2>/dev/null || true
cp "$kit"/plugins/imageformats/*.dll "$stage/imageformats/" 2>/dev/null || true
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do
  cp "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/$dll" "$stage/"
done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/" 2>/dev/null || true
cp /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf "$stage/fonts/"
cp /usr/share/doc/fonts-ipafont-gothic/copyright "$stage/fonts/IPA_Font_License.txt" 2>/dev/null || true
mkdir -p dist
rm -f "dist/qv475-$version-windows.zip"
(cd "$build/stage" && zip -qr "$root/dist/qv475-$version-windows.zip" "qv475-$version")
step "portable zip: dist/qv475-$version-windows.zip"
