#!/bin/sh
# Installs what is missing and builds ORVIK into $BUILD_DIR (default: build).
# ORVIK_WERROR=ON turns warnings into errors; ORVIK_SANITIZE=ON builds with ASan and UBSan.
set -eu
cd "$(dirname "$0")/.."

./scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}" \
    -DORVIK_WERROR="${ORVIK_WERROR:-OFF}" \
    -DORVIK_SANITIZE="${ORVIK_SANITIZE:-OFF}"
cmake --build "$BUILD_DIR"
