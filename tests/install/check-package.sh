#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its control fields and files.
set -euo pipefail
build=$1
plugin_dir=${2:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp" >/dev/null)
deb=$(ls "$tmp"/tarvix_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package built"
[ "$(dpkg-deb -f "$deb" Package)" = tarvix ] || fail "package name"
[ -n "$(dpkg-deb -f "$deb" Version)" ] || fail "no version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 fonts-liberation2 fonts-dejavu-core; do
  echo "$depends" | grep -q "$dep" || fail "Depends lacks $dep: $depends"
done
# Read whole first: grep -q may leave before dpkg-deb has written all, and
# the broken pipe would fail the script under pipefail.
description=$(dpkg-deb -f "$deb" Description)
grep -q Modbus <<<"$description" || fail "description"
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/tarvix ./usr/bin/tarvix-launch ./usr/bin/tarvix-poll ./usr/bin/tarvix-slave ./usr/bin/tarvix-edit \
         ./usr/share/applications/tarvix.desktop \
         ./usr/share/icons/hicolor/scalable/apps/tarvix.svg \
         ./usr/share/icons/hicolor/64x64/apps/tarvix.png; do
  echo "$files" | grep -qx "$f" || fail "package lacks $f"
done
if [ -n "$plugin_dir" ]; then
  echo "$files" | grep -q "^\./usr/$plugin_dir/.*\.so$" || fail "package lacks the Designer plugin"
fi
echo "package OK: $(basename "$deb")"
