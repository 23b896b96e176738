#!/usr/bin/env bash
# Runs the built program with an empty environment, as from a console or a service: the
# options that need no display answer, anything else fails plainly.
# Usage: check-options.sh <tressik executable> <version>
set -uo pipefail
exe=$1 version=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tressik-options.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# run <expected status> <args...>: output in $tmp/out and $tmp/err.
run() {
  local want=$1; shift
  env -i timeout 10 "$exe" "$@" >"$tmp/out" 2>"$tmp/err"
  local got=$?
  [ "$got" -eq "$want" ] && ok "tressik $* exits $want" \
    || fail "tressik $* exited $got, not $want; stderr: $(cat "$tmp/err")"
}

run 0 --help
head -n 1 "$tmp/out" | grep -q '^Usage: tressik' && ok "--help prints usage" || fail "--help printed: $(cat "$tmp/out")"
[ -s "$tmp/err" ] && fail "--help wrote to stderr"

run 0 --version
[ "$(head -n 1 "$tmp/out")" = "tressik $version" ] && ok "--version names $version" \
  || fail "--version printed: $(cat "$tmp/out")"

run 2 --no-such-option
grep -q '^Usage: tressik' "$tmp/err" && ok "usage on stderr" || fail "no usage on stderr: $(cat "$tmp/err")"
[ -s "$tmp/out" ] && fail "an unknown option wrote to stdout"

run 1
if [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q 'DISPLAY' "$tmp/err" && grep -q 'WAYLAND_DISPLAY' "$tmp/err"; then
  ok "no display: one line naming DISPLAY and WAYLAND_DISPLAY"
else
  fail "no display: stderr was: $(cat "$tmp/err")"
fi

# Qt's own options reach Qt: with a platform chosen this way the program starts and runs
# until it is stopped (timeout's 124); a platform that does not exist makes Qt itself give up.
env -i timeout 3 "$exe" -platform offscreen -style Fusion -reverse -session s1 >"$tmp/out" 2>"$tmp/err"
status=$?
[ "$status" -eq 124 ] && ok "Qt options: started and ran" \
  || fail "tressik -platform offscreen ... exited $status: $(cat "$tmp/err")"
env -i timeout 10 "$exe" -platform no-such-platform >"$tmp/out" 2>"$tmp/err"
grep -q 'no-such-platform' "$tmp/err" && ok "-platform reaches Qt" \
  || fail "Qt did not see -platform: $(cat "$tmp/err")"

[ "$failures" -eq 0 ] && echo "all option checks passed" || { echo "$failures check(s) failed" >&2; exit 1; }
