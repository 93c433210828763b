#!/bin/sh
# The manual as the build made it: its HTML and PDF there, every picture it names in the
# repository, and every key of the settings file that the program reads in its table.
# Usage: check_manual.sh SOURCE-DIR BUILD-DIR
set -eu
src=$1
build=$2
md=$src/docs/manual/manual.md
status=0
for f in manual.html manual.pdf; do
  [ -s "$build/manual/$f" ] || { echo "not built: $build/manual/$f"; status=1; }
done
for p in $(grep -oE '\]\(\.\./images/[^)]+\)' "$md" | sed 's/^](\.\.\///; s/)$//'); do
  [ -f "$src/docs/$p" ] || { echo "the manual names a picture that is not there: $p"; status=1; }
done
# The keys: the literals on the lines that read the settings store, and the site's list.
keys=$(
  cd "$src"
  {
    grep -hE 'store(\.|->)text\(|loadInt\(store|text\(store|identity\("|kSiteName =|kScaffold =|key = QStringLiteral' \
      app/settings.cpp publish/notify.cpp publish/publisher.cpp platform/com_ports.cpp
    sed -n '/kSiteKeys\[[0-9]*\] = {/,/};/p' app/settings.cpp
  } | grep -oE '(QStringLiteral\(|identity\(|kSiteKeys[^{]*\{|, )"[A-Za-z][A-Za-z0-9%]*"' |
    grep -oE '"[^"]+"' | tr -d '"' | sed 's/%1$/1/' |
    grep -vxE 'Settings|Site|Notify|Mqtt|Ports|http|https' | sort -u
)
[ -n "$keys" ] || { echo "no keys found in the sources"; exit 1; }
for k in $keys; do
  grep -q "\`$k\`" "$md" || { echo "the manual's table lacks the key $k"; status=1; }
done
exit $status
