#!/usr/bin/env python3
"""Figures of a `handheld-sim --cycles` file: modelled cycles per displayed
frame by scene (min, median, worst, mean, frames over the 3.33 M budget),
the share of the cycles spent on line fills, uncached accesses and
write-buffer stalls, and cycles per instruction. Prints a Markdown table."""
import sys

BUDGET = 200e6 / 60
SECOND_SCENE = 1615
COLUMNS = ["frame", "instructions", "cycles", "icache_misses", "dcache_misses",
           "uncached", "wb_stall", "stale", "miss_cycles", "uncached_cycles",
           "idle_instructions", "idle_cycles"]


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
        scenes = [("scene 1", [r for r in rows if r["frame"] < SECOND_SCENE]),
                  ("scene 2", [r for r in rows if r["frame"] >= SECOND_SCENE]),
                  ("whole demo", rows)]
        for label, part in scenes:
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
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
