#!/bin/sh
# Installs what is missing, builds ORVIK and runs every test. Extra arguments go to ctest,
# for example: ./scripts/test.sh -R tst_tiles
set -eu
cd "$(dirname "$0")/.."

./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
export LSAN_OPTIONS="suppressions=$(pwd)/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export ASAN_OPTIONS="detect_leaks=1"
ctest --test-dir "$BUILD_DIR" --output-on-failure "$@"
