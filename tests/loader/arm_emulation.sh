#!/usr/bin/env bash
# Plays the whole demo twice inside the simulator: once with the 32-bit ARM
# programs (built with the arm-sim preset and run under qemu-arm), once with
# the PC programs. Both runs must show all 2665 frames, exit cleanly and send
# the same command stream; the script prints sizes and timings on the way.
#
# Usage: arm_emulation.sh SOURCE_DIR PC_BIN_DIR
#   SOURCE_DIR  the repository (the arm-sim preset builds in SOURCE_DIR/build/arm-sim)
#   PC_BIN_DIR  the bin folder of a PC build: handheld-sim, capture-dump,
#               renderer.img, coreseed and lumenfall
# Environment: LUMENFALL_QEMU_CPU (default arm926, a core of the ARMv5TE
# baseline that the cross toolchain's libraries are built for).
# Exit status: 0 passed, 1 failed, 77 skipped (something needed is missing).
set -uo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    exit 1
}

[ $# -eq 2 ] || { echo "usage: $0 SOURCE_DIR PC_BIN_DIR" >&2; exit 2; }
source_dir=$(cd "$1" && pwd) || fail "no source folder $1"
pc_bin=$(cd "$2" 2>/dev/null && pwd) || skip "no PC bin folder $2 yet"
arm_bin=$source_dir/build/arm-sim/bin
qemu_cpu=${LUMENFALL_QEMU_CPU:-arm926}

command -v arm-linux-gnueabi-g++ >/dev/null || skip "cross compiler arm-linux-gnueabi-g++ not installed"
command -v qemu-arm >/dev/null || skip "qemu-arm not installed (package qemu-user)"
for program in handheld-sim capture-dump coreseed lumenfall; do
    [ -x "$pc_bin/$program" ] || skip "$pc_bin/$program is not built yet"
done
[ -f "$pc_bin/renderer.img" ] || skip "$pc_bin/renderer.img is not built yet"

work=$(mktemp -d "${TMPDIR:-/tmp}/arm-emulation-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT

echo "== building the arm-sim preset"
cd "$source_dir" || fail "cannot enter $source_dir"
# Test runs of several PC builds share build/arm-sim; one at a time builds
# it and plays its programs.
mkdir -p build && exec 9>build/arm-sim.lock && flock 9 || fail "cannot lock build/arm-sim"
cmake --preset arm-sim >"$work/build.log" 2>&1 &&
    cmake --build --preset arm-sim >>"$work/build.log" 2>&1 ||
    { tail -40 "$work/build.log"; fail "the arm-sim build failed"; }
for program in coreseed lumenfall; do
    [ -x "$arm_bin/$program" ] || fail "the arm-sim build made no $program"
done

echo "== ARM programs"
for program in coreseed lumenfall; do
    file -b "$arm_bin/$program" 2>/dev/null | cut -d, -f1-4
    arm-linux-gnueabi-size "$arm_bin/$program" | tail -1
    ls -l "$arm_bin/$program" | awk '{print "file size", $5, "bytes"}'
    arm-linux-gnueabi-readelf -A "$arm_bin/$program" | grep 'Tag_CPU_arch:'
done
# Only information: whether the programs start on an ARMv4T core at all is
# up to the static C library. Without arguments coreseed prints its usage and
# exits with 1; the group's redirection also silences bash's signal report.
{ qemu-arm -cpu ti925t "$arm_bin/coreseed" >/dev/null; } 2>/dev/null
if [ $? -eq 1 ]; then
    echo "ARMv4T core (ti925t): coreseed starts"
else
    echo "ARMv4T core (ti925t): coreseed does not start (instructions newer than ARMv4T)"
fi

# Runs the loader and the demo in the simulator; sets the globals summary and
# seconds.
play() {
    local name=$1 runner=$2 bin=$3
    local start end
    echo "== $name run"
    start=$(date +%s.%N)
    "$pc_bin/handheld-sim" --fast --capture "$work/$name.cap" -- \
        sh -c "$runner '$bin/coreseed' '$pc_bin/renderer.img' && $runner '$bin/lumenfall'" \
        >"$work/$name.out" 2>"$work/$name.err"
    local status=$?
    end=$(date +%s.%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
    summary=$(grep 'handheld-sim: summary:' "$work/$name.err" | tail -1)
    echo "${summary:-no summary line}"
    echo "wall time: $seconds s (simulator exit status $status)"
    if [ -z "$summary" ] || [ $status -ne 0 ]; then
        tail -20 "$work/$name.err"
    fi
}

check_summary() {
    local name=$1
    case " $summary " in
    *" frames=2665 "*) ;;
    *) fail "$name run: expected frames=2665" ;;
    esac
    case " $summary " in
    *" exit_status=0 "*) ;;
    *) fail "$name run: expected exit_status=0" ;;
    esac
    case " $summary " in
    *" renderer_errors=0 "*) ;;
    *) fail "$name run: expected renderer_errors=0" ;;
    esac
}

play arm "qemu-arm -cpu $qemu_cpu" "$arm_bin"
arm_summary=$summary arm_seconds=$seconds
check_summary arm
play pc "" "$pc_bin"
pc_summary=$summary pc_seconds=$seconds
check_summary pc

arm_digest=$("$pc_bin/capture-dump" --digest "$work/arm.cap") || fail "cannot read the ARM capture"
pc_digest=$("$pc_bin/capture-dump" --digest "$work/pc.cap") || fail "cannot read the PC capture"
echo "== command stream digests: ARM $arm_digest, PC $pc_digest"
[ "$arm_digest" = "$pc_digest" ] || fail "the ARM and PC programs sent different commands"

echo "PASSED: ARM run $arm_seconds s, PC run $pc_seconds s"
echo "  ARM: $arm_summary"
echo "  PC:  $pc_summary"
