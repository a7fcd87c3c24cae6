#!/usr/bin/env bash
# The window's keys, typed with xdotool into a real window on a virtual X
# display: Space holds the frame on screen still, '.' steps exactly one
# frame, F12 saves the frame on screen as a PNG, Esc ends the run with the
# usual summary.
#
# The test client's frame k differs from frame k-1 only in its background
# shade, which repeats every 64 frames; frames 0 to 63 are also written with
# --png, so a screenshot of frame k must equal frame k mod 64 byte for byte
# (both come from the same PNG writer).
#
# Usage: window_keys_test.sh BIN_DIR   (with handheld-sim and sim-test-client)
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb, xdotool, SDL2 or PNG).
set -uo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    [ -f "${work:-}/err" ] && sed 's/^/  sim: /' "$work/err"
    exit 1
}

[ $# -eq 1 ] || { echo "usage: $0 BIN_DIR" >&2; exit 2; }
bin=$1
command -v Xvfb >/dev/null || skip "Xvfb not installed (package xvfb)"
command -v xdotool >/dev/null || skip "xdotool not installed (package xdotool)"

work=$(mktemp -d "${TMPDIR:-/tmp}/window-keys-XXXXXX") || fail "mktemp"
xvfb_pid=
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/display" "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"

# The display libraries keep allocations until exit; a sanitized build must
# not turn that into a failure of the run.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
"$bin/handheld-sim" --window --renderer-now --no-progress --scale 1 \
    --screenshots "$work/shots" --png "$work/frames" --png-frames "$(seq -s, 0 63)" \
    -- "$bin/sim-test-client" frames 100000 2>"$work/err" &
sim_pid=$!

window=$(timeout 20 xdotool search --sync --name '^handheld-sim' 2>/dev/null | head -1)
if [ -z "$window" ]; then
    grep -q "no window support\|no PNG support" "$work/err" && skip "$(tail -2 "$work/err" | head -1)"
    fail "no window appeared"
fi
xdotool windowfocus --sync "$window" || fail "cannot focus the window"

title() { xdotool getwindowname "$window"; }
# The number after "frame " in the title; empty before the first frame.
frame_on_screen() { title | sed -n 's/.* frame \([0-9]*\) .*/\1/p'; }
# Waits up to 20 s for the title to match a pattern.
wait_title() {
    for _ in $(seq 200); do
        title | grep -q "$1" && return 0
        sleep 0.1
    done
    fail "the title never matched '$1' (now: '$(title)')"
}

# Past frame 63: every PNG frame is written and the shades have wrapped.
wait_title ' frame \([7-9][0-9]\|[0-9]\{3,\}\) '

xdotool key space
wait_title ' - paused$'
held=$(frame_on_screen)
sleep 0.5
[ "$(frame_on_screen)" = "$held" ] || fail "pause did not hold frame $held: $(title)"

xdotool key period
for _ in $(seq 50); do
    [ "$(frame_on_screen)" != "$held" ] && break
    sleep 0.1
done
sleep 0.3
stepped=$(frame_on_screen)
[ "$stepped" = $((held + 1)) ] || fail "a step went from frame $held to $stepped"

xdotool key F12
for _ in $(seq 50); do
    grep -q "screenshot saved: " "$work/err" && break
    sleep 0.1
done
shot=$(sed -n 's/^handheld-sim: screenshot saved: //p' "$work/err")
[ "$shot" = "$work/shots/$(printf 'screenshot_%05d.png' "$stepped")" ] ||
    fail "screenshot of frame $stepped saved as '$shot'"
cmp -s "$shot" "$work/frames/$(printf 'frame_%05d.png' $((stepped % 64)))" ||
    fail "the screenshot differs from frame $stepped"

xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$sim_pid" 2>/dev/null && fail "Esc did not end the run"
wait "$sim_pid"
status=$?
sim_pid=
summary=$(tail -1 "$work/err")
expected="frames=$((stepped + 1)) .* exit_status=$status\$"
echo "$summary" | grep -q "^handheld-sim: summary: $expected" ||
    fail "the last line is not the summary of $((stepped + 1)) frames: $summary"
grep -q "the window was closed; stopping the command" "$work/err" || fail "no word of the stop"
echo "held frame $held, stepped to $stepped, screenshot equal; $summary"
