#!/usr/bin/env python3
"""The web page's figures beside the native simulator's, in one run:
fast-mode frames a second over a whole run, the time to seek from frame 0 to
the last frame, the module's own rate (where the page offers it), the
page's size raw and gzipped; and the native simulator's fast whole run.
Every repetition measures each page and the native run back to back, so a
change in the machine's load falls on all alike.

usage: web_runs.py --after DIST [--before DIST] --native BIN [--runs N]

DIST folders are built pages (build/web/dist); BIN holds handheld-sim and
lumenfall. Needs chromium, chromium-driver and python3-selenium.
"""
import argparse
import gzip
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "web"))
import browser_test  # noqa: E402  (its server and browser set-up)

TOTAL = 2665
PAGE_FILES = ["index.html", "page.css", "layout.js", "page.js", "lumenfall.js",
              "lumenfall.wasm", "favicon.png"]


def size(dist):
    raw = packed = 0
    for name in PAGE_FILES:
        if name in ("layout.js", "favicon.png") and not os.path.exists(os.path.join(dist, name)):
            continue  # pages built before these had none
        with open(os.path.join(dist, name), "rb") as f:
            data = f.read()
        raw += len(data)
        packed += len(gzip.compress(data, 9))
    return raw, packed


def fast_run(driver):
    """Frames a second of fast mode from frame 0 to the run's end, timed
    from outside by polling the page's state."""
    driver.execute_script("window.lumenfall.seek(0); window.lumenfall.setFast(true);")
    start = time.monotonic()
    driver.execute_script("document.getElementById('play').click();")
    while driver.execute_script("return window.lumenfall.state().shown;") < TOTAL - 1:
        time.sleep(0.01)
        if time.monotonic() - start > 120:
            sys.exit("fast mode did not reach the last frame in 2 minutes")
    seconds = time.monotonic() - start
    driver.execute_script("window.lumenfall.setFast(false); window.lumenfall.seek(0);")
    return (TOTAL - 1) / seconds


def seek_ms(driver):
    return driver.execute_script("window.lumenfall.seek(0); const t = performance.now();"
                                 f"window.lumenfall.seek({TOTAL - 1});"
                                 "return performance.now() - t;")


def native_fps(bin_dir):
    start = time.monotonic()
    subprocess.run([os.path.join(bin_dir, "handheld-sim"), "--fast", "--renderer-now",
                    "--no-window", "--no-progress", "--", os.path.join(bin_dir, "lumenfall")],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return TOTAL / (time.monotonic() - start)


def spread(values, fmt="{:.0f}"):
    return (f"{fmt.format(statistics.median(values))} "
            f"({fmt.format(min(values))}-{fmt.format(max(values))}, {len(values)} runs)")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--after", required=True)
    parser.add_argument("--before")
    parser.add_argument("--native", required=True)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    pages = ([("before", args.before)] if args.before else []) + [("after", args.after)]

    work = tempfile.mkdtemp()
    servers, drivers = {}, {}
    figures = {name: {"fast": [], "seek": [], "module": []} for name, _ in pages}
    figures["native"] = {"fast": []}
    try:
        for name, dist in pages:
            servers[name] = browser_test.serve(dist)
            drivers[name] = browser_test.open_browser(os.path.join(work, name))
            port = servers[name].server_address[1]
            drivers[name].get(f"http://127.0.0.1:{port}/index.html?seed=1765170123")
            browser_test.wait_for(drivers[name],
                                  "return window.lumenfall.ready || window.lumenfall.error;")
            drivers[name].execute_script("window.lumenfall.pause();")
        for _ in range(args.runs):
            for name, _ in pages:
                driver = drivers[name]
                figures[name]["fast"].append(fast_run(driver))
                figures[name]["seek"].append(seek_ms(driver))
                if driver.execute_script("return 'moduleRate' in window.lumenfall;"):
                    figures[name]["module"].append(
                        driver.execute_script("return window.lumenfall.moduleRate();"))
            figures["native"]["fast"].append(native_fps(args.native))
    finally:
        for driver in drivers.values():
            driver.quit()
        for server in servers.values():
            server.shutdown()

    native = statistics.median(figures["native"]["fast"])
    print(f"native simulator, --fast whole run: {spread(figures['native']['fast'])} frames/s")
    for name, dist in pages:
        f = figures[name]
        raw, packed = size(dist)
        print(f"{name}: page fast mode, whole run: {spread(f['fast'])} frames/s, "
              f"native / page {native / statistics.median(f['fast']):.2f}")
        if f["module"]:
            print(f"{name}: module alone, whole run: {spread(f['module'])} frames/s")
        print(f"{name}: seek from frame 0 to {TOTAL - 1}: {spread(f['seek'])} ms")
        print(f"{name}: page size {raw:,} bytes, {packed:,} gzipped ({', '.join(PAGE_FILES)})")


if __name__ == "__main__":
    main()
