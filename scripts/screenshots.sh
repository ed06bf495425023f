#!/bin/sh
# Takes the README's pictures of the resampler step on a virtual screen, in English and in
# Russian: File -> Options with the resampler's fields (docs/options-LANG.png) and the window
# while step 3 runs (docs/resampling-LANG.png). The resampler is the tests' stand-in, copied to
# where the FSX SDK keeps resample.exe and made to take four seconds per .inf file.
# Usage: screenshots.sh BUILD_DIR (a build with tests).
set -eu
cd "$(dirname "$0")/.."

./scripts/setup.sh xvfb xauth xdotool imagemagick
build=$(cd "$1" && pwd)
# A short folder, for paths that fit the fields.
work=/tmp/ORVIK-screenshots
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
sdk="$work/FSX SDK/SDK/Environment Kit/Terrain SDK"
mkdir -p "$sdk" "$work/config/Tovrel"
cp "$build/tests/support/orvik-standin-resampler" "$sdk/resample.exe"
"$build/bin/orvik-make-sample" "$work/Alps/texture" >/dev/null

for language in en ru; do
    case $language in
        en) locale=en_US.UTF-8 ;;
        ru) locale=ru_RU.UTF-8 ;;
    esac
    rm -rf "$work/Alps-FSX"
    cat >"$work/config/Tovrel/ORVIK.ini" <<SETTINGS
[General]
SourceFolder=$work/Alps/texture
DestinationFolder=$work/Alps-FSX
BGLLOD=8
CompressionQuality=95

[Options]
Resampler=$sdk/resample.exe
RunResampler=true
ResamplerJobs=1
SETTINGS
    XDG_CONFIG_HOME="$work/config" ORVIK_STANDIN_DELAY_MS=4000 LANG=$locale LC_ALL=$locale \
        xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
        "$0" & program=$!
        window=""
        for attempt in 1 2 3 4 5 6 7 8 9 10; do
            window=$(xdotool search --name "^Kelvaro$" 2>/dev/null | head -n 1)
            [ -n "$window" ] && break
            sleep 1
        done
        sleep 1
        # No window manager runs on the virtual screen: the windows get the focus directly.
        # File -> Options, whatever the language: its third item.
        xdotool windowfocus --sync "$window" mousemove --window "$window" 20 8 click 1
        sleep 1
        xdotool key Down Down Down Return
        sleep 1
        dialog=$(xdotool search --onlyvisible --name . 2>/dev/null | grep -v "^$window$" | tail -n 1)
        import -window "$dialog" "$1"
        xdotool windowfocus --sync "$dialog" key Escape
        sleep 1
        xdotool windowfocus --sync "$window" key Return
        sleep 6
        import -window "$window" "$2"
        sleep 4
        kill "$program"; wait "$program" || true
    ' "$build/bin/orvik" "docs/options-$language.png" "docs/resampling-$language.png"
    echo "docs/options-$language.png docs/resampling-$language.png"
done
