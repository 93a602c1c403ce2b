#!/usr/bin/env bash
# Installs the Debian packages quillkit needs to build, test and run its demos.
# Run as root on Debian 12; packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev
  libcairo2-dev libpng-dev librsvg2-dev libx11-dev libxrender-dev libxfixes-dev libxext-dev
  xvfb xcompmgr x11-utils x11-apps xxd fonts-dejavu-core
  lintian dpkg-dev file man-db meson desktop-file-utils
  libgtk-4-dev libgtksourceview-5-dev chromium
  libtcc-dev tcc libwebp-dev webp xdotool libxtst-dev dbus-daemon
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
