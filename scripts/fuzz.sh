#!/bin/sh
# Builds the tile bitmap reader's libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into $BUILD_DIR (default: build-fuzz), replays the seed corpus and the
# stored regression files, then fuzzes for the given number of seconds (default 60).
# Findings go to $BUILD_DIR/fuzz-artifacts/; the growing corpus stays in $BUILD_DIR/fuzz-corpus/.
set -eu
cd "$(dirname "$0")/.."

seconds=${1:-60}
BUILD_DIR=${BUILD_DIR:-build-fuzz}

# Only fuzzing needs clang and its fuzzer runtime, so they are named here, not in setup.sh.
./scripts/setup.sh clang libclang-rt-14-dev

# The seed generator runs under the sanitizers during the build too.
export LSAN_OPTIONS="suppressions=$(pwd)/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export ASAN_OPTIONS="detect_leaks=1"

cmake -S . -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVIK_WERROR=ON \
    -DORVIK_FUZZ=ON \
    -DORVIK_BUILD_TESTS=OFF \
    -DORVIK_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR"

fuzzer="$BUILD_DIR/tests/fuzz/fuzz_bmpreader"
seeds="$BUILD_DIR/tests/fuzz/seeds"
corpus="$BUILD_DIR/fuzz-corpus"
artifacts="$BUILD_DIR/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"
# Inputs that once broke the reader, kept beside the fuzzer.
regressions=""
if [ -d tests/fuzz/regressions ]; then
    regressions=tests/fuzz/regressions
fi

# Inputs are at most 128 KiB, which holds a 256x256 DXT5 tile. The reader allocates the blocks
# (never more than the file holds) and the picture at 4 bytes a pixel, which DXT1 packs into half
# a byte: at most 8 times the file, under 1 MiB. So any single allocation of 1 MiB or more is one
# the file does not justify. The RSS limit catches growth over many runs (ASan's quarantine alone
# takes up to 256 MiB).
limits="-max_len=131072 -malloc_limit_mb=1 -rss_limit_mb=512 -timeout=10"

echo "== Fuzzer: seed corpus and regression files =="
# shellcheck disable=SC2086
"$fuzzer" $limits -runs=0 "$seeds" $regressions

echo "== Fuzzer: $seconds s =="
# shellcheck disable=SC2086
"$fuzzer" $limits -max_total_time="$seconds" -print_final_stats=1 \
    -dict=tests/fuzz/bmpreader.dict -artifact_prefix="$artifacts/" \
    "$corpus" "$seeds" $regressions
