#!/bin/sh
# Builds the libraries that ORVIK needs for 64-bit Windows with MinGW-w64, from Debian's own source
# packages: Qt 6.4.2 qtbase (shared), libtiff 4.5.0 (shared, no codecs but the built-in ones) and
# libsquish 1.15 (static). They go into $ORVIK_WINDOWS_PREFIX (default:
# ${XDG_CACHE_HOME:-$HOME/.cache}/orvik/windows-toolchain); sources and build folders go into
# $ORVIK_WINDOWS_BUILD_DIR (default: the prefix's path with ".build" added).
# A library whose files are all in the prefix is left alone, so a complete prefix is used as it is
# and nothing is installed or written; an interrupted run is finished by the next one.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$root/cmake/mingw-w64.cmake"

prefix=${ORVIK_WINDOWS_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/orvik/windows-toolchain}
case "$prefix" in
    /*) ;;
    *) prefix="$(pwd)/$prefix" ;;
esac
prefix=${prefix%/}
work=${ORVIK_WINDOWS_BUILD_DIR:-$prefix.build}
case "$work" in
    /*) ;;
    *) work="$(pwd)/$work" ;;
esac
work=${work%/}

# What each library installs that ORVIK's Windows build uses; a library is complete when all of it
# is there and no install of it was cut short (see install_component).
squish_files="lib/libsquish.a include/squish.h"
tiff_files="bin/libtiff.dll lib/libtiff.dll.a include/tiff.h include/tiffio.h include/tiffconf.h"
qt_files="bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Test.dll
lib/libQt6Core.a lib/libQt6Gui.a lib/libQt6Widgets.a lib/libQt6Test.a
plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll plugins/platforms/qminimal.dll
plugins/styles/qwindowsvistastyle.dll lib/cmake/Qt6/Qt6Config.cmake"

# Prints the first file of the list that the prefix lacks; fails when none is missing.
first_missing() {
    for file in "$@"; do
        if [ ! -f "$prefix/$file" ]; then
            echo "$file"
            return 0
        fi
    done
    return 1
}

# is_complete NAME FILES...: reads only, so a read-only prefix without a work folder can be checked.
is_complete() {
    name=$1
    shift
    if [ -e "$work/unfinished-$name" ]; then
        echo "$name: its last install was interrupted"
        return 1
    fi
    if missing=$(first_missing "$@"); then
        echo "$name: $prefix/$missing is missing"
        return 1
    fi
    return 0
}

todo=""
# shellcheck disable=SC2086
is_complete libsquish $squish_files || todo="$todo libsquish"
# shellcheck disable=SC2086
is_complete tiff $tiff_files || todo="$todo tiff"
# shellcheck disable=SC2086
is_complete qtbase $qt_files || todo="$todo qtbase"

if [ -z "$todo" ]; then
    echo "The Windows prefix $prefix is complete: Qt, libtiff and libsquish are there."
    exit 0
fi

case "$work/" in
    "$root"/*)
        echo "The work folder $work is inside the source tree; set ORVIK_WINDOWS_BUILD_DIR elsewhere." >&2
        exit 1
        ;;
esac
if [ ! -f "$toolchain" ]; then
    echo "The toolchain file $toolchain is missing." >&2
    exit 1
fi

sudo=""
if [ "$(id -u)" != 0 ]; then
    sudo=sudo
fi

# qt6-base-dev (installed by setup.sh) carries the CMake packages of the host tools (Qt6CoreTools,
# Qt6HostInfo...) that a cross build of qtbase looks for under QT_HOST_PATH; perl runs qtbase's
# syncqt.pl.
"$root/scripts/setup.sh" g++-mingw-w64-x86-64-posix dpkg-dev perl patch xz-utils

# The host's moc, rcc and uic generate code for the Windows libraries, so both must be the same
# release of Qt: take the source package that Debian's host tools were built from.
qt_source_version=$(dpkg-query -W -f '${source:Version}' qt6-base-dev-tools)

mkdir -p "$work/downloads" "$work/src" "$work/build" "$prefix"

have_sources() {
    for package in qt6-base tiff libsquish; do
        if ! apt-cache showsrc "$package" 2>/dev/null | grep -q '^Package:'; then
            return 1
        fi
    done
}

has_deb_src() {
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        if [ -f "$list" ] && grep -Eq '^[[:space:]]*deb-src[[:space:]]' "$list"; then
            return 0
        fi
    done
    for list in /etc/apt/sources.list.d/*.sources; do
        if [ -f "$list" ] && grep -Eiq '^Types:.*deb-src' "$list"; then
            return 0
        fi
    done
    return 1
}

# Source entries for the same archives, suites and components as the system's binary ones. Only the
# suites of this Debian release are taken: other archives (Node.js, cloud tools...) rarely serve
# sources, and apt-get update would then fail.
add_deb_src() {
    # shellcheck disable=SC1091
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    stanzas=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v codename="$codename" '
        function wanted(suite) {
            return codename == "" || suite == codename || index(suite, codename "-") == 1
        }
        function flush(    n, i, s, keep) {
            if (f["types"] ~ /(^|[ \t\n])deb([ \t\n]|$)/ && tolower(f["enabled"]) !~ /no/) {
                n = split(f["suites"], s, /[ \t\n]+/)
                keep = ""
                for (i = 1; i <= n; i++)
                    if (s[i] != "" && wanted(s[i]))
                        keep = keep " " s[i]
                if (keep != "") {
                    print "Types: deb-src"
                    print "URIs:" f["uris"]
                    print "Suites:" keep
                    print "Components:" f["components"]
                    if (f["signed-by"] != "")
                        print "Signed-By:" f["signed-by"]
                    print ""
                }
            }
            split("", f)
            field = ""
        }
        /^#/ { next }
        /^[ \t]*$/ { flush(); next }
        /^[ \t]/ { if (field != "") f[field] = f[field] "\n" $0; next }
        {
            field = tolower(substr($0, 1, index($0, ":") - 1))
            f[field] = substr($0, index($0, ":") + 1)
        }
        END { flush() }')
    lines=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk -v codename="$codename" '
        $1 != "deb" { next }
        {
            i = 2
            if ($2 ~ /^\[/)
                while (i <= NF && $i !~ /\]$/)
                    i++
            if ($2 ~ /^\[/)
                i++
            suite = $(i + 1)
            if (codename == "" || suite == codename || index(suite, codename "-") == 1) {
                sub(/^[ \t]*deb/, "deb-src")
                print
            }
        }')
    if [ -z "$stanzas" ] && [ -z "$lines" ]; then
        echo "No Debian archive among the apt sources to take the source packages from." >&2
        exit 1
    fi
    if [ -n "$stanzas" ]; then
        echo "Adding source entries in /etc/apt/sources.list.d/orvik-deb-src.sources"
        printf '# Source packages for scripts/windows-toolchain.sh of ORVIK\n%s\n' "$stanzas" |
            $sudo tee /etc/apt/sources.list.d/orvik-deb-src.sources >/dev/null
    fi
    if [ -n "$lines" ]; then
        echo "Adding source entries in /etc/apt/sources.list.d/orvik-deb-src.list"
        printf '# Source packages for scripts/windows-toolchain.sh of ORVIK\n%s\n' "$lines" |
            $sudo tee /etc/apt/sources.list.d/orvik-deb-src.list >/dev/null
    fi
}

ensure_sources() {
    if have_sources; then
        return 0
    fi
    if ! has_deb_src; then
        add_deb_src
    fi
    $sudo apt-get update
    if ! have_sources; then
        echo "apt knows no source packages qt6-base, tiff and libsquish even with deb-src entries." >&2
        exit 1
    fi
}

# Prints the versions read on standard input, newest first, as dpkg orders them.
newest_first() {
    remaining=$(cat)
    while [ -n "$remaining" ]; do
        best=""
        for version in $remaining; do
            if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then
                best=$version
            fi
        done
        echo "$best"
        remaining=$(for version in $remaining; do [ "$version" = "$best" ] || echo "$version"; done)
    done
}

# Prints the names of a source package's files; files already downloaded are not listed by
# --print-uris but named as skipped.
source_files() {
    apt-get source --print-uris "$1" | awk -v q="'" '
        index($1, q) == 1 { print $2 }
        /^Skipping already downloaded file/ { gsub(q, "", $NF); print $NF }'
}

# fetch PACKAGE[=VERSION]: downloads the source package into the downloads folder and prints the
# names of its files; apt-get skips what is already there and checks every file against the
# signed index. Without a version the newest is taken, or the next one when a mirror does not
# have the newest yet (its index can be ahead of its pool).
fetch() {
    ensure_sources >&2
    package=${1%%=*}
    case "$1" in
        *=*) versions=${1#*=} ;;
        *) versions=$(apt-cache showsrc "$package" | awk '/^Version:/ { print $2 }' | newest_first) ;;
    esac
    for version in $versions; do
        if files=$(cd "$work/downloads" && source_files "$package=$version" &&
            apt-get source --download-only "$package=$version" >&2); then
            echo "$files"
            return 0
        fi
        echo "Could not download $package $version." >&2
    done
    return 1
}

# unpack NAME COMMAND...: COMMAND unpacks into the folder given as its last argument; a tarball's
# single top folder becomes the source folder. The source appears under its final name only when
# complete, so an interrupted unpack is simply done again.
unpack() {
    name=$1
    shift
    rm -rf "$work/src/$name.unpack"
    mkdir "$work/src/$name.unpack"
    "$@" "$work/src/$name.unpack/tree"
    top="$work/src/$name.unpack/tree"
    set -- "$top"/*
    if [ $# = 1 ] && [ -d "$1" ]; then
        top=$1
    fi
    mv "$top" "$work/src/$name"
    rm -rf "$work/src/$name.unpack"
}

untar() {
    mkdir "$2"
    tar -xf "$1" -C "$2"
}

# source_file PATTERN FILES: the downloaded file whose name matches the shell pattern.
source_file() {
    pattern=$1
    # shellcheck disable=SC2086
    set -- $2
    for file in "$@"; do
        # shellcheck disable=SC2254
        case "$file" in
            *.asc) ;;
            $pattern) echo "$work/downloads/$file" && return 0 ;;
        esac
    done
    echo "No file $pattern among the downloaded ones: $*" >&2
    return 1
}

# install_component NAME SOURCE CMAKE-OPTIONS...: configures, builds and installs with the
# project's toolchain file. The marker stays until the install has finished, so a prefix left
# half-written is never taken as complete.
install_component() {
    name=$1
    source=$2
    shift 2
    started=$(date +%s)
    nice -n 19 cmake -S "$source" -B "$work/build/$name" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DORVIK_WINDOWS_PREFIX="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release "$@"
    nice -n 19 cmake --build "$work/build/$name"
    touch "$work/unfinished-$name"
    nice -n 19 cmake --install "$work/build/$name"
    rm -f "$work/unfinished-$name"
    echo "$name: built and installed in $(($(date +%s) - started)) s"
}

for component in $todo; do
    echo "== $component =="
    case "$component" in
    libsquish)
        if [ ! -d "$work/src/libsquish" ]; then
            files=$(fetch libsquish)
            tarball=$(source_file "*.orig.tar.*" "$files")
            # Debian's patches only change the Linux build; the tarball has no top folder.
            unpack libsquish untar "$tarball"
        fi
        install_component libsquish "$work/src/libsquish" \
            -DBUILD_SQUISH_WITH_OPENMP=OFF -DBUILD_SHARED_LIBS=OFF
        ;;
    tiff)
        if [ ! -d "$work/src/tiff" ]; then
            files=$(fetch tiff)
            dsc=$(source_file "*.dsc" "$files")
            # With Debian's patches, which carry the security fixes of the stable release.
            unpack tiff dpkg-source -x "$dsc"
        fi
        # Codecs off: ORVIK writes uncompressed pictures, and each codec would be one more DLL.
        install_component tiff "$work/src/tiff" \
            -DBUILD_SHARED_LIBS=ON -Dzlib=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF \
            -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlibdeflate=OFF -Dpixarlog=OFF -Dtiff-tools=OFF \
            -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF
        ;;
    qtbase)
        if [ ! -d "$work/src/qtbase" ]; then
            files=$(fetch "qt6-base=$qt_source_version")
            tarball=$(source_file "*.orig.tar.*" "$files")
            # The upstream tarball alone: Debian's patches are for its Linux packages.
            unpack qtbase untar "$tarball"
        fi
        # Debian's tarball lacks src/3rdparty/wintab, which tablet events on Windows need, so they
        # are off (ORVIK takes no pen input). OpenGL is off, yet the windows plug-in would still
        # pick its GL contexts at run time unless dynamic OpenGL is off too.
        install_component qtbase "$work/src/qtbase" \
            -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
            -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
            -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_testlib=ON \
            -DFEATURE_xml=OFF -DFEATURE_icu=OFF \
            -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF
        ;;
    esac
done

# shellcheck disable=SC2086
if ! is_complete libsquish $squish_files || ! is_complete tiff $tiff_files || ! is_complete qtbase $qt_files; then
    echo "The libraries were installed but the prefix still lacks files." >&2
    exit 1
fi

echo "The Windows prefix $prefix is complete."
