#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks where the files land.
set -euo pipefail
build=$1
plugin_dir=${2:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
for prog in tarvix tarvix-poll tarvix-slave tarvix-edit tarvix-launch; do
  [ -x "$tmp/usr/bin/$prog" ] || fail "bin/$prog missing or not executable"
done
desktop=$tmp/usr/share/applications/tarvix.desktop
[ -f "$desktop" ] || fail "desktop entry missing"
desktop-file-validate "$desktop" || fail "desktop-file-validate refused the entry"
grep -qx 'Categories=Development;Electronics;' "$desktop" || fail "categories"
grep -qx 'Icon=tarvix' "$desktop" || fail "icon name"
[ -f "$tmp/usr/share/icons/hicolor/scalable/apps/tarvix.svg" ] || fail "scalable icon missing"
for size in 16 32 48 64 128 256; do
  png=$tmp/usr/share/icons/hicolor/${size}x${size}/apps/tarvix.png
  [ -f "$png" ] || fail "icon ${size}x${size} missing"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size} has the wrong size"
done
if [ -n "$plugin_dir" ]; then
  ls "$tmp/usr/$plugin_dir"/*.so >/dev/null 2>&1 || fail "Designer plugin missing under $plugin_dir"
fi

# The launcher starts the program in the user's configuration folder,
# creating it; a stand-in program reports where it was started.
mkdir -p "$tmp/launch/bin" "$tmp/home"
cp "$tmp/usr/bin/tarvix-launch" "$tmp/launch/bin/"
printf '#!/bin/sh\npwd\n' > "$tmp/launch/bin/tarvix"
chmod +x "$tmp/launch/bin/tarvix"
where=$(HOME="$tmp/home" XDG_CONFIG_HOME= "$tmp/launch/bin/tarvix-launch")
[ "$where" = "$tmp/home/.config/tarvix" ] || fail "launcher started in '$where'"
where=$(HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/cfg" "$tmp/launch/bin/tarvix-launch")
[ "$where" = "$tmp/cfg/tarvix" ] || fail "launcher ignored XDG_CONFIG_HOME: '$where'"
echo "install layout OK"
