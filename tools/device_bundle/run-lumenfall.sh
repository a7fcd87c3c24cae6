#!/bin/sh
# Plays the demo on the handheld. Run it as root (the programs use /dev/mem
# and /dev/fb0):
#   ./run-lumenfall.sh                     our renderer (renderer.img) and
#                                          the display program beside it
#   ./run-lumenfall.sh RENDERER_PROGRAM    another renderer program, which
#                                          puts its frames on screen itself
here=$(dirname "$0")
if [ $# -gt 1 ] || [ "$1" = "-h" ] || [ "$1" = "--help" ]; then
    echo "usage: $0 [RENDERER_PROGRAM]" >&2
    echo "Loads the renderer into the second core (renderer.img and the display" >&2
    echo "program lumenfall-display when none is named), then plays lumenfall." >&2
    [ $# -eq 1 ] && exit 0
    exit 2
fi
renderer=${1:-$here/renderer.img}
if [ ! -r "$renderer" ]; then
    echo "$0: cannot read the renderer program '$renderer'" >&2
    exit 1
fi
"$here/coreseed" "$renderer" || {
    echo "$0: coreseed could not load '$renderer'; the demo was not started" >&2
    exit 1
}
if [ $# -eq 1 ]; then
    exec "$here/lumenfall"
fi

# Our renderer posts its frames for the display program, which must run
# before the demo shows its first frame. The demo ends without waiting for
# its last frames, which the renderer may still be drawing: asked to stop,
# the display program first puts them on the screen (at most the 64 frames
# a client may leave pending, about 1.1 s at 60 a second when the renderer
# keeps up; it gives up 1 s after the renderer last moved), and this script
# returns once it has. Interrupted, both stop at once (a second signal tells
# the display program to leave the frames).
"$here/lumenfall-display" &
display=$!
trap 'kill -INT "$display" 2>/dev/null; kill -TERM "$display" 2>/dev/null; wait "$display" 2>/dev/null; exit 130' INT TERM
"$here/lumenfall"
status=$?
kill -TERM "$display" 2>/dev/null
wait "$display"
display_status=$?
# The display program ends with 0 when stopped; anything else means it
# failed by itself (a device it could not open), which it has reported.
if [ "$display_status" -ne 0 ]; then
    echo "$0: the display program ended with status $display_status" >&2
    [ "$status" -eq 0 ] && status=1
fi
exit "$status"
