# Shared by run.sh and test.sh: installs the Debian packages the build needs when missing, and
# generates the locales the tests need.
# Usage: . scripts/packages.sh; kov_install_packages pkg...; kov_generate_locales name...

kov_missing_packages() {
    local missing=()
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    echo "${missing[@]}"
}

# Prints "sudo" when the caller is not root, fails when it cannot become root.
kov_sudo() {
    if [ "$(id -u)" -eq 0 ]; then
        return 0
    elif command -v sudo >/dev/null 2>&1; then
        echo sudo
    else
        echo "$1 without root, and sudo is not installed" >&2
        return 1
    fi
}

kov_install_packages() {
    local missing
    missing=$(kov_missing_packages "$@")
    [ -z "$missing" ] && return 0
    local sudo
    sudo=$(kov_sudo "These packages are missing and I cannot install them: $missing") || return 1
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    $sudo apt-get install -y -q --no-install-recommends $missing
}

# The locales named ("de_DE.UTF-8") that the C library does not have yet are enabled in
# /etc/locale.gen and generated (the locales package provides both).
kov_generate_locales() {
    local missing=() name short
    for name in "$@"; do
        # locale -a lists "de_DE.utf8" for "de_DE.UTF-8".
        short="${name%.UTF-8}.utf8"
        if ! locale -a 2>/dev/null | grep -qx "$short"; then missing+=("$name"); fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo
    sudo=$(kov_sudo "These locales are missing and I cannot generate them: ${missing[*]}") || return 1
    echo "Generating locales: ${missing[*]}"
    for name in "${missing[@]}"; do
        if grep -q "^# *${name} UTF-8" /etc/locale.gen; then
            $sudo sed -i "s/^# *${name} UTF-8/${name} UTF-8/" /etc/locale.gen
        elif ! grep -q "^${name} UTF-8" /etc/locale.gen; then
            echo "${name} UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
        fi
    done
    $sudo locale-gen
}

# What the program and its tests need beyond the compiler toolchain, cmake, git and googletest.
KOV_PACKAGES=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev
    qt6-base-dev libgl-dev qt6-translations-l10n
    libjpeg62-turbo-dev libfreetype-dev
    fonts-liberation fonts-dejavu-core fonts-wqy-microhei
    poppler-utils
    ccache locales
)

# The locales the tests of the runtime's locale settings read.
KOV_LOCALES=(de_DE.UTF-8 en_US.UTF-8 fr_FR.UTF-8)
