#!/usr/bin/env bash
# Plays the whole demo in the simulator's fast mode with every program built
# under AddressSanitizer and UndefinedBehaviorSanitizer (the asan preset),
# the renderer loaded by the loader as on the handheld:
#
#   handheld-sim --fast -- sh -c 'coreseed renderer.img && lumenfall'
#
# Fails on any sanitizer report (including a leak at exit) in any of the
# three programs, a frame count other than 2665, a renderer error or a
# non-zero exit status. The test demo.runs_in_simulator plays the demo under
# the same build too, but starts the renderer without the loader.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
--help | -h)
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    echo "Usage: tools/sanitized_run.sh   (exit status 0 clean, 1 on a finding, 2 build error)"
    exit 0 ;;
"") ;;
*) echo "sanitized_run.sh: no arguments expected (try --help)" >&2; exit 2 ;;
esac

echo "== building the asan preset's programs"
{ cmake --preset asan >/dev/null && cmake --build --preset asan --target handheld-sim lumenfall coreseed >/dev/null; } ||
    { echo "sanitized_run.sh: the asan build failed" >&2; exit 2; }

bin=$PWD/build/asan/bin
log=$PWD/build/asan/sanitized_run.log
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== playing the demo under the sanitizers (log: $log)"
set +e
PATH="$bin:$PATH" "$bin/handheld-sim" --fast --no-window --no-progress -- \
    sh -c "coreseed '$bin/renderer.img' && lumenfall" >"$log.stdout" 2>"$log"
status=$?
set -e

summary=$(grep '^handheld-sim: summary:' "$log" | tail -1 || true)
reports=$(grep -cE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$log" || true)
echo "${summary:-no summary line}"
echo "sanitizer reports: $reports"

problems=()
[ "$reports" -eq 0 ] || problems+=("$reports sanitizer report(s)")
[ $status -eq 0 ] || problems+=("the simulator exited with status $status")
[[ "$summary" == *" frames=2665 "* ]] || problems+=("not all 2665 frames were displayed")
[[ "$summary" == *" renderer_errors=0 "* ]] || problems+=("the renderer reported errors")
if [ ${#problems[@]} -gt 0 ]; then
    grep -E -A30 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$log" | head -60 >&2 || true
    printf 'sanitized_run.sh: FAILED: %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "sanitized_run.sh: clean"
