#!/bin/sh
# Takes the pictures of the window for the README's "On Windows" section: orvik.exe of the Windows
# build under Wine on a virtual screen, after converting the sample tile set, in English and in
# Russian, into docs/window-windows-en.png and docs/window-windows-ru.png.
# Usage: windows-screenshots.sh BUILD_DIR, with ORVIK_WINDOWS_PREFIX set as for the build.
set -eu
cd "$(dirname "$0")/.."

./scripts/setup.sh xvfb xauth xdotool imagemagick
build=$(cd "$1" && pwd)
: "${ORVIK_WINDOWS_PREFIX:?the MinGW prefix the Windows build was made with}"
export WINEPREFIX="$build/wine-screenshots"
run() {
    ./scripts/wine-run.sh "$ORVIK_WINDOWS_PREFIX" "$WINEPREFIX" "$@"
}

# A scenery where a Windows user keeps one, and the choices of a former session.
run "$build/bin/orvik-make-sample.exe" 'C:\Scenery\Alps\texture' >/dev/null
# Wine's desktop keeps the display it started on: the window gets one of the virtual screen only
# once this Wine has ended.
wineserver -w
settings="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Tovrel"
mkdir -p "$settings"
printf '[General]\r\nSourceFolder=C:\\\\Scenery\\\\Alps\\\\texture\r\nDestinationFolder=C:\\\\Scenery\\\\Alps-FSX\r\nBGLLOD=8\r\nCompressionQuality=95\r\n' \
    >"$settings/ORVIK.ini"

for language in en ru; do
    case $language in
        en) locale=en_US.UTF-8 ;;
        ru) locale=ru_RU.UTF-8 ;;
    esac
    rm -rf "$WINEPREFIX/drive_c/Scenery/Alps-FSX"
    # Under Wine the toolkit's usual font engine draws no text into line edits and spin boxes
    # (Windows itself does); FreeType draws it.
    QT_QPA_PLATFORM=windows:fontengine=freetype LANG=$locale LC_ALL=$locale xvfb-run -a -s "-screen 0 800x600x24" sh -c '
        "$0" "$1" "$2" "$3" &
        window=""
        for attempt in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
            window=$(xdotool search --name "^Kelvaro$" 2>/dev/null | head -n 1)
            [ -n "$window" ] && break
            sleep 1
        done
        sleep 2
        # No window manager runs on the virtual screen: the window gets the focus directly.
        xdotool windowfocus --sync "$window" key Return
        sleep 4
        import -window "$window" "$4"
        WINEPREFIX="$5" wineserver -k
    ' ./scripts/wine-run.sh "$ORVIK_WINDOWS_PREFIX" "$WINEPREFIX" "$build/bin/orvik.exe" \
        "docs/window-windows-$language.png" "$WINEPREFIX"
    echo "docs/window-windows-$language.png"
done
