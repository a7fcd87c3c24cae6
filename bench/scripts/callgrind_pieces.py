#!/usr/bin/env python3
"""Per-frame instruction counts from callgrind dumps of demo-frames.

demo-frames, built with the callgrind probe and run under
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=PREFIX.%p
leaves one dump per measured piece, described as "Client Request: LABEL".
This reads each dump through callgrind_annotate (inclusive costs) and prints
the piece's instructions per frame in total and for every function that
accounts for at least 0.5 % of them, inclusive of what it calls.

usage: callgrind_pieces.py [--only LABEL] PIECES DUMP...
  PIECES: the driver's standard output ("piece LABEL frames N" lines);
  --only: print just the piece called LABEL.
"""
import re
import subprocess
import sys

# The demo's per-frame steps, always listed when they ran; anything else only
# from 0.5 % of the piece on. The FIFO writes are part of their callers' costs.
STEPS = ["camera_move()", "next_out_buf()", "clear_screen()", "transform_cube()",
         "draw_facet(unsigned int, int, int)", "draw_ink_texture(unsigned char const*, gpuBuf*)",
         "rotate_pic(int, int)", "transf_draw_pic(gpuBuf*, FixVec const*, int)",
         "show_out_buf()", "gpuAlloc(unsigned int, unsigned int, bool)",
         "gpuWritev(gpuPiece const*, unsigned int, bool)",
         "gpuWrite(void const*, unsigned int, bool)"]

LINE = re.compile(r"^\s*([\d,]+)\s+\([\s\d.]+%\)\s+(.*?)\s+\[(.*)\]\s*$")


def read_pieces(path):
    frames = {}
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) >= 4 and words[0] == "piece" and words[-2] == "frames":
                frames[" ".join(words[1:-2])] = int(words[-1])
    return frames


def label_of(dump):
    with open(dump, errors="replace") as f:
        for line in f:
            if line.startswith("desc: Trigger: Client Request: "):
                return line.split(": ", 2)[2].split(":", 1)[1].strip()
            if line.startswith("events:"):
                break
    return None


def inclusive_costs(dump):
    out = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", dump],
                         check=True, capture_output=True, text=True).stdout
    total = None
    costs = []
    for line in out.splitlines():
        if "PROGRAM TOTALS" in line:
            total = int(line.split()[0].replace(",", ""))
            continue
        m = LINE.match(line)
        if m:
            name = m.group(2).split(":", 1)[-1]
            costs.append((int(m.group(1).replace(",", "")), name))
    return total, costs


def main():
    args = sys.argv[1:]
    only = None
    if len(args) >= 2 and args[0] == "--only":
        only, args = args[1], args[2:]
    if len(args) < 2:
        sys.exit(__doc__)
    frames = read_pieces(args[0])
    for dump in args[1:]:
        label = label_of(dump)
        if label is None or label not in frames or (only is not None and label != only):
            continue
        n = frames[label]
        total, costs = inclusive_costs(dump)
        print(f"pc piece '{label}': {total / n:,.0f} instructions per frame "
              f"({total:,} over {n} frames)")
        seen = set()
        by_name = {}
        for cost, name in costs:
            by_name.setdefault(name, cost)
        for name in STEPS:
            if name in by_name:
                seen.add(name)
                print(f"    {by_name[name] / n:12,.0f}  {name}")
        for cost, name in costs:
            # The driver and the C runtime around it hold the whole piece.
            if cost >= total or name in seen or cost * 200 < total:
                continue
            seen.add(name)
            print(f"    {cost / n:12,.0f}  {name}")


if __name__ == "__main__":
    main()
