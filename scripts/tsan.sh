#!/bin/sh
# Builds the tile, engine and window tests with ThreadSanitizer into $BUILD_DIR (default:
# build-tsan) and runs them, and orvik-convert through its resampler step; any data race, deadlock
# or use after free in ORVIK's code fails the run. Reports that arise inside Qt's own,
# uninstrumented libraries are suppressed by .ci/tsan.supp.
set -eu
cd "$(dirname "$0")/.."

./scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build-tsan}
tests="tst_tiles tst_builderthread tst_formmain tst_resampler"

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVIK_WERROR=ON -DORVIK_TSAN=ON \
    -DORVIK_BUILD_BENCH=OFF
# shellcheck disable=SC2086
cmake --build "$BUILD_DIR" --target $tests

export TSAN_OPTIONS="suppressions=$(pwd)/.ci/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
regex="^($(echo $tests | tr ' ' '|'))\$"
ctest --test-dir "$BUILD_DIR" --output-on-failure -R "$regex" "$@"
