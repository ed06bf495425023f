#!/bin/sh
# Converts tile sets with the Windows orvik-convert.exe under Wine and with the Linux orvik-convert,
# and fails unless the results agree: every picture byte for byte, every .inf file byte for byte
# once the folders are written as Windows writes them ("Z:\...\", Wine's drive Z: being the root)
# and the lines end in CR LF, the record of finished destination tiles line for line but for the
# .inf files' checksums, and the log and the exit code. Usage: compare-windows.sh WINDOWS_BUILD_DIR
#
# The sets: the sample (DXT1, DXT3 and DXT5 tiles, gaps, a completely transparent and a broken
# tile, winter and night tiles) and one of our own made from its tiles (the southern hemisphere,
# other regions, a complete node, a season whose only tile is transparent, a broken tile, a name in
# lower case), each at every BGL LOD from 0 to 13, with and without seasons, and the sample with
# the other options, into folders with Cyrillic and other names and into a folder whose path is
# longer than 260 characters.
set -eu
cd "$(dirname "$0")/.."

windows_build=$(cd "$1" && pwd)
: "${ORVIK_WINDOWS_PREFIX:?the MinGW prefix the Windows build was made with}"
linux_build=${LINUX_BUILD_DIR:-build}
if [ ! -x "$linux_build/bin/orvik-convert" ]; then
    BUILD_DIR=$linux_build ./scripts/build.sh
fi

work=$(mktemp -d /dev/shm/orvik-compare.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT

windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}

windows() {
    ./scripts/wine-run.sh "$ORVIK_WINDOWS_PREFIX" "$windows_build/wine" \
        "$windows_build/bin/orvik-convert.exe" "$@"
}

# The Linux .inf as Windows writes it: each folder line's path from Z:, with backslashes, and
# every line ending in CR LF.
windows_inf() {
    sed -e '/^\(SourceDir\|DestDir\) = "/{s|= "/|= "Z:/|;s|/|\\|g;s|\\\\|/|}' -e 's/$/\r/' "$1"
}

failures=0
fail() {
    echo "DIFFERENT: $*"
    failures=$((failures + 1))
}

# The record without the .inf files' checksums, with line feeds.
record_lines() {
    tr -d '\r' <"$1" | sed '1!s/^[^ ]* //'
}

# compare NAME OPTIONS...: converts $set into $work/run/$destination on both systems in turn, the
# same folder, so that the .inf files name the same folders.
compare() {
    name=$1
    shift
    out="$work/run/$destination"
    mkdir -p "$(dirname "$out")"
    linux_status=0
    "$linux_build/bin/orvik-convert" "$@" "$set" "$out" >"$work/linux.log" 2>/dev/null ||
        linux_status=$?
    rm -rf "$work/linux" && mkdir -p "$work/linux"
    if [ -e "$out" ]; then mv "$out" "$work/linux/out"; fi
    windows_status=0
    windows "$@" "$(windows_path "$set")" "$(windows_path "$out")" >"$work/windows.log" \
        2>/dev/null || windows_status=$?
    rm -rf "$work/windows" && mkdir -p "$work/windows"
    if [ -e "$out" ]; then mv "$out" "$work/windows/out"; fi
    [ "$linux_status" = "$windows_status" ] ||
        fail "$name: exit code $linux_status on Linux, $windows_status on Windows"
    tr -d '\r' <"$work/windows.log" | cmp -s - "$work/linux.log" || fail "$name: the logs"
    linux_files=$(cd "$work/linux" && find . -type f | sort)
    windows_files=$(cd "$work/windows" && find . -type f | sort)
    if [ "$linux_files" != "$windows_files" ]; then
        fail "$name: the files written"
        return
    fi
    for file in $linux_files; do
        case "$file" in
            *.tif) cmp -s "$work/linux/$file" "$work/windows/$file" || fail "$name: $file" ;;
            *.inf) windows_inf "$work/linux/$file" | cmp -s - "$work/windows/$file" ||
                fail "$name: $file" ;;
            */ORVIK-converted.txt)
                record_lines "$work/linux/$file" >"$work/record"
                record_lines "$work/windows/$file" | cmp -s - "$work/record" || fail "$name: $file"
                # Windows writes its lines as text files are written there.
                grep -qv "$(printf '\r')\$" "$work/windows/$file" && fail "$name: $file line ends"
                ;;
            *) fail "$name: unexpected file $file" ;;
        esac
    done
    pictures=$(printf '%s\n' "$linux_files" | grep -c '\.tif$' || true)
    echo "same: $name ($pictures pictures, exit code $linux_status)"
}

sample="$work/sample"
"$linux_build/app/orvik-make-sample" "$sample" >/dev/null

# Our own set, from the sample's tiles: opaque ones, the transparent one and the broken one.
own="$work/own"
mkdir -p "$own"
opaque="$sample/012301230121300SU.BMP $sample/012301230121301SU.BMP"
opaque="$opaque $sample/012301230121302SU.BMP $sample/012301230121303SU.BMP"
i=0
for tile in $opaque; do
    cp "$tile" "$own/03012301230120${i}SU.BMP"
    i=$((i + 1))
done
cp "$sample/012301230121300WI.BMP" "$own/030123012301200WI.BMP"
cp "$sample/012301230121301WI.BMP" "$own/030123012301201WI.BMP"
cp "$sample/012301230102103SU.BMP" "$own/030123012301202HW.BMP"
cp "$sample/012301231030021SU.BMP" "$own/030123012301210SU.BMP"
cp "$sample/012301230102103SU.BMP" "$own/030123012301212SU.BMP"
cp "$sample/012301230121310SU.BMP" "$own/030123012301213su.bmp"
cp "$sample/012301230121311SU.BMP" "$own/100123012301230SU.BMP"
cp "$sample/012301230121312SU.BMP" "$own/020000000000000Su.Bmp"
cp "$sample/012301230102100LM.BMP" "$own/020000000000000LM.BMP"

destination=out
for set in "$sample" "$own"; do
    for lod in 0 1 2 3 4 5 6 7 8 9 10 11 12 13; do
        compare "$(basename "$set")-lod$lod" --bgl-lod "$lod"
        compare "$(basename "$set")-lod$lod-seasons" --bgl-lod "$lod" --seasons
    done
done
set=$sample
for lod in 8 11 13; do
    compare "sample-lod$lod-other-options" --bgl-lod "$lod" --single-destination-image \
        --no-pass-broken-tiles --no-pass-transparent-tiles --vertical-mirror-source-tiles \
        --compression-quality 42
done
destination="Выход/Карта"
compare "sample-cyrillic" --seasons
destination="Выход/日本 ü"
compare "sample-outside-the-code-page" --bgl-lod 9
# Past Windows' classic limit of 260 characters for a path.
long=$(printf '%0100d' 0)
destination="$long/$long/$long"
compare "sample-in-a-path-of-$(printf '%s' "$work/run/$destination" | wc -c)-characters" --bgl-lod 10

if [ "$failures" -gt 0 ]; then
    echo "$failures differences between the Windows and the Linux conversions." >&2
    exit 1
fi
echo "Windows and Linux convert alike."
