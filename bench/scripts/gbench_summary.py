#!/usr/bin/env python3
"""Median and spread of Google Benchmark repetitions, with each figure also as
a ratio to its baseline from the same run.

usage: gbench_summary.py renderer|fifo|floor JSON
  renderer: pixels a second of every facet, ratio to the plain fill (type 0)
            of the same coverage;
  fifo:     words a second through the FIFO, ratio to memcpy of the words;
  floor:    seconds to write the 2665 frames' pixels (printed for whole runs).
"""
import json
import statistics
import sys


def runs(path):
    with open(path) as f:
        data = json.load(f)
    groups = {}
    for b in data["benchmarks"]:
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        groups.setdefault(b["run_name"], []).append(b)
    return groups


def spread(values):
    return statistics.median(values), min(values), max(values)


def rate(groups, name, counter):
    return spread([b[counter] for b in groups[name]])


def renderer(groups):
    print("renderer: pixels a second per facet, median (min-max) over "
          f"{len(next(iter(groups.values())))} repetitions; ratio = rate / fill rate")
    # BM_Facet/type:T/coverage:C/threads:N/real_time: the fill of the same
    # coverage and threads is the baseline.
    def coverage(name):
        return name.split("coverage:")[1].split("/")[0]

    for name in sorted(groups, key=lambda n: (int(coverage(n)), n)
                       if "coverage:" in n else (0, n)):
        if not name.startswith("BM_Facet/"):
            continue
        rest = name.split("/coverage:")[1]
        med, lo, hi = rate(groups, name, "pixels_per_second")
        fill, _, _ = rate(groups, f"BM_Facet/type:0/coverage:{rest}", "pixels_per_second")
        pixels = int(groups[name][0]["pixels"])
        print(f"  {name:50s} {pixels:6d} px  {med / 1e6:8.1f} Mpix/s "
              f"({lo / 1e6:.1f}-{hi / 1e6:.1f})  ratio to fill {med / fill:.3f}")


def fifo(groups):
    base, blo, bhi = rate(groups, "BM_MemcpyWords/real_time", "words_per_second")
    print(f"fifo: memcpy of the same words: {base / 1e6:.1f} M words/s "
          f"({blo / 1e6:.1f}-{bhi / 1e6:.1f})")
    for batch, what in ((0, "consumer releasing each command, as the renderer does"),
                        (1, "consumer releasing each batch it finds")):
        name = f"BM_FifoFacets/batch:{batch}/real_time"
        med, lo, hi = rate(groups, name, "words_per_second")
        print(f"fifo: gpuWritev facets to another process, {what}: {med / 1e6:.1f} M words/s "
              f"({lo / 1e6:.1f}-{hi / 1e6:.1f}, {len(groups[name])} repetitions), "
              f"ratio to memcpy {med / base:.4f} (target >= 0.25)")
        sender, slo, shi = rate(groups, name, "words_per_producer_cpu_second")
        print(f"      the sending side alone, per second of its own processor time: "
              f"{sender / 1e6:.1f} M words/s ({slo / 1e6:.1f}-{shi / 1e6:.1f}), "
              f"ratio to memcpy {sender / base:.4f}")


def floor(groups):
    times = [b["real_time"] / 1e3 for b in groups["BM_WriteFrames"]]
    med, lo, hi = spread(times)
    print(f"floor: writing 2665 frames of 320x240 words: {med:.3f} s "
          f"({lo:.3f}-{hi:.3f}, {len(times)} repetitions)")
    print(f"floor-seconds {med:.6f}")


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("renderer", "fifo", "floor"):
        sys.exit(__doc__)
    groups = runs(sys.argv[2])
    {"renderer": renderer, "fifo": fifo, "floor": floor}[sys.argv[1]](groups)


if __name__ == "__main__":
    main()
