#!/bin/sh
# Makes the Windows packages of a cross build and proves them under Wine: package-windows.sh
# BUILD_DIR installs the build (cmake --install --strip) into
# BUILD_DIR/package/ORVIK-<version>-windows-x64, zips that folder into
# BUILD_DIR/ORVIK-<version>-windows-x64.zip and builds the installer
# BUILD_DIR/ORVIK-<version>-windows-x64-setup.exe with NSIS (packaging/orvik.nsi). Then, in a fresh
# Wine prefix of its own (BUILD_DIR/wine-packages), it checks that every DLL the package's programs
# and plug-ins import is in the package or part of Windows; runs the unzipped programs with no other
# DLL folder, converts the sample tile set with them and shows the window on a virtual X server;
# installs silently, runs the installed orvik-convert, checks the Start-menu shortcut and the entry
# in Add/Remove Programs, uninstalls silently and checks that nothing of it is left. Last it prints
# each package's size and files. Any failure ends it with a message and a non-zero exit code.
set -eu
cd "$(dirname "$0")/.."

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "Usage: $0 BUILD_DIR (a Windows cross build, see scripts/build-windows.sh)" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
root=$(pwd)

./scripts/setup.sh nsis zip unzip wine64 wine xvfb xauth x11-utils imagemagick

fail() {
    echo "package-windows.sh: $*" >&2
    exit 1
}

cache_value() {
    sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
[ -f "$build/bin/orvik.exe" ] || fail "$build holds no Windows build of orvik.exe."
version=$(cache_value CMAKE_PROJECT_VERSION)
[ -n "$version" ] || fail "$build/CMakeCache.txt names no project version."
objdump=$(cache_value CMAKE_OBJDUMP)
name="ORVIK-$version-windows-x64"
zip="$build/$name.zip"
setup="$build/$name-setup.exe"
packaging="$build/package"
staging="$packaging/$name"

# Prints a size in bytes and MiB.
size_of() {
    wc -c <"$1" | awk '{ printf "%d bytes (%.1f MiB)", $1, $1 / 1048576 }'
}

# Wine's drive Z: is the root of the file system.
windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}

echo "== Installing into $staging =="
rm -rf "$packaging" "$zip" "$setup"
cmake --install "$build" --prefix "$staging" --strip >/dev/null
for file in orvik.exe orvik-convert.exe orvik-preview.exe orvik-make-sample.exe README.txt \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll translations/ORVIK_ru.qm \
    licenses/README.txt; do
    [ -f "$staging/$file" ] || fail "The install lacks $file."
done
files=$(cd "$staging" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)

echo "== $name.zip =="
(cd "$packaging" && find "$name" | LC_ALL=C sort | zip -qX -@ "$zip")

echo "== $name-setup.exe =="
# The installer's lists of files. NSIS reads "$" as the start of a variable and '"' as the end of
# a name, and the lists use "\" as Windows does.
if printf '%s\n' "$staging" "$files" | grep -q '["$`\\]'; then
    fail "A path in $staging holds a character the installer's lists do not take."
fi
install_list="$packaging/install-files.nsh"
remove_list="$packaging/remove-files.nsh"
printf '%s\n' "$files" | while IFS= read -r file; do
    folder=$(dirname "$file")
    if [ "$folder" != "${last:-}" ]; then
        if [ "$folder" = . ]; then
            printf 'SetOutPath "$INSTDIR"\n'
        else
            printf 'SetOutPath "$INSTDIR\\%s"\n' "$(printf '%s' "$folder" | tr / '\\')"
        fi
        last=$folder
    fi
    printf 'File "%s/%s"\n' "$staging" "$file"
done >"$install_list"
{
    printf '%s\n' "$files" | tr / '\\' | sed 's/.*/Delete "$INSTDIR\\&"/'
    # Each folder once empty, the deepest first.
    (cd "$staging" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r) |
        tr / '\\' | sed 's/.*/RMDir "$INSTDIR\\&"/'
} >"$remove_list"
# Windows wants four numbers: 0.05 is 0.5.0.0.
version_quad=$(echo "$version" | awk -F. '{ printf "%d.%d.%d.%d", $1, $2, $3, $4 }')
makensis -V2 -WX -NOCD -INPUTCHARSET UTF8 \
    "-DVERSION=$version" "-DVERSION_QUAD=$version_quad" "-DOUTFILE=$setup" \
    "-DICON=$root/packaging/orvik.ico" "-DINSTALL_LIST=$install_list" \
    "-DREMOVE_LIST=$remove_list" packaging/orvik.nsi

echo "== Imported DLLs =="
# What Windows itself holds; a DLL the package needs that is neither here nor in the package fails
# the check: bundle it, or add it here if every Windows from 10 on has it.
windows_dlls=" advapi32.dll authz.dll comdlg32.dll d3d11.dll d3d9.dll dwmapi.dll dwrite.dll
dxgi.dll gdi32.dll imm32.dll kernel32.dll mpr.dll msvcrt.dll netapi32.dll ole32.dll oleaut32.dll
shcore.dll shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll
ws2_32.dll wtsapi32.dll "
bundled=$(cd "$staging" && find . -maxdepth 1 -iname '*.dll' | sed 's|^\./||' |
    tr '[:upper:]' '[:lower:]')
status=0
for file in $(printf '%s\n' "$files" | grep -Ei '\.(exe|dll)$'); do
    imports=$("$objdump" -p "$staging/$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
    for dll in $imports; do
        lower=$(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]')
        case "$lower" in
            api-ms-win-*) continue ;;
        esac
        if printf '%s\n' "$bundled" | grep -qxF "$lower"; then
            continue
        fi
        case "$windows_dlls" in
            *[[:space:]]"$lower"[[:space:]]*) continue ;;
        esac
        echo "$file imports $dll, which is neither in the package nor part of Windows." >&2
        status=1
    done
    case "$file" in
        orvik-convert.exe | orvik-preview.exe | orvik-make-sample.exe)
            # The command-line programs are built without widgets.
            if printf '%s\n' "$imports" | grep -qix 'qt6widgets\.dll'; then
                echo "$file imports Qt6Widgets.dll." >&2
                status=1
            fi
            ;;
    esac
    echo "$file: $(printf '%s\n' "$imports" | paste -sd ' ' -)"
done
[ "$status" -eq 0 ] || fail "The package lacks DLLs its programs import."

echo "== Wine prefix $build/wine-packages =="
export WINEPREFIX="$build/wine-packages"
export WINEARCH=win64
export WINEDEBUG=-all
# No menu entries on this machine for the shortcuts made inside, and no offer to install Mono or
# Gecko into the prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
# Only the DLLs of the package itself may be found.
unset WINEPATH
unset WINEQT_QPA_PLATFORM
# A fresh prefix, so that nothing of a former run (an install, say) is taken for this one's.
if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
wineboot -i >/dev/null 2>&1 || fail "wineboot could not make $WINEPREFIX."
timeout 120 wineserver -w || true
drive_c="$WINEPREFIX/drive_c"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a Windows program from a folder without DLLs; its output, without CR, goes to $work/out.
run() {
    (cd "$work" && wine "$@" </dev/null >"$work/out" 2>&1) && run_status=0 || run_status=$?
    tr -d '\r' <"$work/out" >"$work/out.txt"
}

# Fails unless the last run ended with an exit code of at most $1; $2 names the run.
expect_status() {
    [ "$run_status" -le "$1" ] || fail "$2 exited with $run_status: $(cat "$work/out.txt")"
}

expect_version() {
    run "$1" --version
    expect_status 0 "$1 --version"
    grep -qx "orvik-convert $version" "$work/out.txt" ||
        fail "$1 --version printed \"$(cat "$work/out.txt")\", not \"orvik-convert $version\"."
    echo "$(basename "$1") --version: $(cat "$work/out.txt")"
}

echo "== The zip, unpacked =="
unzip -q "$zip" -d "$work/unzipped"
unzipped="$work/unzipped/$name"
[ -d "$unzipped" ] || fail "$name.zip does not hold the folder $name."
expect_version "$unzipped/orvik-convert.exe"
run "$unzipped/orvik-preview.exe" --help
expect_status 0 "orvik-preview.exe --help"
echo "orvik-preview.exe --help: $(head -n 1 "$work/out.txt")"

run "$unzipped/orvik-make-sample.exe" "$(windows_path "$work/tiles")"
expect_status 0 orvik-make-sample.exe
# printf, as echo would take the backslashes of the folder it names for escapes.
printf 'orvik-make-sample.exe: %s\n' "$(cat "$work/out.txt")"
# The sample holds a broken tile on purpose, which makes both programs exit with 1.
tiles=$(windows_path "$work/tiles")
run "$unzipped/orvik-convert.exe" "$tiles" "$(windows_path "$work/converted")"
expect_status 1 orvik-convert.exe
pictures=$(find "$work/converted" -name '*.tif' | wc -l)
controls=$(find "$work/converted" -maxdepth 1 -name '*.inf' | wc -l)
if [ "$pictures" -eq 0 ] || [ "$controls" -eq 0 ]; then
    fail "orvik-convert.exe wrote no pictures or no .inf files."
fi
echo "orvik-convert.exe: $pictures TIFF pictures, $controls .inf files (exit code $run_status)"
run "$unzipped/orvik-preview.exe" "$tiles" "$(windows_path "$work/map.png")"
expect_status 1 orvik-preview.exe
identify "$work/map.png" >/dev/null 2>&1 || fail "orvik-preview.exe wrote no PNG picture."
echo "orvik-preview.exe: $(identify -format '%m %wx%h' "$work/map.png") (exit code $run_status)"

echo "== The window, unpacked, on a virtual X server =="
# Wine's desktop keeps the display it started with, so the programs run so far, which had none,
# must be done first.
timeout 120 wineserver -w || true
# The window must be up and still running after a few seconds and must have drawn something: the
# screen of a fresh X server is one colour. It is then stopped.
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    wine "$1" </dev/null >/dev/null 2>&1 &
    window=$!
    scripts/wait-drawn.sh "$window" "$2" orvik.exe || exit 1
    sleep 3
    if ! kill -0 "$window" 2>/dev/null; then
        echo "orvik.exe ended after showing its window." >&2
        exit 1
    fi
    import -window root "$2"
    xwininfo -root -children | sed -n "s/^ *0x[0-9a-f]* \"\([^\"]*\)\".*/window: \1/p"
    kill "$window"
    { wait "$window"; } 2>/dev/null || true
' sh "$unzipped/orvik.exe" "$work/window.png" || fail "The window did not show under Wine."
timeout 120 wineserver -w || true
echo "orvik.exe: shown and stopped; screen $(identify -format '%wx%h' "$work/window.png")"

echo "== The installer =="
run "$setup" /S
expect_status 0 "$name-setup.exe /S"
timeout 120 wineserver -w || true
installed="$drive_c/Program Files/ORVIK"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ORVIK.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ORVIK'
[ -d "$installed" ] || fail "The installer made no folder C:\\Program Files\\ORVIK."
installed_files=$(cd "$installed" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
expected=$(printf '%s\nuninstall.exe\n' "$files" | LC_ALL=C sort)
if [ "$installed_files" != "$expected" ]; then
    printf '%s\n' "$expected" >"$work/expected"
    printf '%s\n' "$installed_files" >"$work/installed"
    diff "$work/expected" "$work/installed" >&2 || true
    fail "The installer did not install exactly the package's files."
fi
expect_version "$installed/orvik-convert.exe"
[ -f "$shortcut" ] || fail "The installer made no Start-menu shortcut ORVIK.lnk."
grep -aq 'orvik\.exe' "$shortcut" || fail "The Start-menu shortcut does not lead to orvik.exe."
run reg query "$uninstall_key" /v DisplayVersion
grep -qF "$version" "$work/out.txt" || fail "Add/Remove Programs lists no ORVIK $version."
echo "Installed: $(printf '%s\n' "$installed_files" | wc -l) files, the shortcut and the entry" \
    "in Add/Remove Programs"

echo "== The uninstaller =="
run "$installed/uninstall.exe" /S
expect_status 0 "uninstall.exe /S"
# It copies itself away and returns at once; what it removes goes when every Wine process is done.
timeout 120 wineserver -w || fail "The uninstaller did not finish in 2 minutes."
[ ! -e "$installed" ] || fail "The uninstaller left $(cd "$installed" && find . | sed 1d)."
[ ! -e "$shortcut" ] || fail "The uninstaller left the Start-menu shortcut."
run reg query "$uninstall_key"
[ "$run_status" -ne 0 ] || fail "The uninstaller left the entry in Add/Remove Programs."
echo "Uninstalled: the folder, the shortcut and the entry are gone"

echo "== Packages =="
echo "$zip: $(size_of "$zip")"
unzip -l "$zip" | sed 's/^/    /'
echo "$setup: $(size_of "$setup")"
echo "    installs into C:\\Program Files\\ORVIK, beside uninstall.exe and the shortcut ORVIK.lnk:"
(cd "$staging" && printf '%s\n' "$files" | while read -r file; do
    printf '    %10d  %s\n' "$(wc -c <"$file")" "$file"
done)
