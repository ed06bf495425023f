#!/bin/sh
# Converts the tile sets of scripts/tile-sets.sh with the orvik-convert of an earlier commit and
# with this tree's, and fails unless they agree byte for byte: every picture and .inf file written
# (not the record of finished destination tiles, which holds the files' times), the log on
# standard output, the summary on standard error but for its time, and the exit code; each case in
# English and in Russian, and once more with --skip-converted over the first run's output. For
# changes that must not change what a conversion gives. Usage: compare-builds.sh COMMIT
#
# The earlier commit is built once into ~/.cache/orvik/compare/<commit>; this tree is built into
# $BUILD_DIR (default: build).
set -eu
cd "$(dirname "$0")/.."

commit=$(git rev-parse --verify "${1:?the commit to compare with}^{commit}")
old_tree="${XDG_CACHE_HOME:-$HOME/.cache}/orvik/compare/$commit"
if [ ! -x "$old_tree/build/bin/orvik-convert" ]; then
    rm -rf "$old_tree" && mkdir -p "$old_tree/source"
    git archive "$commit" | tar -x -C "$old_tree/source"
    ./scripts/setup.sh
    cmake -S "$old_tree/source" -B "$old_tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DORVIK_BUILD_TESTS=OFF -DORVIK_BUILD_BENCH=OFF >/dev/null
    cmake --build "$old_tree/build" >/dev/null
fi
new_build=${BUILD_DIR:-build}
BUILD_DIR=$new_build ./scripts/build.sh >/dev/null

work=$(mktemp -d /dev/shm/orvik-compare.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "DIFFERENT: $*"
    failures=$((failures + 1))
}

# run BUILD SIDE OPTIONS...: converts $set into $work/run/$destination, keeping the log, the
# summary without its time and the exit code beside the output in $work/SIDE.
run() {
    build=$1
    side=$2
    shift 2
    out="$work/run/$destination"
    status=0
    "$build/bin/orvik-convert" "$@" "$set" "$out" >"$work/log" 2>"$work/summary" || status=$?
    if [ "$language" = en ]; then
        "$build/bin/orvik-convert" --skip-converted "$@" "$set" "$out" >"$work/resumed-log" \
            2>"$work/resumed-summary" || status="$status $?"
    fi
    # The record holds the times of the files, which differ from run to run.
    rm -f "$out/ORVIK-converted.txt"
    rm -rf "$work/$side" && mkdir -p "$work/$side"
    if [ -e "$out" ]; then mv "$out" "$work/$side/out"; fi
    echo "$status" >"$work/$side/status"
    for file in log summary resumed-log resumed-summary; do
        if [ -e "$work/$file" ]; then
            sed 's/[^,]*$//' "$work/$file" >"$work/$side/$file" && rm "$work/$file"
        fi
    done
}

# compare NAME OPTIONS...: both builds convert into the same folder in turn, so that the .inf files
# name the same folders.
compare() {
    name=$1-$language
    shift
    run "$old_tree/build" old "$@"
    run "$new_build" new "$@"
    if diff -r "$work/old" "$work/new" >"$work/differences"; then
        echo "same: $name (exit code $(cat "$work/new/status"))"
    else
        fail "$name"
        head -20 "$work/differences"
    fi
}

. ./scripts/tile-sets.sh
make_tile_sets "$work" "$new_build/bin/orvik-make-sample"

# The programs take their language from LANG when nothing overrides it.
unset LC_ALL LC_MESSAGES LANGUAGE
for language in en ru; do
    case $language in
        en) LANG=C.UTF-8 ;;
        ru) LANG=ru_RU.UTF-8 ;;
    esac
    export LANG
    compare_every_case
done

if [ "$failures" -gt 0 ]; then
    echo "$failures cases differ between $commit and this tree." >&2
    exit 1
fi
echo "$commit and this tree convert alike."
