#!/bin/sh
# First run on a new machine: installs what is missing, builds, writes a small FS9 sample tile set
# into sample/tiles, converts it with orvik-convert into sample/converted and shows where the TIFF
# pictures and .inf files are. With the argument "gui" it starts the window instead.
set -eu
cd "$(dirname "$0")/.."

./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}

if [ "${1:-}" = gui ]; then
    if [ ! -x "$BUILD_DIR/bin/orvik" ]; then
        echo "The window program $BUILD_DIR/bin/orvik has not been built." >&2
        exit 1
    fi
    exec "$BUILD_DIR/bin/orvik"
fi

rm -rf sample/tiles sample/converted
"$BUILD_DIR/bin/orvik-make-sample" sample/tiles

echo "== orvik-convert sample/tiles sample/converted =="
status=0
"$BUILD_DIR/bin/orvik-convert" sample/tiles sample/converted || status=$?
# The sample holds one broken tile on purpose, so a run that reports it ends with exit code 1.
if [ "$status" -gt 1 ]; then
    echo "orvik-convert failed with exit code $status." >&2
    exit "$status"
fi

echo
echo "TIFF pictures:"
find sample/converted -name '*.tif' | sort | sed 's/^/    /'
echo "Control files for the resampler (.inf):"
find sample/converted -maxdepth 1 -name '*.inf' | sort | sed 's/^/    /'
echo "Exit code $status (1: the run logged a problem, here the broken sample tile)."
