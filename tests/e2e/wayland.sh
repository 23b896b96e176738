#!/usr/bin/env bash
# shellcheck disable=SC2154  # geometry() sets its PREFIX_x, _y, _w and _h through printf -v
# The real program on a Wayland desktop, played by a headless Weston. With no X server it
# runs on Wayland: both windows shown, the tool window fixed in size, nothing printed. With
# an X server beside Weston, as XWayland is, it opens its windows through X11 instead.
# Usage: wayland.sh path/to/tressik
# Exits 0 on success, 77 when a needed tool is missing (CTest reports a skip), 1 on failure.

set -uo pipefail
# shellcheck source=tests/e2e/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

app=$(readlink -f "${1:?usage: wayland.sh path/to/tressik}")
for tool in weston weston-debug Xvfb xdotool; do
    command -v "$tool" >/dev/null || { say "SKIP: $tool is not installed"; exit 77; }
done
if ! compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so' >/dev/null; then
    say "SKIP: Qt's Wayland platform (qt6-wayland) is not installed"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tressik-wayland.XXXXXX") || exit 1
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime WAYLAND_DISPLAY=tressik-test
unset DISPLAY
weston_pid='' xvfb_pid='' app_pid='' proto_pid='' passed=0

cleanup() {
    local pid
    for pid in $app_pid $proto_pid $weston_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    if ((passed)); then rm -rf "$work"; else say "kept for inspection: $work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    say "FAIL: $*"
    [[ -s $work/tressik.log ]] && { say "program output:"; sed 's/^/    /' "$work/tressik.log"; }
    exit 1
}

# start: the program as a Wayland desktop starts it, with that desktop's variables only.
start() {
    env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" LC_ALL=C.UTF-8 \
        XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY="$WAYLAND_DISPLAY" ${DISPLAY:+DISPLAY="$DISPLAY"} \
        "$app" >"$work/tressik.log" 2>&1 &
    app_pid=$!
}
running() { kill -0 "$app_pid" 2>/dev/null || fail "the program ended"; }
# The windows Weston shows, one title a line.
toplevels() { weston-debug scene-graph 2>/dev/null | sed -n "s/.*top-level window '\(.*\)' of .*/\1/p" | sort; }
both_shown() { running && [[ $(toplevels | tr '\n' ' ') == "TRESSIK canvas " ]]; }
quiet_for() { # quiet_for SECONDS: still running and nothing printed
    sleep "$1"
    running
    [[ -s $work/tressik.log ]] && fail "the program printed something"
}

weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug \
    --log="$work/weston.log" >"$work/weston.out" 2>&1 &
weston_pid=$!
poll 15 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "Weston did not open its socket within 15 s"
say "Weston is up on $WAYLAND_DISPLAY"

# --- Wayland alone --------------------------------------------------------------------

weston-debug proto >"$work/proto.log" 2>&1 &
proto_pid=$!
start
poll 20 both_shown || fail "Weston shows \"$(toplevels | tr '\n' ' ')\", not the windows TRESSIK and canvas"
say "ok: on Wayland Weston shows the windows TRESSIK and canvas"
# Each window's last size limits and its title, as the program asked Weston for them.
limits() {
    awk -v want="$1" 'match($0, /xdg_toplevel@[0-9]+\.[a-z_]+\(.*\)/) {
            split(substr($0, RSTART, RLENGTH), p, /[.(]/); args = substr(p[3], 1, length(p[3]) - 1)
            if (p[2] == "set_min_size") lo[p[1]] = args
            if (p[2] == "set_max_size") hi[p[1]] = args
            if (p[2] == "set_title") title[p[1]] = args
        }
        END { for (t in title) if (title[t] == "\"" want "\"") print lo[t] " to " hi[t] }' "$work/proto.log"
}
tool_limits=$(limits TRESSIK) canvas_limits=$(limits canvas)
[[ $tool_limits =~ ^([1-9][0-9]*,\ [1-9][0-9]*)\ to\ (.*)$ && ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] ||
    fail "the tool window can be resized: its size may run from ${tool_limits:-(nothing sent)}"
[[ $canvas_limits == "0, 0 to 0, 0" ]] || fail "the canvas size is limited to $canvas_limits"
say "ok: the tool window is held at $tool_limits, the canvas is free"
quiet_for 3
say "ok: still running after 3 s, nothing printed"
kill "$app_pid" "$proto_pid"
wait "$app_pid" "$proto_pid" 2>/dev/null
app_pid='' proto_pid=''

# --- Wayland with an X server beside it -------------------------------------------------

start_xvfb
say "Xvfb is up on $DISPLAY"
start
shown_on_x() { running && tool_id=$(find_window TRESSIK) && canvas_id=$(find_window canvas); }
poll 20 shown_on_x || fail "no X windows TRESSIK and canvas within 20 s"
{ geometry "$tool_id" tool && geometry "$canvas_id" canvas; } || fail "cannot read the windows' geometry"
((tool_x == 0 && tool_w == 104 && tool_h > 343 && canvas_w == 412 && canvas_h == 282)) ||
    fail "tool window ${tool_w}x${tool_h} at $tool_x,$tool_y, canvas ${canvas_w}x${canvas_h}"
# Unlike Wayland, X lets windows be put in their places: the canvas beside the tool window.
want_x=$((tool_x + tool_w + 40))
xdotool windowmove "$canvas_id" "$want_x" "$tool_y"
moved() { geometry "$canvas_id" canvas && ((canvas_x == want_x && canvas_y == tool_y)); }
poll 5 moved || fail "the canvas did not move beside the tool window (it is at $canvas_x,$canvas_y)"
say "ok: on X11 the tool window (${tool_w}x${tool_h}) is at the left, the canvas beside it at $canvas_x,$canvas_y"
quiet_for 2
say "ok: still running after 2 s, nothing printed"

passed=1
say "PASS"
