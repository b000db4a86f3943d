#!/usr/bin/env bash
# `cmake --install` into a prefix of its own, as a user installs: the tools
# run from there on their run paths alone and call the installed component,
# and the desktop entry, its icon and the AppStream metadata are where a
# desktop looks for them and pass the ecosystem's own checkers.
# Usage: install_test.sh BUILD_DIR LIBDIR APP_ID
set -euo pipefail
build_dir=$1 libdir=$2 app_id=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every run path is relative to the file, so the tree works under any prefix.
while IFS= read -r file; do
    [[ $(head -c 4 "$file") == $'\x7fELF' ]] || continue
    while IFS= read -r path; do
        [[ $path == '$ORIGIN'* ]] || fail "$file searches $path for libraries"
    done < <(readelf -d "$file" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p' | tr ':' '\n')
done < <(find "$prefix" -type f)

# A user with a registry of their own registers the installed component and
# calls it, with nothing of the build tree in the environment.
run() { env -i HOME="$work/home" XDG_DATA_HOME="$work/data" COM_MACHINE_REGISTRY_DIR="$work/machine" "$@"; }
run "$prefix/bin/regsvr" "$prefix/$libdir/tilebridge/libbitstrings.so" || fail "regsvr of the installed component"
bits=$(run "$prefix/bin/comcall" Project1.Binary GetStringBits AB) || fail "comcall of the installed component"
[[ $bits == 0100000101000010 ]] || fail "GetStringBits AB gave '$bits'"
grep -q "$prefix/$libdir/tilebridge/libbitstrings.so" "$work/data/com-registry/classes.reg" ||
    fail "the registration doesn't name the installed component"
[[ -x $prefix/bin/tilebridge ]] || fail "no tilebridge in bin/"

# The console converter draws without the component: a user who registered
# nothing converts a file there and back, and renders it.
bare() { env -i HOME="$work/bare" XDG_DATA_HOME="$work/bare" COM_MACHINE_REGISTRY_DIR="$work/bare" "$@"; }
converter=$prefix/bin/tilebridge-convert
printf '%032d' 0 | tr 0 '\125' >"$work/tiles.nes"
bare "$converter" convert "$work/tiles.nes" "$work/tiles.gb" || fail "tilebridge-convert convert"
bare "$converter" convert "$work/tiles.gb" "$work/back.nes" && cmp -s "$work/tiles.nes" "$work/back.nes" ||
    fail "tilebridge-convert doesn't convert back to the same file"
bare "$converter" render "$work/tiles.nes" "$work/tiles.png" || fail "tilebridge-convert render"
[[ $(identify -format '%wx%h' "$work/tiles.png") == 384x8 ]] || fail "the rendered sheet is not 48 tiles wide"
[[ -f $prefix/share/man/man1/tilebridge-convert.1.gz ]] || fail "no manual page of tilebridge-convert"

desktop=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "AppStream metadata"
grep -qx "Exec=tilebridge %f" "$desktop" || fail "the desktop entry doesn't start tilebridge with the file"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no scalable icon $icon"
sizes=0
for png in "$prefix"/share/icons/hicolor/*x*/apps/"$icon".png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    [[ $(identify -format '%wx%h' "$png") == "$size" ]] || fail "$png is not $size"
    sizes=$((sizes + 1))
done
((sizes >= 4)) || fail "only $sizes sizes of the icon $icon"
echo "installed tree in $prefix: run paths, component, desktop entry, $sizes icon sizes and metadata all right"
