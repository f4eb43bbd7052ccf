#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running VELTA300 need.
# Does nothing when they are all there already.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  qt6-base-dev libgl1-mesa-dev qt6-image-formats-plugins
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang
  fonts-liberation2 fonts-dejavu-core
  xvfb x11-apps
  poppler-utils   # pdfinfo, pdftotext, pdftoppm: the report's tests read the PDF back
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
