# Shared by run.sh and test.sh: installs the Debian packages the build needs when missing.
# Usage: . scripts/packages.sh; kov_install_packages pkg...

kov_missing_packages() {
    local missing=()
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    echo "${missing[@]}"
}

kov_install_packages() {
    local missing
    missing=$(kov_missing_packages "$@")
    [ -z "$missing" ] && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo="sudo"
        else
            echo "These packages are missing and I cannot install them without root: $missing" >&2
            return 1
        fi
    fi
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    $sudo apt-get install -y -q --no-install-recommends $missing
}

# What the program and its tests need beyond the compiler toolchain, cmake, git and googletest.
KOV_PACKAGES=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev
    qt6-base-dev libgl-dev
    libjpeg62-turbo-dev libfreetype-dev
    fonts-liberation fonts-dejavu-core fonts-wqy-microhei
    poppler-utils
)
