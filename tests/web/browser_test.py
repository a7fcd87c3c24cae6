#!/usr/bin/env python3
"""The page in a real browser: headless Chromium loads it from a local server
on 127.0.0.1 with a fixed seed; frames 0, 900 and 1900 on its canvas must be
the native simulator's pictures of the same frames, pixel for pixel. Pause
stops the frame counter, restart begins again at frame 0, and a page whose
module is missing says so.

Environment (from CTest): WEB_BIN_DIR, WEB_TIME_SHIM, WEB_SOURCE_DIR.
Optional: WEB_SCREENSHOT=FILE saves a screenshot of the page; WEB_MEASURE=1
prints fast-mode and real-time figures.
"""
import functools
import http.server
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from png_pixels import read_png  # noqa: E402

SEED = 1765170123
FRAMES = [0, 900, 1900]
WIDTH, HEIGHT = 320, 240


def skip(reason):
    print(f"SKIPPED: {reason}")
    sys.exit(77)


def fail(reason):
    print(f"FAIL: {reason}")
    sys.exit(1)


def read_png_rgb(path):
    try:
        return read_png(path)
    except (OSError, ValueError) as e:
        fail(str(e))


def native_pictures(work, bin_dir, shim):
    png_dir = os.path.join(work, "native")
    if not os.path.isfile(shim):
        fail(f"no clock shim at {shim}")
    env = dict(os.environ)
    command = [os.path.join(bin_dir, "handheld-sim"), "--fast", "--renderer-now", "--no-window",
               "--no-progress", "--png", png_dir, "--png-frames", ",".join(map(str, FRAMES)), "--",
               "env", f"LD_PRELOAD={shim}", f"LUMENFALL_FIXED_TIME={SEED}",
               os.path.join(bin_dir, "lumenfall")]
    run = subprocess.run(command, env=env, capture_output=True, text=True)
    if run.returncode != 0:
        if "PNG" in run.stderr and not os.path.isdir(png_dir):
            skip(f"this handheld-sim cannot write PNG frames: {run.stderr.strip()}")
        fail(f"native run: {run.stderr}")
    return {n: read_png_rgb(os.path.join(png_dir, f"frame_{n:05d}.png")) for n in FRAMES}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(root):
    handler = functools.partial(QuietHandler, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def wait_for(driver, script, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.05)
    fail(f"timed out waiting for: {script}")


def open_browser(work):
    # The driver is reached at http://localhost:PORT; without a name for the
    # loopback address (a bare chroot has no /etc/hosts) it cannot start, and
    # selenium's own message does not say why.
    try:
        socket.getaddrinfo("localhost", None)
    except socket.gaierror:
        fail("'localhost' does not resolve (is /etc/hosts missing?); "
             "the browser driver is reached through it")
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--window-size=1000,760",
                 f"--user-data-dir={os.path.join(work, 'profile')}"]:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def check_frames(driver, expected):
    import base64
    for n in FRAMES:
        shown = driver.execute_script(f"return window.lumenfall.seek({n});")
        if shown != n:
            fail(f"asked for frame {n}, the page shows {shown}")
        rgba = base64.b64decode(driver.execute_script("return window.lumenfall.canvasBase64();"))
        width, height, rgb = expected[n]
        if (width, height) != (WIDTH, HEIGHT) or len(rgba) != WIDTH * HEIGHT * 4:
            fail(f"frame {n}: unexpected sizes")
        page_rgb = bytes(b for i, b in enumerate(rgba) if i % 4 != 3)
        if page_rgb != rgb:
            wrong = sum(1 for i in range(0, len(rgb), 3) if page_rgb[i:i + 3] != rgb[i:i + 3])
            fail(f"frame {n}: {wrong} of {WIDTH * HEIGHT} pixels differ from the native picture")
        print(f"frame {n}: identical to the native picture")


def check_controls(driver):
    from selenium.webdriver.common.by import By
    state = "return window.lumenfall.state();"
    driver.find_element(By.ID, "play").click()  # paused by seek: play again
    first = driver.execute_script(state)["shown"]
    time.sleep(0.5)
    playing = driver.execute_script(state)["shown"]
    if playing <= first:
        fail("the frame counter does not advance while playing")
    driver.find_element(By.ID, "play").click()
    paused_at = driver.execute_script(state)["shown"]
    counter = driver.find_element(By.ID, "counter").text
    time.sleep(0.5)
    if driver.execute_script(state)["shown"] != paused_at or \
            driver.find_element(By.ID, "counter").text != counter:
        fail("pause does not stop the frame counter")
    driver.find_element(By.ID, "restart").click()
    if driver.execute_script(state)["shown"] != 0 or \
            driver.find_element(By.ID, "counter").text != "frame 1 / 2665":
        fail("restart does not begin again at frame 0")
    print("play, pause and restart behave")


def measure(driver):
    driver.execute_script("window.lumenfall.seek(0); window.lumenfall.setFast(true);")
    driver.execute_script("document.getElementById('play').click();")
    time.sleep(6)
    rate = driver.execute_script("return window.lumenfall.fastRate();")
    driver.execute_script("window.lumenfall.setFast(false); window.lumenfall.seek(0);")
    driver.execute_script("document.getElementById('play').click();")
    time.sleep(8)
    real = driver.execute_script("return window.lumenfall.realTimeStats();")
    driver.execute_script("window.lumenfall.pause();")
    print(f"fast mode: {rate:.0f} frames/s")
    print(f"real time: {real['fps']:.1f} frames/s over {real['frames']} frames, main thread "
          f"{real['meanMs']:.2f} ms mean, {real['maxMs']:.2f} ms worst per frame")


def main():
    bin_dir = os.environ.get("WEB_BIN_DIR")
    shim = os.environ.get("WEB_TIME_SHIM")
    source = os.environ.get("WEB_SOURCE_DIR")
    if not (bin_dir and shim and source):
        fail("run through CTest (WEB_BIN_DIR, WEB_TIME_SHIM, WEB_SOURCE_DIR)")
    if not shutil.which("emcc"):
        skip("emcc not found (install the emscripten package)")
    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        skip("chromium or chromedriver not found (install chromium and chromium-driver)")
    try:
        import selenium  # noqa: F401
    except ImportError:
        skip("python3-selenium not installed")

    work = tempfile.mkdtemp()
    server = None
    driver = None
    try:
        build = subprocess.run(["bash", os.path.join(source, "tools", "web.sh")],
                               capture_output=True, text=True)
        if build.returncode != 0:
            fail(f"the page did not build:\n{build.stdout}{build.stderr}")
        dist = os.path.join(source, "build", "web", "dist")
        expected = native_pictures(work, bin_dir, shim)

        root = os.path.join(work, "site")
        shutil.copytree(dist, os.path.join(root, "good"))
        shutil.copytree(dist, os.path.join(root, "broken"))
        os.remove(os.path.join(root, "broken", "lumenfall.wasm"))
        server = serve(root)
        base = f"http://127.0.0.1:{server.server_address[1]}"

        driver = open_browser(work)
        driver.get(f"{base}/good/index.html?seed={SEED}")
        wait_for(driver, "return window.lumenfall.ready || window.lumenfall.error;")
        error = driver.execute_script("return window.lumenfall.error;")
        if error:
            fail(f"the page did not load: {error}")
        if driver.execute_script("return window.lumenfall.state().seed;") != SEED:
            fail("the page did not take the seed from ?seed=")
        check_frames(driver, expected)
        check_controls(driver)
        if os.environ.get("WEB_MEASURE"):
            measure(driver)
        if os.environ.get("WEB_SCREENSHOT"):
            driver.execute_script("window.lumenfall.seek(900);")
            driver.save_screenshot(os.environ["WEB_SCREENSHOT"])

        driver.get(f"{base}/broken/index.html?seed={SEED}")
        message = wait_for(driver, "const m = document.getElementById('message');"
                                   "return !m.hidden && m.textContent;")
        if "could not be loaded" not in message:
            fail(f"a missing module shows: {message}")
        print(f"missing module: \"{message}\"")
        print("PASS")
    finally:
        if driver is not None:
            driver.quit()
        if server is not None:
            server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
