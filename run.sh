#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
kov_install_packages "${KOV_PACKAGES[@]}"

# Through the compiler cache, keyed on paths relative to the checkout (see test.sh).
export CCACHE_BASEDIR="$(pwd -P)"
export CCACHE_NOHASHDIR=1

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOV_BUILD_TESTS=OFF
cmake --build build-run -j "$jobs" --target kov571

# Popup windows need absolute positions, which Wayland does not give.
if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then export QT_QPA_PLATFORM=xcb; fi
echo "Starting the program; close its main window to quit."
exec ./build-run/KOV-571 "$@"
