#!/usr/bin/env bash
# The simulator as an everyday tool, against the build before the client
# learned to sleep while it waits:
#   1. real-time playback: processor time over 10 s of wall time;
#   2. one fast whole run: wall and processor time;
#   3. three fast runs started together against three in a row;
#   4. a fast run with capture (with and without texture contents, where the
#      build can leave them out) against one without; the capture's size,
#      and replay speed against a live fast run where the build can replay.
# Both builds are measured in this one run, their repetitions interleaved.
# The previous build is made from a temporary git worktree of BEFORE_REV
# (default: the parent of the commit that added the sleeping wait).
#
# usage: tools/sim_bench.sh [BUILD_DIR]      (default build/sim-bench-release)
# Environment: BEFORE_REV, or BEFORE_BUILD (an existing release build of the
# previous version, used as it is), SIM_BENCH_RUNS (fast runs per figure,
# default 7), SIM_BENCH_REALTIME_RUNS (10 s playbacks per build, default 3),
# SIM_BENCH_ONLY (a subset of realtime,fast,together,capture).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/sim-bench-release}
work=$(mktemp -d "${TMPDIR:-/tmp}/sim-bench-XXXXXX")
before_tree=$work/before-src
cleanup() {
  git -C "$root" worktree remove --force "$before_tree" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

first_sleeping=$(git -C "$root" log --format=%H --diff-filter=A -- \
  platform/wait_policy_spin_sleep.cpp | tail -1)
before_rev=${BEFORE_REV:-${first_sleeping:+$first_sleeping^}}
[ -n "$before_rev" ] || [ -n "${BEFORE_BUILD:-}" ] ||
  { echo "sim_bench: set BEFORE_REV or BEFORE_BUILD to the build to compare with" >&2; exit 2; }

targets=(handheld-sim lumenfall renderer-image capture-dump)
build_release() { # SOURCE BUILD; an existing build keeps its own settings
  if [ ! -f "$2/CMakeCache.txt" ]; then
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DLUMENFALL_BUILD_TESTS=OFF >/dev/null
  fi
  cmake --build "$2" -j2 --target "${targets[@]}" >/dev/null
}

echo "== machine"
lscpu | sed -n 's/^Model name: *//p' | sed 's/^/cpu: /'
echo "cores: $(nproc)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "after: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD || echo ' + local changes'), built in $build"
build_release "$root" "$build"
if [ -n "${BEFORE_BUILD:-}" ]; then
  echo "before: the existing build $BEFORE_BUILD"
  before_bin=$BEFORE_BUILD/bin
else
  echo "before: $(git -C "$root" rev-parse --short "$before_rev"), built from a temporary worktree"
  git -C "$root" worktree add --detach --quiet "$before_tree" "$before_rev"
  build_release "$before_tree" "$work/before-build"
  before_bin=$work/before-build/bin
fi

python3 "$root/bench/scripts/sim_runs.py" --before "$before_bin" --after "$build/bin" \
  --runs "${SIM_BENCH_RUNS:-7}" --realtime-runs "${SIM_BENCH_REALTIME_RUNS:-3}" --work "$work" \
  ${SIM_BENCH_ONLY:+--only "$SIM_BENCH_ONLY"}
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
