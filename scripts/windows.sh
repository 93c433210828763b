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

tools=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev ninja-build cmake zip nsis locales pandoc
       qt6-base-dev qt6-base-dev-tools qt6-l10n-tools fonts-ipafont-gothic xvfb imagemagick python3
       libmosquitto-dev mosquitto mosquitto-clients)
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

# Wine names Unix files in the code set of the locale it runs in: without a Japanese
# UTF-8 locale, files with Japanese names (the Start-menu entry) cannot be made.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  sudo_or localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  step "locale ja_JP.UTF-8 generated"
fi

t0=$SECONDS
# The kit's progress to the log as it comes (a tee to /dev/stderr would reopen a
# redirected log and cut it); its last line is the kit's folder.
kit=$(QV475_MINGW_TOOLCHAIN="$root/scripts/windows/mingw.cmake" scripts/windows/kit.sh |
  { last=; while IFS= read -r line; do echo "$line" >&2; last=$line; done; echo "$last"; })
step "Qt kit: $kit ($((SECONDS - t0)) s)"
t0=$SECONDS
mqtt=$(QV475_MINGW_TOOLCHAIN="$root/scripts/windows/mingw.cmake" scripts/windows/mqtt-kit.sh |
  { last=; while IFS= read -r line; do echo "$line" >&2; last=$line; done; echo "$last"; })
step "MQTT library with TLS: $mqtt ($((SECONDS - t0)) s)"

build=${QV475_WINDOWS_BUILD:-$root/build-windows}
t0=$SECONDS
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/scripts/windows/mingw.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQV_MOSQUITTO_DIR="$mqtt" >/dev/null
ninja -C "$build" >"$build/build.log" 2>&1 || { tail -30 "$build/build.log"; exit 1; }
step "program and tests cross-built in $build ($((SECONDS - t0)) s)"

# A Wine prefix of the build's own: the Japanese formats of a Japanese Windows, the
# offscreen platform for the tests, and the IPA Gothic face where Windows' own Japanese
# faces are missing.
export WINEPREFIX=${QV475_WINEPREFIX:-$HOME/.cache/qv475-wine}
export WINEDEBUG=-all
# Wine takes its locale from these (they are given to Wine only). Every Wine command runs in it: a change of locale makes Wine write the
# regional formats of the new one over those set here.
jp=(env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8)
wine() { "${jp[@]}" /usr/bin/wine "$@"; }
wineboot() { "${jp[@]}" /usr/bin/wineboot "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
export WINEPATH="$(winpath "$kit/bin");$(winpath "$mqtt/bin");$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix);$(winpath /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH=$(winpath "$kit/plugins")
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  wineboot -i >/dev/null 2>&1 || true
  step "Wine prefix made: $WINEPREFIX"
else
  step "Wine prefix: reused $WINEPREFIX"
fi
# A test service left by a run that failed halfway would start with the prefix and take
# the test meters' port.
wine reg delete 'HKLM\System\CurrentControlSet\Services\QV475Test' /f >/dev/null 2>&1 || true
# A Japanese Windows writes dates as 2026/12/08 (Wine's own table has 2026/12/8).
wine reg add 'HKCU\Control Panel\International' /v sShortDate /d yyyy/MM/dd /f >/dev/null 2>&1
wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null 2>&1
wine reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d "$(winpath /usr/share/fonts/opentype/ipafont-gothic)" /f >/dev/null 2>&1
"${jp[@]}" wineserver -w

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
  t1=$SECONDS
  if timeout 600 "${jp[@]}" wine "$exe" -o "$(winpath "$logs/$name.txt"),txt" >/dev/null 2>&1; then
    passed=$((passed + 1))
    step "  $name: $(grep -o '^Totals: [0-9]* passed, [0-9]* failed, [0-9]* skipped' "$logs/$name.txt" | sed 's/^Totals: //') ($((SECONDS - t1)) s)"
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
mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/translations" \
  "$stage/fonts" "$stage/tls" "$stage/licenses"
cp "$build/app/qv475.exe" "$build/app/qv475c.exe" "$stage/"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network; do cp "$kit/bin/$dll.dll" "$stage/"; done
cp "$kit/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$kit"/plugins/styles/*.dll "$stage/styles/" 2>/dev/null || true
cp "$kit"/plugins/imageformats/*.dll "$stage/imageformats/" 2>/dev/null || true
# The web hook's https: Windows' own TLS (Schannel) through Qt's backend.
cp "$kit"/plugins/tls/*.dll "$stage/tls/" 2>/dev/null || true
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do
  cp "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/$dll" "$stage/"
done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
# MQTT: libmosquitto with OpenSSL inside it, loaded when a broker is named.
cp "$mqtt/bin/libmosquitto.dll" "$stage/"
cp "$mqtt"/licenses/* "$stage/licenses/"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/" 2>/dev/null || true
cp /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf "$stage/fonts/"
cp /usr/share/doc/fonts-ipafont-gothic/copyright "$stage/fonts/IPA_Font_License.txt" 2>/dev/null || true
# The licences of what is shipped: Qt (LGPL 3, which builds on the GPL 3), the MinGW-w64
# runtime (GCC's runtime library exception; winpthreads), the IPA font; and the README.
cp /usr/share/common-licenses/LGPL-3 "$stage/licenses/Qt-LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
cp /usr/share/doc/libqt6core6/copyright "$stage/licenses/Qt-copyright.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/MinGW-GCC-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/MinGW-w64-winpthreads.txt"
cp /usr/share/doc/fonts-ipafont-gothic/copyright "$stage/licenses/IPA-Font.txt" 2>/dev/null || true
# The manual in Japanese (F1 opens it beside the program): the host build's HTML and PDF,
# or the HTML alone made here by pandoc.
if [ -s build/manual/manual.html ] && [ -s build/manual/manual.pdf ]; then
  cp build/manual/manual.html build/manual/manual.pdf "$stage/"
else
  pandoc --fail-if-warnings --standalone --self-contained --toc --resource-path=docs/manual \
    --css=docs/manual/manual.css -o "$stage/manual.html" docs/manual/manual.md
fi
# Stripped: what a user downloads holds no debugging symbols.
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

# One end-to-end run: COM1 is a pseudo-terminal where a meter (scripts/windows/meter.py)
# answers; qv475.exe runs under Xvfb with Windows' own platform and --log. The meter must
# receive exactly "D" + CR, and the CSV file must hold the header in code page 932 and
# rows one second apart. The window is photographed for the README.
t0=$SECONDS
e2e="$build/e2e"
rm -rf "$e2e"
mkdir -p "$e2e"
display=:${QV475_WINDOWS_DISPLAY:-97}
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# Every Wine process from here on (its desktop among them) draws on that display.
export DISPLAY=$display
python3 scripts/windows/meter.py "$e2e/received" 40 >"$e2e/device" &
meter=$!
trap 'kill $xvfb $meter 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$e2e/device" ] && break; sleep 0.1; done
device=$(head -1 "$e2e/device")
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$device" /f >/dev/null 2>&1
# A second meter on COM2 for the Win32 read's own test: its completions a second.
python3 scripts/windows/meter.py "$e2e/received2" 30 >"$e2e/device2" &
meter2=$!
for _ in $(seq 50); do [ -s "$e2e/device2" ] && break; sleep 0.1; done
wine reg add 'HKLM\Software\Wine\Ports' /v COM2 /d "$(head -1 "$e2e/device2")" /f >/dev/null 2>&1
# The window on Windows' own platform (the tests' offscreen one is set in the prefix).
wine reg delete 'HKCU\Environment' /v QT_QPA_PLATFORM /f >/dev/null 2>&1
"${jp[@]}" wineserver -k 2>/dev/null || true
"${jp[@]}" wineserver -w
# The program as a user has it: from its folder, with no kit on the path and no font
# added to the system (it brings its own).
rm -f "$WINEPREFIX/drive_c/windows/Fonts/ipagp.ttf"
QV475_TEST_COM=2 "${jp[@]}" wine "$build/tests/tst_serial_win.exe" \
  -o "$(winpath "$logs/tst_serial_win-com.txt"),txt" >/dev/null 2>&1 ||
  { grep -B2 -A4 'FAIL\|QINFO' "$logs/tst_serial_win-com.txt"; echo "FAIL: the Win32 serial read"; exit 1; }
kill $meter2 2>/dev/null || true
step "serial read: $(grep -o 'read completions:.*' "$logs/tst_serial_win-com.txt")"
appdata=$("${jp[@]}" winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
mkdir -p "$appdata/QV475_XP"
# Port=01: the end writes it back as 1, which shows that the settings were saved.
printf '[Settings]\r\nPort=01\r\nComSt=9600,n,8,1\r\nfName=%s\r\nfOut=31\r\nfTime=1\r\n' \
  "$(winpath "$e2e/wind.csv")" >"$appdata/QV475_XP/QV475_XP.ini"
(cd "$stage" && env -u WINEPATH -u QT_PLUGIN_PATH "${jp[@]}" /usr/bin/wine ./qv475.exe --log) >/dev/null 2>&1 &
app=$!
sleep "${QV475_WINDOWS_E2E_SECONDS:-12}"
import -display "$display" -window root "$e2e/main.png" 2>/dev/null || true
# The end of the Windows session: the program ends as 終了 does, without its question.
"${jp[@]}" wine wineboot -e >/dev/null 2>&1 || true
e2e_fail() { echo "FAIL: end-to-end under Wine: $*"; exit 1; }
for _ in $(seq 150); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && { wineserver -k; e2e_fail "the end of the session did not end the program"; }
# (Windows may end the process once WM_ENDSESSION is answered, and Wine does: its exit
# code says nothing. What counts is that the end ran: the settings saved, the rows whole.)
wait "$app" || true
grep -q '^Port=1' "$appdata/QV475_XP/QV475_XP.ini" || e2e_fail "the settings were not saved at the end of the session"
wineserver -k 2>/dev/null || true
sleep 1
[ "$(od -An -c "$e2e/received" | tr -d ' \n')" = 'D\r' ] ||
  e2e_fail "the meter received $(od -An -c "$e2e/received" | tr -s ' ') instead of D CR"
csv=$(ls "$e2e"/wind*.csv 2>/dev/null | head -1)
[ -n "$csv" ] || e2e_fail "no CSV file"
python3 - "$csv" <<'PY' || e2e_fail "the CSV file's bytes"
import sys, datetime
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\r\n")
assert lines[0] == "年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速".encode("cp932"), lines[0]
rows = [l for l in lines[1:] if l]
assert len(rows) >= 3, rows
times = [datetime.datetime.strptime(r.split(b",")[1].decode(), "%H:%M:%S") for r in rows]
assert all((b - a).seconds == 1 for a, b in zip(times, times[1:])), times
assert all(r.endswith(b",45.6,56.7,12.3,23.4") for r in rows), rows
assert data.endswith(b"\r\n"), data[-40:]  # the last row whole
PY
step "end to end under Wine: the meter got D CR; $(($(wc -l <"$csv") - 1)) rows one second apart in $(basename "$csv"); the end of the session ended it as 終了 does, settings saved ($((SECONDS - t0)) s)"
# The README's picture only when asked for: a run rewrites no tracked file.
convert "$e2e/main.png" -trim +repage "$build/windows-main.png" 2>/dev/null || true
[ -z "${QV475_UPDATE_PICTURES:-}" ] || cp "$build/windows-main.png" docs/images/windows-main.png


cp app/resources/windows/qv475.ico "$stage/qv475.ico"
mkdir -p dist
rm -f "dist/qv475-$version-windows.zip"
(cd "$build/stage" && zip -qr "$root/dist/qv475-$version-windows.zip" "qv475-$version")
step "portable zip: dist/qv475-$version-windows.zip"

# The installer, tried as a user would: installed silently into the Wine prefix (per
# user, no administrator), started from where it went, then uninstalled.
# The uninstaller's list: each file the installer writes, then its folders, deepest first.
(cd "$stage" && {
  find . -type f | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
}) >"$build/files.nsh"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$build/files.nsh" \
  -DOUT="$root/dist/qv475-$version-setup.exe" packaging/windows/qv475.nsi >"$build/nsis.log" 2>&1 ||
  { tail -20 "$build/nsis.log"; exit 1; }
# A folder that holds someone else's file is refused, and keeps it.
foreign="$WINEPREFIX/drive_c/foreign"
rm -rf "$foreign"
mkdir -p "$foreign"
echo keep >"$foreign/notes.txt"
wine "dist/qv475-$version-setup.exe" /S "/D=C:\\foreign" >/dev/null 2>&1 && refused=0 || refused=1
"${jp[@]}" wineserver -w
[ "$refused" = 1 ] && [ ! -e "$foreign/qv475.exe" ] && [ "$(cat "$foreign/notes.txt")" = keep ] ||
  { echo "FAIL: the installer took a folder that held another file"; exit 1; }
wine "dist/qv475-$version-setup.exe" /S >/dev/null 2>&1
"${jp[@]}" wineserver -w
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
installed="$user_dir/AppData/Local/Programs/QV475"
entry="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/QV-475簡易ソフト.lnk"
# (Windows names the folder Startup, Wine StartUp; names are not case-sensitive there.)
startup=$(ls -d "$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/"[Ss]tart[Uu]p 2>/dev/null | head -1)/QV-475簡易ソフト.lnk
# (A shortcut holds its arguments in UTF-16.)
[ -f "$startup" ] && python3 -c 'import sys; sys.exit("--log".encode("utf-16-le") not in open(sys.argv[1], "rb").read())' "$startup" ||
  { echo "FAIL: the installer made no Startup entry that starts logging"; exit 1; }
[ -f "$installed/qv475.exe" ] && [ -f "$installed/uninstall.exe" ] && [ -f "$entry" ] &&
  grep -q 'Uninstall\\\\QV475_XP' "$WINEPREFIX/user.reg" ||
  { echo "FAIL: the installer left no program, uninstaller, Start-menu entry or entry in the installed programs"; exit 1; }
# A fresh meter on COM1 for one of the installed program's runs: it writes down what it
# receives to $1 (its pid in $meter); Wine is restarted so that the port is opened anew.
# The settings for it follow, with the CSV file $3 and any further lines $4.
meter_on_com1() {
  python3 scripts/windows/meter.py "$1" 40 >"$1.device" &
  meter=$!
  for _ in $(seq 50); do [ -s "$1.device" ] && break; sleep 0.1; done
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$(head -1 "$1.device")" /f >/dev/null 2>&1
  "${jp[@]}" wineserver -k 2>/dev/null || true
  "${jp[@]}" wineserver -w
}
logger_settings() {
  printf '[Settings]\r\nPort=1\r\nComSt=9600,n,8,1\r\nfName=%s\r\nfOut=31\r\nfTime=1\r\n%s' \
    "$(winpath "$2")" "${3:-}" >"$1"
}
# The installed program, from its folder with a clean PATH: the console logger on a fresh
# meter, asked to end by `taskkill` without /f as a scheduled task's stop does; it ends
# as on Ctrl+C (the meter told to stop, the rows synced).
t0=$SECONDS
mkdir -p "$e2e/logger"
meter_on_com1 "$e2e/received3"
meter3=$meter
logger_settings "$e2e/logger/logger.ini" "$e2e/logger/wind.csv"
(cd "$installed" && env -u WINEPATH -u QT_PLUGIN_PATH "${jp[@]}" /usr/bin/wine ./qv475c.exe --headless \
  --config "$(winpath "$e2e/logger/logger.ini")") >"$e2e/logger/out.txt" 2>&1 &
logger=$!
sleep "${QV475_WINDOWS_E2E_SECONDS:-12}"
"${jp[@]}" wine taskkill /im qv475c.exe >"$e2e/logger/taskkill.txt" 2>&1 || true
for _ in $(seq 150); do kill -0 "$logger" 2>/dev/null || break; sleep 0.1; done
kill -0 "$logger" 2>/dev/null &&
  { wineserver -k; cat "$e2e/logger/taskkill.txt"; e2e_fail "taskkill without /f did not end the console logger"; }
wait "$logger" || true
kill $meter3 2>/dev/null || true
grep -q 'ended' "$e2e/logger/out.txt" || { tail -5 "$e2e/logger/out.txt"; e2e_fail "the console logger's end was not its own"; }
[ "$(od -An -c "$e2e/received3" | tr -d ' \n')" = 'D\rJ\r' ] ||
  e2e_fail "the logger's meter received $(od -An -c "$e2e/received3" | tr -s ' ') instead of D CR J CR"
logcsv=$(ls "$e2e"/logger/wind*.csv 2>/dev/null | head -1)
[ -n "$logcsv" ] && [ "$(tail -c 2 "$logcsv" | od -An -c | tr -d ' \n')" = '\r\n' ] ||
  e2e_fail "the console logger's CSV file is missing or its last row is cut"
step "console logger, installed: taskkill without /f ended it as Ctrl+C does (D CR J CR to the meter, $(($(wc -l <"$logcsv") - 1)) rows, the last whole; $((SECONDS - t0)) s)"
# MQTT under Wine: the installed console logger publishes to the Linux side's mosquitto
# on a free loopback port; its state messages (the meter's readings) and, after
# `taskkill /f`, the broker's last will ("offline") are what a subscriber receives.
t0=$SECONDS
mq="$e2e/mqtt"
mkdir -p "$mq"
mqtt_fail() { kill $meter5 $broker $sub 2>/dev/null || true; tail -5 "$mq/out.txt" "$mq/received.txt"; e2e_fail "MQTT: $*"; }
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$port" >"$mq/broker.conf"
mosquitto -c "$mq/broker.conf" >"$mq/broker.txt" 2>&1 &
broker=$!
for _ in $(seq 50); do mosquitto_pub -h 127.0.0.1 -p "$port" -t probe -n 2>/dev/null && break; sleep 0.1; done
mosquitto_sub -h 127.0.0.1 -p "$port" -t 'qvwin/#' -v >"$mq/received.txt" 2>&1 &
sub=$!
meter_on_com1 "$mq/meter"
meter5=$meter
logger_settings "$mq/logger.ini" "$mq/wind.csv" \
  "$(printf '[Mqtt]\r\nHost=127.0.0.1\r\nPort=%s\r\nTopic=qvwin\r\n' "$port")"
(cd "$installed" && env -u WINEPATH -u QT_PLUGIN_PATH "${jp[@]}" /usr/bin/wine ./qv475c.exe --headless \
  --config "$(winpath "$mq/logger.ini")") >"$mq/out.txt" 2>&1 &
logger=$!
for _ in $(seq 200); do grep -q '"link":"live"' "$mq/received.txt" && break; sleep 0.1; done
sleep 2
"${jp[@]}" wine taskkill /f /im qv475c.exe >/dev/null 2>&1 || true
for _ in $(seq 100); do grep -q '^qvwin/status offline' "$mq/received.txt" && break; sleep 0.1; done
wait "$logger" 2>/dev/null || true
kill $sub $broker $meter5 2>/dev/null || true
grep -q '^qvwin/status online' "$mq/received.txt" || mqtt_fail "no online status"
grep -q '^qvwin/state {.*"instant":45.6.*"link":"live"' "$mq/received.txt" ||
  mqtt_fail "no state message with the meter's reading"
grep -q '^qvwin/status offline' "$mq/received.txt" || mqtt_fail "no last will after taskkill /f"
step "MQTT under Wine: $(grep -c '^qvwin/state ' "$mq/received.txt") state messages with the readings, online, and the last will after taskkill /f ($((SECONDS - t0)) s)"
# The logger as a Windows service, from the installed folder (Wine's user is an
# administrator): registered, started by the service manager, logging from a fresh meter,
# stopped by it with the meter told to stop and the rows synced, then removed.
t0=$SECONDS
svc="$e2e/service"
mkdir -p "$svc"
meter_on_com1 "$svc/received"
meter4=$meter
logger_settings "$svc/service.ini" "$svc/wind.csv"
service_fail() {
  kill $meter4 $keeper 2>/dev/null || true
  wine reg delete 'HKLM\System\CurrentControlSet\Services\QV475Test' /f >/dev/null 2>&1 || true
  tail -8 "$svc"/*.log 2>/dev/null
  e2e_fail "the service: $*"
}
# Wine ends its services once no other program runs in the prefix (Windows does not):
# one waits on its input meanwhile.
sleep 120 | "${jp[@]}" wine cmd >/dev/null 2>&1 &
keeper=$!
# One left by an earlier run that failed halfway is removed first.
(cd "$installed" && "${jp[@]}" /usr/bin/wine ./qv475c.exe --uninstall-service QV475Test) >/dev/null 2>&1 || true
(cd "$installed" && env -u WINEPATH -u QT_PLUGIN_PATH "${jp[@]}" /usr/bin/wine ./qv475c.exe \
  --install-service QV475Test --config "$(winpath "$svc/service.ini")") >"$svc/install.txt" 2>&1 ||
  service_fail "--install-service failed"
wine net start QV475Test >"$svc/start.txt" 2>&1 || service_fail "net start failed"
sleep "${QV475_WINDOWS_E2E_SECONDS:-12}"
wine net stop QV475Test >/dev/null 2>&1 || true
for _ in $(seq 150); do grep -q ' ended' "$svc/QV475Test.log" 2>/dev/null && break; sleep 0.1; done
grep -q ' ended' "$svc/QV475Test.log" 2>/dev/null || service_fail "the manager's stop did not end the logger"
for _ in $(seq 150); do pgrep -f 'qv475c.exe --service' >/dev/null || break; sleep 0.1; done
pgrep -f 'qv475c.exe --service' >/dev/null &&
  service_fail "its process did not end after the stop: $(ps -eo pid,stat,args | grep -i 'qv475c.exe --service' | grep -v grep)"
kill $meter4 2>/dev/null || true
[ "$(od -An -c "$svc/received" | tr -d ' \n')" = 'D\rJ\r' ] ||
  service_fail "the meter received $(od -An -c "$svc/received" | tr -s ' ') instead of D CR J CR"
svccsv=$(ls "$svc"/wind*.csv 2>/dev/null | head -1)
[ -n "$svccsv" ] && [ "$(($(wc -l <"$svccsv") - 1))" -ge 3 ] &&
  [ "$(tail -c 2 "$svccsv" | od -An -c | tr -d ' \n')" = '\r\n' ] ||
  service_fail "the CSV file is missing, short or its last row is cut"
(cd "$installed" && env -u WINEPATH -u QT_PLUGIN_PATH "${jp[@]}" /usr/bin/wine ./qv475c.exe \
  --uninstall-service QV475Test) >"$svc/uninstall.txt" 2>&1 || service_fail "--uninstall-service failed"
# Removed once its process has ended (as Windows does with a service marked for deletion).
for _ in $(seq 50); do
  wine reg query 'HKLM\System\CurrentControlSet\Services\QV475Test' >/dev/null 2>&1 || break
  sleep 0.2
done
wine reg query 'HKLM\System\CurrentControlSet\Services\QV475Test' >/dev/null 2>&1 &&
  service_fail "it is still registered after --uninstall-service"
kill $keeper 2>/dev/null || true
step "service: installed, started and stopped by the service manager (D CR J CR to the meter, $(($(wc -l <"$svccsv") - 1)) rows, the last whole), removed, no longer registered ($((SECONDS - t0)) s)"
# A record the user wrote into the program's folder (and one in Documents) outlive it.
printf 'x\r\n' >"$installed/wind2612090131.csv"
wine "$installed/uninstall.exe" /S >/dev/null 2>&1
"${jp[@]}" wineserver -w
sleep 1
[ ! -e "$installed/qv475.exe" ] && [ ! -e "$entry" ] && [ ! -e "$startup" ] &&
  [ ! -e "$installed/platforms" ] ||
  { echo "FAIL: the uninstaller left the program or its Start-menu entry"; exit 1; }
[ -f "$installed/wind2612090131.csv" ] || { echo "FAIL: the uninstaller deleted a record"; exit 1; }
[ "$(ls -A "$installed")" = wind2612090131.csv ] ||
  { echo "FAIL: the uninstaller left $(ls -A "$installed" | tr '\n' ' ')"; exit 1; }
rm -rf "$installed"
grep -q 'Uninstall\\\\QV475_XP' "$WINEPREFIX/user.reg" && { echo "FAIL: the uninstaller left its entry"; exit 1; }
step "installer: dist/qv475-$version-setup.exe (refused a folder with another file; installed per user under Wine; uninstalled, the record left in its folder kept)"
step "all: $((passed + 4)) passed, 0 failed ($passed test programs under Wine, the end-to-end run, the console logger's end, MQTT and the service)"
