#!/usr/bin/env bash
# The main core's cost of a program and of the display program, per
# displayed frame: runs the ARM builds of both under qemu-arm -cpu ti925t
# inside handheld-sim (the renderer image on the emulated second core, whose
# scan-out takes every frame the display program converts), counts each
# program's instructions and its accesses to the uncached memory and frame
# buffer devices with a qemu plugin (main-core-meter.so), and prints them by
# scene with a cycle estimate at two memory settings. Waiting (the client
# library's polls of the renderer, the display program's sleeps) is left out.
#
# usage: tools/main_core_cost.sh [OPTION]... [PROGRAM [ARG]...]
#   PROGRAM      an ARM build of a program using the gpu library, made for
#                the simulator's devices (the arm-sim preset, or the kit's
#                arm-sim install); default: the demo, build/arm-sim/bin/lumenfall
#   --frames N   stop after N displayed frames (default: the whole run)
#   --display F  the display program (default build/arm-sim/bin/lumenfall-display)
#   --bin DIR    the PC build with handheld-sim, coreseed, renderer.img and
#                main-core-meter.so (default build/release/bin)
#   --out DIR    where the rows, frames.csv and chart.png go
#                (default build/main-core-cost)
#   --frame-symbol S  the function whose every call ends a frame (default gpuShowBuf)
#   --scene S:NAME    frames from the first call of function S on belong to
#                scene NAME (repeatable; for the demo: scene1 and begin_scene2)
#   --loading S  frames that call function S load pictures and are listed
#                apart (for the demo: uncomp)
#   --seed N     LUMENFALL_SEED for the program (default 7)
# The last line reads:
#   main core: worst frame N: I instructions (PROGRAM D + display S), E cycles plausible, P cycles pessimistic
# Exit status: 0 measured, 1 the run or a tool failed, 2 usage.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
frames='' display=$root/build/arm-sim/bin/lumenfall-display bin=$root/build/release/bin
out=$root/build/main-core-cost frame_symbol=gpuShowBuf seed=7 scenes=() loading=()
usage() { sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
bad_usage() { echo "main_core_cost: $*" >&2; echo "Try '$0 --help'." >&2; exit 2; }
need() { [ "$2" -ge 2 ] || bad_usage "$1 needs a value"; }
while [ $# -gt 0 ]; do
    case $1 in
    -h | --help) usage; exit 0 ;;
    --frames) need "$1" $#; frames=$2; shift 2
        [[ $frames =~ ^[1-9][0-9]*$ ]] || bad_usage "--frames takes a whole number above 0, not '$frames'" ;;
    --display) need "$1" $#; display=$2; shift 2 ;;
    --bin) need "$1" $#; bin=$2; shift 2 ;;
    --out) need "$1" $#; out=$2; shift 2 ;;
    --frame-symbol) need "$1" $#; frame_symbol=$2; shift 2 ;;
    --scene) need "$1" $#; [[ $2 == ?*:?* ]] || bad_usage "--scene takes FUNCTION:NAME, not '$2'"
        scenes+=("$2"); shift 2 ;;
    --loading) need "$1" $#; loading+=("$2"); shift 2 ;;
    --seed) need "$1" $#; seed=$2; shift 2 ;;
    --) shift; break ;;
    -*) bad_usage "unknown option $1" ;;
    *) break ;;
    esac
done
fail() { echo "main_core_cost: $*" >&2; exit 1; }

program_name=demo
if [ $# -eq 0 ]; then
    set -- "$root/build/arm-sim/bin/lumenfall"
    [ ${#scenes[@]} -gt 0 ] || scenes=("scene1:1" "begin_scene2:2")
    [ ${#loading[@]} -gt 0 ] || loading=(uncomp)
else
    program_name=$(basename "$1")
fi
program=$1
shift

command -v qemu-arm >/dev/null || fail "no qemu-arm (Debian package qemu-user)"
command -v arm-none-eabi-nm >/dev/null || fail "no arm-none-eabi-nm (Debian package binutils-arm-none-eabi)"
for file in "$program" "$display"; do
    [ -x "$file" ] || fail "$file is not an executable (build the arm-sim preset: cmake --preset arm-sim && cmake --build --preset arm-sim)"
done
for file in handheld-sim coreseed renderer.img main-core-meter.so; do
    [ -e "$bin/$file" ] || fail "$bin/$file is missing (build it: cmake --build --preset release --target handheld-sim coreseed renderer-image main-core-meter)"
done
mkdir -p "$out" || fail "cannot make $out"

# The plugin's arguments for one program: its frame marker, wait functions,
# scenes and loading functions, as addresses from its symbol table.
meter_arguments() { # PROGRAM FRAME_SYMBOL ROWS [scene=S:NAME | note=S]...
    local file=$1 marker=$2 rows=$3
    shift 3
    arm-none-eabi-nm -C -S --defined-only "$file" >"$out/symbols" 2>/dev/null ||
        { echo "main_core_cost: $file has no symbol table (was it stripped?)" >&2; return 1; }
    python3 - "$out/symbols" "$marker" "$rows" "$@" <<'PY'
import re, sys
symbols, marker, rows, wanted = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
table = []  # (address, size, demangled name without its parameters)
for line in open(symbols):
    m = re.match(r"([0-9a-f]+) ([0-9a-f]+) [Tt] (.*)", line.strip())
    if m:
        # The name without its parameters (an anonymous namespace is part of it).
        name = m.group(3).replace("(anonymous namespace)", "{anonymous}").split("(")[0]
        table.append((int(m.group(1), 16), int(m.group(2), 16), name))
def find(name):
    for address, size, symbol in table:
        if symbol == name:
            return address, size
    sys.exit(f"main_core_cost: no function {name} in the program")
# Waiting: the client library's pause between polls, the display program's
# sleeps and its clock, and the calls they make.
WAITS = {"platform::wait_pause", "display::FrameClock::pause", "display::FrameClock::next_frame",
         "nanosleep", "clock_gettime", "sched_yield", "gettimeofday",
         "device_runtime::posix_nanosleep", "device_runtime::posix_clock_gettime",
         "device_runtime::posix_sched_yield"}
def waits(name):
    return name in WAITS or (name.startswith("display::") and
                             name.endswith(("::sleep_ns", "::now_ns")))
args = [f"out={rows}", f"frame={find(marker)[0]:#x}"]
args += [f"wait={a:#x}-{a + s:#x}" for a, s, name in table if waits(name) and s > 0]
for item in wanted:
    kind, _, value = item.partition("=")
    if kind == "scene":
        function, _, scene = value.partition(":")
        args.append(f"scene={find(function)[0]:#x}:{scene}")
    else:
        args.append(f"note={find(value)[0]:#x}")
print(",".join(args))
PY
}

extra=()
for scene in ${scenes[@]+"${scenes[@]}"}; do extra+=("scene=$scene"); done
for function in ${loading[@]+"${loading[@]}"}; do extra+=("note=$function"); done
program_args=$(meter_arguments "$program" "$frame_symbol" "$out/program.rows" \
    ${extra[@]+"${extra[@]}"}) || exit 1
display_args=$(meter_arguments "$display" "display::convert_to_rgb565" "$out/display.rows") ||
    exit 1
rm -f "$out/program.rows" "$out/display.rows"

plugin=$bin/main-core-meter.so
limit=()
[ -n "$frames" ] && limit=(--frames "$frames")
echo "main_core_cost: measuring $program with $display (seed $seed${frames:+, $frames frames})" >&2
started=$(date +%s)
# The programs run from a shell inside the simulator, as on the handheld:
# the loader first (the PC build: it is not measured), then the display
# program beside the program.
# shellcheck disable=SC2016  # expanded by the shell inside the simulator
script='"$1" "$2" >/dev/null || exit 1
qemu-arm -cpu ti925t -plugin "$3" "$4" &
prog=$5; shift 5
LUMENFALL_SEED=$SEED qemu-arm -cpu ti925t -plugin "$prog" "$@"'
SEED=$seed "$bin/handheld-sim" --fast --no-window --no-progress --second-core emulated \
    ${limit[@]+"${limit[@]}"} -- sh -c "$script" meter "$bin/coreseed" "$bin/renderer.img" \
    "$plugin,$display_args" "$display" "$plugin,$program_args" "$program" "$@" \
    >"$out/run.out" 2>"$out/run.err"
status=$?
summary=$(grep 'handheld-sim: summary:' "$out/run.err" | tail -1)
echo "main_core_cost: ${summary:-no summary from handheld-sim}, $(($(date +%s) - started)) s" >&2
# With --frames the simulator ends the program itself; otherwise it must
# have ended by itself, well.
if [ -z "$summary" ] || ! grep -q 'renderer_errors=0' <<<"$summary" ||
   { [ -z "$frames" ] && ! grep -q 'exit_status=0' <<<"$summary"; }; then
    tail -15 "$out/run.err" >&2
    fail "the run failed (simulator status $status; its output is in $out/run.err)"
fi
[ -s "$out/program.rows" ] && [ -s "$out/display.rows" ] ||
    fail "the meter wrote no rows (see $out/run.err)"
python3 "$root/tools/main_core_meter/cost_report.py" "$out/program.rows" "$out/display.rows" \
    "$out/frames.csv" "$out/chart.png" "$program_name" || fail "the report failed"
