#!/usr/bin/env bash
# The renderer's cost on the second core's processor: replays chosen frames
# of a capture of the whole demo through the ARMv4T build of the renderer
# core under qemu-arm -cpu ti925t and prints instructions per frame, per
# covered pixel by rendering type and the share in helpers
# (bench/scripts/render_cost.py, which counts with qemu_count.py's method).
# It also checks that the ARM core needs nothing a program without an
# operating system lacks (tools/check_render_core.sh) and that every frame's
# picture is the same as the PC build's; --quick also checks the ARM span
# loops against the portable code on random facets (arm-span-check).
#
# usage: tools/render_cost.sh [--every N | --frames N,N,...] [--capture FILE]
#                             [--bin PC_BIN_DIR] [--quick] [--cycles TIMING]
#   --every N   every Nth frame of the 2665 (default 50)
#   --frames    the listed frames instead
#   --capture   a capture to take the frames from (default: a fresh fast run
#               of the demo in handheld-sim)
#   --bin       the PC build's programs (default build/release/bin)
#   --quick     no instruction counts: only the checks (for the test suite)
#   --cycles T  also replay the whole capture through the emulated second
#               core (renderer.img beside handheld-sim) with its cycle model
#               at memory timing T (plausible or pessimistic), and print the
#               chosen frames' modelled cycles and each scene's figures
#               (tools/cycle_figures.py); several minutes
# Exit status: 0 all well, 1 a finding or failure, 2 usage, 77 tools missing.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
select=(--every 50) capture= bin=$root/build/release/bin quick=0 cycles=
while [ $# -gt 0 ]; do
    case $1 in
    --every | --frames) [ $# -ge 2 ] || { echo "$0: $1 needs a value" >&2; exit 2; }
        select=("$1" "$2"); shift 2 ;;
    --capture) [ $# -ge 2 ] || { echo "$0: --capture needs a file" >&2; exit 2; }
        capture=$2; shift 2 ;;
    --bin) [ $# -ge 2 ] || { echo "$0: --bin needs a folder" >&2; exit 2; }
        bin=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    --cycles) [ $# -ge 2 ] || { echo "$0: --cycles needs a memory timing" >&2; exit 2; }
        case $2 in plausible | pessimistic) ;; *) echo "$0: --cycles takes plausible or pessimistic" >&2; exit 2 ;; esac
        cycles=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "$0: unknown argument $1 (see --help)" >&2; exit 2 ;;
    esac
done
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

command -v arm-none-eabi-g++ >/dev/null || skip "no ARM toolchain (gcc-arm-none-eabi)"
command -v qemu-arm >/dev/null || skip "no qemu-arm (qemu-user)"
for program in handheld-sim lumenfall frame-pack render-frames; do
    [ -x "$bin/$program" ] || skip "$bin/$program is not built"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/render-cost-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT
ulimit -c 0

# The ARM build of the core and its frame driver; test runs of several PC
# builds share it, one at a time.
arm_build=$root/build/render-cost-arm
mkdir -p "$root/build" && exec 9>"$root/build/render-cost-arm.lock" && flock 9 ||
    fail "cannot lock $arm_build"
echo "== building the ARM core and render-frames in $arm_build"
{ [ -f "$arm_build/CMakeCache.txt" ] ||
      cmake -S "$root/bench/device" -B "$arm_build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/arm-handheld.cmake"
  cmake --build "$arm_build" -j2 --target render-frames arm-span-check; } >"$work/arm-build.log" 2>&1 ||
    { tail -30 "$work/arm-build.log"; fail "the ARM build failed"; }

echo "== what the ARM core needs from outside"
bash "$root/tools/check_render_core.sh" "$arm_build/renderer/librenderer_core.a" ||
    fail "the ARM core needs something the second core's program cannot give it"

if [ -z "$capture" ]; then
    echo "== capturing a fast run of the demo"
    capture=$work/demo.cap
    "$bin/handheld-sim" --fast --renderer-now --no-window --no-progress --capture "$capture" \
        -- "$bin/lumenfall" >"$work/run.log" 2>&1 || { tail "$work/run.log"; fail "the demo run failed"; }
fi
"$bin/frame-pack" "$capture" "$work/frames.pack" "${select[@]}" || fail "frame-pack failed"
"$bin/render-frames" "$work/frames.pack" >"$work/pc.out" || fail "render-frames failed on the PC"

if [ "$quick" = 1 ]; then
    echo "== the same frames under qemu-arm -cpu ti925t"
    qemu-arm -cpu ti925t "$arm_build/bin/render-frames" "$work/frames.pack" >"$work/arm.out" ||
        fail "render-frames failed under qemu-arm"
    frames=$(grep -c '^frame ' "$work/pc.out")
    [ "$frames" -gt 0 ] || fail "no frames replayed"
    if ! diff <(grep '^frame ' "$work/pc.out") <(grep '^frame ' "$work/arm.out"); then
        fail "the ARM build draws different pictures (or covers different pixels) than the PC build"
    fi
    echo "PASS: $frames frames, pictures and covered pixels identical on ARMv4T and the PC"
    echo "== the ARM span loops against the portable code under qemu-arm -cpu ti925t"
    qemu-arm -cpu ti925t "$arm_build/bin/arm-span-check" || fail "the ARM span loops paint differently"
    exit 0
fi

echo "== counting under qemu-arm -cpu ti925t -d in_asm,exec,nochain"
echo "command: qemu-arm -cpu ti925t -d in_asm,exec,nochain -D TRACE $arm_build/bin/render-frames PACK"
mkfifo "$work/trace"
qemu-arm -cpu ti925t -d in_asm,exec,nochain -D "$work/trace" \
    "$arm_build/bin/render-frames" "$work/frames.pack" >"$work/arm.out" &
python3 "$root/bench/scripts/render_cost.py" "$work/trace" "$work/arm.out" --pc "$work/pc.out"
status=$?
wait || fail "render-frames failed under qemu-arm"

if [ -n "$cycles" ]; then
    echo "== modelled cycles, memory timing $cycles (the whole capture on the emulated core)"
    echo "command: handheld-sim --second-core emulated --fast --no-window --replay CAPTURE --cycles FILE --memory-timing $cycles"
    [ -f "$bin/renderer.img" ] || fail "$bin/renderer.img is not built"
    "$bin/handheld-sim" --second-core emulated --fast --no-window --no-progress --replay "$capture" \
        --cycles "$work/cycles.txt" --memory-timing "$cycles" >"$work/cycles.log" 2>&1 ||
        { tail "$work/cycles.log"; fail "the emulated replay failed"; }
    chosen=$(awk '/^frame /{print $2}' "$work/pc.out" | paste -sd, -)
    awk -v chosen="$chosen" 'BEGIN { n = split(chosen, f, ","); for (i = 1; i <= n; ++i) want[f[i]] = 1 }
        !/^#/ && ($1 in want) { printf "frame %6d %12s instructions %12s cycles %7s line fills\n", $1, $2, $3, $4 + $5 }' \
        "$work/cycles.txt"
    python3 "$root/tools/cycle_figures.py" "$work/cycles.txt" || fail "cycle_figures.py failed"
fi
exit $status
