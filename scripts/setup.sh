#!/bin/sh
# Installs the Debian packages that building and testing ORVIK need, and any further packages
# named as arguments; installs nothing that is already there, so it is quick to run again.
set -eu

packages="g++ cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
qt6-translations-l10n qt6-image-formats-plugins libgl-dev
libsquish-dev libtiff-dev libgeotiff-dev fonts-dejavu-core $*"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo=""
    if [ "$(id -u)" != 0 ]; then
        sudo=sudo
    fi
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
