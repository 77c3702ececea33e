#!/usr/bin/env bash
# Installs what building, running and testing Quorvane needs on Debian 12.
# Only packages that are missing are installed; runs apt through sudo when not root.
set -euo pipefail
PKGS=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libjpeg-dev libexif-dev libsqlite3-dev qt6-translations-l10n
  libgsf-1-dev libxlsxwriter-dev mdbtools-dev
  fonts-noto-cjk fonts-arphic-ukai
  xvfb xauth desktop-file-utils
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
