# Debian packages the panel needs to build, run and test. Sourced by scripts/run
# and scripts/test.
QUILL_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev librtmidi-dev libssl-dev
    libasound2-dev libjack-jackd2-dev
    fonts-liberation fonts-dejavu-core fonts-roboto-unhinted
)
# Building the Debian package (scripts/package): cpack's DEB generator, dpkg-shlibdeps.
QUILL_PACKAGE_PACKAGES=(dpkg-dev file)
QUILL_TEST_PACKAGES=(
    "${QUILL_BUILD_PACKAGES[@]}"
    "${QUILL_PACKAGE_PACKAGES[@]}"
    jackd2 pipewire pipewire-jack wireplumber dbus
    xvfb xauth python3-pil openssl clang-14 libclang-rt-14-dev
    desktop-file-utils appstream man-db
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
