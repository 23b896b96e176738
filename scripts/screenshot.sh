#!/usr/bin/env bash
# Makes the README's screenshot from the real program: starts it on a private Xvfb display,
# draws a four-sided figure in the "primary" colours, completes the loop, draws the
# kaleidoscope, and saves the tool window and the canvas side by side as a small PNG.
# Usage: scripts/screenshot.sh [path/to/tressik] [output.png]
#        (defaults: build/app/tressik and docs/screenshot.png)
# Needs Xvfb, xdotool and ImageMagick (scripts/install-deps.sh test).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
app=$(readlink -f "${1:-$root/build/app/tressik}")
out=${2:-$root/docs/screenshot.png}
magick=/usr/bin/convert # another `convert` may come first in PATH
readonly CLIENT_H=343       # the tool window's client area, below its menu bar
readonly CANVAS_W=480 CANVAS_H=400
readonly BACKGROUND='#dde1e6'

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is not installed" >&2; exit 1; }
done
[ -x "$magick" ] || { echo "screenshot: ImageMagick ($magick) is not installed" >&2; exit 1; }
[ -x "$app" ] || { echo "screenshot: build the program first ($app)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tressik-shot.XXXXXX")
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
xvfb_pid='' app_pid=''
cleanup() {
  for pid in $app_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# poll SECONDS COMMAND...: retries COMMAND every 0.1 s until it succeeds or time runs out.
poll() {
  local tries=$(($1 * 10))
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_ready() { { read -r n <"$work/display"; } 2>/dev/null && [ -n "$n" ]; }
poll 15 display_ready || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY
unset XAUTHORITY

# The caller's desktop settings would change the look.
env -u QT_QPA_PLATFORM -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE -u WAYLAND_DISPLAY \
  -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_FONT_DPI -u XDG_CURRENT_DESKTOP \
  -u DESKTOP_SESSION -u SESSION_MANAGER -u DBUS_SESSION_BUS_ADDRESS \
  HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" \
  LC_ALL=C.UTF-8 "$app" >"$work/tressik.log" 2>&1 &
app_pid=$!

window() { # the visible window titled exactly $1
  local id
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id")" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
both() { tool=$(window TRESSIK) && canvas=$(window canvas); }
poll 20 both || { echo "screenshot: the windows did not appear" >&2; cat "$work/tressik.log" >&2; exit 1; }

geometry() { # geometry ID: sets X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1")"
}
sleep 0.5
geometry "$tool"
tool_x=$X tool_y=$Y tool_w=$WIDTH menu_h=$((HEIGHT - CLIENT_H))

# A resize puts the logical origin at the canvas's centre, which the kaleidoscope turns about.
canvas_x=$((tool_x + tool_w + 24)) canvas_y=$tool_y
xdotool windowmove "$canvas" "$canvas_x" "$canvas_y" windowsize "$canvas" "$CANVAS_W" "$CANVAS_H"
placed() { geometry "$canvas" && [ "$X" = "$canvas_x" ] && [ "$WIDTH" = "$CANVAS_W" ] && [ "$HEIGHT" = "$CANVAS_H" ]; }
poll 5 placed || { echo "screenshot: the canvas did not move" >&2; exit 1; }

tool_click() { xdotool mousemove $((tool_x + $1)) $((tool_y + menu_h + $2)) click 1; sleep 0.3; }
# Positions relative to the canvas's centre, in pixels, y down.
canvas_click() {
  xdotool mousemove $((canvas_x + CANVAS_W / 2 + $1)) $((canvas_y + CANVAS_H / 2 + $2)) click 1
  sleep 0.15
}

tool_click 48 328 # primary: black, red, green, blue, ...
# Four sides, each starting where the last ended: fans in chips 0, 1 and 2.
corners=("12 -178" "18 -16" "150 -40" "120 -150")
for i in 0 1 2 3; do
  read -r ax ay <<<"${corners[i]}"
  read -r bx by <<<"${corners[(i + 1) % 4]}"
  canvas_click "$ax" "$ay"
  canvas_click "$bx" "$by"
done
tool_click 48 88  # complete loop: the fourth fan, in chip 3's blue
tool_click 48 112 # kaliedoscope: five turned copies
xdotool mousemove 1000 750
sleep 1

import -window "$tool" "$work/tool.png"
import -window "$canvas" "$work/canvas.png"
mkdir -p "$(dirname "$out")"
"$magick" -background "$BACKGROUND" "$work/tool.png" \( -size 24x1 "xc:$BACKGROUND" \) "$work/canvas.png" \
  -gravity North +append -bordercolor "$BACKGROUND" -border 16 \
  -strip -colors 64 -define png:compression-level=9 "PNG8:$out"
size=$(stat -c %s "$out")
echo "screenshot: wrote $out ($size bytes)"
[ "$size" -le 153600 ] || { echo "screenshot: larger than 150 KB" >&2; exit 1; }
