# Debian 12 packages that build, run and test the program. Sourced by the scripts.
VESKA_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    libsoci-dev libboost-dev firebird-dev libfbclient2
    firebird3.0-server-core firebird3.0-utils firebird3.0-common
    libasio-dev libsqlite3-dev libcpp-httplib-dev libssl-dev libsodium-dev libsystemd-dev
    fonts-wine fonts-dejavu-core
    locales libc-l10n
    scdoc dpkg-dev file ccache
)
VESKA_TEST_PACKAGES=(
    libgtest-dev googletest
    clang libclang-rt-14-dev
    xvfb xauth x11-utils libx11-dev xdotool trayer imagemagick openbox
    dbus-daemon dbus-bin xfce4-panel xfconf
    firebird3.0-server
    lintian desktop-file-utils appstream man-db python3 sqlite3 openssl
    chromium chromium-driver python3-selenium systemd
)

# Installs the named packages that are missing; needs root (or sudo).
veska_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# The program runs, and the tests read prices, under the Brazilian locale (decimal comma)
# as the shops do.
veska_prepare_locales() {
    locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$' && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Generating the pt_BR.UTF-8 locale"
    "${sudo[@]}" localedef -i pt_BR -f UTF-8 pt_BR.UTF-8
}
