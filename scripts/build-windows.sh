#!/bin/sh
# Builds ORVIK for 64-bit Windows on Debian and proves it: installs what is missing, builds the
# MinGW prefix of Qt, libtiff and libsquish when needed (scripts/windows-toolchain.sh), cross-builds
# ORVIK and its tests into build-windows/ (or $BUILD_DIR), runs the tests under Wine through CTest,
# converts test tile sets with the Windows and the Linux orvik-convert and compares the results
# (scripts/compare-windows.sh), then makes the zip and the installer (scripts/package-windows.sh).
# ORVIK_WINDOWS_PREFIX names the prefix (default: under ~/.cache); ORVIK_WERROR=ON makes warnings
# errors.
set -eu
cd "$(dirname "$0")/.."

./scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 wine nsis zip xauth xvfb locales
# Wine takes the system's language and code page from the locale, which must exist: the tests and
# the comparisons run under English and Russian ones.
for locale in en_US ru_RU; do
    if ! locale -a | grep -qx "$locale.utf8"; then
        sudo=""
        if [ "$(id -u)" != 0 ]; then
            sudo=sudo
        fi
        $sudo localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done
./scripts/windows-toolchain.sh
export ORVIK_WINDOWS_PREFIX="${ORVIK_WINDOWS_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/orvik/windows-toolchain}"

BUILD_DIR=${BUILD_DIR:-build-windows}
cmake -S . -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64.cmake" \
    -DORVIK_WINDOWS_PREFIX="$ORVIK_WINDOWS_PREFIX" \
    -DCMAKE_BUILD_TYPE=Release \
    -DORVIK_WERROR="${ORVIK_WERROR:-OFF}" \
    -DORVIK_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR"

echo "== Tests under Wine =="
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 900

echo "== The same conversions on Windows and Linux =="
./scripts/compare-windows.sh "$BUILD_DIR"

echo "== Packages =="
./scripts/package-windows.sh "$BUILD_DIR"
