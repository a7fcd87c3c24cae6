#!/usr/bin/env bash
# The main-core meter on a program whose accesses are known: the counts of
# instructions, of first and following words read and written through the
# memory device's mapping, and what counts as waiting.
# usage: meter_test.sh PLUGIN
# Exit status: 0 passed, 1 failed, 77 no ARM toolchain or qemu-arm.
set -uo pipefail
plugin=${1:?usage: meter_test.sh PLUGIN}
here=$(cd "$(dirname "$0")" && pwd)
command -v arm-none-eabi-gcc >/dev/null || { echo "SKIP: no ARM toolchain"; exit 77; }
command -v qemu-arm >/dev/null || { echo "SKIP: no qemu-arm"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/meter-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/rows" 2>/dev/null; exit 1; }

arm-none-eabi-gcc -nostdlib -static -Wl,-Ttext=0x10000 -o "$work/probe" "$here/meter_probe.S" ||
    fail "cannot build the probe"
address() { arm-none-eabi-nm "$work/probe" | awk -v s="$1" '$3 == s { print "0x" $1 }'; }
head -c 4096 /dev/zero >"$work/mem"
(cd "$work" && qemu-arm -cpu ti925t \
    -plugin "$plugin,out=rows,frame=$(address frame_mark),wait=$(address wait_here)-$(address wait_here_end)" \
    ./probe) || fail "the probe did not run"

# Fields: frame scene note insns mem_read_first mem_read_next mem_write_first
# mem_write_next fb_... (4) wait_insns wait_accesses
row() { awk -v f="$1" '$1 == f { print $4, $5, $6, $7, $8, $13, $14 }' "$work/rows"; }
grep -q '^# mapping mem ' "$work/rows" || fail "the mapping of mem was not seen"
# Frame 1 runs frame_mark, the six accesses and the call.
[ "$(row 2)" = "8 2 7 4 0 0 0" ] || fail "frame 1: $(row 2), expected 8 2 7 4 0 0 0"
# Frame 2: frame_mark, the call of the wait, the store and the call; the
# wait's 3 instructions and 2 reads apart.
[ "$(row 3)" = "4 0 0 1 3 3 2" ] || fail "frame 2: $(row 3), expected 4 0 0 1 3 3 2"
# Frame 3: the poll between the waits (its load and call) goes with them.
[ "$(row 4)" = "4 1 0 0 0 8 5" ] || fail "frame 3: $(row 4), expected 4 1 0 0 0 8 5"
echo "PASSED"
