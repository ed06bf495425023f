#!/bin/sh
# Stops conversions of 4,096 tiles at BGL LOD 10 at random moments, with kill -9, SIGINT and
# SIGTERM, resumes each with --skip-converted, then tampers with tiles, settings and pictures
# between a run and its resumption; fails unless every resumed run leaves exactly what a clean run
# of the tiles and settings it has then leaves: the same pictures and .inf files, no temporary and
# no orphan. It also counts the destination tiles that a stopped run had finished (said "saved")
# and its resumption built again, which must be none. Usage: resume-torture.sh [MOMENTS]
# (default 30 for each way of stopping). Works in /dev/shm where it can.
set -eu
cd "$(dirname "$0")/.."

moments=${1:-30}
BUILD_DIR=${BUILD_DIR:-build}
BUILD_DIR=$BUILD_DIR ./scripts/build.sh >/dev/null
convert="$(pwd)/$BUILD_DIR/bin/orvik-convert"
work=$(mktemp -d /dev/shm/orvik-torture.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
tiles="$work/tiles"
out="$work/out"
failures=0
rebuilt=0

# 4,096 tiles below the node 012301230: 64 destination tiles of 64 tiles each at BGL LOD 10, made
# of the sample's opaque tiles.
"$BUILD_DIR/bin/orvik-make-sample" "$work/sample" >/dev/null
mkdir -p "$tiles"
set -- "$work"/sample/0123012301213*SU.BMP
i=0
while [ $i -lt 4096 ]; do
    key=012301230$((i / 1024 % 4))$((i / 256 % 4))$((i / 64 % 4))$((i / 16 % 4))$((i / 4 % 4))$((i % 4))
    eval "tile=\${$((i % 16 + 1))}"
    cp "$tile" "$tiles/${key}SU.BMP"
    i=$((i + 1))
done
# Tiles in the past, so that none is changed within a coarse clock's tick of being read.
sleep 2

run() {
    "$convert" --bgl-lod 10 "$@" "$tiles" "$out" >"$work/log" 2>/dev/null || true
}

# The reference: what a clean run of the tiles with these settings leaves, in $work/clean.
reference() {
    rm -rf "$out" "$work/clean"
    run "$@"
    mv "$out" "$work/clean"
}

# check NAME: the folder as the reference left it, but for the record and the lock.
check() {
    if ! diff -r -x ORVIK-converted.txt -x ORVIK.lock "$work/clean" "$out" >"$work/differences"; then
        echo "DIFFERENT: $1"
        head -5 "$work/differences"
        failures=$((failures + 1))
    fi
}

# resumed NAME OPTIONS...: resumes the run in $out with OPTIONS, then checks it against a clean run
# of the tiles as they are now with the same OPTIONS.
resumed() {
    name=$1
    shift
    run --skip-converted "$@"
    mv "$out" "$work/resumed"
    reference "$@"
    mv "$work/resumed" "$out"
    check "$name"
}

random_moment() {
    awk -v seed="$(od -An -N4 -tu4 /dev/urandom)" -v most="$1" \
        'BEGIN { srand(seed); printf "%.3f", rand() * most }'
}

# A run stopped by SIGNAL at a random moment, then resumed.
stopped() {
    signal=$1
    rm -rf "$out"
    "$convert" --bgl-lod 10 "$tiles" "$out" >"$work/stopped" 2>/dev/null &
    pid=$!
    sleep "$(random_moment "$seconds")"
    kill "-$signal" "$pid" 2>/dev/null || true
    { wait "$pid"; } 2>/dev/null || true
    run --skip-converted
    for key in $(sed -n 's/^Tile "\([0-9]*\)" saved\.$/\1/p' "$work/stopped"); do
        if grep -qx "Tile \"$key\" saved." "$work/log"; then
            rebuilt=$((rebuilt + 1))
        fi
    done
    check "stopped by SIG$signal"
}

started=$(date +%s%N)
reference
seconds=$(awk -v ns=$(($(date +%s%N) - started)) 'BEGIN { printf "%.1f", ns / 1e9 }')
echo "A clean run of 4,096 tiles takes $seconds s and saves $(grep -c 'saved\.$' "$work/log") destination tiles."
for signal in KILL INT TERM; do
    n=0
    while [ $n -lt "$moments" ]; do
        stopped $signal
        n=$((n + 1))
    done
    echo "SIG$signal: $moments runs stopped at random moments and resumed."
done

first="$tiles/012301230000000SU.BMP"
cp "$first" "$work/first.bmp"
restore() {
    rm -f "$first" && cp "$work/first.bmp" "$first"
}

rm -rf "$out" && run --vertical-mirror-source-tiles
resumed "other settings than the run resumed"

rm -rf "$out" && run && rm "$first"
resumed "a tile deleted"
restore

rm -rf "$out"
"$convert" --bgl-lod 10 "$tiles" "$out" >/dev/null 2>&1 &
pid=$!
sleep "$(random_moment "$seconds")"
cp "$work/sample/012301230102100SU.BMP" "$first"
wait "$pid" || true
resumed "a tile changed during the run"
restore

rm -rf "$out" && run
set -- "$out"/Source/*/*.tif
truncate -s 0 "$1"
truncate -s 1000000 "$2"
dd if=/dev/urandom of="$3" bs=16384 count=1 seek=1 conv=notrunc 2>/dev/null
resumed "pictures truncated and overwritten"

rm -rf "$out" && mv "$first" "$work/held.bmp" && mkfifo "$first" && run
rm "$first" && mv "$work/held.bmp" "$first"
resumed "a tile that could not be read"

rm -rf "$out" && mv "$first" "$work/held.bmp" && run && mv "$work/held.bmp" "$first"
resumed "a tile added, the pictures of the earlier layout left"

rm -rf "$out" && run
mkdir -p "$work/held"
for tile in "$tiles"/012301230000*SU.BMP; do
    mv "$tile" "$work/held/"
    cp "$work/sample/012301230102103SU.BMP" "$tile"
done
resumed "a destination tile without a picture now"
for tile in "$work"/held/*; do
    mv -f "$tile" "$tiles/"
done

echo "Tampering: 7 cases resumed."

echo "Destination tiles finished before a stop and built again after it: $rebuilt."
if [ "$failures" -gt 0 ] || [ "$rebuilt" -gt 0 ]; then
    echo "$failures resumed runs differ from a clean run." >&2
    exit 1
fi
echo "Every resumed run left what a clean run leaves."
