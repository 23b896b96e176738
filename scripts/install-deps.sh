#!/usr/bin/env bash
# Installs the Debian packages Tressik needs to build, run and test, if any are missing.
# Usage: scripts/install-deps.sh [build|package|test|fuzz]
#   build:   what building and running needs
#   package: that, and what `make package` needs (dpkg-shlibdeps is in dpkg-dev and calls file)
#   test:    that, and what the tests use
#   fuzz:    that, and clang with libFuzzer for `make fuzz`
set -euo pipefail

what=${1:-build}
packages=(g++ make cmake qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev libpng-dev)
case "$what" in
  build) ;;
  package) packages+=(dpkg-dev file) ;;
  fuzz) packages+=(clang) ;;
  test)
    packages+=(dpkg-dev file xvfb xauth xdotool imagemagick libmagickcore-6.q16-6-extra libwmf-bin libbenchmark-dev
               desktop-file-utils appstream lintian groff-base)
    # The readers the export tests open SVG, PDF and PNG files with.
    packages+=(librsvg2-bin qpdf poppler-utils pngcheck)
    # ImageMagick reads metafiles only with its extra codecs, which Debian merely recommends.
    # wmf2svg stops without the URW fonts, which libwmf only recommends. The caption tests
    # take each of these packages in turn as the only fonts; DejaVu is a bare system's.
    packages+=(fonts-urw-base35 fonts-dejavu-core fonts-liberation2 fonts-noto-core fonts-cantarell)
    # The Wayland test runs the program under a headless Weston, on Qt's Wayland platform.
    packages+=(weston qt6-wayland)
    ;;
  *) echo "usage: $0 [build|package|test|fuzz]" >&2; exit 2 ;;
esac

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
