#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need,
# when any of them is missing (apt-get update only then). When another
# package installation holds the package manager's lock, waits for it
# (up to $APT_LOCK_WAIT seconds, default 600) and says so.
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
  wait=${APT_LOCK_WAIT:-600}
  # apt-get waits for the dpkg frontend lock by itself; the lists lock of
  # "apt-get update" is waited for here.
  lock_opt=(-o "DPkg::Lock::Timeout=$wait")
  for lock in /var/lib/dpkg/lock-frontend /var/lib/apt/lists/lock; do
    waited=0
    while [ -e "$lock" ] && command -v fuser >/dev/null && $SUDO fuser "$lock" >/dev/null 2>&1; do
      [ $waited -eq 0 ] && echo "Eine andere Paketinstallation läuft ($lock gesperrt); warte bis zu $wait s ..."
      if [ $waited -ge "$wait" ]; then
        echo "Die Paketverwaltung ist nach $wait s noch gesperrt ($lock). Bitte später erneut starten." >&2
        exit 1
      fi
      sleep 2
      waited=$((waited + 2))
    done
  done
  $SUDO apt-get "${lock_opt[@]}" update
  $SUDO apt-get "${lock_opt[@]}" install -y --no-install-recommends "${missing[@]}"
fi
