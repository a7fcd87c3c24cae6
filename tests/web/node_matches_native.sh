#!/usr/bin/env bash
# The page's module under Node plays the whole demo, frame by frame as the
# page does and with the demo's own loops waiting on the renderer; both must
# show exactly what the native simulator shows for the same seed: the same
# command stream (addresses masked) and the same pixels in every frame.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/native_reference.sh"

command -v node >/dev/null || skip "node not found"
build_page
seed=1765170123

native_run "$seed" --frame-digest --capture "$work/demo.cap"
native_pictures=$(sed -n 's/.*frame digest: \([0-9a-f]*\) over 2665 frames.*/\1/p' "$work/native.err")
native_commands=$("$WEB_BIN_DIR/capture-dump" --digest "$work/demo.cap")
echo "native: commands=$native_commands pictures=$native_pictures"
[ -n "$native_pictures" ] || { cat "$work/native.err"; echo "FAIL: no frame digest over 2665 frames"; exit 1; }

node "$(dirname "$0")/node_run.js" "$dist" "$seed" | tee "$work/node.out"
expected="frames=2665 commands=$native_commands pictures=$native_pictures errors=0"
for mode in frames waits; do
  grep -q "^$mode: $expected " "$work/node.out" ||
    { echo "FAIL: the $mode run differs from the native run ($expected)"; exit 1; }
done
echo "PASS: both runs match the native simulator"
