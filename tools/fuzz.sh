#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/, clang with libFuzzer, ASan and UBSan) and
# runs each for a given time, one after the other, then prints a table of
# executions, coverage and findings per target. Exits 1 on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(renderer_fifo packed_picture picture_sources capture capture_replay coreseed_args menu_picture second_core_image)

usage() {
    cat <<EOF
Usage: tools/fuzz.sh [--seconds N | --smoke | --coverage] [TARGET]...
Builds the fuzz targets in build/fuzz and runs each TARGET (default: all) for
N seconds (default 60), one at a time.

  --seconds N   run each target for N seconds
  --smoke       30 seconds each, for continuous integration
  --coverage    fuzz nothing: replay each target's corpus in a coverage build
                (build/fuzz-cov) and print the line coverage of the code it
                is aimed at (needs llvm-profdata and llvm-cov)
  --list        print the targets and exit
  --help        show this help

Targets: ${all_targets[*]}
Seeds are read from fuzz/corpus/TARGET; what the fuzzer adds goes to
build/fuzz/corpus/TARGET, and an input that fails to
build/fuzz/findings/TARGET/. Replay one with: build/fuzz/bin/TARGET FILE

Exit status: 0 when no target found anything, 1 on any finding (crash,
sanitizer report, leak, timeout, out of memory), 2 on a usage or build error.
EOF
}

die() {
    echo "fuzz.sh: $*" >&2
    exit 2
}

seconds=60
coverage=0
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --help | -h) usage; exit 0 ;;
    --list) printf '%s\n' "${all_targets[@]}"; exit 0 ;;
    --smoke) seconds=30 ;;
    --coverage) coverage=1 ;;
    --seconds)
        [ $# -ge 2 ] || die "--seconds needs a value"
        seconds=$2
        shift ;;
    --seconds=*) seconds=${1#--seconds=} ;;
    -*) die "unknown option '$1' (try --help)" ;;
    *)
        [[ " ${all_targets[*]} " == *" $1 "* ]] || die "no fuzz target '$1' (try --list)"
        targets+=("$1") ;;
    esac
    shift
done
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || die "--seconds must be a positive whole number, not '$seconds'"
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# clang 14 from Debian, or whatever clang is first on the path.
cc=clang-14 cxx=clang++-14
command -v "$cxx" >/dev/null 2>&1 || { cc=clang; cxx=clang++; }
command -v "$cxx" >/dev/null 2>&1 || die "clang is not installed (apt-get install clang-14 libclang-rt-14-dev)"

# build_targets DIR [CMAKE OPTION]...
build_targets() {
    local dir=$1
    shift
    echo "== building the fuzz targets in $dir"
    cmake -S fuzz -B "$dir" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" "$@" \
        >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log" >&2; die "cmake could not configure fuzz/"; }
    cmake --build "$dir" -j2 --target "${targets[@]}" >"$dir.build.log" 2>&1 ||
        { tail -40 "$dir.build.log" >&2; die "the fuzz targets did not build"; }
}

# The code each target is aimed at, for the coverage report.
declare -A aimed_at=(
    [renderer_fifo]="renderer"
    [packed_picture]="demo/pictures/picture_decode.cpp tools/pictures/run_length.cpp tools/pictures/preview.cpp"
    [picture_sources]="tools/pictures/bitmap.cpp tools/pictures/cpp_array.cpp"
    [capture]="capture/capture_reader.cpp capture/command_text.cpp capture/capture_summary.cpp"
    [capture_replay]="capture/capture_replay.cpp capture/capture_reader.cpp capture/texture_codec.cpp capture/texture_codec_zstd.cpp"
    [coreseed_args]="loader/command_line.cpp loader/image_placement.cpp"
    [menu_picture]="sim/host/outputs/picture_file.cpp sim/host/outputs/png_io_libpng.cpp"
    [second_core_image]="sim/host/second_core/renderer_image.cpp sim/host/second_core/arm_engine_unicorn.cpp"
)

if [ $coverage -eq 1 ]; then
    profdata=llvm-profdata-14 llvmcov=llvm-cov-14
    command -v "$profdata" >/dev/null 2>&1 || { profdata=llvm-profdata; llvmcov=llvm-cov; }
    command -v "$profdata" >/dev/null 2>&1 || die "llvm-profdata is not installed (apt-get install llvm-14)"
    build=build/fuzz-cov
    build_targets "$build" -DLUMENFALL_FUZZ_COVERAGE=ON
    mkdir -p "$build/profiles"
    for t in "${targets[@]}"; do
        mkdir -p "build/fuzz/corpus/$t"
        rm -f "$build/profiles/$t".*
        LLVM_PROFILE_FILE="$build/profiles/$t.profraw" "$build/bin/$t" -runs=0 \
            "build/fuzz/corpus/$t" "fuzz/corpus/$t" >"$build/profiles/$t.log" 2>&1 ||
            die "$t failed while replaying its corpus (see $build/profiles/$t.log)"
        "$profdata" merge -sparse "$build/profiles/$t.profraw" -o "$build/profiles/$t.profdata"
        units=$(find "build/fuzz/corpus/$t" "fuzz/corpus/$t" -type f | wc -l)
        echo
        echo "== $t: $units inputs"
        # shellcheck disable=SC2086 # the list of sources is meant to split
        "$llvmcov" report "$build/bin/$t" -instr-profile="$build/profiles/$t.profdata" \
            ${aimed_at[$t]} | sed "s|$PWD/||"
    done
    exit 0
fi

build=build/fuzz
build_targets "$build"

# The last value of a "name: N" field in a libFuzzer status line.
field() {
    grep -oE "$1: [0-9]+" "$2" | tail -1 | grep -oE '[0-9]+$' || echo 0
}

failed=0
rows=()
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t
    findings=$build/findings/$t
    log=$build/logs/$t.log
    mkdir -p "$corpus" "$findings" "$build/logs"
    before=$(find "$findings" -type f | wc -l)
    echo "== $t: ${seconds} s"
    # A slow input may take seconds (a facet over a whole 4096-word-wide
    # buffer); one that takes 25 s is a hang. Sanitizer reports of any kind
    # end the run; leaks too.
    set +e
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/bin/$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "fuzz/corpus/$t" >"$log" 2>&1
    status=$?
    set -e
    after=$(find "$findings" -type f | wc -l)
    found=$((after - before))
    if [ $status -ne 0 ] && [ $found -eq 0 ]; then found=1; fi
    execs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
    rows+=("$(printf '%-16s %8s %12s %9s %9s %9s %9s' "$t" "$seconds" "${execs:-0}" \
        "$(field 'exec/s' "$log")" "$(field cov "$log")" "$(field ft "$log")" "$found")")
    if [ $found -ne 0 ]; then
        failed=1
        echo "fuzz.sh: $t found a fault (exit status $status); log: $log" >&2
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -5 >&2 || true
    fi
done

echo
printf '%-16s %8s %12s %9s %9s %9s %9s\n' target seconds executions exec/s coverage features findings
printf '%s\n' "${rows[@]}"
if [ $failed -ne 0 ]; then
    echo "fuzz.sh: FAILED: see build/fuzz/findings/ and build/fuzz/logs/" >&2
    exit 1
fi
echo "fuzz.sh: no findings"
