#!/usr/bin/env bash
# What a package's users and tools read besides the program: the desktop entry, the
# AppStream metainfo and the manual pages, each through its own validator; and the
# build dependencies of debian/control, which the scripts install.
set -euo pipefail
src=$1
failed=0
check() { # what, command...
  local what=$1
  shift
  if out=$("$@" 2>&1); then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    echo "$out"
    failed=$((failed + 1))
  fi
}
check "desktop entry" desktop-file-validate "$src/packaging/qv475.desktop"
check "metainfo" appstreamcli validate --no-net --pedantic "$src/packaging/com.example.qv475.metainfo.xml"
grep -q '<launchable type="desktop-id">qv475.desktop</launchable>' \
  "$src/packaging/com.example.qv475.metainfo.xml" || { echo "FAIL: launchable"; failed=$((failed + 1)); }
for page in qv475.1 qv475-meter-sim.1; do
  # man prints groff's warnings on standard error; a clean page has none.
  warnings=$(MANWIDTH=80 man --warnings -l "$src/docs/man/$page" 2>&1 >/dev/null || true)
  if [ -z "$warnings" ] && MANWIDTH=80 man -l "$src/docs/man/$page" 2>/dev/null | grep -q '^SYNOPSIS'; then
    echo "ok: man page $page"
  else
    echo "FAIL: man page $page"; echo "$warnings"; failed=$((failed + 1))
  fi
done
check "build dependencies installed" bash -c "cd '$src' && dpkg-checkbuilddeps"
if [ "$failed" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
