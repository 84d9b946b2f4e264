# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages the panel needs to build, run and test. Sourced by scripts/run
# and scripts/test.
QUILL_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev librtmidi-dev libssl-dev
    libasound2-dev libjack-jackd2-dev
    fonts-liberation fonts-dejavu-core fonts-roboto-unhinted
)
# What the test suite needs besides those, in the Debug build and in the package build.
# debian/control's Build-Depends are QUILL_BUILD_PACKAGES and these, less build-essential's
# own packages; scripts/check-packaging fails when they differ, so change both together.
QUILL_CHECK_PACKAGES=(openssl desktop-file-utils appstream man-db jackd2)
# Building and checking the Debian package (scripts/package).
QUILL_PACKAGE_PACKAGES=(dpkg-dev debhelper lintian file)
# The clean install check (scripts/check-fresh-install), run by a maintainer.
QUILL_FRESH_INSTALL_PACKAGES=(debootstrap desktop-file-utils appstream man-db)
QUILL_TEST_PACKAGES=(
    "${QUILL_BUILD_PACKAGES[@]}"
    "${QUILL_CHECK_PACKAGES[@]}"
    "${QUILL_PACKAGE_PACKAGES[@]}"
    pipewire pipewire-jack wireplumber dbus
    xvfb xauth python3-pil clang-14 libclang-rt-14-dev
)

# Installs those of the given packages that are missing; no apt at all when
# everything is present.
quill_install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if ((EUID != 0)); then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
