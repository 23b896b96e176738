#!/usr/bin/env bash
# shellcheck disable=SC2154  # geometry() sets its PREFIX_x, _y, _w and _h through printf -v
# Drives the real program on a private Xvfb display: window layout, the "primary" palette,
# drawing a fan of strings, saving it as a metafile, undoing a clear with Ctrl+Z, saving an
# SVG drawing, leaving through File > exit and opening the drawing from the command line.
# Usage: smoke.sh path/to/tressik
# TRESSIK_E2E_KEEP=1 keeps the screenshots of a passing run too.
# Exits 0 on success, 77 when a needed tool is missing (CTest reports a skip), 1 on failure.

set -uo pipefail
# shellcheck source=tests/e2e/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

app=${1:?usage: smoke.sh path/to/tressik}
# /usr/local/bin/convert may shadow ImageMagick with something that cannot read pixels.
magick=/usr/bin/convert

readonly TOOL_TITLE=TRESSIK CANVAS_TITLE=canvas DIALOG_TITLE="Save As"
readonly CLIENT_W=104 CLIENT_H=343 CANVAS_W=412 CANVAS_H=282
# Where the figure goes on the canvas: side one A->B, side two B->C.
readonly AX=60 AY=60 BX=350 BY=60 CX=350 CY=240

for tool in Xvfb xdotool import wmf2svg od; do
    if ! command -v "$tool" >/dev/null; then
        say "SKIP: $tool is not installed"
        exit 77
    fi
done
if ! [[ -x $magick ]]; then
    say "SKIP: $magick (ImageMagick) is not installed"
    exit 77
fi
if ! [[ -f $app && -x $app ]]; then
    say "FAIL: $app is not an executable"
    exit 1
fi
# The program runs from the output folder, so a relative path would no longer point at it.
app=$(readlink -f "$app")

work=$(mktemp -d "${TMPDIR:-/tmp}/tressik-e2e.XXXXXX") || exit 1
mkdir -p "$work/home" "$work/runtime" "$work/out"
chmod 700 "$work/runtime"
xvfb_pid='' app_pid='' passed=0 last_shot='(none taken)' shot_count=0

cleanup() {
    local pid
    for pid in $app_pid $xvfb_pid; do
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
    if ((passed)) && [[ -z ${TRESSIK_E2E_KEEP:-} ]]; then
        rm -rf "$work"
    else
        say "kept for inspection: $work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failing=0
fail() {
    say "FAIL: $*"
    ((failing++)) && exit 1
    say "last screenshot: $last_shot"
    if [[ -n ${DISPLAY:-} && -n $xvfb_pid ]] && kill -0 "$xvfb_pid" 2>/dev/null &&
        import -window root "$work/failure.png" 2>/dev/null; then
        say "screen at the failure: $work/failure.png"
    fi
    if [[ -s $work/tressik.log ]]; then
        say "program output:"
        sed 's/^/    /' "$work/tressik.log"
    fi
    exit 1
}

# --- the X server -------------------------------------------------------------------

start_xvfb
say "Xvfb is up on $DISPLAY"

# --- helpers that look at the screen ------------------------------------------------

shoot() { # shoot NAME: a screenshot of the whole screen, kept in $shot
    shot_count=$((shot_count + 1))
    shot="$work/$(printf '%02d' "$shot_count")-$1.png"
    import -window root "$shot" 2>>"$work/import.log" || fail "import could not take $shot"
    last_shot=$shot
}

# pixels X Y W H: "x y r g b" for every pixel of that screen rectangle of $shot
pixels() {
    "$magick" "$shot" -crop "${3}x${4}+${1}+${2}" +repage -depth 8 txt:- |
        awk -v ox="$1" -v oy="$2" '
            /^#/ { next }
            {
                split($1, at, /[,:]/)
                value = $0
                sub(/^[^(]*\(/, "", value); sub(/\).*/, "", value)
                n = split(value, c, ",")
                if (n < 3) { c[2] = c[1]; c[3] = c[1] }
                printf "%d %d %d %d %d\n", at[1] + ox, at[2] + oy, c[1], c[2], c[3]
            }'
}

park_mouse() { xdotool mousemove 1270 1015; }

click_at() { # absolute screen position
    xdotool mousemove "$1" "$2" click 1 || fail "xdotool could not click at $1,$2"
}

# --- start-up -----------------------------------------------------------------------

# launch [ARGS]: starts the program, finds its two windows and moves the canvas aside.
launch() {
    (
        cd "$work/out" || exit 1
        # Scaling, style and desktop settings from the caller would move things around.
        exec env -u QT_QPA_PLATFORM -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE -u WAYLAND_DISPLAY \
            -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI \
            -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u SESSION_MANAGER -u DBUS_SESSION_BUS_ADDRESS \
            HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" \
            LC_ALL=C.UTF-8 "$app" "$@"
    ) >"$work/tressik.log" 2>&1 &
    app_pid=$!
    app_class=$(basename "$app")
    say "started $app $* (pid $app_pid)"
    if ! poll 20 both_windows; then
        fail "no windows titled \"$TOOL_TITLE\" and \"$CANVAS_TITLE\" within 20 s" \
            "(tool: ${tool_id:-none}, canvas: ${canvas_id:-none})"
    fi
    say "ok: windows \"$TOOL_TITLE\" ($tool_id) and \"$CANVAS_TITLE\" ($canvas_id) are shown"

    # The frame may still be settling right after mapping.
    poll 5 tool_settled
    geometry "$tool_id" tool || fail "cannot read the tool window's geometry"
    menu_h=$((tool_h - CLIENT_H))
    if ((tool_w != CLIENT_W || menu_h < 10 || menu_h > 60)); then
        fail "tool window is ${tool_w}x${tool_h}; expected ${CLIENT_W} wide and ${CLIENT_H} plus a menu bar high"
    fi
    say "ok: tool window is ${tool_w}x${tool_h} (client ${CLIENT_W}x${CLIENT_H} under a ${menu_h} px menu bar)"

    geometry "$canvas_id" canvas || fail "cannot read the canvas geometry"
    ((canvas_w == CANVAS_W && canvas_h == CANVAS_H)) ||
        fail "canvas is ${canvas_w}x${canvas_h}; expected ${CANVAS_W}x${CANVAS_H}"
    say "ok: canvas is ${canvas_w}x${canvas_h}"

    # Without a window manager both windows open at the same corner: move the canvas aside.
    want_x=$((tool_x + tool_w + 40)) want_y=$tool_y
    xdotool windowmove "$canvas_id" "$want_x" "$want_y"
    poll 5 canvas_moved || fail "canvas did not move to $want_x,$want_y (it is at $canvas_x,$canvas_y)"
    park_mouse
}

app_alive() {
    local state
    state=$(awk '{ print $3 }' "/proc/$app_pid/stat" 2>/dev/null) && [[ $state != Z ]]
}
both_windows() {
    app_alive || fail "the program ended during start-up"
    tool_id=$(find_window "$TOOL_TITLE") && canvas_id=$(find_window "$CANVAS_TITLE")
}
tool_settled() { geometry "$tool_id" tool && ((tool_w == CLIENT_W && tool_h > CLIENT_H)); }
canvas_moved() { geometry "$canvas_id" canvas && ((canvas_x == want_x && canvas_y == want_y)); }

launch

# client X Y: screen position of a point in the tool window's client area
client() { echo "$((tool_x + $1)) $((tool_y + menu_h + $2))"; }

canvas_blank_count() {
    shoot canvas-blank
    blank_dirt=$(pixels "$canvas_x" "$canvas_y" "$canvas_w" "$canvas_h" |
        awk '!($3 == 255 && $4 == 255 && $5 == 255) { n++ } END { print n + 0 }')
    ((blank_dirt == 0))
}
poll 5 canvas_blank_count || fail "the new canvas is not white: $blank_dirt other pixels"
say "ok: the canvas is blank white at $canvas_x,$canvas_y"

# --- the "primary" palette ----------------------------------------------------------

chip_names=(black red green blue cyan yellow magenta grey)
chip_want=("0 0 0" "255 0 0" "0 255 0" "0 0 255" "0 255 255" "255 255 0" "255 0 255" "128 128 128")
chip_left=(24 72 24 72 24 72 24 72)
chip_top=(136 136 176 176 216 216 256 256)

# Reads each chip's centre pixel into chip_seen[i] as "r g b", from a new screenshot
# unless told to reuse the last one.
read_chips() {
    local top=$((tool_y + menu_h))
    [[ ${1:-} == reuse ]] || shoot chips
    mapfile -t chip_seen < <(
        pixels "$tool_x" "$top" "$tool_w" "$CLIENT_H" |
            awk -v ox="$tool_x" -v oy="$top" -v lefts="${chip_left[*]}" -v tops="${chip_top[*]}" '
                BEGIN { n = split(lefts, l, " "); split(tops, t, " ") }
                { at[$1 - ox "," $2 - oy] = $3 " " $4 " " $5 }
                END { for (i = 1; i <= n; i++) { k = l[i] + 12 "," t[i] + 12; print (k in at) ? at[k] : "none" } }')
}
chips_primary() {
    local i
    read_chips
    for i in "${!chip_want[@]}"; do
        [[ ${chip_seen[i]} == "${chip_want[i]}" ]] || return 1
    done
}

read_chips reuse
before=("${chip_seen[@]}")
read -r px py < <(client 48 328)
click_at "$px" "$py"
park_mouse
if ! poll 5 chips_primary; then
    for i in "${!chip_want[@]}"; do
        say "chip$i: want ${chip_names[i]} (${chip_want[i]}), saw (${chip_seen[i]}), before the click (${before[i]})"
    done
    fail "\"primary\" did not set the chips"
fi
say "ok: after \"primary\" chips 0..7 read ${chip_names[*]}"

# --- the File menu ------------------------------------------------------------------

# The open popup menu, or any other window of ours besides the tool window and the canvas
# (a warning box, say).
find_popup() {
    local id
    for id in $(xdotool search --onlyvisible --classname "$app_class" 2>/dev/null); do
        if [[ $id != "$tool_id" && $id != "$canvas_id" ]]; then
            popup_id=$id
            geometry "$popup_id" popup && return 0
        fi
    done
    return 1
}
no_popup() { ! find_popup; }

open_file_menu() {
    # "File" is the first title on the menu bar.
    click_at $((tool_x + 18)) $((tool_y + menu_h / 2))
    poll 5 find_popup || fail "clicking \"File\" opened no menu"
    # Five items of equal height: "open...", "save as   .wmf", "undo", "redo", "exit".
    item_x=$((popup_x + popup_w / 2))
    save_item_y=$((popup_y + popup_h * 3 / 10))
    exit_item_y=$((popup_y + popup_h * 9 / 10))
}

# Text of an enabled item is black, that of a disabled one a light grey: the darkest r+g+b
# in the second and the last fifth of the popup tells them apart.
item_darkness() {
    mouse_off_popup
    shoot file-menu
    read -r save_dark exit_dark < <(
        pixels "$popup_x" "$popup_y" "$popup_w" "$popup_h" |
            awk -v ox="$popup_x" -v oy="$popup_y" -v w="$popup_w" -v h="$popup_h" '
                BEGIN { top = bottom = 765 }
                {
                    x = $1 - ox; y = $2 - oy; s = $3 + $4 + $5
                    if (x < 4 || x >= w - 4) next
                    if (y >= h / 5 + 3 && y < h * 2 / 5 - 3 && s < top) top = s
                    if (y >= h * 4 / 5 + 3 && y < h - 3 && s < bottom) bottom = s
                }
                END { print top, bottom }')
}
# Hovering would highlight an item; the pointer rests on the canvas's far corner meanwhile.
mouse_off_popup() { xdotool mousemove $((canvas_x + canvas_w - 5)) $((canvas_y + canvas_h - 5)); }

close_menu() {
    xdotool key Escape
    poll 5 no_popup || fail "the File menu did not close on Escape"
}

open_file_menu
item_darkness
close_menu
park_mouse
say "File menu before any figure: darkest text of \"save as\" $save_dark, of \"exit\" $exit_dark (r+g+b)"
((exit_dark < 150 && save_dark > 2 * exit_dark + 150)) ||
    fail "\"save as   .wmf\" should be disabled (grey) before two sides exist"
say "ok: \"save as   .wmf\" is disabled while the canvas is empty"

# --- drawing two sides --------------------------------------------------------------

canvas_click() { click_at $((canvas_x + $1)) $((canvas_y + $2)); }

# Counts, in canvas coordinates, chip-0-coloured (black) pixels inside triangle A B C grown
# by 3 px, and non-white pixels outside it.
count_figure() {
    shoot "$1"
    read -r fan_black fan_dirt outside_dirt corner_dirt < <(
        pixels "$canvas_x" "$canvas_y" "$canvas_w" "$canvas_h" |
            awk -v ox="$canvas_x" -v oy="$canvas_y" \
                -v ax=$AX -v ay=$AY -v bx=$BX -v by=$BY -v cx=$CX -v cy=$CY '
                BEGIN { m = 3; len = sqrt((cx - ax) ^ 2 + (cy - ay) ^ 2) }
                {
                    x = $1 - ox; y = $2 - oy
                    white = $3 == 255 && $4 == 255 && $5 == 255
                    # signed distance from line A-C, negative on the side of B
                    d = ((cx - ax) * (y - ay) - (cy - ay) * (x - ax)) / len
                    inside = y >= ay - m && x <= bx + m && d <= m
                    if (inside) {
                        if ($3 == 0 && $4 == 0 && $5 == 0) black++
                        if (!white) dirt++
                    } else if (!white) {
                        out++
                        if (x < 150 && y > 180) corner++
                    }
                }
                END { printf "%d %d %d %d\n", black, dirt, out, corner }')
}
side_one_drawn() { count_figure side-one && ((fan_dirt >= 15)); }
fan_drawn() { count_figure fan && ((fan_black > 200)); }

canvas_click $AX $AY
canvas_click $BX $BY
park_mouse
poll 5 side_one_drawn || fail "no dots along the first side after two clicks ($fan_dirt pixels)"
say "ok: first side laid ($fan_dirt dot pixels)"

canvas_click $BX $BY
canvas_click $CX $CY
park_mouse
poll 5 fan_drawn ||
    fail "only $fan_black black (chip 0) pixels where the strings should be, wanted over 200;" \
        "$fan_dirt non-white there, $outside_dirt elsewhere"
# Settled once two screenshots in a row agree.
fan_settled() {
    local seen="$fan_black $fan_dirt $outside_dirt"
    count_figure fan-settled && [[ "$fan_black $fan_dirt $outside_dirt" == "$seen" ]]
}
poll 5 fan_settled || fail "the canvas kept changing after the fourth click"
((fan_black > 200)) || fail "the strings went away: $fan_black black pixels left"
((outside_dirt == 0)) ||
    fail "$outside_dirt non-white pixels outside the figure ($corner_dirt in the lower-left corner)"
say "ok: strings drawn: $fan_black black pixels between the sides, none elsewhere (lower-left corner white)"
! find_popup || fail "a window \"$(xdotool getwindowname "$popup_id")\" appeared while drawing"

# --- File > save as   .wmf ------------------------------------------------------------

open_file_menu
item_darkness
((save_dark < 150)) || fail "\"save as   .wmf\" still looks disabled after two sides (darkest $save_dark)"
say "ok: \"save as   .wmf\" is enabled once two sides exist"
click_at "$item_x" "$save_item_y"

find_dialog() { dialog_id=$(find_window "$DIALOG_TITLE"); }
poll 10 find_dialog || fail "no \"$DIALOG_TITLE\" dialog after choosing \"save as   .wmf\""
say "ok: the \"$DIALOG_TITLE\" dialog opened"

wmf="$work/out/figure.wmf"
svg="$work/out/figure.svg"
# No window manager hands out the keyboard, so give it to the dialog ourselves; its
# file-name field has the focus inside it.
dialog_focused() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$dialog_id" ]]; }
xdotool windowfocus "$dialog_id"
poll 5 dialog_focused || fail "the \"$DIALOG_TITLE\" dialog did not take the keyboard focus"
xdotool key ctrl+a
xdotool type --delay 10 "$wmf"
xdotool key Return
saved() { [[ -s $wmf ]] && ! find_dialog; }
poll 10 saved || fail "no file $wmf 10 s after pressing Return in the dialog"
! find_popup || fail "a window \"$(xdotool getwindowname "$popup_id")\" appeared after saving"
say "ok: saved $wmf ($(stat -c %s "$wmf") bytes)"

bytes_at() { od -An -tx1 -j "$1" -N "$2" "$wmf" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
key_bytes=$(bytes_at 0 4)
[[ $key_bytes == "d7 cd c6 9a" ]] ||
    fail "$wmf starts with \"$key_bytes\", not the placeable header's key d7 cd c6 9a"
head_bytes=$(bytes_at 22 6)
[[ $head_bytes == "01 00 09 00 00 03" ]] ||
    fail "$wmf holds \"$head_bytes\" after its placeable header, not the metafile header 01 00 09 00 00 03"
say "ok: the file starts with the placeable header ($key_bytes) and the metafile header ($head_bytes)"

wmf2svg -o "$svg" "$wmf" >"$work/wmf2svg.log" 2>&1
rc=$?
((rc == 0)) || fail "wmf2svg failed on $wmf with status $rc: $(head -n 5 "$work/wmf2svg.log")"
# Each string is one <line>; the first ends lie on one straight side, the second on the other.
tr '\n' ' ' <"$svg" | grep -o '<line[^>]*>' >"$work/svg-lines"
read -r svg_lines side_one side_two < <(
    sed -E 's/.*x1="([^"]*)" y1="([^"]*)" x2="([^"]*)" y2="([^"]*)".*/\1 \2 \3 \4/' "$work/svg-lines" |
        awk 'function span(lo, hi) { return hi - lo }
            NR == 1 { x1lo = x1hi = $1; y1lo = y1hi = $2; x2lo = x2hi = $3; y2lo = y2hi = $4 }
            {
                if ($1 < x1lo) x1lo = $1; if ($1 > x1hi) x1hi = $1
                if ($2 < y1lo) y1lo = $2; if ($2 > y1hi) y1hi = $2
                if ($3 < x2lo) x2lo = $3; if ($3 > x2hi) x2hi = $3
                if ($4 < y2lo) y2lo = $4; if ($4 > y2hi) y2hi = $4
            }
            END {
                # straight: one coordinate stays put while the other spans a good distance
                one = span(y1lo, y1hi) < 1.5 && span(x1lo, x1hi) > 100
                two = span(x2lo, x2hi) < 1.5 && span(y2lo, y2hi) > 100
                printf "%d %d %d\n", NR, one, two
            }')
((svg_lines == 20)) || fail "$svg has ${svg_lines:-0} lines; the fan has 20 strings"
svg_black=$(grep -cE 'stroke: ?(black|#000000|rgb\(0, ?0, ?0\))[;" ]' "$work/svg-lines")
((svg_black == 20)) || fail "only $svg_black of the lines in $svg are black, the colour of chip 0"
((side_one && side_two)) ||
    fail "the lines in $svg do not run between a horizontal and a vertical side"
say "ok: wmf2svg converts it to an SVG with 20 black lines running from one side to the other"

# --- "clear canvas", then Ctrl+Z ------------------------------------------------------

read -r px py < <(client 48 64)
click_at "$px" "$py"
park_mouse
canvas_white() { count_figure cleared && ((fan_dirt + outside_dirt == 0)); }
poll 10 canvas_white || fail "\"clear canvas\" left $fan_dirt pixels of the figure"
xdotool windowfocus "$tool_id"
tool_focused() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$tool_id" ]]; }
poll 5 tool_focused || fail "the tool window did not take the keyboard focus"
xdotool key ctrl+z
poll 10 fan_drawn || fail "Ctrl+Z did not bring the cleared fan back ($fan_black black pixels)"
poll 5 fan_settled
((outside_dirt == 0)) || fail "the fan came back with $outside_dirt pixels elsewhere"
say "ok: Ctrl+Z undid \"clear canvas\": $fan_black black pixels between the sides again"

# --- the figure saved as an SVG drawing ------------------------------------------------

drawing="$work/out/drawing.svg"
open_file_menu
click_at "$item_x" "$save_item_y"
poll 10 find_dialog || fail "no \"$DIALOG_TITLE\" dialog for the SVG"
xdotool windowfocus "$dialog_id"
poll 5 dialog_focused || fail "the \"$DIALOG_TITLE\" dialog did not take the keyboard focus"
xdotool key ctrl+a
xdotool type --delay 10 "$drawing"
xdotool key Return
svg_saved() { [[ -s $drawing ]] && ! find_dialog; }
poll 10 svg_saved || fail "no file $drawing 10 s after pressing Return in the dialog"
grep -q '<tressik:figure' "$drawing" || fail "$drawing carries no figure"
say "ok: saved $drawing ($(stat -c %s "$drawing") bytes), carrying the figure"

# --- File > exit --------------------------------------------------------------------

exit_by_menu() {
    open_file_menu
    click_at "$item_x" "$exit_item_y"
    app_gone() { ! app_alive; }
    poll 5 app_gone || fail "the program was still running 5 s after File > exit"
    wait "$app_pid"
    rc=$?
    app_pid=''
    ((rc == 0)) || fail "the program ended with status $rc after File > exit"
    say "ok: File > exit ended the program with status 0"
}
exit_by_menu

# --- the drawing named on the command line -------------------------------------------

launch "$drawing"
poll 10 fan_drawn || fail "$drawing opened to $fan_black black pixels between the sides, wanted over 200"
poll 5 fan_settled
((outside_dirt == 0)) || fail "$drawing opened with $outside_dirt pixels outside the figure"
say "ok: tressik $drawing opened the fan again ($fan_black black pixels)"
exit_by_menu

passed=1
say "PASS"
