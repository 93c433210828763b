#!/usr/bin/env bash
# Builds the MQTT client library for Windows once: Debian's mosquitto source, its client
# library only, with TLS from Debian's openssl source (static, inside the one DLL),
# cross-compiled with MinGW-w64. Later runs find it in the cache and reuse it.
#   scripts/windows/mqtt-kit.sh    prints the folder on the last line
#                                  (bin/libmosquitto.dll, include/mosquitto.h)
# QV475_MINGW_MQTT: the folder (default ~/.cache/qv475-mingw-mosquitto-<version>).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

version=$(dpkg-query -W -f='${Version}' libmosquitto-dev | sed 's/[+-].*//')
kit=${QV475_MINGW_MQTT:-$HOME/.cache/qv475-mingw-mosquitto-$version}
# --check: whether it is in the cache (exit 0) or would have to be built (exit 1).
if [ "${1:-}" = --check ]; then
  [ -f "$kit/.complete" ]
  exit
fi
if [ -f "$kit/.complete" ]; then
  echo "mqtt: reused $kit"
  echo "$kit"
  exit 0
fi
work=${QV475_MINGW_MQTT_WORK:-$HOME/.cache/qv475-mingw-mqtt-build}
mkdir -p "$work"
cd "$work"
for package in openssl mosquitto; do
  ls -d "$package"-[0-9]*/ >/dev/null 2>&1 || "$here"/fetch-source.sh "$package" | sed 's/^/mqtt: /'
done
openssl_src=$(ls -d "$work"/openssl-[0-9]*/ | head -1)
mosquitto_src=$(ls -d "$work"/mosquitto-[0-9]*/ | head -1)

# OpenSSL's two libraries, static, for x86_64 Windows (no tests, no programs installed).
ssl="$work/ssl"
if [ ! -f "$ssl/lib/libssl.a" ]; then
  echo "mqtt: building OpenSSL's libraries for x86_64-w64-mingw32"
  rm -rf "$work/openssl-build"
  cp -a "$openssl_src" "$work/openssl-build"
  (cd "$work/openssl-build" &&
    ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$ssl" \
      --libdir=lib no-shared no-tests no-module >"$work/openssl-configure.log" 2>&1 &&
    make -j2 build_libs >"$work/openssl-build.log" 2>&1 &&
    make install_dev >"$work/openssl-install.log" 2>&1) ||
    { tail -30 "$work"/openssl-*.log; exit 1; }
fi

# libmosquitto alone, with TLS and its own thread (MinGW's winpthreads stand in for the
# pthreads-win32 that its build looks for on Windows).
echo "mqtt: building libmosquitto for x86_64-w64-mingw32"
rm -rf "$work/mosquitto-build" "$work/mosquitto-src"
cp -a "$mosquitto_src" "$work/mosquitto-src"
sed -i 's/^\tif (WIN32)$/\tif (WIN32 AND NOT MINGW)/' "$work/mosquitto-src/CMakeLists.txt"
cmake -S "$work/mosquitto-src" -B "$work/mosquitto-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="${QV475_MINGW_TOOLCHAIN:-$here/mingw.cmake}" \
  -DCMAKE_INSTALL_PREFIX="$kit" \
  -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF \
  -DDOCUMENTATION=OFF -DWITH_CJSON=OFF -DWITH_LIB_CPP=OFF -DWITH_STATIC_LIBRARIES=OFF \
  -DWITH_SOCKS=OFF -DWITH_THREADING=ON -DWITH_TLS=ON -DWITH_TLS_PSK=ON \
  -DOPENSSL_USE_STATIC_LIBS=TRUE -DOPENSSL_INCLUDE_DIR="$ssl/include" \
  -DSSL_EAY="$ssl/lib/libssl.a" -DLIB_EAY="$ssl/lib/libcrypto.a" \
  -DCMAKE_C_STANDARD_LIBRARIES="-lcrypt32 -lws2_32 -luser32 -ladvapi32 -lkernel32" \
  >"$work/mosquitto-configure.log" 2>&1 || { tail -30 "$work/mosquitto-configure.log"; exit 1; }
(ninja -C "$work/mosquitto-build" >"$work/mosquitto-build.log" 2>&1 &&
  ninja -C "$work/mosquitto-build" install >"$work/mosquitto-install.log" 2>&1) ||
  { tail -30 "$work/mosquitto-build.log"; exit 1; }
# The licences of what the DLL holds.
mkdir -p "$kit/licenses"
cp "$mosquitto_src/epl-v20" "$kit/licenses/mosquitto-EPL-2.0.txt" 2>/dev/null || true
cp "$mosquitto_src/edl-v10" "$kit/licenses/mosquitto-EDL-1.0.txt" 2>/dev/null || true
cp "$openssl_src/LICENSE.txt" "$kit/licenses/OpenSSL-Apache-2.0.txt" 2>/dev/null || true
touch "$kit/.complete"
echo "mqtt: built $kit"
echo "$kit"
