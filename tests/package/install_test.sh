#!/usr/bin/env bash
# Installs a build into a temporary prefix and uses it the way another
# project would: builds the installed example against the package alone,
# plays it in the installed simulator with the installed loader and renderer
# image, compares one frame with a reference picture, and compiles and links a
# one-file program with the flags pkg-config gives.
#
# Usage: install_test.sh BUILD_DIR SOURCE_DIR CXX_COMPILER [CXX_FLAGS [LINK_FLAGS]]
#   The flags are the build's own, so that a sanitized install is consumed by
#   sanitized programs.
# Environment: LUMENFALL_REGENERATE_GOLDEN=1 rewrites the reference picture.
# Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
set -uo pipefail

build_dir=$1 source_dir=$2 cxx=$3 cxx_flags=${4:-} link_flags=${5:-}
reference=$source_dir/tests/package/spin_cube_frame100.png

fail() { echo "FAILED: $*"; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }
command -v pkg-config >/dev/null || skip "pkg-config not installed"
command -v python3 >/dev/null || skip "python3 not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/install-test-XXXXXX") || fail "mktemp"
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log" ||
    fail "cmake --install: $(tail -5 "$work/install.log")"

# The example as installed, configured with nothing but the prefix.
example=$prefix/share/doc/lumenfall/examples/spin-cube
cmake -S "$example" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxx_flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$link_flags" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    > "$work/configure.log" 2>&1 || fail "configuring the example: $(cat "$work/configure.log")"
cmake --build "$work/example" > "$work/build.log" 2>&1 ||
    fail "building the example: $(cat "$work/build.log")"
if grep -qF "$source_dir" "$work/example/compile_commands.json"; then
    fail "the example's compile commands reach into the source tree"
fi

mkdir -p "$work/png"
"$prefix/bin/handheld-sim" --fast --no-window --no-progress --png "$work/png" --png-frames 100 \
    -- sh -c "'$prefix/bin/coreseed' '$prefix/bin/renderer.img' && '$work/example/spin-cube'" \
    > "$work/run.out" 2> "$work/run.err"
status=$?
if grep -q "no PNG support" "$work/run.err"; then
    skip "handheld-sim was built without libpng"
fi
summary=$(grep "handheld-sim: summary:" "$work/run.err")
echo "$summary"
[ $status -eq 0 ] || fail "the simulator exited with $status: $(cat "$work/run.err")"
case $summary in
    *"frames=180 "*"renderer_errors=0 "*"exit_status=0") ;;
    *) fail "unexpected summary: $summary" ;;
esac

frame=$work/png/frame_00100.png
if [ -n "${LUMENFALL_REGENERATE_GOLDEN:-}" ]; then
    cp "$frame" "$reference" && echo "rewrote $reference"
fi
python3 "$source_dir/tests/package/same_picture.py" "$reference" "$frame" ||
    fail "frame 100 differs from $reference"

# pkg-config alone: a one-file program that calls into both libraries.
cat > "$work/one.cpp" <<'EOF'
#include "fixmath.h"
#include "gpu.h"
#include <cstdio>
int main(int argc, char**) {
    // gpuOpen is linked but only called when asked, outside the simulator.
    if (argc > 1) return gpuOpen();
    std::printf("%d %u\n", Fix_sqrt(0x10000), gpu_facet_words(4));
    return 0;
}
EOF
flags=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs lumenfall-gpu lumenfall-fixmath) ||
    fail "pkg-config does not know the packages"
# shellcheck disable=SC2086 # the flags are words to split
"$cxx" -std=c++20 $cxx_flags "$work/one.cpp" -o "$work/one" $flags $link_flags 2> "$work/one.log" ||
    fail "compiling with the pkg-config flags ($flags): $(cat "$work/one.log")"
[ "$("$work/one")" = "256 29" ] || fail "the pkg-config program printed '$("$work/one")'"

echo "install test passed"
