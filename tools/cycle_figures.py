#!/usr/bin/env python3
"""Figures of a `handheld-sim --cycles` file: modelled cycles per displayed
frame by scene (min, median, worst, mean, frames over the 3.33 M budget),
the share of the cycles spent on line fills, uncached accesses and
write-buffer stalls, and cycles per instruction; then, for each scene's
mean and worst frame, where the cycles go: compute (the instructions' own
cycles and interlocks), instruction-line fills, video-memory line fills
(texels, pixels read back), other data-line fills, uncached accesses and
write-buffer stalls (stores), with the floor a cache that never lost a video
line within a frame would leave (compute plus one fill per distinct video
line). Prints Markdown tables."""
import sys

BUDGET = 200e6 / 60
SECOND_SCENE = 1615
COLUMNS = ["frame", "instructions", "cycles", "icache_misses", "dcache_misses",
           "uncached", "wb_stall", "stale", "miss_cycles", "uncached_cycles",
           "idle_instructions", "idle_cycles", "video_fills", "distinct_video_lines"]


def read(path):
    name, rows = path, []
    with open(path) as f:
        for line in f:
            if line.startswith("# memory timing "):
                name = line[len("# memory timing "):].split(":")[0]
                continue
            if line.startswith("#") or not line.strip():
                continue
            rows.append(dict(zip(COLUMNS, map(int, line.split()))))
    return name, rows


def median(values):
    s = sorted(values)
    n = len(s)
    return s[n // 2] if n % 2 else (s[n // 2 - 1] + s[n // 2]) / 2


def m(x):
    return f"{x / 1e6:.2f} M"


def main(paths):
    if not paths or paths[0] in ("-h", "--help"):
        print(__doc__)
        print("Usage: cycle_figures.py CYCLES_FILE...")
        return 0 if paths else 2
    print("| timing | frames | min | median | worst | mean | over 3.33 M | line fills | "
          "uncached | write-buffer stalls | cycles / instruction | stale reads |")
    print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for path in paths:
        name, rows = read(path)
        for label, part in scenes_of(rows) + [("whole demo", rows)]:
            if not part:
                continue
            cycles = [r["cycles"] for r in part]
            worst = max(part, key=lambda r: r["cycles"])
            total = sum(cycles)
            share = lambda key: 100.0 * sum(r[key] for r in part) / total
            print(f"| {name} | {label} ({part[0]['frame']}-{part[-1]['frame']}) | "
                  f"{m(min(cycles))} | {m(median(cycles))} | {m(worst['cycles'])} "
                  f"(frame {worst['frame']}) | {m(total / len(part))} | "
                  f"{sum(c > BUDGET for c in cycles)} | {share('miss_cycles'):.1f} % | "
                  f"{share('uncached_cycles'):.1f} % | {share('wb_stall'):.1f} % | "
                  f"{total / sum(r['instructions'] for r in part):.2f} | "
                  f"{sum(r['stale'] for r in part)} |")
    breakdown(paths)
    return 0


def scenes_of(rows):
    return [("scene 1", [r for r in rows if r["frame"] < SECOND_SCENE]),
            ("scene 2", [r for r in rows if r["frame"] >= SECOND_SCENE])]


def breakdown(paths):
    """Where the cycles go, for files that count video fills."""
    header = False
    for path in paths:
        name, rows = read(path)
        if not rows or "video_fills" not in rows[0]:
            continue
        misses = sum(r["icache_misses"] + r["dcache_misses"] for r in rows)
        if misses == 0:
            continue
        # Every line fill costs the same at a given timing.
        fill = sum(r["miss_cycles"] for r in rows) / misses
        if not header:
            print()
            print("| timing | frames | cycles | compute | instruction fills | video fills | "
                  "other data fills | uncached | write-buffer stalls | floor |")
            print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
            header = True
        for label, part in scenes_of(rows):
            if not part:
                continue
            worst = max(part, key=lambda r: r["cycles"])
            for what, chosen in ((f"{label} mean", part),
                                 (f"{label} worst (frame {worst['frame']})", [worst])):
                n = len(chosen)
                total = lambda key: sum(r[key] for r in chosen) / n
                cycles = total("cycles")
                compute = cycles - total("miss_cycles") - total("uncached_cycles") - total("wb_stall")
                video = total("video_fills") * fill
                other = (total("dcache_misses") - total("video_fills")) * fill
                floor = compute + total("distinct_video_lines") * fill
                cell = lambda x: f"{m(x)} ({100.0 * x / cycles:.0f} %)"
                print(f"| {name} | {what} | {m(cycles)} | {cell(compute)} | "
                      f"{cell(total('icache_misses') * fill)} | {cell(video)} | {cell(other)} | "
                      f"{cell(total('uncached_cycles'))} | {cell(total('wb_stall'))} | "
                      f"{m(floor)} |")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
