#!/usr/bin/env bash
# tools/check_arm_code.sh on small objects compiled here: one built for the
# handheld's ARMv4T core passes; one built for a newer processor, Thumb code
# and a call into the kernel helper page each fail with status 1 and name
# what was found, also when a clean program follows on the command line.
# Skips (77) without the bare-metal ARM compiler and binutils.
# Usage: check_arm_code_test.sh SOURCE_DIR
set -uo pipefail

check=$1/tools/check_arm_code.sh
prefix=${ARM_TOOLS_PREFIX:-arm-none-eabi-}
for tool in gcc objdump readelf; do
    command -v "${prefix}$tool" >/dev/null || { echo "skipped: no ${prefix}$tool"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/arm-code-test-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Without clz (ARMv5) the compiler calls a library routine for this.
printf 'unsigned leading(unsigned x) { return __builtin_clz(x); }\n' > "$work/count.c"
printf 'void fence(void) { ((void (*)(void))0xffff0fa0)(); }\n' > "$work/helper.c"
# A clz (0xe16f0f11: clz r0, r1) written as a raw word keeps the v4T tag, so
# only the instruction itself can give it away.
printf '.arm\n.global f\nf:\n.inst 0xe16f0f11\nbx lr\n' > "$work/raw.s"
build() { # build OUTPUT SOURCE FLAGS...
    "${prefix}gcc" -O2 -c -o "$work/$1" "$work/$2" "${@:3}" || exit 1
}
build v4t.o count.c -march=armv4t -marm
build v5te.o count.c -march=armv5te -marm
build thumb.o count.c -march=armv4t -mthumb
build helper.o helper.c -march=armv4t -marm
build raw.o raw.s -march=armv4t

failures=0
expect() { # expect STATUS TEXT PROGRAM...
    local want=$1 text=$2
    shift 2
    local out status
    out=$(bash "$check" "$@" 2>&1)
    status=$?
    if [ "$status" -ne "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAILED: check_arm_code.sh $* gave status $status (wanted $want, with '$text'):"
        echo "$out"
        failures=$((failures + 1))
    fi
}
cd "$work"
expect 0 "all ARMv4T" v4t.o
expect 1 "clz" raw.o
expect 1 "architecture tag 'v5TE'" v5te.o v4t.o
expect 1 "Thumb code" thumb.o
expect 1 "kernel helper page" helper.o
expect 2 "usage" 

[ $failures -eq 0 ] && echo "code check tests passed"
exit $((failures > 0))
