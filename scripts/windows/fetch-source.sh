#!/usr/bin/env bash
# Fetches the Debian source packages named into the current folder, from the archive the
# machine installs from. Where the APT sources have no source lines, they are added for
# the same archive for this fetch and taken out again.
#   scripts/windows/fetch-source.sh PACKAGE...
set -euo pipefail
sudo_or() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

added=""
if ! apt-get source --print-uris "$1" >/dev/null 2>&1; then
  deb822=$(for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -n '/^Types: deb$/,/^$/p' "$f" | sed 's/^Types: deb$/Types: deb-src/'
    echo
  done)
  # The one-line format, as debootstrap writes it.
  oneline=$(sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list 2>/dev/null || true)
  if [ -n "${deb822//[[:space:]]/}" ]; then
    added+=" /etc/apt/sources.list.d/qv475-deb-src.sources"
    echo "$deb822" | sudo_or tee /etc/apt/sources.list.d/qv475-deb-src.sources >/dev/null
  fi
  if [ -n "$oneline" ]; then
    added+=" /etc/apt/sources.list.d/qv475-deb-src.list"
    echo "$oneline" | sudo_or tee /etc/apt/sources.list.d/qv475-deb-src.list >/dev/null
  fi
  # Taken out again however the fetch ends.
  trap 'sudo_or rm -f $added; sudo_or apt-get update -qq' EXIT
  sudo_or apt-get update -qq
fi
for package in "$@"; do
  echo "fetching Debian's $package source"
  # The newest version whose files the archive still has (a mirror's index may name a
  # security update before its files are there).
  apt-get source -qq "$package" >/dev/null 2>&1 ||
    for v in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
      apt-get source -qq "$package=$v" >/dev/null 2>&1 && break
    done
  ls -d "$package"-[0-9]*/ >/dev/null 2>&1 || { echo "no source of $package could be fetched"; exit 1; }
done
