#!/usr/bin/env bash
# deb-package.sh CPACK BUILD DIR VERSION: builds the Debian package into DIR,
# checks its control fields, unpacks it into DIR/root and runs the
# programs from there.  Skipped (77) without dpkg's tools.
set -euo pipefail
cpack=$1 build=$2 dir=$3 version=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$dir"
for tool in dpkg-deb dpkg-shlibdeps; do
    command -v $tool >/dev/null || { echo "$tool is missing: skipped"; exit 77; }
done
fail() {
    echo "FAIL: $*"
    exit 1
}

mkdir -p "$dir"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$dir" >"$dir/cpack.log" 2>&1 ||
    { cat "$dir/cpack.log"; fail "cpack"; }
rm -rf "$dir/_CPack_Packages"
deb=$dir/dyskel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls "$dir")"

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
[ "$(dpkg-deb -f "$deb" Section)" = otherosfs ] || fail "section $(dpkg-deb -f "$deb" Section)"
depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-sixtyfour qt6-qpa-plugins libqt6widgets6 libqt6core6 libc6; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

root=$dir/root
dpkg -x "$deb" "$root"

# From the unpacked root, in another folder, with no display for the window.
cd "$dir"
[ "$("$root/usr/bin/dyskel-cli" --version)" = "dyskel-cli $version" ] || fail "dyskel-cli --version"
listing=$("$root/usr/bin/dyskel-cli" dir "$build/samples/DEMO.D64") || fail "dyskel-cli dir"
[ "$(head -1 <<<"$listing")" = '"DYSKEL DEMO" DY2A' ] || fail "dir header: $(head -1 <<<"$listing")"
grep -q 'BLOCKS FREE' <<<"$listing" || fail "dir: no blocks free line"
"$here/check-installed.sh" index-module "$root/usr" || fail "the index module in the package"
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${no_display[@]}" "$root/usr/bin/dyskel" --version)" = "dyskel $version" ] || fail "dyskel --version"
"${no_display[@]}" "$root/usr/bin/dyskel" --help | grep -q '^usage: dyskel ' || fail "dyskel --help"
echo "ok: $(basename "$deb")"
