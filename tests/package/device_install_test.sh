#!/usr/bin/env bash
# The kit for the handheld: the arm preset installed into a temporary
# prefix, the installed example configured with nothing but the prefix's
# toolchain file and built for the handheld's ARMv4T core, then played in the
# simulator under qemu-arm -cpu ti925t (its /dev/mem and /dev/fb0 lead to the
# simulator's devices): on the built-in renderer, where frame 100 must be the
# reference picture of the PC build, and on the emulated second core with the
# installed ARM display program, which must show the same buffers. Then
# the same example built against an install of the arm-sim preset is
# measured by tools/main_core_cost.sh (20 frames), when the PC build has the
# meter's plugin.
#
# Usage: device_install_test.sh SOURCE_DIR PC_BIN_DIR
#   PC_BIN_DIR  a PC build's bin folder: handheld-sim, coreseed, renderer.img
# Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
set -uo pipefail

fail() { echo "FAILED: $*"; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }
[ $# -eq 2 ] || { echo "usage: $0 SOURCE_DIR PC_BIN_DIR" >&2; exit 2; }
source_dir=$(cd "$1" && pwd) || fail "no source folder $1"
pc_bin=$(cd "$2" 2>/dev/null && pwd) || skip "no PC bin folder $2 yet"
qemu="qemu-arm -cpu ti925t"
reference=$source_dir/tests/package/spin_cube_frame100.png

command -v arm-none-eabi-g++ >/dev/null || skip "ARM toolchain not installed"
command -v qemu-arm >/dev/null || skip "qemu-arm not installed (package qemu-user)"
command -v python3 >/dev/null || skip "python3 not installed"
for program in handheld-sim coreseed renderer.img; do
    [ -e "$pc_bin/$program" ] || skip "$pc_bin/$program is not built yet"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/device-install-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT
# A program that aborts under qemu must not leave a core file behind.
ulimit -c 0
prefix=$work/prefix

# The ARM builds are shared with the other emulation tests: one at a time.
cd "$source_dir" || fail "cannot enter $source_dir"
mkdir -p build && exec 9>build/arm-sim.lock && flock 9 || fail "cannot lock the ARM builds"
{ cmake --preset arm && cmake --build --preset arm && cmake --install build/arm --prefix "$prefix"; } \
    >"$work/install.log" 2>&1 || { tail -20 "$work/install.log"; fail "building or installing the arm preset"; }
meter_plugin=$pc_bin/main-core-meter.so
if [ -f "$meter_plugin" ]; then
    { cmake --preset arm-sim && cmake --build --preset arm-sim &&
        cmake --install build/arm-sim --prefix "$work/prefix-sim"; } >"$work/install-sim.log" 2>&1 ||
        { tail -20 "$work/install-sim.log"; fail "building or installing the arm-sim preset"; }
fi
exec 9>&-
for file in lib/liblumenfall_gpu.a lib/liblumenfall_fixmath.a lib/liblumenfall_platform.a \
    lib/liblumenfall_device_runtime.a lib/cmake/lumenfall/toolchain.cmake \
    lib/cmake/lumenfall/lumenfall-config.cmake bin/renderer.img bin/lumenfall-display; do
    [ -f "$prefix/$file" ] || fail "the install holds no $file"
done

example=$prefix/share/doc/lumenfall/examples/spin-cube
cmake -S "$example" -B "$work/example" -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/lumenfall/toolchain.cmake" \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/configure.log" 2>&1 ||
    fail "configuring the example for the handheld: $(tail -20 "$work/configure.log")"
cmake --build "$work/example" >"$work/build.log" 2>&1 ||
    fail "building the example for the handheld: $(tail -20 "$work/build.log")"
grep -qF "$source_dir" "$work/example/compile_commands.json" &&
    fail "the example's compile commands reach into the source tree"
program=$work/example/spin-cube
bash tools/check_arm_code.sh "$program" >"$work/check.log" 2>&1 ||
    fail "the example holds code the handheld cannot run: $(tail -5 "$work/check.log")"

# Plays the example in the simulator; the links to its devices are made
# inside it, where they exist.
mkdir -p "$work/root/dev"
play() {
    local name=$1 display=$2
    shift 2
    "$pc_bin/handheld-sim" --fast --no-window --no-progress --shown-digests "$work/$name.shown" "$@" -- sh -c '
        ln -sf "$LUMENFALL_SIM_DIR/mem" "$1/dev/mem" && ln -sf "$LUMENFALL_SIM_DIR/fb0" "$1/dev/fb0" || exit 1
        "$2/coreseed" "$2/renderer.img" >/dev/null || exit 1
        [ -z "$4" ] || env -u LUMENFALL_SIM_DIR '"$qemu"' -L "$1" "$4" &
        exec env -u LUMENFALL_SIM_DIR '"$qemu"' -L "$1" "$3"' sh "$work/root" "$pc_bin" "$program" "$display" \
        >"$work/$name.out" 2>"$work/$name.err"
    local status=$?
    local summary
    summary=$(grep 'handheld-sim: summary:' "$work/$name.err" | tail -1)
    echo "$name: ${summary:-no summary line}"
    [ $status -eq 0 ] || { tail -20 "$work/$name.err"; fail "$name run: the simulator ended with $status"; }
    case $summary in
    *"frames=180 "*"renderer_errors=0 "*"exit_status=0") ;;
    *) tail -20 "$work/$name.err"; fail "$name run: unexpected summary" ;;
    esac
}
play native "" --png "$work/png" --png-frames 100
python3 "$source_dir/tests/package/same_picture.py" "$reference" "$work/png/frame_00100.png" ||
    fail "frame 100 of the handheld build differs from $reference"
play emulated "$prefix/bin/lumenfall-display" --second-core emulated
cmp -s "$work/native.shown" "$work/emulated.shown" ||
    fail "the emulated core showed other buffers than the built-in renderer"

measured=""
if [ -f "$meter_plugin" ]; then
    cmake -S "$example" -B "$work/example-sim" \
        -DCMAKE_TOOLCHAIN_FILE="$work/prefix-sim/lib/cmake/lumenfall/toolchain.cmake" >"$work/configure-sim.log" 2>&1 &&
        cmake --build "$work/example-sim" >"$work/build-sim.log" 2>&1 ||
        fail "building the example against the arm-sim install: $(tail -20 "$work/build-sim.log" "$work/configure-sim.log")"
    bash tools/main_core_cost.sh --bin "$pc_bin" --out "$work/meter" --frames 20 "$work/example-sim/spin-cube" \
        >"$work/meter.out" 2>"$work/meter.err" ||
        fail "the meter could not measure the example: $(tail -10 "$work/meter.err")"
    verdict=$(tail -1 "$work/meter.out")
    echo "$verdict"
    [[ $verdict =~ ^main\ core:\ worst\ frame\ [0-9]+:\ [0-9]+\ instructions\ \(spin-cube\ [1-9][0-9]*\ \+\ display\ [1-9][0-9]*\) ]] ||
        fail "the meter's last line is not its summary: $verdict"
    measured=", measured by the meter"
fi
echo "PASSED: the example built for the handheld from the install alone, 180 frames on both second cores$measured"
