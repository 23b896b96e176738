# shellcheck shell=bash disable=SC2154  # $work comes from the script that sources this
# Helpers shared by the end-to-end scripts. The script that sources this defines fail()
# and $work, its private folder.

started_ms=$(($(date +%s%N) / 1000000))
say() {
    local t=$(($(date +%s%N) / 1000000 - started_ms))
    printf 'e2e [%3d.%ds]: %s\n' $((t / 1000)) $((t % 1000 / 100)) "$*"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# poll SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds or time runs out.
poll() {
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    while :; do
        "$@" && return 0
        (($(now_ms) >= deadline)) && return 1
        sleep 0.1
    done
}

# start_xvfb: a private X server with no window manager; sets DISPLAY and xvfb_pid.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    poll 15 display_ready || fail "Xvfb did not report a display within 15 s"
    read -r display_number <"$work/display"
    export DISPLAY=":$display_number"
    unset XAUTHORITY
}
display_ready() {
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended early: $(tail -n 5 "$work/xvfb.log")"
    local n
    read -r n <"$work/display" 2>/dev/null && [[ $n =~ ^[0-9]+$ ]]
}

# Finds the visible window titled exactly $1 (xdotool matches without case).
find_window() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        if [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# geometry ID PREFIX: sets PREFIX_x, PREFIX_y, PREFIX_w, PREFIX_h
geometry() {
    # shellcheck disable=SC2034  # kept local so that eval sets no globals
    local WINDOW X Y WIDTH HEIGHT SCREEN report
    report=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null) || return 1
    eval "$report"
    [[ ${WIDTH:-} =~ ^[0-9]+$ && ${HEIGHT:-} =~ ^[0-9]+$ ]] || return 1
    printf -v "${2}_x" %d "$X"
    printf -v "${2}_y" %d "$Y"
    printf -v "${2}_w" %d "$WIDTH"
    printf -v "${2}_h" %d "$HEIGHT"
}
