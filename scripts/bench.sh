#!/bin/sh
# Installs what is missing, builds ORVIK and runs the benchmarks. Run it on a quiet machine:
# conversions and the floor they are compared with use every core, so other load distorts them.
set -eu
cd "$(dirname "$0")/.."

./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
echo "== Tile bitmap reader =="
"$BUILD_DIR/bench/bench_reader"
echo "== Whole conversions =="
"$BUILD_DIR/bench/bench_conversion"
echo "== Scanning and grouping at scale =="
"$BUILD_DIR/bench/bench_scan"
echo "== Preview map and skipping converted tiles =="
"$BUILD_DIR/bench/bench_preview"
echo "== Resuming a large converted set =="
"$BUILD_DIR/bench/bench_resume"
echo "== The resampler step =="
"$BUILD_DIR/bench/bench_resampler"
