#!/usr/bin/env python3
"""The page in a real browser: headless Chromium loads it from a local server
on 127.0.0.1 with a fixed seed; frames 0, 900 and 1900 on its canvas must be
the native simulator's pictures of the same frames, pixel for pixel, and so
must the frames reached by dragging the timeline back to 1615 and by opening
a link with ?frame=2665 (counted from 1). Pause stops the frame counter,
restart begins again at frame 0, full screen toggles with whole-number
scaling, and a page whose module is missing says so in place of the player.

Environment (from CTest): WEB_BIN_DIR, WEB_TIME_SHIM, WEB_SOURCE_DIR.
Optional: WEB_SCREENSHOTS=DIR saves screenshots of the page at 1280 x 800 and
on a 390 x 844 touch screen (see screenshots()); WEB_MEASURE=1 prints
fast-mode and real-time figures.
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
SEEK_FRAMES = [0, 900, 1900]
TIMELINE_FRAME = 1615  # the second scene's first frame, reached backwards
LINK_FRAME = 2664  # the last frame, from a link
FRAMES = SEEK_FRAMES + [TIMELINE_FRAME, LINK_FRAME]
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


def check_canvas(driver, expected, n, how):
    import base64
    rgba = base64.b64decode(driver.execute_script("return window.lumenfall.canvasBase64();"))
    width, height, rgb = expected[n]
    if (width, height) != (WIDTH, HEIGHT) or len(rgba) != WIDTH * HEIGHT * 4:
        fail(f"frame {n}: unexpected sizes")
    page_rgb = bytes(b for i, b in enumerate(rgba) if i % 4 != 3)
    if page_rgb != rgb:
        wrong = sum(1 for i in range(0, len(rgb), 3) if page_rgb[i:i + 3] != rgb[i:i + 3])
        fail(f"frame {n} {how}: {wrong} of {WIDTH * HEIGHT} pixels differ from the native picture")
    print(f"frame {n} {how}: identical to the native picture")


def check_frames(driver, expected):
    for n in SEEK_FRAMES:
        shown = driver.execute_script(f"return window.lumenfall.seek({n});")
        if shown != n:
            fail(f"asked for frame {n}, the page shows {shown}")
        check_canvas(driver, expected, n, "by seek")


def check_timeline(driver, expected):
    """Drags the timeline back from a later frame: the seek replays from the
    start in slices and ends paused on the frame asked for."""
    driver.execute_script(f"window.lumenfall.seek({TIMELINE_FRAME + 300});")
    driver.execute_script(
        "const t = document.getElementById('timeline');"
        f"t.value = '{TIMELINE_FRAME}'; t.dispatchEvent(new Event('input'));")
    state = wait_for(driver, "const s = window.lumenfall.state(); return !s.seeking && s;")
    if state["shown"] != TIMELINE_FRAME or not state["paused"]:
        fail(f"the timeline asked for frame {TIMELINE_FRAME}, the page shows {state}")
    check_canvas(driver, expected, TIMELINE_FRAME, "by the timeline")


def check_address_bar(driver, expected, base, paused_at):
    """The address bar follows the run: the seed while playing, the seed and
    the frame while paused; opening the address of a pause (here the one the
    timeline left at TIMELINE_FRAME) shows the same picture again."""
    if not paused_at.endswith(f"?seed={SEED}&frame={TIMELINE_FRAME + 1}"):
        fail(f"paused at frame {TIMELINE_FRAME}, the address bar reads {paused_at}")
    driver.execute_script("window.lumenfall.seek(10); document.getElementById('play').click();")
    playing = wait_for(driver, "return !window.lumenfall.state().paused && location.href;", 5)
    if not playing.endswith(f"?seed={SEED}"):
        fail(f"while playing, the address bar reads {playing}")
    driver.get(paused_at)
    wait_for(driver, "return window.lumenfall.ready || window.lumenfall.error;")
    state = wait_for(driver, "const s = window.lumenfall.state(); return !s.seeking && s;")
    if state["shown"] != TIMELINE_FRAME or not state["paused"]:
        fail(f"the address {paused_at} opens {state}")
    check_canvas(driver, expected, TIMELINE_FRAME, "by the address bar's link")


def check_introduction(driver, base):
    """The introduction the page links to is served and reads as written:
    its characters decoded as UTF-8 from a server that names no character
    set, and every link of the two pages to a file of their own found."""
    driver.get(f"{base}/good/index.html?seed={SEED}")
    driver.find_element("css selector", "a[href='about.html']").click()
    wait_for(driver, "return location.pathname.endsWith('/about.html') &&"
                     " document.readyState === 'complete';", 10)
    text = driver.execute_script("return document.characterSet + ' ' + document.body.innerText;")
    if not text.startswith("UTF-8 ") or "44 seconds — 2665 frames" not in text:
        fail(f"the introduction does not read as written: {text[:200]!r}")
    driver.set_script_timeout(30)
    missing = driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const pages = [location.href, new URL('index.html', location.href).href];
        Promise.all(pages.map((page) => fetch(page).then((r) => r.text()).then((html) => {
          const doc = new DOMParser().parseFromString(html, 'text/html');
          return [...doc.querySelectorAll('a[href], link[href], script[src]')]
            .map((e) => new URL(e.getAttribute('href') || e.getAttribute('src'), page))
            .filter((url) => url.origin === location.origin);
        }))).then((lists) => Promise.all(lists.flat().map((url) =>
          fetch(url).then((r) => (r.ok ? null : `${url.pathname} (${r.status})`)))))
          .then((results) => done(results.filter((r) => r)));
    """)
    if missing:
        fail(f"links to files the page's folder lacks: {missing}")
    print("the introduction reads as UTF-8, and its links and the page's are all served")


def check_link(driver, expected, base):
    """A link to a frame opens paused on it, and its counter links back."""
    driver.get(f"{base}/good/index.html?seed={SEED}&frame={LINK_FRAME + 1}")
    wait_for(driver, "return window.lumenfall.ready || window.lumenfall.error;")
    state = wait_for(driver, "const s = window.lumenfall.state(); return !s.seeking && s;")
    if state["shown"] != LINK_FRAME or not state["paused"] or state["seed"] != SEED:
        fail(f"?frame={LINK_FRAME + 1} shows {state}")
    check_canvas(driver, expected, LINK_FRAME, "by ?frame=")
    link = driver.execute_script("return document.getElementById('counter').href;")
    if not link.endswith(f"?seed={SEED}&frame={LINK_FRAME + 1}"):
        fail(f"the counter links to {link}")


def check_full_screen(driver):
    from selenium.webdriver.common.by import By
    driver.find_element(By.ID, "full").click()
    wait_for(driver, "return window.lumenfall.state().fullScreen;", 5)
    # Whole-number steps from two up; below that the picture fills the room,
    # which leaves the player's column reaching the screen's edge. The
    # window's last resize may come after the change to full screen.
    end = time.time() + 5
    while True:
        scale, room = driver.execute_script(
            "const c = document.getElementById('screen'), r = window.devicePixelRatio;"
            "const b = c.getBoundingClientRect();"
            "const bottom = document.getElementById('controls').getBoundingClientRect().bottom;"
            "return [[b.width * r / 320, b.height * r / 240],"
            "        [innerWidth - 16 - b.width, innerHeight - bottom]];")
        whole = scale[0] == int(scale[0]) and scale[0] >= 2
        if abs(scale[0] - scale[1]) < 1e-3 and (whole or min(room) < 1):
            break
        if time.time() > end:
            fail(f"full screen scales the screen by {scale} with {room} px to spare")
        time.sleep(0.1)
    from selenium.webdriver.common.action_chains import ActionChains
    ActionChains(driver).send_keys("z").perform()
    wait_for(driver, "return !window.lumenfall.state().fullScreen;", 5)
    print(f"full screen toggles (scale {scale[0]:g})")


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


def screenshots(driver, base, folder):
    """The pictures of docs/web.md: the page paused at frame 901 at 1280 x 800,
    a seek under way and a link with a bad frame there, and on a 390 x 844
    touch screen the page, its full screen and the introduction."""
    def view(width, height, touch):
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": touch})
        driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                               {"enabled": touch, "maxTouchPoints": 5 if touch else 1})

    def open_page(query, settle=True):
        driver.get(f"{base}/good/{query}")
        if settle:
            wait_for(driver, "return window.lumenfall.ready || window.lumenfall.error;")
            wait_for(driver, "const s = window.lumenfall.state(); return !s.seeking && s;")
        time.sleep(0.3)

    def save(name):
        driver.save_screenshot(os.path.join(folder, name))

    os.makedirs(folder, exist_ok=True)
    view(1280, 800, False)
    open_page(f"index.html?seed={SEED}&frame=901")
    save("web-page.png")
    driver.execute_script("document.getElementById('back').click();")
    save("web-seek.png")
    open_page(f"index.html?seed={SEED}&frame=9000")
    driver.execute_script("window.lumenfall.pause();")
    save("web-notice.png")
    view(390, 844, True)
    open_page(f"index.html?seed={SEED}&frame=2400")
    save("web-phone.png")
    driver.execute_script("document.getElementById('full').click();")
    time.sleep(0.5)
    save("web-phone-full.png")
    open_page("about.html", settle=False)
    save("web-phone-about.png")
    driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})
    print(f"screenshots in {folder}")


def measure(driver):
    module = [driver.execute_script("return window.lumenfall.moduleRate();") for _ in range(3)]
    seeks = [driver.execute_script("window.lumenfall.seek(0); const t = performance.now();"
                                   "window.lumenfall.seek(2664); return performance.now() - t;")
             for _ in range(3)]
    rates = []
    for _ in range(3):
        driver.execute_script("window.lumenfall.seek(0); window.lumenfall.setFast(true);")
        driver.execute_script("document.getElementById('play').click();")
        wait_for(driver, "return window.lumenfall.state().finished;", 60)
        rates.append(driver.execute_script("return window.lumenfall.fastRate();"))
    rate = sorted(rates)[1]
    driver.execute_script("window.lumenfall.setFast(false); window.lumenfall.seek(0);")
    driver.execute_script("document.getElementById('play').click();")
    time.sleep(8)
    real = driver.execute_script("return window.lumenfall.realTimeStats();")
    driver.execute_script("window.lumenfall.pause();")
    print(f"module alone: {sorted(module)[1]:.0f} frames/s (median of {len(module)} whole runs)")
    print(f"fast mode: {rate:.0f} frames/s (median of {len(rates)} whole runs: "
          f"{', '.join(f'{r:.0f}' for r in rates)})")
    print(f"seek from frame 0 to 2664: {sorted(seeks)[1]:.0f} ms (median of {len(seeks)})")
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
        check_timeline(driver, expected)
        paused_at = driver.execute_script("return location.href;")
        check_controls(driver)
        check_full_screen(driver)
        if os.environ.get("WEB_MEASURE"):
            measure(driver)
        if os.environ.get("WEB_SCREENSHOTS"):
            screenshots(driver, base, os.environ["WEB_SCREENSHOTS"])

        check_link(driver, expected, base)
        check_address_bar(driver, expected, base, paused_at)
        check_introduction(driver, base)

        driver.get(f"{base}/broken/index.html?seed={SEED}")
        message = wait_for(driver, "const m = document.getElementById('message');"
                                   "return !m.hidden && m.textContent;")
        if "could not be loaded" not in message:
            fail(f"a missing module shows: {message}")
        if driver.execute_script("return document.getElementById('player').offsetHeight;") != 0:
            fail("the message about a missing module sits beside the player instead of replacing it")
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
