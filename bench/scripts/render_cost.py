#!/usr/bin/env python3
"""The renderer's cost on the second core's processor, from a qemu-user trace
of render-frames (the method of qemu_count.py, whose counter this uses).

Run the driver as  qemu-arm -cpu ti925t -d in_asm,exec,nochain -D LOG
render-frames PACK > OUT, then:

usage: render_cost.py LOG OUT [--pc PC_OUT] [--covered OUT_WITH_COUNTS]
  --pc       the PC build's output for the same pack: every frame's picture
             digest must be the same (exit status 1 if any differs)
  --covered  take the covered pixels per type from this output instead of
             OUT (for a build of the renderer that does not count them)
Prints per frame the instructions, the covered pixels by rendering type and
the instructions of each type's row painters (with the ARM spans' row
set-ups; the sample routine three types share is counted only with all the
textured ones) per pixel, the share spent in
helpers (division, soft float, memory copy), and the worst frame.
"""
import re
import sys

from qemu_count import DIVISION_HELPERS, count, demangle, read_pieces

TYPES = (0, 2, 3, 4, 6)
# The painters of each type, by the name of the per-pixel operation their
# instantiation carries (the old core's names included), the ARM spans' row
# set-ups among them.
PAINTER_OPS = {0: ("paint_flat_row", "arm_fill"),
               2: ("PlainOp", "arm_plain_span", "arm_plain512_span", "arm_plain_row",
                   "arm_plain512_row"),
               3: ("ShadedOp", "shade_segment", "arm_shaded_span", "shaded_sample",
                   "arm_shaded_row"),
               4: ("ColorKeyOp", "key_segment", "arm_keyed_span", "arm_keyed_row"),
               6: ("CastImageOp", "cast_segment", "arm_cast_span", "arm_cast_row")}
# The ARM samples of the unshaded types, one routine for all three: counted
# with the textured painters, but with none of the types.
SHARED_OPS = ("uv_sample",)
SOFT_FLOAT = re.compile(r"^__(aeabi_[fd]|aeabi_[il]2[fd]|aeabi_ui?2[fd]|aeabi_ul2[fd]|"
                        r"(add|sub|mul|div|neg|cmp|eq|ne|lt|le|gt|ge|unord)[sd]f[23]|"
                        r"(fix|fixuns|float|floatun|extend|trunc)\w*[sd]f\w*)")
MEMORY = ("memcpy", "memset", "memmove", "__aeabi_memcpy", "__aeabi_memset", "__aeabi_memclr",
          "__aeabi_memcpy4", "__aeabi_memclr4", "__aeabi_memset4", "__aeabi_memmove")


def read_frames(path):
    frames = {}
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) >= 10 and words[0] == "frame" and words[2] == "digest":
                frames[int(words[1])] = {"digest": words[3], "errors": int(words[5]),
                                         "covered": dict(zip(TYPES, map(int, words[7:12])))}
    return frames


def painter_type(name):
    for t, marks in PAINTER_OPS.items():
        if any(m in name for m in marks):
            return t
    return None


def main():
    args = sys.argv[1:]
    pc = covered_path = None
    while len(args) > 2:
        if args[-2] == "--pc":
            pc, args = args[-1], args[:-2]
        elif args[-2] == "--covered":
            covered_path, args = args[-1], args[:-2]
        else:
            break
    if len(args) != 2:
        sys.exit(__doc__)
    counts = count(args[0])
    pieces = read_pieces(args[1])
    frames = read_frames(args[1])
    covered_frames = read_frames(covered_path) if covered_path else frames
    if len(counts) != len(pieces) or len(pieces) != len(frames):
        sys.exit(f"render_cost: {len(counts)} marked pieces in the trace, {len(pieces)} "
                 f"announced, {len(frames)} frame lines")
    names = demangle(sorted({n for c in counts for n in c}))

    print(f"{'frame':>6} {'instructions':>13} {'covered 0/2/3/4/6':>32} "
          f"{'per pixel 2/3/4/6':>22} {'division':>9} {'softfloat':>9} {'memory':>7}")
    totals = {"all": 0, "div": 0, "float": 0, "mem": 0}
    painter_sum = {t: 0 for t in TYPES}
    pixel_sum = {t: 0 for t in TYPES}
    shared_sum = [0]
    worst = (0, None)
    for (label, _), counter in zip(pieces, counts):
        frame = int(label.split()[-1])
        total = sum(counter.values())
        div = sum(n for s, n in counter.items() if s in DIVISION_HELPERS)
        soft = sum(n for s, n in counter.items() if SOFT_FLOAT.match(s))
        mem = sum(n for s, n in counter.items() if s in MEMORY)
        per_type = {t: 0 for t in TYPES}
        for s, n in counter.items():
            t = painter_type(names[s])
            if t is not None:
                per_type[t] += n
            elif any(m in names[s] for m in SHARED_OPS):
                shared_sum[0] += n
        covered = covered_frames[frame]["covered"]
        for t in TYPES:
            painter_sum[t] += per_type[t]
            pixel_sum[t] += covered[t]
        per_px = "/".join(f"{per_type[t] / covered[t]:.1f}" if covered[t] else "-"
                          for t in TYPES[1:])
        cov = "/".join(str(covered[t]) for t in TYPES)
        print(f"{frame:>6} {total:>13,} {cov:>32} {per_px:>22} {100 * div / total:>8.1f}% "
              f"{100 * soft / total:>8.1f}% {100 * mem / total:>6.1f}%")
        for k, v in (("all", total), ("div", div), ("float", soft), ("mem", mem)):
            totals[k] += v
        if total > worst[0]:
            worst = (total, frame)

    n = len(counts)
    textured = sum(pixel_sum[t] for t in TYPES[1:])
    textured_instr = sum(painter_sum[t] for t in TYPES[1:]) + shared_sum[0]
    print(f"frames: {n}; mean {totals['all'] / n:,.0f} instructions per frame; "
          f"worst frame {worst[1]}: {worst[0]:,}")
    print("row painters per covered pixel: " + ", ".join(
        f"type {t} {painter_sum[t] / pixel_sum[t]:.1f}" for t in TYPES if pixel_sum[t]) +
        (f"; textured {textured_instr / textured:.1f}, of which "
         f"{shared_sum[0] / textured:.1f} in the samples types 2, 4 and 6 share" if textured else ""))
    print(f"whole frames per textured pixel: {totals['all'] / textured:.1f}" if textured else "")
    print(f"helpers: division {100 * totals['div'] / totals['all']:.1f} %, soft float "
          f"{100 * totals['float'] / totals['all']:.1f} %, memory {100 * totals['mem'] / totals['all']:.1f} %")
    status = 0
    if pc:
        pc_frames = read_frames(pc)
        differing = [f for f in frames if pc_frames.get(f, {}).get("digest") != frames[f]["digest"]]
        print(f"pictures: {len(frames) - len(differing)} of {len(frames)} frames identical to the PC build"
              + (f"; differing: {differing[:10]}" if differing else ""))
        status = 1 if differing else 0
    sys.exit(status)


if __name__ == "__main__":
    main()
