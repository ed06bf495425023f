#!/bin/sh
# Converts tile sets with the Windows orvik-convert.exe under Wine and with the Linux orvik-convert,
# and fails unless the results agree: every picture byte for byte, every .inf file byte for byte
# once the folders are written as Windows writes them ("Z:\...\", Wine's drive Z: being the root)
# and the lines end in CR LF, the record of finished destination tiles by its destination tiles and
# variants, and the log and the exit code. Usage: compare-windows.sh WINDOWS_BUILD_DIR
#
# The sets (scripts/tile-sets.sh): the sample and one of our own made from its tiles, each at every
# BGL LOD from 0 to 13, with and without seasons, and the sample with the other options, into a
# folder with a Cyrillic name under a Russian locale (whose code page, 1251, is the one Linux writes)
# and into a folder whose path is longer than 260 characters; every other case runs under an English
# locale. Last, a folder whose name the code page lacks, which Linux refuses and Windows names by
# its short form or refuses too.
set -eu
cd "$(dirname "$0")/.."

windows_build=$(cd "$1" && pwd)
: "${ORVIK_WINDOWS_PREFIX:?the MinGW prefix the Windows build was made with}"
linux_build=${LINUX_BUILD_DIR:-build}
if [ ! -x "$linux_build/bin/orvik-convert" ] || [ ! -x "$linux_build/bin/orvik-make-sample" ]; then
    BUILD_DIR=$linux_build ./scripts/build.sh
fi

# Not in /dev/shm, whose free space Wine cannot tell, which the Windows log would then say.
work=$(mktemp -d)
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

# The record's destination tiles and variants, with line feeds: the rest are checksums of files
# that differ in their folders and line ends, and times.
record_lines() {
    tr -d '\r' <"$1" | cut -d ' ' -f 1-3
}

# compare NAME OPTIONS...: converts $set into $work/run/$destination on both systems in turn, the
# same folder, so that the .inf files name the same folders.
compare() {
    name=$1
    shift
    out="$work/run/$destination"
    mkdir -p "$(dirname "$out")"
    linux_status=0
    LANG=${locale:-en_US.UTF-8} "$linux_build/bin/orvik-convert" "$@" "$set" "$out" \
        >"$work/linux.log" 2>/dev/null || linux_status=$?
    rm -rf "$work/linux" && mkdir -p "$work/linux"
    if [ -e "$out" ]; then mv "$out" "$work/linux/out"; fi
    windows_status=0
    LANG=${locale:-en_US.UTF-8} windows "$@" "$(windows_path "$set")" "$(windows_path "$out")" \
        >"$work/windows.log" \
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

. ./scripts/tile-sets.sh
make_tile_sets "$work" "$linux_build/bin/orvik-make-sample"

# A folder whose name the code page lacks: Linux refuses it with one line before any tile is read;
# Windows names it by its short form in every .inf, where the file system keeps one, or refuses it.
outside_the_code_page() {
    out="$work/run/Выход/日本 ü"
    status=0
    LANG=en_US.UTF-8 "$linux_build/bin/orvik-convert" "$sample" "$out" >"$work/linux.log" \
        2>/dev/null || status=$?
    if [ "$status" != 1 ] || [ "$(grep -c 'cannot name' "$work/linux.log")" != 1 ] ||
        [ "$(wc -l <"$work/linux.log")" != 1 ] || [ -e "$out" ]; then
        fail "outside the code page: Linux does not refuse it"
    fi
    status=0
    LANG=en_US.UTF-8 windows "$(windows_path "$sample")" "$(windows_path "$out")" \
        >"$work/windows.log" 2>/dev/null || status=$?
    if grep -q 'by its short form' "$work/windows.log"; then
        # Each .inf names its folders in plain ASCII (its lines end in CR LF).
        for inf in "$out"/*.inf; do
            grep -a '^\(SourceDir\|DestDir\) = ' "$inf" | tr -d '\r' | LC_ALL=C grep -q '[^ -~]' &&
                fail "outside the code page: $(basename "$inf") names a folder outside ASCII"
        done
        echo "short form: outside the code page (exit code $status)"
    elif grep -q 'cannot name' "$work/windows.log" && [ "$status" = 1 ] && [ ! -e "$out" ]; then
        echo "refused: outside the code page"
    else
        fail "outside the code page: Windows neither names it by its short form nor refuses it"
    fi
    rm -rf "$work/run"
}

compare_every_case
outside_the_code_page

if [ "$failures" -gt 0 ]; then
    echo "$failures differences between the Windows and the Linux conversions." >&2
    exit 1
fi
echo "Windows and Linux convert alike."
