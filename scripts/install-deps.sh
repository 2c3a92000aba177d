#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need,
# when any of them is missing (apt-get update only then).
set -euo pipefail

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          zlib1g-dev libpng-dev libjpeg-dev libsqlite3-dev
          libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2 fonts-wine libx11-dev
          clang libclang-rt-14-dev xvfb libxtst-dev libxext6 libxrandr2)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
