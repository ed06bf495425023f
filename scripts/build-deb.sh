#!/bin/sh
# Builds ORVIK's Debian package, build-deb/orvik_<version>_<architecture>.deb (the folder is
# $BUILD_DIR when set): installs what is missing, builds the programs without tests or benchmarks
# with Debian's compiler and linker flags, checks that the manual pages name the options that the
# programs' help names, packs the install with CPack's DEB generator
# (cmake/debian-package.cmake) and has lintian check the package, which fails the build on any
# error. Last it prints the package's size, its control fields and its files.
# ./scripts/test-deb.sh then installs and tries it in a clean Debian root.
set -eu
cd "$(dirname "$0")/.."

./scripts/setup.sh dpkg-dev file lintian
BUILD_DIR=${BUILD_DIR:-build-deb}

fail() {
    echo "build-deb.sh: $*" >&2
    exit 1
}

# The changelog is dated by the last commit, so that the same source makes the same package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi

# Debian's flags with every hardening feature: fortified functions, stack protection, position-
# independent programs, read-only relocations bound at start. Without debugging information, which
# the package strips anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_CXXFLAGS_MAINT_STRIP=-g
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DORVIK_WERROR="${ORVIK_WERROR:-OFF}" \
    -DORVIK_BUILD_TESTS=OFF \
    -DORVIK_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR"

# The manual pages name every option that the programs' help names, and no other.
for program in orvik-convert orvik-preview orvik-make-sample; do
    page=packaging/man/$program.1.in
    listed=$(LC_ALL=C "$BUILD_DIR/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
    documented=$(sed 's/\\-/-/g' "$page" | grep -o -- '--[a-z][a-z-]*' | sort -u)
    if [ "$listed" != "$documented" ]; then
        echo "$program --help names: $(printf '%s' "$listed" | tr '\n' ' ')" >&2
        echo "$page names: $(printf '%s' "$documented" | tr '\n' ' ')" >&2
        fail "The manual page of $program and its help name different options."
    fi
done

rm -f "$BUILD_DIR"/orvik_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
set -- "$BUILD_DIR"/orvik_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    fail "CPack made no package orvik_*.deb in $BUILD_DIR."
fi
package=$1

echo "== lintian $package =="
# Every tag is shown, down to the pedantic ones; only errors fail.
lintian --fail-on error --display-info --pedantic --tag-display-limit 0 "$package" ||
    fail "lintian found errors in $package."

echo "== $package =="
wc -c <"$package" | awk '{ printf "%d bytes (%.1f MiB)\n", $1, $1 / 1048576 }'
dpkg-deb --field "$package"
dpkg-deb --contents "$package"
