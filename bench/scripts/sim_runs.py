#!/usr/bin/env python3
"""Whole runs of the demo in the simulator, timed from outside: wall time and
the processor time of the simulator with everything it ran.

usage: sim_runs.py --after BIN [--before BIN] [--runs N] [--realtime-runs N]
                   [--realtime-seconds S] [--work DIR] [--only realtime,fast,...]

BIN folders hold handheld-sim, lumenfall and capture-dump. Every figure of
the two builds is measured in this one run, their repetitions interleaved so
that a change in the machine's load falls on both alike. Prints medians with
their spread (min-max over the repetitions).
"""
import argparse
import os
import resource
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


class Build:
    def __init__(self, name, bin_dir):
        self.name = name
        self.bin = bin_dir
        help_text = subprocess.run([self.program("handheld-sim"), "--help"],
                                   capture_output=True, text=True).stdout
        self.replay = "--replay" in help_text
        self.digests_only = "--capture-digests-only" in help_text

    def program(self, name):
        return os.path.join(self.bin, name)

    def sim(self, *options, replay=None):
        command = [self.program("handheld-sim"), "--renderer-now", "--no-progress",
                   "--no-window", *options]
        if replay:
            return command + ["--replay", replay]
        return command + ["--", self.program("lumenfall")]


def descendants(pid):
    """Process ids below pid, from the parent links in /proc."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    found, frontier = [], [pid]
    while frontier:
        below = [p for p, parent in parents.items() if parent in frontier]
        found += below
        frontier = below
    return found


def client_sleeps(sim_pid):
    """Voluntary context switches (sleeps, each ended by a wake-up) of every
    thread of the client programs the simulator runs, and the time read."""
    total = 0
    for pid in descendants(sim_pid):
        try:
            with open(f"/proc/{pid}/comm") as f:
                if f.read().strip() != "lumenfall":
                    continue
            for task in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{task}/status") as f:
                    for line in f:
                        if line.startswith("voluntary_ctxt_switches:"):
                            total += int(line.split()[1])
        except OSError:
            pass
    return total, time.monotonic()


def run(commands, interrupt_after=None, wakeups=None):
    """Runs the commands side by side; returns (wall s, processor s) of all.

    With interrupt_after, each gets SIGINT then, as Ctrl-C would send it.
    With a wakeups list as well, the client's wake-ups a second between the
    second second and the interrupt are appended to it."""
    cpu0 = children_cpu()
    start = time.monotonic()
    procs = [subprocess.Popen(c, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
             for c in commands]
    if interrupt_after is not None:
        if wakeups is not None:
            time.sleep(max(0.0, start + 2 - time.monotonic()))
            first = client_sleeps(procs[0].pid)
        time.sleep(max(0.0, start + interrupt_after - time.monotonic()))
        if wakeups is not None:
            last = client_sleeps(procs[0].pid)
            wakeups.append((last[0] - first[0]) / (last[1] - first[1]))
        for p in procs:
            p.send_signal(signal.SIGINT)
    for p in procs:
        err = p.communicate()[1]
        summary = err.strip().splitlines()[-1] if err.strip() else ""
        expected = 128 + signal.SIGINT if interrupt_after is not None else 0
        if p.returncode != expected or "summary:" not in summary:
            sys.exit(f"run failed (status {p.returncode}): {' '.join(p.args)}\n{err[-2000:]}")
    return time.monotonic() - start, children_cpu() - cpu0


def spread(values, fmt="{:.3f}"):
    return (f"{fmt.format(statistics.median(values))} "
            f"({fmt.format(min(values))}-{fmt.format(max(values))}, {len(values)} runs)")


def table(title, command, rows):
    print(f"\n== {title}")
    print(f"command: {command}")
    for label, text in rows:
        print(f"  {label:<44} {text}")


def realtime(builds, args):
    results = {b.name: [] for b in builds}
    wakeups = {b.name: [] for b in builds}
    for _ in range(args.realtime_runs):
        for b in builds:
            wall, cpu = run([b.sim()], interrupt_after=args.realtime_seconds,
                            wakeups=wakeups[b.name])
            results[b.name].append((wall, cpu))
    rows = []
    for b in builds:
        r = results[b.name]
        rows.append((f"{b.name}: processor s over the wall s", spread([c for _, c in r]) + " s cpu, "
                     + spread([w for w, _ in r]) + " s wall"))
        rows.append((f"{b.name}: share of one core", spread([100 * c / w for w, c in r], "{:.1f}")
                     + " %"))
        rows.append((f"{b.name}: client wake-ups a second", spread(wakeups[b.name], "{:.0f}")))
    table(f"real-time playback, {args.realtime_seconds:g} s of wall time, then SIGINT",
          "handheld-sim --renderer-now --no-progress --no-window -- lumenfall", rows)


def fast(builds, args):
    results = {b.name: [] for b in builds}
    for _ in range(args.runs):
        for b in builds:
            results[b.name].append(run([b.sim("--fast")]))
    rows = []
    for b in builds:
        r = results[b.name]
        rows.append((f"{b.name}: wall s", spread([w for w, _ in r])))
        rows.append((f"{b.name}: processor s", spread([c for _, c in r])))
        rows.append((f"{b.name}: processor / wall", spread([c / w for w, c in r], "{:.2f}")))
    if len(builds) == 2:
        walls = [statistics.median([w for w, _ in results[b.name]]) for b in builds]
        rows.append((f"wall, {builds[1].name} / {builds[0].name} (medians)",
                     f"{walls[1] / walls[0]:.2f}"))
    table("one fast whole run", "handheld-sim --fast --renderer-now --no-progress --no-window "
          "-- lumenfall", rows)


def together(builds, args):
    results = {b.name: [] for b in builds}
    for _ in range(args.together_runs):
        for b in builds:
            in_a_row = sum(run([b.sim("--fast")])[0] for _ in range(3))
            side_by_side = run([b.sim("--fast")] * 3)[0]
            results[b.name].append((in_a_row, side_by_side))
    rows = []
    for b in builds:
        r = results[b.name]
        rows.append((f"{b.name}: three in a row, wall s", spread([a for a, _ in r])))
        rows.append((f"{b.name}: three started together, wall s", spread([t for _, t in r])))
        rows.append((f"{b.name}: together / in a row", spread([t / a for a, t in r], "{:.2f}")))
    table("three fast whole runs started together against three in a row",
          "handheld-sim --fast --renderer-now --no-progress --no-window -- lumenfall", rows)


def capture(builds, args, work):
    """Capture against no capture, each build on its own; sizes; replay."""
    for b in builds:
        path = os.path.join(work, f"{b.name}.cap")
        kinds = [("no capture", []), ("capture", ["--capture", path])]
        if b.digests_only:
            kinds[1] = ("capture with texture contents", ["--capture", path])
            digests = os.path.join(work, f"{b.name}-digests.cap")
            kinds.append(("capture, digests only",
                          ["--capture", digests, "--capture-digests-only"]))
        walls = {k: [] for k, _ in kinds}
        for _ in range(args.runs):
            for kind, options in kinds:
                walls[kind].append(run([b.sim("--fast", *options)])[0])
        rows = [(f"{kind}: wall s", spread(walls[kind])) for kind, _ in kinds]
        base = statistics.median(walls["no capture"])
        for kind, _ in kinds[1:]:
            rows.append((f"{kind} / no capture (medians)",
                         f"{statistics.median(walls[kind]) / base:.2f}"))
        rows.append(("capture file, bytes", f"{os.path.getsize(path):,}"))
        if b.digests_only:
            rows.append(("capture file without contents, bytes", f"{os.path.getsize(digests):,}"))
        stats = subprocess.run([b.program("capture-dump"), "--stats", path],
                               capture_output=True, text=True).stdout
        rows += [("capture-dump --stats", line.strip()) for line in stats.splitlines()
                 if "content" in line or "compress" in line]
        if b.replay:
            live, replayed = [], []
            for _ in range(args.runs):
                live.append(run([b.sim("--fast")])[0])
                replayed.append(run([b.sim("--fast", replay=path)])[0])
            rows.append(("live fast run: wall s", spread(live)))
            rows.append(("replay of its capture, fast: wall s", spread(replayed)))
            rows.append(("replay / live (medians)",
                         f"{statistics.median(replayed) / statistics.median(live):.2f}"))
        else:
            rows.append(("replay", "not measured: this build has no --replay"))
        table(f"{b.name}: a fast whole run with capture against one without",
              "handheld-sim --fast --renderer-now --no-progress --no-window [--capture F] "
              "-- lumenfall", rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--after", required=True)
    parser.add_argument("--before")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--together-runs", type=int, default=3)
    parser.add_argument("--realtime-runs", type=int, default=3)
    parser.add_argument("--realtime-seconds", type=float, default=10)
    parser.add_argument("--work")
    parser.add_argument("--only", help="comma-separated subset of: realtime,fast,together,capture")
    args = parser.parse_args()
    wanted = set((args.only or "realtime,fast,together,capture").split(","))
    builds = ([Build("before", args.before)] if args.before else []) + [Build("after", args.after)]
    with tempfile.TemporaryDirectory(dir=args.work) as work:
        if "realtime" in wanted:
            realtime(builds, args)
        if "fast" in wanted:
            fast(builds, args)
        if "together" in wanted:
            together(builds, args)
        if "capture" in wanted:
            capture(builds, args, work)


if __name__ == "__main__":
    main()
