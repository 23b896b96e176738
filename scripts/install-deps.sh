#!/usr/bin/env bash
# Installs the Debian packages Tressik needs to build, run and test, if any are missing.
# Usage: scripts/install-deps.sh [build|test]   (test also brings what the tests use)
set -euo pipefail

what=${1:-build}
packages=(g++ make cmake qt6-base-dev qt6-base-dev-tools libgl-dev)
if [ "$what" = test ]; then
  # ImageMagick reads metafiles only with its extra codecs, which Debian merely recommends;
  # libwmf needs the URW fonts.
  packages+=(xvfb xauth xdotool imagemagick libmagickcore-6.q16-6-extra libwmf-bin
             fonts-urw-base35 libbenchmark-dev desktop-file-utils appstream dpkg-dev file
             fonts-dejavu-core lintian groff-base)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Tressik needs these Debian packages, which are not installed: ${missing[*]}" >&2
  echo "Install them as root:  apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! { apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}"; }; then
  echo "Could not install: ${missing[*]} (is the package archive reachable?)" >&2
  exit 1
fi
