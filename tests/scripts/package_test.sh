#!/usr/bin/env bash
# The Debian package: made with CPack into a scratch folder, its control fields and file list
# checked, unpacked with dpkg-deb -x, and its programs run from the unpacked tree.
#   package_test.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack could not make the package"
fi
deb=$(echo "$scratch"/out/*.deb)
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "corvane-librarian_${version}_${arch}.deb" ] || fail "package file $deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = corvane-librarian ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
# The dependencies are computed from the programs' libraries, not written by hand.
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6network6; do
    field Depends | tr ',' '\n' | grep -q "^ *$library\b" || fail "Depends lacks $library: $(field Depends)"
done
field Depends | grep -q "libqt6test" && fail "Depends names the test library: $(field Depends)"
field Description | head -1 | grep -q "^librarian for Corvane synthesizer projects$" ||
    fail "Description: $(field Description | head -1)"

# Exactly these files, nothing else (no libraries, headers or test programs).
expected="./usr/bin/corvane
./usr/bin/corvane-librarian
./usr/share/applications/com.brisko.CorvaneLibrarian.desktop
./usr/share/bash-completion/completions/corvane
./usr/share/doc/corvane-librarian/CorvaneLibrarianManualE.html"
for size in 16 22 24 32 48 64 128 256; do
    expected+="
./usr/share/icons/hicolor/${size}x${size}/apps/corvane-librarian.png"
done
expected+="
./usr/share/icons/hicolor/scalable/apps/corvane-librarian.svg
./usr/share/man/man1/corvane-librarian.1.gz
./usr/share/man/man1/corvane.1.gz
./usr/share/metainfo/com.brisko.CorvaneLibrarian.metainfo.xml"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | LC_ALL=C sort)
[ "$files" = "$(echo "$expected" | LC_ALL=C sort)" ] ||
    fail "file list differs:
$(diff <(echo "$expected" | LC_ALL=C sort) <(echo "$files"))"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/corvane" --version)" = "corvane $version" ] || fail "corvane --version"
[ "$("$root/usr/bin/corvane-librarian" --version)" = "corvane-librarian $version" ] ||
    fail "corvane-librarian --version"
"$root/usr/bin/corvane" demo "$scratch/Demo.prj" || fail "corvane demo"
[ "$("$root/usr/bin/corvane" check "$scratch/Demo.prj")" = ok ] || fail "corvane check"
# The man pages are readable roff, and the icons are PNG images of their sizes.
zcat "$root/usr/share/man/man1/corvane.1.gz" | grep -q '^\.SH COMMANDS' || fail "man page corvane(1)"
file_type=$(head -c 24 "$root/usr/share/icons/hicolor/48x48/apps/corvane-librarian.png" | od -An -tx1 | tr -d ' \n')
[ "${file_type:0:16}" = 89504e470d0a1a0a ] || fail "48x48 icon is not a PNG"
[ "${file_type:32:16}" = 0000003000000030 ] || fail "48x48 icon is not 48 by 48"
echo "package ok: $(basename "$deb"), $(echo "$files" | wc -l) files"
