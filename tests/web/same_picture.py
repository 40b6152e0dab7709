#!/usr/bin/env python3
"""The same still scene from the desktop build and from the page: do the two GLs draw one picture?

    python3 tests/web/same_picture.py PAGE_DIR STILL_FRAME [--keep FOLDER]

STILL_FRAME is the desktop build's web_still_frame (tests/web/still_frame.cpp), which draws the level
as it starts with the clock standing still, turned left by the mouse, in a hidden 1280x720 window on
Mesa's llvmpipe (run it on a display: Xvfb). The page (PAGE_DIR/index.html?still) draws the same: its
clock stands still too, and the test turns it with the same mouse movement, captured by a click, in
headless Chromium on SwiftShader. Both pictures go through the whole pipeline: the scene's three
outputs, the bloom, the composite with its tone mapping and the display.

Prints the mean difference of the two pictures in levels (0 to 255, over every channel of every
pixel) and the share of pixels that differ by more than 16 levels in a channel, and fails when the
mean is more than 1 level or that share more than 0.1 %: a wrong format, a shader that derives to
something else, a texture uploaded with its red and blue swapped or a field in other places all
exceed it by far. --keep writes both pictures to FOLDER.
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser, DevToolsError, Server, decode_png  # noqa: E402

WIDTH, HEIGHT = 1280, 720
TURN = 3120  # pixels of mouse to the left: the Sun, the station and the field in view
START_YAW = 7.14
MEAN_LIMIT = 1.0
FAR_OFF_LIMIT = 0.001


def read_ppm(path):
    with open(path, "rb") as file:
        data = file.read()
    magic, size, depth, pixels = data.split(b"\n", 3)
    width, height = map(int, size.split())
    if magic != b"P6" or depth != b"255" or len(pixels) != width * height * 3:
        raise ValueError(f"{path} is no {WIDTH}x{HEIGHT} binary PPM")
    return width, height, pixels


def page_picture(folder):
    """The page's still picture, turned by TURN pixels to the left, as RGB bytes (rows top down)."""
    with Server(folder) as server, Browser(width=WIDTH, height=HEIGHT) as browser:
        page = browser.open(server.url("index.html?still"))

        def status():
            return page.evaluate("window.velmora || null") or {}

        def wait(test, timeout):
            deadline = time.monotonic() + timeout
            while not test(status()):
                if time.monotonic() > deadline:
                    raise DevToolsError(f"the page did not get there: {status()}")
                time.sleep(0.05)

        wait(lambda s: s.get("playedFrames", 0) >= 1, 60)
        page.move(640, 360)
        page.click(640, 360)
        wait(lambda s: s.get("captured"), 10)
        x = 640.0
        for _ in range(30):
            x -= TURN / 30
            page.move(x, 360)
        turned = START_YAW + TURN * 0.0006
        wait(lambda s: abs(s.get("yaw", 0) - turned) < 1e-4, 10)
        # A few frames more: the turn's motion blur is gone, the camera stands still.
        frames = status().get("playedFrames", 0)
        wait(lambda s: s.get("playedFrames", 0) >= frames + 3, 10)
        png = page.screenshot()
    width, height, pixel = decode_png(png)
    if (width, height) != (WIDTH, HEIGHT):
        raise ValueError(f"the page's picture is {width}x{height}")
    return png, bytes(channel for y in range(height) for x in range(width) for channel in pixel(x, y))


def main(arguments):
    keep = None
    if "--keep" in arguments:
        at = arguments.index("--keep")
        keep = arguments[at + 1]
        arguments = arguments[:at] + arguments[at + 2:]
    if len(arguments) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    folder, still_frame = arguments
    if not os.path.exists(os.path.join(folder, "velmora.wasm")):
        print(f"FAILED  no page in {folder}: run tools/web.sh")
        return 1
    with tempfile.TemporaryDirectory() as scratch:
        desktop_file = os.path.join(scratch, "desktop.ppm")
        run = subprocess.run([still_frame, str(WIDTH), str(HEIGHT), str(TURN), desktop_file],
                             capture_output=True, text=True, stdin=subprocess.DEVNULL)
        if run.returncode != 0:
            print(f"FAILED  the desktop build's still picture: {run.stderr.strip()}")
            return 1
        _, _, desktop = read_ppm(desktop_file)
        try:
            png, browser = page_picture(folder)
        except (DevToolsError, ValueError) as error:
            print(f"FAILED  the page's still picture: {error}")
            return 1
        if keep:
            os.makedirs(keep, exist_ok=True)
            with open(os.path.join(keep, "page.png"), "wb") as file:
                file.write(png)
            os.replace(desktop_file, os.path.join(keep, "desktop.ppm"))

    differences = [abs(a - b) for a, b in zip(desktop, browser)]
    mean = sum(differences) / len(differences)
    far_off = sum(1 for i in range(0, len(differences), 3) if max(differences[i:i + 3]) > 16) / (WIDTH * HEIGHT)
    print(f"desktop (llvmpipe) and page (SwiftShader) differ by {mean:.3f} levels on average; "
          f"{100 * far_off:.3f} % of the pixels by more than 16 levels")
    ok = mean <= MEAN_LIMIT and far_off <= FAR_OFF_LIMIT
    print(f"{'ok' if ok else 'FAILED'}      the same still scene, the same picture (at most {MEAN_LIMIT:g} level on "
          f"average, {100 * FAR_OFF_LIMIT:g} % far off)")
    print(f"{1 if ok else 0} passed, {0 if ok else 1} failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
