#!/usr/bin/env python3
"""Instruction counts per measured piece and per function from a qemu-user
trace of demo-frames built with the marker probe.

Run the program as  qemu-arm -d in_asm,exec,nochain -D LOG demo-frames ...
so that the log holds every translated block's instructions once (in_asm)
and a line for every execution of a block (exec; nochain keeps the emulator
from running chained blocks without a line). A block's instructions then
count once per execution line. Blocks end at branches, so a block executed
partially (a fault, a system call inside it) is the only inexactness.

usage: qemu_count.py [--skip LABEL,...] LOG PIECES
  PIECES: the driver's standard output, whose "piece LABEL frames N" lines
  name the measured pieces in order; --skip leaves the listed pieces out of
  the report (they are still counted, to keep the order).
Prints, for each piece, the instructions per frame in total and for every
function that ran at least 0.5 % of them (exclusive counts).
"""
import subprocess
import sys
from collections import Counter

# The C library's division helpers: the processor has no divide instruction.
DIVISION_HELPERS = ("__aeabi_idiv", "__aeabi_uidiv", "__aeabi_ldivmod", "__aeabi_uldivmod",
                    "__divsi3", "__udivsi3", "__udivmoddi4", "__divmoddi4", "__aeabi_idivmod",
                    "__aeabi_uidivmod")


def demangle(names):
    try:
        out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True,
                             text=True, check=True).stdout.splitlines()
        return dict(zip(names, out)) if len(out) == len(names) else {n: n for n in names}
    except OSError:
        return {n: n for n in names}


def read_pieces(path):
    pieces = []
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) >= 4 and words[0] == "piece" and words[-2] == "frames":
                pieces.append((" ".join(words[1:-2]), int(words[-1])))
    return pieces


def count(log_path):
    """Returns a list of Counters (function -> instructions), one per piece."""
    block_size = {}
    results = []
    current = None
    in_block = None
    with open(log_path, errors="replace") as log:
        for line in log:
            if line.startswith("Trace "):
                in_block = None
                # Trace 0: 0xHOST [flags/PC/flags/flags] symbol
                bracket = line.index("[")
                fields = line[bracket + 1:line.index("]", bracket)].split("/")
                pc = int(fields[1], 16)
                symbol = line[line.index("]", bracket) + 1:].strip() or "?"
                if symbol == "bench_marker_begin":
                    current = Counter()
                    continue
                if symbol == "bench_marker_end":
                    if current is not None:
                        results.append(current)
                    current = None
                    continue
                if current is not None:
                    current[symbol] += block_size.get(pc, 1)
            elif line.startswith("IN:"):
                in_block = -1
            elif in_block is not None:
                if line.startswith("0x"):
                    if in_block == -1:
                        in_block = int(line[2:line.index(":")], 16)
                        block_size[in_block] = 0
                    block_size[in_block] += 1
                elif not line.strip():
                    in_block = None
    return results


def main():
    args = sys.argv[1:]
    skip = set()
    if len(args) >= 2 and args[0] == "--skip":
        skip, args = set(args[1].split(",")), args[2:]
    if len(args) != 2:
        sys.exit(__doc__)
    # The trace first: the driver's output is complete only once the log ends.
    counts = count(args[0])
    pieces = read_pieces(args[1])
    if len(counts) != len(pieces):
        sys.exit(f"qemu_count: {len(counts)} marked pieces in the trace, "
                 f"{len(pieces)} announced by the driver")
    names = demangle(sorted({name for counter in counts for name in counter}))
    for (label, frames), counter in zip(pieces, counts):
        if label in skip:
            continue
        total = sum(counter.values())
        print(f"arm piece '{label}': {total / frames:,.0f} instructions per frame "
              f"({total:,} over {frames} frames)")
        for symbol, n in counter.most_common():
            if n * 200 >= total or symbol in DIVISION_HELPERS:
                helper = "  (division helper)" if symbol in DIVISION_HELPERS else ""
                print(f"    {n / frames:12,.0f}  {names[symbol]}{helper}")

if __name__ == "__main__":
    main()
