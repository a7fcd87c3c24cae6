#!/usr/bin/env bash
# Builds everything and plays the demo in the PC simulator of the handheld:
# the loader puts the renderer image into the second core's memory, then the
# demo runs against it. On a desktop the demo plays in a window; without a
# display it is recorded to a video and a contact sheet.
set -euo pipefail
cd "$(dirname "$0")/.."

# The packages come first, so that the build finds them: the window's on a
# desktop, the video encoder's otherwise. Configuring on every run picks up a
# package that arrived after an earlier configure had missed it.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${LUMENFALL_RECORD:-}" ]; then
    bash tools/setup.sh play window
else
    bash tools/setup.sh play record
fi
# The emulated second core's engine, newer than Debian 12's (tools/fetch_unicorn.sh);
# without it the build falls back to the system's, and only the speed differs.
bash tools/fetch_unicorn.sh || true
cmake --preset release -DLUMENFALL_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release

bin="$PWD/build/release/bin"
out="${LUMENFALL_OUT:-$PWD/out}"
chain="coreseed '$bin/renderer.img' && lumenfall"
export PATH="$bin:$PATH"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${LUMENFALL_RECORD:-}" ]; then
    echo "Playing in a window (set LUMENFALL_RECORD=1 to record instead)."
    exec handheld-sim --window -- sh -c "$chain"
fi

mkdir -p "$out"
if command -v ffmpeg >/dev/null 2>&1; then
    video="$out/lumenfall.mp4"
else
    video="$out/lumenfall.y4m"
fi
sheet="$out/contact-sheet.png"
echo "No display: recording the demo to $video"
handheld-sim --fast --video "$video" --contact-sheet "$sheet" -- sh -c "$chain"
echo "video:         $video"
echo "contact sheet: $sheet"
