#!/bin/sh
# Loads a renderer program into the second core with coreseed, then plays
# the demo. Run it as root on the handheld (both programs use /dev/mem):
#   ./run-lumenfall.sh RENDERER_PROGRAM
here=$(dirname "$0")
if [ $# -ne 1 ] || [ "$1" = "-h" ] || [ "$1" = "--help" ]; then
    echo "usage: $0 RENDERER_PROGRAM" >&2
    echo "Loads RENDERER_PROGRAM into the second core, then plays lumenfall." >&2
    [ $# -eq 1 ] && exit 0
    exit 2
fi
if [ ! -r "$1" ]; then
    echo "$0: cannot read the renderer program '$1'" >&2
    exit 1
fi
"$here/coreseed" "$1" || {
    echo "$0: coreseed could not load '$1'; the demo was not started" >&2
    exit 1
}
exec "$here/lumenfall"
