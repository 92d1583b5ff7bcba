#!/usr/bin/env bash
# Makes the Debian package from the build and checks it: named
# quarvel_<version>_<arch>.deb, dependencies worked out from the program's
# libraries, and the install tree under /usr.
# Usage: package_check.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
build=$1
version=$2
id=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$out/quarvel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$out")"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libpng16-16 libfontconfig1 libzip4 \
               libstdc++6 libc6 fonts-dejavu-core; do
  [[ ", $depends," == *", $library"[\ ,]* ]] || fail "no dependency on $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "not in section games"
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for f in ./usr/bin/quarvel ./usr/share/quarvel/packs/240x320.dll \
         "./usr/share/applications/$id.desktop" ./usr/share/man/man6/quarvel.6 \
         ./usr/share/icons/hicolor/256x256/apps/quarvel.png; do
  grep -qx -- "$f" <<<"$files" || fail "the package has no $f"
done
echo "package check: $(basename "$deb"), $(stat -c %s "$deb") bytes, depends on $depends"
