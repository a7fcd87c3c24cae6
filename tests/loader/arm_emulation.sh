#!/usr/bin/env bash
# The handheld programs under emulation of the handheld's ARMv4T core
# (qemu-arm -cpu ti925t), against the PC programs:
#   1. the arm build's code check (tools/check_arm_code.sh): ARMv4T ARM code
#      only, no kernel helper, every object tagged v4T;
#   2. the failure paths: coreseed with a missing file, an empty file, an
#      unaligned offset and offsets it rejects, and the demo's fatal
#      assertion, print the same stdout and stderr and end with the same
#      status as the PC programs (134, SIGABRT, for the assertion);
#   3. the whole demo, loaded by coreseed, inside handheld-sim: once with the
#      old system-call convention, once with the EABI one, and once with the
#      PC programs started by the device bundle's launcher; all three show 2665 frames, exit with 0 and send the same
#      commands (capture digests with addresses masked).
#
# Usage: arm_emulation.sh SOURCE_DIR PC_BIN_DIR
#   SOURCE_DIR  the repository; the arm and arm-sim presets build in
#               SOURCE_DIR/build/arm and build/arm-sim, the EABI variant of
#               arm-sim in build/arm-sim-eabi
#   PC_BIN_DIR  the bin folder of a PC build: handheld-sim, capture-dump,
#               renderer.img, coreseed and lumenfall
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
qemu="qemu-arm -cpu ti925t"

command -v arm-none-eabi-g++ >/dev/null ||
    skip "ARM toolchain not installed (gcc-arm-none-eabi, libnewlib-arm-none-eabi, libstdc++-arm-none-eabi-newlib)"
command -v qemu-arm >/dev/null || skip "qemu-arm not installed (package qemu-user)"
for program in handheld-sim capture-dump coreseed lumenfall lumenfall-display; do
    [ -x "$pc_bin/$program" ] || skip "$pc_bin/$program is not built yet"
done
[ -f "$pc_bin/renderer.img" ] || skip "$pc_bin/renderer.img is not built yet"

work=$(mktemp -d "${TMPDIR:-/tmp}/arm-emulation-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT
# An aborting program must not leave an emulator core file behind.
ulimit -c 0

cd "$source_dir" || fail "cannot enter $source_dir"
# Test runs of several PC builds share the ARM build folders; one at a time
# builds them and plays their programs.
mkdir -p build && exec 9>build/arm-sim.lock && flock 9 || fail "cannot lock the ARM builds"
build() {
    local folder=$1
    shift
    echo "== building $folder"
    { cmake "$@" && cmake --build "build/$folder" -j2; } >"$work/build-$folder.log" 2>&1 ||
        { tail -40 "$work/build-$folder.log"; fail "the $folder build failed"; }
    for program in coreseed lumenfall; do
        [ -x "build/$folder/bin/$program" ] || fail "the $folder build made no $program"
    done
}
build arm --preset arm
build arm-sim --preset arm-sim
build arm-sim-eabi --preset arm-sim -B build/arm-sim-eabi -DLUMENFALL_SYSCALL_CONVENTION=eabi

echo "== code check of the arm build"
bash tools/check_arm_code.sh build/arm/bin/coreseed build/arm/bin/lumenfall \
    build/arm/bin/lumenfall-display build/arm/second_core/program/renderer.elf ||
    fail "the arm programs hold code the handheld cannot run"
for program in coreseed lumenfall; do
    arm-none-eabi-strip -o "$work/$program.stripped" "build/arm/bin/$program"
    echo "$program: $(stat -c %s "$work/$program.stripped") bytes stripped"
done

echo "== failure paths, ARM against PC"
sim_dir=$work/sim
mkdir -p "$sim_dir" "$work/no-devices"
: >"$sim_dir/mem"
: >"$work/empty"
printf 'prog' >"$work/prog"
# Runs one command line of a program, ARM and PC, with the simulator's
# device folder given, and compares what they print and how they end. The
# emulator's own report of a fatal signal is not the program's output.
run_side() {
    local side=$1 devices=$2
    shift 2
    { LUMENFALL_SIM_DIR=$devices sh -c 'exec "$@"' sh "$@" >"$work/$side.out" 2>"$work/$side.err"; } 2>/dev/null
    echo $? >"$work/$side.status"
    grep -v '^qemu: uncaught target signal' "$work/$side.err" >"$work/$side.err.kept"
}
compare() {
    local devices=$1 program=$2
    shift 2
    run_side arm "$devices" $qemu "build/arm-sim/bin/$program" "$@"
    run_side pc "$devices" "$pc_bin/$program" "$@"
    local label="$program $*" status
    status=$(cat "$work/pc.status")
    for part in out err.kept status; do
        cmp -s "$work/arm.$part" "$work/pc.$part" || {
            echo "-- ARM $part:"; cat "$work/arm.$part"; echo "-- PC $part:"; cat "$work/pc.$part"
            fail "'$label': the ARM and PC programs differ"
        }
    done
    echo "same output, status $status: $label"
    [ "$status" = "$expected_status" ] || fail "'$label' ended with $status, expected $expected_status"
}
expected_status=1
compare "$sim_dir" coreseed
compare "$sim_dir" coreseed "$work/missing"
compare "$sim_dir" coreseed "$work/empty"
compare "$sim_dir" coreseed 0x100 "$work/prog"
compare "$sim_dir" coreseed 0x3fffffe "$work/prog"
compare "$sim_dir" coreseed 0x10zz "$work/prog"
compare "$work/no-devices" coreseed "$work/prog"
expected_status=134
compare "$work/no-devices" lumenfall
grep -qx "lumenfall: lumenfall:920: main: Assertion \`0' failed." "$work/arm.err" ||
    fail "the ARM demo's assertion message is not the expected line"

# Runs the loader and the demo in the simulator; sets the globals summary and
# seconds.
play() {
    local name=$1 runner=$2 bin=$3
    local start end
    echo "== $name run"
    start=$(date +%s.%N)
    if [ "$runner" = launcher ]; then
        # No argument: the bundle's renderer.img, with the display program
        # started beside the demo and asked to stop after it; with the
        # built-in renderer nothing answers in its mailbox, so it stops at
        # once.
        set -- sh "$bin/run-lumenfall.sh"
    else
        set -- sh -c "$runner '$bin/coreseed' '$pc_bin/renderer.img' && $runner '$bin/lumenfall'"
    fi
    "$pc_bin/handheld-sim" --fast --capture "$work/$name.cap" -- "$@" \
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
    for expected in frames=2665 exit_status=0 renderer_errors=0; do
        case " $summary " in
        *" $expected "*) ;;
        *) fail "$name run: expected $expected" ;;
        esac
    done
    digest=$("$pc_bin/capture-dump" --digest "$work/$name.cap") || fail "cannot read the $name capture"
    echo "command stream digest: $digest"
}

play arm-old "$qemu" "$source_dir/build/arm-sim/bin"
old_digest=$digest old_seconds=$seconds
play arm-eabi "$qemu" "$source_dir/build/arm-sim-eabi/bin"
eabi_digest=$digest eabi_seconds=$seconds
# The PC programs start through the handheld bundle's launcher script.
mkdir -p "$work/pc-bundle"
cp "$pc_bin/coreseed" "$pc_bin/lumenfall" "$pc_bin/lumenfall-display" "$pc_bin/renderer.img" \
    tools/device_bundle/run-lumenfall.sh "$work/pc-bundle/"
play pc launcher "$work/pc-bundle"
pc_digest=$digest pc_seconds=$seconds

[ "$old_digest" = "$pc_digest" ] || fail "the ARM programs (old calls) sent other commands than the PC's"
[ "$eabi_digest" = "$pc_digest" ] || fail "the ARM programs (EABI calls) sent other commands than the PC's"
echo "PASSED: ARM runs $old_seconds s (old calls) and $eabi_seconds s (EABI), PC run $pc_seconds s"
