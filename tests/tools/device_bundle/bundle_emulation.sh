#!/usr/bin/env bash
# The handheld bundle checked as shipped: the tarball tools/device_bundle.sh
# makes, unpacked, its own lumenfall and lumenfall-display (which open
# /dev/mem and /dev/fb0) run under qemu-arm -cpu ti925t with a root folder
# whose dev/mem and dev/fb0 lead to the simulator's devices, and its
# renderer.img on the emulated second core. Every shown buffer must hold the
# same words as in a run of the PC demo with the same seed on the built-in
# renderer, with no renderer error.
#
# The bundle's coreseed is the one program that cannot run so: it maps the
# second core's memory write-only, as the handheld wants, and qemu's user
# mode refuses read() into such a page. The arm-sim build's coreseed, which
# maps it readable too, loads the bundle's renderer.img instead.
#
# Usage: bundle_emulation.sh SOURCE_DIR PC_BIN_DIR [FRAMES]
#   PC_BIN_DIR  a PC build's bin folder: handheld-sim, coreseed, lumenfall
#   FRAMES      frames to compare (default 300); 0 plays the whole demo and
#               compares the command streams too (capture-dump --digest)
# Environment: LUMENFALL_SEED (default 7).
# Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
set -uo pipefail

fail() { echo "FAILED: $*"; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }
[ $# -ge 2 ] && [ $# -le 3 ] || { echo "usage: $0 SOURCE_DIR PC_BIN_DIR [FRAMES]" >&2; exit 2; }
source_dir=$(cd "$1" && pwd) || fail "no source folder $1"
pc_bin=$(cd "$2" 2>/dev/null && pwd) || skip "no PC bin folder $2 yet"
frames=${3:-300}
seed=${LUMENFALL_SEED:-7}
qemu="qemu-arm -cpu ti925t"
case $frames in '' | *[!0-9]*) fail "FRAMES must be a number, not '$frames'" ;; esac

command -v arm-none-eabi-g++ >/dev/null || skip "ARM toolchain not installed"
command -v qemu-arm >/dev/null || skip "qemu-arm not installed (package qemu-user)"
for program in handheld-sim coreseed lumenfall capture-dump; do
    [ -x "$pc_bin/$program" ] || skip "$pc_bin/$program is not built yet"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bundle-emulation-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT
# A program that aborts under qemu must not leave a core file behind.
ulimit -c 0
"$pc_bin/handheld-sim" --no-window --second-core emulated -- true >/dev/null 2>"$work/probe.err"
grep -q "not in this build" "$work/probe.err" && skip "handheld-sim has no emulated second core"

# The ARM builds are shared with the other emulation test: one at a time.
cd "$source_dir" || fail "cannot enter $source_dir"
mkdir -p build && exec 9>build/arm-sim.lock && flock 9 || fail "cannot lock the ARM builds"
echo "== the bundle (tools/device_bundle.sh) and the arm-sim loader"
bash tools/device_bundle.sh "$work/out" >"$work/bundle.log" 2>&1 ||
    { tail -20 "$work/bundle.log"; fail "tools/device_bundle.sh failed"; }
{ cmake --preset arm-sim && cmake --build --preset arm-sim --target coreseed; } >"$work/arm-sim.log" 2>&1 ||
    { tail -20 "$work/arm-sim.log"; fail "the arm-sim build failed"; }
loader=$source_dir/build/arm-sim/bin/coreseed
exec 9>&-

mkdir -p "$work/unpacked" "$work/root/dev"
tar -C "$work/unpacked" -xzf "$work/out/lumenfall-handheld.tar.gz" || fail "cannot unpack the tarball"
bundle=$work/unpacked/lumenfall-handheld
for file in lumenfall lumenfall-display renderer.img; do
    [ -f "$bundle/$file" ] || fail "the tarball holds no $file"
done

# Sets summary and seconds; the runs' outputs are named after them.
play() {
    local name=$1
    shift
    local limit=(--frames "$frames") start
    [ "$frames" -ne 0 ] || limit=(--capture "$work/$name.cap" --capture-digests-only)
    start=$(date +%s.%N)
    "$pc_bin/handheld-sim" --fast --no-window --no-progress "${limit[@]}" \
        --shown-digests "$work/$name.shown" "$@" \
        >"$work/$name.out" 2>"$work/$name.err"
    local status=$?
    seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    summary=$(grep 'handheld-sim: summary:' "$work/$name.err" | tail -1)
    echo "$name: ${summary:-no summary line} ($seconds s)"
    [ $status -eq 0 ] || { tail -20 "$work/$name.err"; fail "$name run: the simulator ended with $status"; }
    case " $summary " in
    *" renderer_errors=0 "*) ;;
    *) tail -20 "$work/$name.err"; fail "$name run: renderer errors" ;;
    esac
}

echo "== the PC demo on the built-in renderer, seed $seed"
play native -- sh -c '"$1" "$2" >/dev/null && LUMENFALL_SEED=$3 exec "$4"' sh \
    "$pc_bin/coreseed" "$bundle/renderer.img" "$seed" "$pc_bin/lumenfall"
native_seconds=$seconds

echo "== the bundle's programs under $qemu, its renderer.img on the emulated core"
# The simulator's devices exist only while it runs, so the links are made
# inside it. qemu looks every absolute path up under -L first. The shipped
# programs must open the handheld's devices: without LUMENFALL_SIM_DIR a
# build with the simulator's paths would find nothing.
play bundle --second-core emulated -- sh -c '
    ln -s "$LUMENFALL_SIM_DIR/mem" "$1/dev/mem" && ln -s "$LUMENFALL_SIM_DIR/fb0" "$1/dev/fb0" || exit 1
    '"$qemu"' "$2" "$3/renderer.img" >/dev/null || exit 1
    env -u LUMENFALL_SIM_DIR '"$qemu"' -L "$1" "$3/lumenfall-display" &
    LUMENFALL_SEED=$4 exec env -u LUMENFALL_SIM_DIR '"$qemu"' -L "$1" "$3/lumenfall"' sh \
    "$work/root" "$loader" "$bundle" "$seed"
bundle_seconds=$seconds

shown=$(wc -l <"$work/native.shown")
[ "$frames" -eq 0 ] || [ "$shown" -eq "$frames" ] || fail "the native run showed $shown frames, not $frames"
[ "$shown" -gt 0 ] || fail "the native run showed nothing"
cmp -s "$work/native.shown" "$work/bundle.shown" || {
    diff "$work/native.shown" "$work/bundle.shown" | head -5
    fail "the bundle's programs showed other buffers than the PC demo"
}
if [ "$frames" -eq 0 ]; then
    native_digest=$("$pc_bin/capture-dump" --digest "$work/native.cap") || fail "cannot read the native capture"
    bundle_digest=$("$pc_bin/capture-dump" --digest "$work/bundle.cap") || fail "cannot read the bundle's capture"
    [ "$native_digest" = "$bundle_digest" ] || fail "the two runs consumed other commands"
fi
echo "PASSED: $shown shown buffers the same, bundle run $bundle_seconds s, native run $native_seconds s"
