#!/usr/bin/env bash
# Opens figures saved by Tressik in the programs people open them with, and checks that each
# draws them right way up, not mirrored, at the figure's own proportions and at least 50
# pixels wide: metafiles in LibreOffice Draw, Inkscape and ImageMagick; SVG drawings in
# LibreOffice Draw, Inkscape and Chromium; PDF documents in poppler (pdftoppm); PNG images
# in ImageMagick. Then a large kaleidoscope's PDF is read by qpdf, Ghostscript, poppler and
# MuPDF, each within 1 GB (Ghostscript within 10 minutes), and a fan too large for a PNG's
# pixels must state the SVG's size in inches in the PNG's pHYs. LibreOffice, Inkscape and
# Chromium are large, so this is not part of `make test`; run it with `make interop`
# (installs them as root when they are missing).
# Usage: scripts/interop.sh [build folder]   (default: build)
# TRESSIK_INTEROP_COPIES sets the kaleidoscope's copies, 3750 strings each (default 1000;
# 20000 make the 75 million strings of the largest figure tried, hours of reading on two cores).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-build}
[[ $build = /* ]] || build=$root/$build

packages=(libreoffice-draw-nogui inkscape chromium imagemagick libmagickcore-6.q16-6-extra poppler-utils
          fonts-urw-base35 g++ pkg-config qt6-base-dev zlib1g-dev libpng-dev qpdf ghostscript mupdf-tools time)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "interop: needs these Debian packages: ${missing[*]}" >&2
    echo "Install them as root:  apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "interop: installing ${missing[*]} (LibreOffice and Inkscape are large)"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

libraries=()
for folder in export raster core; do libraries+=("$build/$folder/libtressik_$folder.a"); done
for library in "${libraries[@]}"; do
  if [[ ! -f $library ]]; then
    echo "interop: $library is missing; build first (make build)" >&2
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tressik-interop.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/figures" "$work/out" "$work/home"

# shellcheck disable=SC2046 # pkg-config's flags are meant to split
g++ -std=c++20 -fPIC -I"$root" "$here/interop_figures.cpp" "${libraries[@]}" \
    -pthread $(pkg-config --cflags --libs zlib libpng) -o "$work/interop_figures"
"$work/interop_figures" "$work/figures" >"$work/figures.txt"

# The readers keep profiles and caches under HOME: a private one leaves the user's alone.
export HOME=$work/home

# Prints the inked box of a PNG (on white, transparency flattened; a line along the very
# edge may be drawn half cut, so pale grey counts as ink) and whether its top row,
# left column and bottom right corner hold what the fan draws there.
measure() {
  convert "$1" -background white -alpha remove -colorspace gray -depth 8 -compress none pgm:- |
    python3 -c '
import sys
data = sys.stdin.read().split()
w, h = int(data[1]), int(data[2])
pixels = list(map(int, data[4:4 + w * h]))
ink = lambda x, y: pixels[y * w + x] < 224
xs = [i % w for i, v in enumerate(pixels) if v < 224]
ys = [i // w for i, v in enumerate(pixels) if v < 224]
if not xs:
    print("0 0 0 0 0"); sys.exit()
left, right, top, bottom = min(xs), max(xs), min(ys), max(ys)
width, height = right - left + 1, bottom - top + 1
top_row = sum(ink(x, top) or ink(x, top + 1) for x in range(left, right + 1))
left_column = sum(ink(left, y) or ink(left + 1, y) for y in range(top, bottom + 1))
corner = sum(ink(x, y) for y in range(top + height * 6 // 10, bottom + 1)
             for x in range(left + width * 6 // 10, right + 1))
print(width, height, int(top_row >= width * 0.9), int(left_column >= height * 0.9), int(corner == 0))
'
}

failures=0
check() { # reader, png, figure width, figure height
  local reader=$1 png=$2 fw=$3 fh=$4
  if [[ ! -s $png ]]; then
    echo "FAIL $reader: no picture from $(basename "$png")"
    failures=$((failures + 1))
    return
  fi
  local width height top left corner
  read -r width height top left corner < <(measure "$png")
  local verdict
  verdict=$(python3 -c "
w, h, fw, fh = $width, $height, $fw, $fh
problems = []
if w < 50: problems.append('narrower than 50 pixels')
if h == 0 or abs((w / h) / (fw / fh) - 1) > 0.05: problems.append('proportions %.3f, figure %.3f' % (w / max(h, 1), fw / fh))
if not $top: problems.append('top side not at the top')
if not $left: problems.append('left side not at the left')
if not $corner: problems.append('ink in the bottom right corner')
print('; '.join(problems))")
  if [[ -z $verdict ]]; then
    echo "ok   $reader: $(basename "$png") drawn ${width} x ${height} pixels, right way up"
  else
    echo "FAIL $reader: $(basename "$png") drawn ${width} x ${height} pixels: $verdict"
    failures=$((failures + 1))
  fi
}

# LibreOffice and Inkscape draw a page of the drawing's own size; Chromium draws it at its
# size in inches (96 pixels each) at the top left of a white window.
libreoffice() { # file, name
  soffice -env:UserInstallation="file://$work/home/lo" --headless --convert-to png \
      --outdir "$work/out/libreoffice-$2" "$1" >"$work/out/$2-libreoffice.log" 2>&1 || true
  echo "$work/out/libreoffice-$2/$(basename "${1%.*}").png"
}
inkscape_png() { # file, name
  inkscape --export-type=png --export-filename="$work/out/$2-inkscape.png" "$1" \
      >"$work/out/$2-inkscape.log" 2>&1 || true
  echo "$work/out/$2-inkscape.png"
}

while read -r file fw fh; do
  name=$(basename "$file")
  name=${name//./-}
  case $file in
    *.wmf)
      check "LibreOffice Draw" "$(libreoffice "$file" "$name")" "$fw" "$fh"
      check "Inkscape" "$(inkscape_png "$file" "$name")" "$fw" "$fh"
      convert "$file" "$work/out/$name-imagemagick.png" >"$work/out/$name-imagemagick.log" 2>&1 || true
      check "ImageMagick" "$work/out/$name-imagemagick.png" "$fw" "$fh"
      ;;
    *.svg)
      check "LibreOffice Draw" "$(libreoffice "$file" "$name")" "$fw" "$fh"
      check "Inkscape" "$(inkscape_png "$file" "$name")" "$fw" "$fh"
      chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1600,1600 \
          --user-data-dir="$work/home/chromium" --screenshot="$work/out/$name-chromium.png" "file://$file" \
          >"$work/out/$name-chromium.log" 2>&1 || true
      check "Chromium" "$work/out/$name-chromium.png" "$fw" "$fh"
      ;;
    *.pdf)
      pdftoppm -png -r 96 -singlefile "$file" "$work/out/$name-poppler" >"$work/out/$name-poppler.log" 2>&1 || true
      check "poppler" "$work/out/$name-poppler.png" "$fw" "$fh"
      ;;
    *.png)
      convert "$file" "$work/out/$name-imagemagick.png" >"$work/out/$name-imagemagick.log" 2>&1 || true
      check "ImageMagick" "$work/out/$name-imagemagick.png" "$fw" "$fh"
      ;;
  esac
done <"$work/figures.txt"

# The large figures.
mkdir -p "$work/large"
"$work/interop_figures" --large "$work/large" "${TRESSIK_INTEROP_COPIES:-1000}"
pdf=$work/large/kaleidoscope.pdf
echo "     the kaleidoscope's PDF: $(stat -c %s "$pdf") bytes"
reader() { # name, seconds allowed, command...
  local name=$1 limit=$2
  shift 2
  local rc=0
  /usr/bin/time -f "%M %e" -o "$work/time.txt" timeout "$limit" "$@" >/dev/null 2>"$work/reader.log" || rc=$?
  local kb seconds
  read -r kb seconds < <(tail -n 1 "$work/time.txt")
  if ((rc != 0)); then
    echo "FAIL $name: exit $rc after $seconds s ($(tail -n 1 "$work/reader.log"))"
    failures=$((failures + 1))
  elif ((kb > 1024 * 1024)); then
    echo "FAIL $name: held $((kb / 1024)) MB, more than 1 GB ($seconds s)"
    failures=$((failures + 1))
  else
    echo "ok   $name: $((kb / 1024)) MB at most, $seconds s"
  fi
}
reader "qpdf --check" 3600 qpdf --check "$pdf"
reader "Ghostscript" 600 gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage "$pdf"
reader "pdftoppm" 7200 pdftoppm -r 10 -png -singlefile "$pdf" "$work/out/large-poppler"
# MuPDF's display list holds the whole page, whatever its streams (94 MB for 3.75 million
# strings): drawn without it, MuPDF reads a stream at a time.
reader "mutool draw -D" 7200 mutool draw -D -q -r 10 -o "$work/out/large-mupdf.png" "$pdf"

# A PNG drawn with fewer pixels keeps the SVG's size: pHYs is whole pixels per metre.
size=$(python3 - "$work/large/wide.png" "$work/large/wide.svg" <<'PY'
import re, struct, sys
png = open(sys.argv[1], 'rb').read()
width, height = struct.unpack('>II', png[16:24])
at = png.find(b'pHYs')
x, y, unit = struct.unpack('>IIB', png[at + 4:at + 13])
svg = open(sys.argv[2], 'rb').read(4000).decode()
sw = float(re.search(r'width="([0-9.]+)in"', svg).group(1))
sh = float(re.search(r'height="([0-9.]+)in"', svg).group(1))
pw, ph = width / x / 0.0254, height / y / 0.0254
# Off by half a pixel per metre in the density, and half a pixel in the size.
ok = unit == 1 and all(abs(p - s) <= s * (0.5 / d + 0.5 / n) + 1e-6
                       for p, s, d, n in ((pw, sw, x, width), (ph, sh, y, height)))
print('%s %.4f x %.4f in, the SVG %.4f x %.4f in (%d x %d pixels, %d x %d per metre)'
      % ('ok' if ok else 'FAIL', pw, ph, sw, sh, width, height, x, y))
PY
) || true
if [[ $size = ok* ]]; then
  echo "ok   PNG size: ${size#ok }"
else
  echo "FAIL PNG size: ${size#FAIL }"
  failures=$((failures + 1))
fi

if ((failures)); then
  echo "interop: $failures of the renderings are wrong"
  exit 1
fi
echo "interop: every reader draws every figure right way up at its own proportions, within its bounds"
