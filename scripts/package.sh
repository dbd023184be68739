#!/usr/bin/env bash
# Sets up, builds the Windows programs and makes the two release packages in
# build/dist: vemuKeys-<version>-win64.zip and vemuKeys-<version>-setup.exe.
# The version is the project version of CMakeLists.txt; the programs are
# those listed in packaging/programs.txt.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
work="$top/build/package"
dist="$top/build/dist"

say() { printf 'package: %s\n' "$*"; }
die() { printf 'package: %s\n' "$*" >&2; exit 1; }

scripts/setup.sh
mkdir -p "$work" "$dist"
cmake --preset win64 >"$work/configure.log" 2>&1 || die "configuring the Windows build failed, see $work/configure.log"
cmake --build --preset win64 >"$work/build.log" 2>&1 || die "the Windows build failed, see $work/build.log"

version=$(cat build/win64/version.txt)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "unexpected project version '$version' in build/win64/version.txt"

mapfile -t programs < <(grep -v -e '^#' -e '^[[:space:]]*$' packaging/programs.txt)
[ ${#programs[@]} -gt 0 ] || die "packaging/programs.txt names no program"
for program in "${programs[@]}"; do
    [ -f "build/win64/$program" ] || die "build/win64/$program is missing: the build made no such program"
done

# The files of both packages, in the folder the zip holds.
stage="$work/Vemu Keys"
rm -rf "$stage"
mkdir -p "$stage"
for program in "${programs[@]}"; do
    cp "build/win64/$program" "$stage/"
done
/usr/bin/python3 tools/guide/tohtml.py docs/anleitung.md "$stage/Anleitung.html" "$version"
# The short notes for Windows: UTF-8 with a byte order mark, CR LF.
{ printf '\xef\xbb\xbf'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/LIESMICH.txt; } >"$stage/LIESMICH.txt"

# Every file dated as the last commit, not as the moment of packaging.
epoch=$(git log -1 --format=%ct 2>/dev/null || date +%s)
find "$stage" -exec touch -d "@$epoch" {} +

rm -f "$dist"/vemuKeys-*-win64.zip "$dist"/vemuKeys-*-setup.exe
zip_file="$dist/vemuKeys-$version-win64.zip"
(cd "$work" && find "Vemu Keys" -type f | LC_ALL=C sort | zip -q -X "$zip_file" -@) || die "zip failed"

# The installer takes the same files, listed for it here.
files="$work/files.nsh"
{
    echo '; Made by scripts/package.sh: every file of the package.'
    echo '!macro VemuFiles DO'
    (cd "$stage" && LC_ALL=C ls) | while read -r name; do
        printf '  !insertmacro ${DO} "%s"\n' "$name"
    done
    echo '!macroend'
} >"$files"
# The installer packs its helper; the test installer in build/package, which
# the installer tests run, packs the helper's test build that records its
# calls instead, and is never shipped.
setup_file="$dist/vemuKeys-$version-setup.exe"
make_installer() {
    makensis -V2 -INPUTCHARSET UTF8 \
        -DVERSION="$version" -DVERSION4="$version.0" -DSTAGE="$stage" -DFILES="$files" \
        -DMAIN_PROGRAM="${programs[0]}" -DGUIDE=Anleitung.html -DOUTFILE="$1" -DRIGHTS_HELPER="$2" \
        -DICON="$top/resources/art/program.ico" \
        packaging/vemuKeys.nsi >"$work/makensis.log" 2>&1 || die "makensis failed, see $work/makensis.log"
}
make_installer "$setup_file" "$top/build/win64/vemuKeysRights.exe"
make_installer "$work/vemuKeys-$version-setup-test.exe" "$top/build/win64/tests/vemuKeysRightsSeams.exe"

say "$zip_file"
say "$setup_file"
