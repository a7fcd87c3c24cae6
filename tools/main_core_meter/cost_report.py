#!/usr/bin/env python3
"""Adds up the main-core meter's rows of a program and of the display
program, frame by frame, and prints the table by scene, the frames that
load pictures, and a last summary line; writes every frame to a CSV file
and draws the chart.

usage: cost_report.py PROGRAM_ROWS DISPLAY_ROWS FRAMES_CSV CHART_PNG [NAME]

Frame k of the program is its work up to its k-th shown buffer (the
meter's row k); frame k of the display program is its work from its k-th
conversion on (row k+1, or the row after its last frame), so both rows of
a displayed frame are the cost of putting that one picture on screen.

Cycles: one per instruction, plus every access to the uncached devices at
the memory settings below (the same as the second core's cycle model):
the first word of a burst (a lone load or store, or the first of an LDM or
STM) costs FIRST cycles, each following word of the burst NEXT cycles.
"""
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cost_chart import draw_chart  # noqa: E402

BUDGET = 3_333_333  # 200 MHz at 60 frames a second
# name: (first read, next read, first write, next write), in core cycles
SETTINGS = {
    "plausible": (10, 2, 10, 2),
    "pessimistic": (24, 6, 24, 6),
}
DEVICES = ("mem", "fb")


class Row:
    def __init__(self, fields, names):
        values = dict(zip(names, fields))
        self.label = values["frame"]
        self.scene = values["scene"]
        self.note = values["note"] == "1"
        self.insns = int(values["insns"])

        self.first_reads = self.next_reads = self.first_writes = self.next_writes = 0
        for d in DEVICES:
            self.first_reads += int(values[d + "_read_first"])
            self.next_reads += int(values[d + "_read_next"])
            self.first_writes += int(values[d + "_write_first"])
            self.next_writes += int(values[d + "_write_next"])
        self.reads = self.first_reads + self.next_reads
        self.writes = self.first_writes + self.next_writes
        self.wait_insns = int(values["wait_insns"])

    def cycles(self, setting):
        fr, nr, fw, nw = SETTINGS[setting]
        return (self.insns + fr * self.first_reads + nr * self.next_reads +
                fw * self.first_writes + nw * self.next_writes)


def read_rows(path):
    names = None
    rows = []
    with open(path) as f:
        for line in f:
            words = line.split()
            if not words:
                continue
            if words[0] == "#":
                if len(words) > 1 and words[1] == "frame":
                    names = words[1:]
                continue
            if names is None or len(words) != len(names):
                sys.exit(f"cost_report: {path}: a row that does not fit the header: {line.strip()}")
            rows.append(Row(words, names))
    if names is None:
        sys.exit(f"cost_report: {path}: no header (did the meter start?)")
    return rows


def pair_frames(program_rows, display_rows):
    """Returns [(frame, program_row, display_row)] for every frame both
    programs finished, and the program's row after its last frame."""
    program = [r for r in program_rows if r.label != "end"]
    tail = next((r for r in program_rows if r.label == "end"), None)
    # The display's first row is its start-up, before any conversion.
    display = display_rows[1:]
    count = min(len(program), len(display))
    return [(k + 1, program[k], display[k]) for k in range(count)], tail


def m(value):
    return f"{value / 1e6:.3f} M"


def value_of(row, attr):
    return row.cycles(attr) if attr in SETTINGS else getattr(row, attr)


def metric(frame, which, attr):
    """One figure of a displayed frame: the program's, the display's or both."""
    _, program, display = frame
    if which == "program":
        return value_of(program, attr)
    if which == "display":
        return value_of(display, attr)
    return value_of(program, attr) + value_of(display, attr)


def print_table(frames, program_name):
    scenes = []
    for _, p, _ in frames:
        if p.scene not in scenes:
            scenes.append(p.scene)
    print(f"{'scene':<7}{'program':<11}{'frames':>6}{'instr. mean':>13}{'worst':>11}"
          f"{'uncached reads':>16}{'writes':>9}{'worst r+w':>11}"
          f"{'cycles plausible':>18}{'worst':>11}{'pessimistic':>13}{'worst':>11}")
    for scene in scenes:
        chosen = [f for f in frames if f[1].scene == scene and not f[1].note]
        if not chosen:
            continue
        n = len(chosen)
        for which, name in (("program", program_name), ("display", "display"), ("both", "both")):
            def mean(attr):
                return sum(metric(f, which, attr) for f in chosen) / n

            def worst(attr):
                return max(metric(f, which, attr) for f in chosen)
            worst_rw = max(metric(f, which, "reads") + metric(f, which, "writes") for f in chosen)
            print(f"{scene:<7}{name:<11}{n:>6}{m(mean('insns')):>13}{m(worst('insns')):>11}"
                  f"{mean('reads'):>16,.0f}{mean('writes'):>9,.0f}{worst_rw:>11,}"
                  f"{m(mean('plausible')):>18}{m(worst('plausible')):>11}"
                  f"{m(mean('pessimistic')):>13}{m(worst('pessimistic')):>11}")
        over = sum(1 for f in chosen if metric(f, "both", "plausible") > BUDGET)
        print(f"{'':<7}frames over the 3.33 M budget (plausible): {over} of {n}")


def main():
    args = sys.argv[1:]
    if len(args) not in (4, 5):
        sys.exit(__doc__)
    program_name = args[4] if len(args) == 5 else "program"
    frames, tail = pair_frames(read_rows(args[0]), read_rows(args[1]))
    if not frames:
        sys.exit("cost_report: no frame was displayed")

    with open(args[2], "w") as out:
        out.write("frame,scene,loading,program_insns,program_reads,program_writes,"
                  "display_insns,display_reads,display_writes,cycles_plausible,"
                  "cycles_pessimistic,program_wait_insns,display_wait_insns\n")
        for k, p, d in frames:
            out.write(f"{k},{p.scene},{int(p.note)},{p.insns},{p.reads},{p.writes},{d.insns},"
                      f"{d.reads},{d.writes},{p.cycles('plausible') + d.cycles('plausible')},"
                      f"{p.cycles('pessimistic') + d.cycles('pessimistic')},"
                      f"{p.wait_insns},{d.wait_insns}\n")

    print_table(frames, program_name)
    loading = [f for f in frames if f[1].note]
    for k, p, d in loading:
        print(f"frame {k} (scene {p.scene}) loads pictures: {m(p.insns + d.insns)} instructions "
              f"({program_name} {m(p.insns)} + display {m(d.insns)}), "
              f"{m(p.cycles('plausible') + d.cycles('plausible'))} cycles plausible; "
              "left out of the table above")
    if tail is not None:
        print(f"after its last frame, {program_name} ran {tail.insns:,} instructions")
    waits = sum(p.wait_insns for _, p, _ in frames), sum(d.wait_insns for _, _, d in frames)
    print(f"waiting, left out of every figure: {program_name} {waits[0]:,} instructions, "
          f"display {waits[1]:,} over {len(frames)} frames")

    draw_chart(args[3], [(k, p.insns, d.insns, p.cycles("plausible") + d.cycles("plausible"),
                          p.note) for k, p, d in frames], BUDGET, program_name)
    print(f"per frame: {args[2]}; chart: {args[3]}")

    steady = [f for f in frames if not f[1].note] or frames
    k, p, d = max(steady, key=lambda f: f[1].cycles("plausible") + f[2].cycles("plausible"))
    print(f"main core: worst frame {k}: {p.insns + d.insns} instructions "
          f"({program_name} {p.insns} + display {d.insns}), "
          f"{p.cycles('plausible') + d.cycles('plausible')} cycles plausible, "
          f"{p.cycles('pessimistic') + d.cycles('pessimistic')} cycles pessimistic")


if __name__ == "__main__":
    main()
