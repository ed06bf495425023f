#!/bin/sh
# Runs a program of the Windows build under Wine: wine-run.sh PREFIX WINEPREFIX PROGRAM [ARGUMENTS]
# PREFIX is the MinGW prefix whose Qt, libtiff and MinGW runtime the program loads; WINEPREFIX a
# private Wine prefix, made on first use. CTest runs every Windows test through it.
#
# Wine hands a Windows program no variable that starts with QT_, but turns WINEQT_X into QT_X, so
# the tests' offscreen platform is passed that way. Qt Test writes no report to a redirected
# standard output under Wine, so a test program (tst_*) writes it into a file, which is printed.
# A test runs on a pseudo-terminal, which Wine turns into a console as cmd.exe would have one:
# Ctrl+C reaches a program only through a console.
set -eu

prefix=$1
export WINEPREFIX="$2"
shift 2
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEQT_QPA_PLATFORM=${WINEQT_QPA_PLATFORM:-${QT_QPA_PLATFORM:-}}

# The first run makes the prefix; a run that finds it being made waits for it.
if [ ! -e "$WINEPREFIX/.made" ]; then
    if mkdir "$WINEPREFIX.lock" 2>/dev/null; then
        wineboot -i >/dev/null 2>&1 || true
        touch "$WINEPREFIX/.made"
        rmdir "$WINEPREFIX.lock"
    else
        while [ ! -e "$WINEPREFIX/.made" ]; do
            sleep 1
        done
    fi
fi

# Wine's drive Z: is the root of the file system.
windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}
WINEPATH="$(windows_path "$prefix/bin");$(windows_path /usr/lib/gcc/x86_64-w64-mingw32/12-posix)"
WINEPATH="$WINEPATH;$(windows_path /usr/x86_64-w64-mingw32/lib)"
export WINEPATH

program=$1
case "$(basename "$program")" in
    tst_*)
        report=$(mktemp)
        status=0
        command=wine
        for argument in "$@" -o "$(windows_path "$report"),txt"; do
            command="$command '$(printf '%s' "$argument" | sed "s/'/'\\\\''/g")'"
        done
        script -qec "$command" /dev/null >/dev/null 2>&1 </dev/null || status=$?
        tr -d '\r' <"$report"
        rm -f "$report"
        exit "$status"
        ;;
esac
exec wine "$@"
