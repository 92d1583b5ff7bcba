#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a desktop and a
# player would: every file in its place, the desktop entry and the AppStream
# description valid, the manual page clean, the icons PNGs of their sizes, and
# the installed program, run from elsewhere, reaching the title screen with the
# installed packs exactly as the build's program does.
# Usage: install_check.sh BUILD_DIR APP_ID PROGRAM_ICON
set -euo pipefail
build=$1
id=$2
program_icon=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/quarvel share/quarvel/packs/240x320.dll share/quarvel/packs/240x240.dll \
         share/quarvel/packs/176x220.dll "share/applications/$id.desktop" \
         "share/metainfo/$id.metainfo.xml" share/man/man6/quarvel.6; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/quarvel" ] || fail "bin/quarvel is not executable"
for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/quarvel.png"
  [ -f "$icon" ] || fail "missing the ${size}x${size} icon"
  # The PNG header's width and height, big-endian at bytes 16 and 20.
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" |
                  awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done
cmp -s "$prefix/share/icons/hicolor/32x32/apps/quarvel.png" "$program_icon" ||
  fail "the 32x32 icon is not the program's icon 101"
grep -qx 'Exec=quarvel' "$prefix/share/applications/$id.desktop" || fail "Exec is not quarvel"
grep -qx 'Categories=Game;BlocksGame;' "$prefix/share/applications/$id.desktop" ||
  fail "categories are not Game;BlocksGame;"

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
warnings=$(groff -man -ww -z -Tutf8 "$prefix/share/man/man6/quarvel.6" 2>&1)
[ -z "$warnings" ] || fail "the manual page: $warnings"

# The installed program, started from another folder, finds its packs beside bin/.
run=$(mktemp -d)
trap 'rm -rf "$prefix" "$run"' EXIT
printf 'wait 500\nshot %s/title.png\n' "$run" > "$run/script.txt"
(cd / && "$prefix/bin/quarvel" --headless --script "$run/script.txt" --store "$run/settings.reg" \
   --log "$run/log.txt") || fail "the installed program failed: $(cat "$run/log.txt")"
grep -q 'window created Quarvel "Quarvel"' "$run/log.txt" || fail "no main window: $(cat "$run/log.txt")"
[ -s "$run/title.png" ] || fail "no title screen"
printf 'wait 500\nshot %s/title-build.png\n' "$run" > "$run/script.txt"
"$build/host/quarvel" --headless --script "$run/script.txt" --store "$run/settings-build.reg"
cmp -s "$run/title.png" "$run/title-build.png" || fail "the installed title screen differs from the build's"
"$prefix/bin/quarvel" --version | grep -q '^Quarvel 1.1 (Build 150)$' || fail "--version"
echo "install check: $prefix is complete"
