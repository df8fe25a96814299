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
apps=$tmp/usr/share/applications
# Each desktop entry: its categories, its icon and what it starts.
while read -r entry categories icon exec; do
  desktop=$apps/$entry.desktop
  [ -f "$desktop" ] || fail "desktop entry $entry missing"
  desktop-file-validate "$desktop" || fail "desktop-file-validate refused $entry"
  grep -qx "Categories=$categories" "$desktop" || fail "$entry: categories"
  grep -qx "Icon=$icon" "$desktop" || fail "$entry: icon name"
  grep -qx "Exec=$exec" "$desktop" || fail "$entry: command"
  [ -f "$tmp/usr/share/metainfo/$entry.metainfo.xml" ] || fail "$entry: AppStream metadata missing"
  [ -f "$tmp/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$icon: scalable icon missing"
  for size in 16 32 48 64 128 256; do
    png=$tmp/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    [ -f "$png" ] || fail "$icon: icon ${size}x${size} missing"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "$icon: icon ${size}x${size} has the wrong size"
  done
done <<'END'
org.tarvix.Tarvix Development;Electronics; tarvix tarvix-launch
org.tarvix.TarvixEdit Utility;TextEditor; tarvix-edit tarvix-edit %f
END
grep -qx 'MimeType=text/plain;text/x-csrc;text/x-c++src;text/x-chdr;text/x-asm;' "$apps/org.tarvix.TarvixEdit.desktop" ||
  fail "the editor's entry is not offered for text and program sources"
for page in tarvix tarvix-poll tarvix-slave tarvix-edit tarvix-launch; do
  gzip -t "$tmp/usr/share/man/man1/$page.1.gz" 2>/dev/null || fail "manual page $page(1) missing"
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
