#!/usr/bin/env bash
# Installs the Debian packages that building and testing ZumiVok need, when
# any is missing, then configures and builds the project into build/:
# everything, or only the targets named as arguments.
# Naming targets (run.sh names the program) installs what building and
# running take (dpkg-dev for Debian's hardening flags, librsvg2-bin to draw
# the theme icons, qt6-wayland to run natively on a Wayland desktop);
# building everything builds the test suite, so it also installs what the
# tests run: a real X server and its tools, a headless Wayland compositor,
# the package, manual-page and desktop-file checkers, the accessibility bus
# and the desktops' fonts.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
packages=(cmake make g++ qt6-base-dev fonts-dejavu-core qt6-image-formats-plugins
          dpkg-dev librsvg2-bin qt6-wayland)
if [ "$#" -eq 0 ]; then
  packages+=(xvfb xauth xdotool xclip x11-utils weston file desktop-file-utils appstream
             lintian devscripts man-db at-spi2-core python3-pyatspi dbus
             fonts-cantarell fonts-noto-core)
fi

bash "$repo/scripts/install_packages.sh" "${packages[@]}"

# Tests on, whatever an earlier configure of build/ chose: this is the test build.
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$repo/build" -j "$(nproc)" "${targets[@]}"
