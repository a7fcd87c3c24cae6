#!/usr/bin/env bash
# The display program's ARM line converters against the portable ones, under
# qemu-arm -cpu ti925t (the handheld's ARMv4T core): builds the check in
# build/rgb565-arm-identity and runs it.
# usage: rgb565_arm_identity.sh SOURCE_DIR
# Exit status: 0 identical, 1 a difference or a failed build, 77 no ARM
# toolchain or qemu-arm.
set -uo pipefail
root=${1:?usage: rgb565_arm_identity.sh SOURCE_DIR}
command -v arm-none-eabi-g++ >/dev/null || { echo "SKIP: no ARM toolchain"; exit 77; }
command -v qemu-arm >/dev/null || { echo "SKIP: no qemu-arm"; exit 77; }
build=$root/build/rgb565-arm-identity
mkdir -p "$root/build" && exec 9>"$build.lock" && flock 9 || { echo "cannot lock $build"; exit 1; }
{ [ -f "$build/CMakeCache.txt" ] ||
      cmake -S "$root/tests/display/arm_identity" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/arm-handheld.cmake"
  cmake --build "$build" -j2 --target rgb565-lines-check; } >"$build.log" 2>&1 ||
    { tail -30 "$build.log"; echo "FAIL: the ARM build failed"; exit 1; }
qemu-arm -cpu ti925t "$build/bin/rgb565-lines-check"
