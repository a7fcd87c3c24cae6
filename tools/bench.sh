#!/usr/bin/env bash
# Runs the whole benchmark suite and prints every figure:
#   1. the demo's main-core instructions per frame and per picture decoding
#      (callgrind on the PC build; an emulator trace of the ARM build);
#   2. the renderer's span painters against the plain fill;
#   3. whole runs of the demo in the simulator against the floor of merely
#      writing the same frames' pixels;
#   4. the command FIFO between two processes against memcpy;
#   5. a whole run recorded to video against the same run with no outputs.
# Time figures are medians with their spread over repetitions, and each has a
# baseline measured in the same run, since the machine is shared and noisy.
#
# usage: tools/bench.sh [BUILD_DIR]      (default build/bench-release)
# Environment: BENCH_RUNS (whole runs, default 7), BENCH_REPS (benchmark
# repetitions, default 5), BENCH_SKIP_ARM=1 to leave out the ARM counts.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench-release}
arm_build=$root/build/bench-arm
runs=${BENCH_RUNS:-7}
reps=${BENCH_REPS:-5}
scripts=$root/bench/scripts
work=$(mktemp -d "${TMPDIR:-/tmp}/lumenfall-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$(date +%s)

section() { printf '\n== %s\n' "$*"; }

section "machine"
lscpu | sed -n 's/^Model name: *//p' | sed 's/^/cpu: /'
echo "cores: $(nproc)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "compiler: $(g++ --version | head -1)"
echo "commit: $(git -C "$root" rev-parse --short HEAD)"

section "build ($build, Release)"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target handheld-sim lumenfall renderer-image demo-frames \
  bench-renderer bench-fifo >/dev/null
bin=$build/bin

section "1. demo main-core work per frame, PC build (callgrind, instructions)"
echo "command: valgrind --tool=callgrind --collect-atstart=no $bin/demo-frames SCENE FRAMES SKIP"
# Scene 1's run also holds the first three picture decodings; scene 2's run
# repeats them, so only its own frames and the fourth picture are printed.
for args in "1 50 400" "2 20 300"; do
  # shellcheck disable=SC2086
  (cd "$work" && valgrind --tool=callgrind --collect-atstart=no \
     --callgrind-out-file="$work/cg.$$.%p" "$bin/demo-frames" $args >"$work/pieces" 2>/dev/null)
  if [ "${args%% *}" = 1 ]; then
    python3 "$scripts/callgrind_pieces.py" "$work/pieces" "$work"/cg.$$.*.*
  else
    python3 "$scripts/callgrind_pieces.py" --only "uncomp pic4" "$work/pieces" "$work"/cg.$$.*.*
    python3 "$scripts/callgrind_pieces.py" --only "scene2 frames" "$work/pieces" "$work"/cg.$$.*.*
  fi
  rm -f "$work"/cg.$$.*
done

section "1b. demo main-core work per frame, ARM build (qemu-arm trace, instructions)"
if [ "${BENCH_SKIP_ARM:-0}" = 1 ] || ! command -v arm-none-eabi-g++ >/dev/null ||
   ! command -v qemu-arm >/dev/null; then
  echo "skipped (no cross compiler or qemu-arm, or BENCH_SKIP_ARM=1)"
else
  if [ ! -f "$arm_build/CMakeCache.txt" ]; then
    cmake -S "$root/bench/device" -B "$arm_build" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/arm-handheld.cmake" >/dev/null
  fi
  cmake --build "$arm_build" -j2 --target demo-frames display-frames >/dev/null
  # The trace holds every executed block, so scene 2 starts without playing
  # scene 1 first; the first run's picture decodings are the ones printed.
  mkfifo "$work/trace"
  for args in "1 20 200" "2 4 10 --no-scene1"; do
    echo "command: qemu-arm -cpu ti925t -d in_asm,exec,nochain -D TRACE $arm_build/bin/demo-frames $args"
    # shellcheck disable=SC2086
    qemu-arm -cpu ti925t -d in_asm,exec,nochain -D "$work/trace" \
      "$arm_build/bin/demo-frames" $args >"$work/arm-pieces" &
    if [ "${args%% *}" = 1 ]; then
      python3 "$scripts/qemu_count.py" "$work/trace" "$work/arm-pieces"
    else
      python3 "$scripts/qemu_count.py" --skip "uncomp pic1,uncomp pic2,uncomp pic3" \
        "$work/trace" "$work/arm-pieces"
    fi
    wait
  done
  echo "command: qemu-arm -cpu ti925t -d in_asm,exec,nochain -D TRACE $arm_build/bin/display-frames 5"
  qemu-arm -cpu ti925t -d in_asm,exec,nochain -D "$work/trace" \
    "$arm_build/bin/display-frames" 5 >"$work/arm-pieces" &
  python3 "$scripts/qemu_count.py" "$work/trace" "$work/arm-pieces"
  wait
fi

section "2. renderer span painters (Google Benchmark, $reps repetitions)"
echo "command: $bin/bench-renderer --benchmark_filter=BM_Facet --benchmark_repetitions=$reps --benchmark_min_time=0.2"
"$bin/bench-renderer" --benchmark_filter=BM_Facet --benchmark_repetitions="$reps" \
  --benchmark_min_time=0.2 --benchmark_format=json >"$work/renderer.json" 2>/dev/null
python3 "$scripts/gbench_summary.py" renderer "$work/renderer.json"

section "3. whole run: $runs runs of the demo in the simulator, fast mode, no outputs"
run_sim() { # prints "wall_seconds sim_seconds frames fps"; extra arguments go to handheld-sim
  local t0 t1 summary
  t0=$(date +%s.%N)
  summary=$("$bin/handheld-sim" --fast --renderer-now --no-progress "$@" -- "$bin/lumenfall" 2>&1 |
            tail -1)
  t1=$(date +%s.%N)
  echo "$summary" | grep -q 'renderer_errors=0 exit_status=0' ||
    { echo "bad run: $summary" >&2; return 1; }
  echo "$(echo "$t0 $t1" | awk '{print $2 - $1}') $(echo "$summary" |
        sed -E 's/.*frames=([0-9]+) seconds=([0-9.]+) fps=([0-9.]+).*/\2 \1 \3/')"
}
echo "command: $bin/handheld-sim --fast --renderer-now --no-progress -- $bin/lumenfall"
echo "floor:   $bin/bench-renderer --benchmark_filter=BM_WriteFrames --benchmark_repetitions=$runs"
"$bin/bench-renderer" --benchmark_filter='BM_WriteFrames$' --benchmark_repetitions="$runs" \
  --benchmark_min_time=0 --benchmark_format=json >"$work/floor.json" 2>/dev/null
python3 "$scripts/gbench_summary.py" floor "$work/floor.json" | tee "$work/floor.txt" | grep -v '^floor-seconds'
floor=$(sed -n 's/^floor-seconds //p' "$work/floor.txt")
walls=() sims=() fpss=()
for _ in $(seq "$runs"); do
  read -r wall sim frames fps < <(run_sim)
  [ "$frames" = 2665 ] || { echo "a run showed $frames frames" >&2; exit 1; }
  walls+=("$wall") sims+=("$sim") fpss+=("$fps")
done
python3 "$scripts/spread.py" "whole run, wall (both processes)" s "${walls[@]}"
python3 "$scripts/spread.py" "whole run, simulator's own seconds" s "${sims[@]}"
python3 "$scripts/spread.py" "whole run, displayed frames a second" fps "${fpss[@]}"
python3 - "$floor" "${walls[@]}" <<'PY'
import statistics, sys
floor = float(sys.argv[1]); wall = statistics.median(float(v) for v in sys.argv[2:])
print(f"whole run: median wall / floor = {wall / floor:.2f} "
      f"(target: 2665 frames in <= 1.35 s, i.e. >= 2000 fps; median {2665 / wall:.0f} fps)")
PY

section "4. command FIFO between two processes (Google Benchmark, $reps repetitions)"
echo "command: $bin/bench-fifo --benchmark_repetitions=$reps --benchmark_min_time=0.3"
echo "(rates over wall time: both processes must be running at once)"
"$bin/bench-fifo" --benchmark_repetitions="$reps" --benchmark_min_time=0.3 \
  --benchmark_format=json >"$work/fifo.json" 2>/dev/null
python3 "$scripts/gbench_summary.py" fifo "$work/fifo.json"

section "5. recording: whole run to y4m against no outputs, 3 pairs"
echo "command: $bin/handheld-sim --fast --renderer-now --no-progress --video OUT.y4m -- $bin/lumenfall"
plain=() video=()
for _ in 1 2 3; do
  read -r wall _ _ _ < <(run_sim)
  plain+=("$wall")
  read -r wall _ _ _ < <(run_sim --video "$work/out.y4m")
  video+=("$wall")
  rm -f "$work/out.y4m"
done
python3 "$scripts/spread.py" "no outputs, wall" s "${plain[@]}"
python3 "$scripts/spread.py" "to y4m, wall" s "${video[@]}"
python3 - "${plain[@]}" "${video[@]}" <<'PY'
import statistics, sys
v = [float(x) for x in sys.argv[1:]]; plain, video = v[:3], v[3:]
p, r = statistics.median(plain), statistics.median(video)
print(f"recording: {2665 / r:.0f} fps to y4m against {2665 / p:.0f} fps with no outputs; "
      f"ratio of times {r / p:.2f}")
PY

section "done"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "suite time: $(( $(date +%s) - started )) s"
