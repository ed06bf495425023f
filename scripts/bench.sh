#!/bin/sh
# Installs what is missing, builds ORVIK and runs the benchmarks.
set -eu
cd "$(dirname "$0")/.."

./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
echo "== Tile bitmap reader =="
"$BUILD_DIR/bench/bench_reader"
