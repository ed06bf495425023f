#!/bin/sh
# Proves the Debian package in a clean Debian 12 root: test-deb.sh [PACKAGE] (default: the package
# in build-deb/, see scripts/build-deb.sh) makes a minimal bookworm root with mmdebstrap (its
# tarball is kept in ~/.cache/orvik and made again after 30 days) in a folder beside the package,
# and there, through chroot:
#   - installs the package with `apt install ./orvik_<version>_<architecture>.deb`, without
#     recommended packages, so that the package's own dependencies must do;
#   - runs orvik-convert --version, its help in Russian (so the catalogues are found through the
#     link in /usr/bin), orvik-make-sample and the conversion and preview of the sample tile set;
#   - shows the window on a virtual X server, which runs outside the root as do the screenshots,
#     checks that it drew something and quits it with Ctrl+Q, which stores its settings;
#   - removes and purges the package and its dependencies and checks that /usr and /etc hold
#     exactly what they held before, and that the settings file in the home folder is still there.
# It prints what apt pulled in and how long each step took, and leaves the last screenshot and the
# programs' output in the folder beside the package. It needs root for chroot and mounts.
# ORVIK_DEBIAN_MIRROR and ORVIK_DEBIAN_SECURITY_MIRROR name other mirrors than deb.debian.org.
set -eu
cd "$(dirname "$0")/.."

fail() {
    echo "test-deb.sh: $*" >&2
    exit 1
}

if [ $# -gt 1 ]; then
    echo "Usage: $0 [orvik_VERSION_ARCHITECTURE.deb]" >&2
    exit 2
fi
[ "$(id -u)" = 0 ] || fail "It changes root and mounts file systems: run it as root."
if [ $# -eq 1 ]; then
    package=$1
else
    set -- build-deb/orvik_*.deb
    [ $# -eq 1 ] || fail "build-deb/ holds no single orvik_*.deb: run scripts/build-deb.sh first."
    package=$1
fi
[ -f "$package" ] || fail "No package $package."
package_dir=$(cd "$(dirname "$package")" && pwd)
package_file=$(basename "$package")
package="$package_dir/$package_file"

./scripts/setup.sh mmdebstrap xvfb xauth x11-utils xdotool imagemagick

name=$(dpkg-deb --field "$package" Package)
version=$(dpkg-deb --field "$package" Version)
[ "$name" = orvik ] || fail "$package is not ORVIK's package."

work="$package_dir/test-deb"
root="$work/root"
case "$root" in
    *[!A-Za-z0-9/._+-]*) fail "The folder $root would need quoting in /proc/mounts: build elsewhere." ;;
esac
mirror=${ORVIK_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security_mirror=${ORVIK_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
sources="deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security_mirror bookworm-security main"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/orvik"
tarball="$cache/debian-bookworm-minbase.tar"

# Ends what still runs in the root, by its id, unmounts what is mounted in it, the deepest first,
# and removes it without crossing into a file system that is still mounted there.
remove_root() {
    for process in /proc/[0-9]*; do
        if [ "$(readlink "$process/root" 2>/dev/null)" = "$root" ]; then
            kill -9 "${process#/proc/}" 2>/dev/null || true
        fi
    done
    awk -v root="$root" '$2 == root || index($2, root "/") == 1 { print $2 }' /proc/mounts |
        LC_ALL=C sort -r | while read -r mount; do
        umount "$mount" 2>/dev/null || umount -l "$mount"
    done
    rm -rf --one-file-system "$root"
}
trap 'remove_root; rm -f "$tarball.partial"' EXIT
trap 'exit 130' INT TERM

# Times the steps: step NAME ends the step before, if any, and starts the next.
step_name=""
step_times=""
step() {
    now=$(date +%s)
    if [ -n "$step_name" ]; then
        step_times="$step_times$step_name: $((now - step_started)) s
"
    fi
    step_name=$1
    step_started=$now
    [ -z "$step_name" ] || echo "== $step_name =="
}

# Runs a command in the root with a clean environment; arguments of the form NAME=VALUE before the
# command set further variables.
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

# Every folder, file and link under /usr and /etc of the root, with its kind.
tree_list() {
    (cd "$root" && find usr etc -printf '%y %p\n' | LC_ALL=C sort)
}

installed_packages() {
    in_root dpkg-query -W -f '${Package} ${Version}\n' | LC_ALL=C sort
}

step "Debian 12 root"
if [ -f "$tarball" ] && [ -z "$(find "$tarball" -mtime +30)" ]; then
    echo "From $tarball, made $(date -r "$tarball" '+%Y-%m-%d %H:%M')"
else
    mkdir -p "$cache"
    printf '%s\n' "$sources" |
        mmdebstrap --variant=minbase --format=tar bookworm "$tarball.partial" -
    mv "$tarball.partial" "$tarball"
fi
remove_root
mkdir -p "$work" "$root"
tar -xf "$tarball" -C "$root" --numeric-owner
[ -c "$root/dev/null" ] || fail "The root's device files could not be made in $root."
rm -f "$root/etc/resolv.conf"
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '%s\n' "$sources" >"$root/etc/apt/sources.list"
# Nothing installed starts a service.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
# apt logs what dpkg prints through a pseudo-terminal.
mount --bind /dev/pts "$root/dev/pts"
in_root apt-get update -qq
tree_list >"$work/before.txt"
installed_packages >"$work/packages-before.txt"

step "apt install ./$package_file"
cp "$package" "$root/tmp/$package_file"
in_root apt-get install -s "./tmp/$package_file" | sed -n 's/^Inst \([^ ]*\) .*/\1/p' \
    >"$work/with-recommends.txt"
in_root sh -c "cd /tmp && apt install -y --no-install-recommends ./$package_file" \
    >"$work/apt-install.txt" 2>&1 || {
    cat "$work/apt-install.txt" >&2
    fail "apt could not install $package_file."
}
grep -E '^(Need to get|After this operation)' "$work/apt-install.txt" || true
installed_packages >"$work/packages-after.txt"
LC_ALL=C comm -13 "$work/packages-before.txt" "$work/packages-after.txt" >"$work/pulled.txt"
grep -q "^orvik $version\$" "$work/pulled.txt" || fail "apt did not install orvik $version."
echo "apt installed $(wc -l <"$work/pulled.txt") packages (orvik and what it pulled in):"
sed 's/^/    /' "$work/pulled.txt"
echo "A plain \`apt install\`, with recommended packages, would install" \
    "$(wc -l <"$work/with-recommends.txt")."
in_root dpkg -L "$name" | LC_ALL=C sort >"$work/files.txt"

step "The programs in the root"
output=$(in_root orvik-convert --version)
[ "$output" = "orvik-convert $version" ] ||
    fail "orvik-convert --version printed \"$output\", not \"orvik-convert $version\"."
echo "orvik-convert --version: $output"

# The catalogues lie beside the real programs in /usr/libexec/orvik, which the programs find through
# the links in /usr/bin; no locale need be generated, as Qt reads the language from LANG.
english=$(in_root orvik-convert --help | head -n 1)
russian=$(in_root LANG=ru_RU.UTF-8 orvik-convert --help | head -n 1)
# Cyrillic letters begin with the byte 0xD0 or 0xD1 in UTF-8.
cyrillic=$(printf '[\320\321]')
if [ "$russian" = "$english" ] || ! printf '%s' "$russian" | LC_ALL=C grep -q "$cyrillic"; then
    fail "orvik-convert --help speaks no Russian under LANG=ru_RU.UTF-8: \"$russian\"."
fi
echo "LANG=ru_RU.UTF-8 orvik-convert --help: $russian"
for catalogue in /usr/share/qt6/translations/qt_ru.qm /usr/share/qt6/translations/qtbase_ru.qm; do
    [ -f "$root$catalogue" ] || fail "Qt's catalogue $catalogue is not installed."
done

in_root orvik-make-sample /tmp/tiles
# The sample holds a broken tile on purpose, which makes both programs exit with 1.
status=0
in_root orvik-convert /tmp/tiles /tmp/converted >"$work/convert.txt" 2>&1 || status=$?
if [ "$status" -ne 1 ]; then
    cat "$work/convert.txt" >&2
    fail "orvik-convert exited with $status, not 1 for the sample's broken tile."
fi
pictures=$(find "$root/tmp/converted" -name '*.tif' | wc -l)
controls=$(find "$root/tmp/converted" -maxdepth 1 -name '*.inf' | wc -l)
if [ "$pictures" -eq 0 ] || [ "$controls" -eq 0 ]; then
    fail "orvik-convert wrote no pictures or no .inf files."
fi
find "$root/tmp/converted" -name '*.tif' -exec identify {} + >/dev/null 2>&1 ||
    fail "orvik-convert wrote a TIFF picture that ImageMagick cannot read."
echo "orvik-convert: $pictures TIFF pictures and $controls .inf files (exit code 1, as the sample" \
    "has a broken tile)"
status=0
in_root orvik-preview /tmp/tiles /tmp/map.png >"$work/preview.txt" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "orvik-preview exited with $status, not 1: $(cat "$work/preview.txt")"
identify "$root/tmp/map.png" >/dev/null 2>&1 || fail "orvik-preview wrote no PNG picture."
echo "orvik-preview: $(identify -format '%m %wx%h' "$root/tmp/map.png") (exit code 1)"

step "The window on a virtual X server"
# The server runs outside the root; the window reaches it through its socket folder, bound into
# the root, with the cookie in the root's /tmp.
mkdir -p /tmp/.X11-unix
chmod 1777 /tmp/.X11-unix
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
rm -f "$work/window.png"
# The window must be up and still running after a few seconds and must have drawn something (the
# screen of a fresh X server is one colour); then Ctrl+Q must end it with exit code 0.
xvfb-run -a -f "$root/tmp/Xauthority" -s "-screen 0 1280x1024x24" sh -c '
    root=$1
    shot=$2
    chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
        DISPLAY="$DISPLAY" XAUTHORITY=/tmp/Xauthority orvik </dev/null >"$3" 2>&1 &
    window=$!
    scripts/wait-drawn.sh "$window" "$shot" orvik || exit 1
    sleep 2
    import -window root "$shot"
    id=$(xdotool search --onlyvisible --pid "$window" | head -n 1)
    if [ -z "$id" ]; then
        echo "orvik has no visible window." >&2
        kill "$window"
        exit 1
    fi
    xwininfo -id "$id" | sed -n "s/^xwininfo: Window id: [^ ]* \(.*\)/window: \1/p;
        s/^ *-geometry \(.*\)/geometry: \1/p"
    xprop -id "$id" WM_CLASS
    xdotool windowfocus --sync "$id" key ctrl+q
    tries=0
    while kill -0 "$window" 2>/dev/null; do
        sleep 1
        tries=$((tries + 1))
        if [ "$tries" -ge 20 ]; then
            echo "orvik did not end within 20 seconds of Ctrl+Q." >&2
            kill "$window"
            exit 1
        fi
    done
    status=0
    wait "$window" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "orvik ended with exit code $status after Ctrl+Q." >&2
        exit 1
    fi
' sh "$root" "$work/window.png" "$work/window.txt" || {
    cat "$work/window.txt" >&2
    fail "The window did not show, or did not end with Ctrl+Q."
}
umount "$root/tmp/.X11-unix"
settings="$root/root/.config/Tovrel/ORVIK.ini"
[ -f "$settings" ] || fail "orvik stored no settings in ~/.config/Tovrel/ORVIK.ini."
echo "orvik: shown on a $(identify -format '%wx%h' "$work/window.png") screen ($work/window.png)," \
    "ended by Ctrl+Q with exit code 0, settings stored"

step "apt remove and purge"
in_root apt remove -y "$name" >"$work/apt-remove.txt" 2>&1 || {
    cat "$work/apt-remove.txt" >&2
    fail "apt could not remove $name."
}
# Of the package's paths, only folders that were there before may be left.
left=""
while read -r path; do
    if [ -e "$root$path" ] || [ -L "$root$path" ]; then
        if [ -d "$root$path" ] && [ ! -L "$root$path" ] &&
            grep -qxF "d ${path#/}" "$work/before.txt"; then
            continue
        fi
        left="$left $path"
    fi
done <"$work/files.txt"
[ -z "$left" ] || fail "apt remove left:$left"
echo "apt remove: none of the package's $(wc -l <"$work/files.txt") paths is left"
# A package without configuration files is gone from dpkg's list once removed; else purge it.
state=$(in_root dpkg-query -W -f '${db:Status-Abbrev}' "$name" 2>/dev/null || true)
case "$state" in
    "") echo "dpkg knows no $name any more: nothing is left to purge" ;;
    rc*)
        in_root apt purge -y "$name" >>"$work/apt-remove.txt" 2>&1
        echo "apt purge: done"
        ;;
    *) fail "After apt remove, dpkg lists $name as \"$state\"." ;;
esac
in_root apt autoremove --purge -y >>"$work/apt-remove.txt" 2>&1
installed_packages >"$work/packages-removed.txt"
cmp -s "$work/packages-before.txt" "$work/packages-removed.txt" || {
    diff "$work/packages-before.txt" "$work/packages-removed.txt" >&2 || true
    fail "apt purge and autoremove did not bring back the packages of the clean root."
}
tree_list >"$work/after.txt"
if ! cmp -s "$work/before.txt" "$work/after.txt"; then
    diff "$work/before.txt" "$work/after.txt" >&2 || true
    fail "/usr and /etc in the root differ from what they held before the package came."
fi
[ -f "$settings" ] || fail "Removing the package took the settings file from the home folder."
echo "apt autoremove --purge: the root holds the packages it held before, and /usr and /etc the" \
    "same $(wc -l <"$work/before.txt") paths; ~/.config/Tovrel/ORVIK.ini stays"

step ""
echo "== Times =="
printf '%s' "$step_times"
