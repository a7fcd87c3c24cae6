#!/usr/bin/env bash
# The handheld bundle's launcher with our renderer on the emulated second
# core: the client (in the demo's place) ends while the renderer still owes
# it most of its frames, and once run-lumenfall.sh has returned, every one
# of them has been displayed and the frame buffer holds the last one.
#
# Usage: launcher_test.sh SOURCE_DIR PC_BIN_DIR CLIENT
#   PC_BIN_DIR  a PC build's bin folder: handheld-sim, coreseed,
#               lumenfall-display and renderer.img
#   CLIENT      the test's client, which shows 48 greys, white last
# Exit status: 0 passed, 1 failed, 77 skipped (no emulated second core).
set -uo pipefail

fail() { echo "FAILED: $*"; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }
[ $# -eq 3 ] || { echo "usage: $0 SOURCE_DIR PC_BIN_DIR CLIENT" >&2; exit 2; }
source_dir=$1 pc_bin=$2 client=$3
frames=48

work=$(mktemp -d "${TMPDIR:-/tmp}/launcher-test-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT
"$pc_bin/handheld-sim" --no-window --second-core emulated -- true >/dev/null 2>"$work/probe.err"
grep -q "not in this build" "$work/probe.err" && skip "handheld-sim has no emulated second core"

# The bundle's layout, with the PC programs and the test's client as the demo.
bundle=$work/bundle
mkdir -p "$bundle"
cp "$pc_bin/coreseed" "$pc_bin/lumenfall-display" "$pc_bin/renderer.img" "$bundle/" || fail "copying the programs"
cp "$client" "$bundle/lumenfall" || fail "copying the client"
install -m 755 "$source_dir/tools/device_bundle/run-lumenfall.sh" "$bundle/"

# The frame buffer is copied the moment the launcher returns, before the
# simulator has a chance to end anything itself, with the client's last
# fifo_write and the renderer's drained word (the shared area is at physical
# 0x02100000 of the memory file, the mailbox at 0x1E00000 in it).
"$pc_bin/handheld-sim" --fast --no-window --no-progress --second-core emulated -- \
    sh -c '"$1/run-lumenfall.sh" >"$1/launcher.out"; status=$?
           cp "$LUMENFALL_SIM_DIR/fb0" "$1/fb_after"
           word() { od -An -tu4 -N4 -j $(($1)) "$LUMENFALL_SIM_DIR/mem" | tr -d " "; }
           echo "$(word 0x02100000+0x0FFFF0) $(word 0x02100000+0x1E00000+32)" >"$1/words"
           exit $status' sh "$bundle" \
    >"$work/sim.out" 2>"$work/sim.err"
status=$?
summary=$(grep 'handheld-sim: summary:' "$work/sim.err" | tail -1)
echo "${summary:-no summary line}"
[ $status -eq 0 ] || { tail -20 "$work/sim.err"; fail "the simulator ended with $status"; }
for expected in "frames=$frames" renderer_errors=0 exit_status=0; do
    case " $summary " in
    *" $expected "*) ;;
    *) tail -20 "$work/sim.err"; fail "expected $expected" ;;
    esac
done

# The display program ended because the renderer said it had nothing left,
# not because it gave up on a silent one.
read -r fifo_write drained <"$bundle/words"
[ "$drained" = "$fifo_write" ] ||
    fail "the renderer's drained word is $drained, the client's fifo_write $fifo_write"

# White is 0xFFFF in RGB 5:6:5; every earlier frame is a darker grey.
head -c $((320 * 240 * 2)) /dev/zero | tr '\0' '\377' >"$work/white"
cmp -s "$work/white" "$bundle/fb_after" ||
    fail "after the launcher returned the frame buffer did not hold the last frame (white)"
echo "PASSED: all $frames frames displayed, the last one on the screen when the launcher returned"
