#!/usr/bin/env bash
# Plays the whole demo in the simulator's fast mode with the loader and the
# demo each under valgrind's memcheck:
#
#   handheld-sim --fast -- sh -c 'valgrind coreseed renderer.img && valgrind lumenfall'
#
# with --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite.
# Fails on any memcheck error or definite leak, a frame count other than
# 2665, a renderer error or a non-zero exit status. PRESET is the PC build to
# check, debug (default) or release.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=debug
case "${1:-}" in
--help | -h)
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    echo "Usage: tools/valgrind_run.sh [debug|release]   (exit status 0 clean, 1 on a finding, 2 setup error)"
    exit 0 ;;
debug | release) preset=$1 ;;
"") ;;
*) echo "valgrind_run.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
esac
command -v valgrind >/dev/null 2>&1 || { echo "valgrind_run.sh: valgrind is not installed" >&2; exit 2; }

echo "== building the $preset preset's programs"
{ cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target handheld-sim lumenfall coreseed >/dev/null; } ||
    { echo "valgrind_run.sh: the $preset build failed" >&2; exit 2; }

bin=$PWD/build/$preset/bin
log=$PWD/build/$preset/valgrind_run.log
memcheck="valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --track-origins=yes"

echo "== playing the demo under memcheck (log: $log)"
set +e
PATH="$bin:$PATH" "$bin/handheld-sim" --fast --no-window --no-progress -- \
    sh -c "$memcheck coreseed '$bin/renderer.img' && $memcheck lumenfall" >"$log.stdout" 2>"$log"
status=$?
set -e

summary=$(grep '^handheld-sim: summary:' "$log" | tail -1 || true)
runs=$(grep -c 'ERROR SUMMARY:' "$log" || true)
errors=$(grep -c 'ERROR SUMMARY: [1-9]' "$log" || true)
leaks=$(grep -c 'definitely lost: [1-9]' "$log" || true)
echo "${summary:-no summary line}"
grep -E 'Command:|definitely lost:|ERROR SUMMARY:' "$log" | sed 's/^==[0-9]*== /  /'

problems=()
[ "$runs" -eq 2 ] || problems+=("memcheck finished $runs of the 2 programs")
[ "$errors" -eq 0 ] || problems+=("memcheck errors in $errors program(s)")
[ "$leaks" -eq 0 ] || problems+=("definite leaks in $leaks program(s)")
[ $status -eq 0 ] || problems+=("the simulator exited with status $status")
[[ "$summary" == *" frames=2665 "* ]] || problems+=("not all 2665 frames were displayed")
[[ "$summary" == *" renderer_errors=0 "* ]] || problems+=("the renderer reported errors")
if [ ${#problems[@]} -gt 0 ]; then
    printf 'valgrind_run.sh: FAILED: %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "valgrind_run.sh: clean"
