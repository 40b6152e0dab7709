#!/usr/bin/env python3
"""Plays the page tools/web.sh builds, in headless Chromium driven over the DevTools protocol.

    python3 tests/web/page_test.py [PAGE_DIR] [--picture FILE.png]

PAGE_DIR is build-web/ (index.html, velmora.js, velmora.wasm, velmora.data). The page is served from
127.0.0.1 and played like a player would: it loads and links the game's three programs, shows its
first picture and waits for a click, which captures the pointer; the mouse turns the view (the Sun
moves the way the view turned), F2 prints frame times, Space fires, F3 draws wire frame, F12 saves a
screenshot, Escape lets the pointer go and pauses, the canvas follows the page's size, a game left
alone reaches its outcome and keeps it on screen, R plays again, and a reload finds the records the
game kept. A browser without WEBGL_polygon_mode gets F3's refusal. With --picture the turned view is
saved as a PNG (the README's picture of the page). A page whose rock model is gone names it on the
page and plays on, and a gamepad in the browser's standard layout plays.

Prints each check, the first frame's time and the frame rate, and a closing "N passed, N failed";
exits 1 when a check fails.
"""
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import Checks  # noqa: E402
from devtools import Browser, DevToolsError, Server, decode_png  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RECORDS = "/home/web_user/.local/share/velmora/records.txt"
START_YAW = 7.14
RADIANS_PER_PIXEL = 0.0006
OUTCOMES = ("CONGRATULATIONS, YOU WON!", "GAME OVER: EARTH IS NO MORE!!!", "GAME OVER: YOU DIED!")


def status(page):
    """What the page publishes of the game each frame (web_page.h): frames, pause, shots and so on."""
    return page.evaluate("window.velmora || null") or {}


def wait_until(page, test, timeout):
    """The page's status once test(status) holds, or the last one seen when the time is up."""
    deadline = time.monotonic() + timeout
    while True:
        seen = status(page)
        if test(seen) or time.monotonic() > deadline:
            return seen
        time.sleep(0.05)


def said(page, text):
    return sum(1 for _, message in page.console() if text in message)


def wait_for_line(page, text, timeout):
    """The first console line with text after those already waited for, or None."""
    try:
        return page.wait_for_console(text, timeout=timeout)
    except DevToolsError:
        return None


def sun_on_screen(png):
    """Centre (x, y) and size in pixels of the Sun's yellow disc in a screenshot; None without it."""
    width, height, pixel = decode_png(png)
    count = sum_x = sum_y = 0
    for y in range(height):
        for x in range(width):
            r, g, b = pixel(x, y)
            if r >= 250 and g >= 200 and b <= 150:
                count += 1
                sum_x += x
                sum_y += y
    return (sum_x / count, sum_y / count, count) if count > 200 else None


def white_across_the_middle(png):
    """Near-white pixels in the band through the middle of the picture, where an outcome is written."""
    width, height, pixel = decode_png(png)
    return sum(1 for y in range(height // 2 - 40, height // 2 + 20) for x in range(width)
               if min(pixel(x, y)) > 200)


def move_by(page, pixels, steps, at=640.0):
    """Mouse moves adding up to pixels to the right; returns where the pointer ended."""
    for _ in range(steps):
        at += pixels / steps
        page.move(at, 360)
    return at


def play(page, checks, picture):
    # The page loads, links the game's three programs and shows its first frame.
    linked = wait_for_line(page, "Linking program!", 60) and wait_for_line(page, "Linking program!", 30) \
        and wait_for_line(page, "Linking program!", 30)
    checks.check(linked and said(page, "Linking program!") == 3, "the page links the game's three programs",
                 [m for _, m in page.console()][:20])
    first = wait_until(page, lambda s: s.get("playedFrames", 0) >= 1, 30)
    checks.check(first.get("playedFrames", 0) >= 1, "the game shows its first frame", first)
    first_frame_ms = first.get("firstFrameMs")
    size = page.evaluate("[document.getElementById('canvas').width, document.getElementById('canvas').height]")
    checks.check(size == [1280, 720], "the canvas fills the 1280x720 page", size)

    # Until the player clicks, the game waits paused and says so on the page.
    waiting = wait_until(page, lambda s: s.get("paused"), 10)
    time.sleep(1.0)
    still = status(page)
    message = page.evaluate("document.getElementById('message').textContent")
    checks.check(waiting.get("paused") and still.get("playedFrames") == waiting.get("playedFrames")
                 and message == "Click to play", "before a click the game waits, paused: \"Click to play\"",
                 f"{still}, message {message!r}")

    # A click captures the pointer, and the game plays: its frames advance.
    page.move(640, 360)
    page.click(640, 360)
    playing = wait_until(page, lambda s: s.get("captured") and not s.get("paused"), 10)
    before = playing.get("playedFrames", 0)
    started = time.monotonic()
    time.sleep(3.0)
    after = status(page).get("playedFrames", 0)
    frames_per_second = (after - before) / (time.monotonic() - started)
    checks.check(playing.get("captured") and after >= before + 10,
                 "a click captures the pointer and the frames advance", f"{playing} then {after} frames")
    checks.check(wait_for_line(page, "Pause: off", 5) is not None, "the console says \"Pause: off\"")
    message = page.evaluate("document.getElementById('message').textContent")
    checks.check(message == "", "nothing is written over the game while it plays", repr(message))

    # The mouse turns the view: 3120 pixels left finds the Sun; 150 pixels right turns the view right,
    # so the Sun moves left on the screen.
    at = move_by(page, -3120, 30)
    turned = START_YAW + 3120 * RADIANS_PER_PIXEL
    seen = wait_until(page, lambda s: abs(s.get("yaw", 0) - turned) < 1e-3, 10)
    checks.check(abs(seen.get("yaw", 0) - turned) < 1e-3, "the captured mouse turns the view by 0.0006 rad a pixel",
                 f"yaw {seen.get('yaw')}, expected {turned:.4f}")
    time.sleep(0.5)
    left_view = page.screenshot(picture)
    move_by(page, 150, 3, at)
    turned -= 150 * RADIANS_PER_PIXEL
    wait_until(page, lambda s: abs(s.get("yaw", 0) - turned) < 1e-3, 10)
    time.sleep(0.5)
    right_view = page.screenshot()
    sun_before, sun_after = sun_on_screen(left_view), sun_on_screen(right_view)
    moved = sun_before and sun_after and 40 <= sun_before[0] - sun_after[0] <= 80 \
        and abs(sun_before[1] - sun_after[1]) < 3
    checks.check(moved, "turning right moves the Sun about 58 pixels to the left on the screen",
                 f"Sun at {sun_before}, then at {sun_after}")

    # Holding R half a second starts the game afresh, so the field has its twenty seconds again for
    # what follows.
    page.press("r", hold=0.8)
    renewed = wait_for_line(page, "New game", 5)
    fresh = wait_until(page, lambda s: abs(s.get("yaw", 0) - START_YAW) < 1e-4, 5)
    checks.check(renewed is not None and abs(fresh.get("yaw", 0) - START_YAW) < 1e-4,
                 "holding R starts a new game, looking where the first one started", fresh)

    # F2 prints every frame's time, and stops again.
    page.press("F2")
    on = wait_for_line(page, "Display frame time: on", 5)
    frame_time = wait_for_line(page, "Frametime: ", 5)
    page.press("F2")
    off = wait_for_line(page, "Display frame time: off", 5)
    checks.check(on and frame_time and frame_time.endswith("FPS") and off, "F2 prints the frame times",
                 frame_time)

    # Space fires the one projectile from the ship.
    shots = status(page).get("shots", 0)
    page.press("Space")
    fired = wait_until(page, lambda s: s.get("shots", 0) == shots + 1, 5)
    checks.check(fired.get("shots") == shots + 1, "Space fires one shot", fired)

    # F3: wire frame, which this browser draws with WEBGL_polygon_mode.
    page.press("F3")
    wire = wait_until(page, lambda s: s.get("wireFrame"), 5)
    checks.check(wire.get("wireFrame") and wait_for_line(page, "Wire frame: on", 5),
                 "F3 draws wire frame in the browser")
    page.press("F3")
    checks.check(wait_for_line(page, "Wire frame: off", 5) is not None, "F3 again fills the triangles")

    # F12 hands a screenshot to the browser's downloads.
    page.press("F12")
    shot = wait_for_line(page, "Screenshot: Velmora ", 10)
    checks.check(shot and shot.endswith(".png, to the browser's downloads"), "F12 saves a screenshot", shot)

    # Escape is the browser's: it lets the pointer go, and the game pauses.
    page.press("Escape")
    paused = wait_until(page, lambda s: not s.get("captured") and s.get("paused"), 5)
    time.sleep(0.3)
    message = page.evaluate("document.getElementById('message').textContent")
    checks.check(not paused.get("captured") and paused.get("paused") and message == "Click to play"
                 and wait_for_line(page, "Pause: on", 5), "Escape lets the pointer go and pauses the game",
                 f"{paused}, message {message!r}")

    # The canvas follows the size the page gives it.
    page.resize(960, 540)
    resized = None
    for _ in range(100):
        resized = page.evaluate("[document.getElementById('canvas').width, document.getElementById('canvas').height]")
        if resized == [960, 540]:
            break
        time.sleep(0.05)
    page.resize(1280, 720)
    checks.check(resized == [960, 540], "the canvas follows the page's size", resized)

    # Left alone, the field reaches its outcome, which stays on screen: the page neither ends nor
    # draws over it. (Chromium refuses the pointer for a moment after Escape let it go.)
    time.sleep(1.5)
    page.click(640, 360)
    wait_until(page, lambda s: s.get("captured") and not s.get("paused"), 10)
    outcome = wait_until(page, lambda s: s.get("outcome"), 120)
    checks.check(outcome.get("outcome") in OUTCOMES and wait_for_line(page, outcome.get("outcome", "?"), 5),
                 "a game left alone reaches its outcome", outcome)
    time.sleep(1.0)
    later = status(page)
    ended = page.screenshot()
    checks.check(later.get("outcome") == outcome.get("outcome") and later.get("frames") > outcome.get("frames")
                 and later.get("playedFrames") == outcome.get("playedFrames")
                 and white_across_the_middle(ended) > 2000,
                 "the outcome stays on screen, written large, and the page goes on", f"{outcome} then {later}")
    kept = wait_until(page, lambda s: s.get("filesKept", 0) >= 1, 10)
    checks.check(kept.get("filesKept", 0) >= 1, "the records are kept in the browser's storage", kept)

    # R plays again.
    page.press("r")
    again = wait_for_line(page, "New game", 5)
    fresh = wait_until(page, lambda s: not s.get("outcome") and s.get("playedFrames") > later.get("playedFrames"), 5)
    checks.check(again is not None and not fresh.get("outcome"), "R starts a new game", fresh)

    # A reload finds the records of the game that ended.
    page.reload()
    wait_until(page, lambda s: s.get("playedFrames", 0) >= 1, 30)
    try:
        records = page.evaluate(f"Module.FS.readFile({json.dumps(RECORDS)}, {{encoding: 'utf8'}})")
    except DevToolsError as error:
        records = str(error)
    checks.check("\ngames = 1\n" in records, "a reload keeps the records", records)
    return first_frame_ms, frames_per_second


def in_another_browser(browser, server, checks):
    """The same page in a browser that does not offer WEBGL_polygon_mode and has a gamepad in the
    standard layout plugged in, with the rock's model gone from the game's files before the game
    starts."""
    hide = """(() => {
        // A pad the browser knows the layout of: buttons 0 to 16, four axes, nothing pressed.
        window.testPad = {id: 'Velmora Test Pad', index: 0, connected: true, mapping: 'standard',
                          timestamp: 0, axes: [0, 0, 0, 0],
                          buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
        navigator.getGamepads = () => [window.testPad];
        const getExtension = WebGL2RenderingContext.prototype.getExtension;
        WebGL2RenderingContext.prototype.getExtension = function (name) {
            return name === 'WEBGL_polygon_mode' ? null : getExtension.call(this, name);
        };
        // The page's own Module, once it sets it: the file goes after the data has loaded.
        Object.defineProperty(window, 'Module', {
            configurable: true,
            set(module) {
                module.onRuntimeInitialized = () => module.FS.unlink('/Models/rock.obj');
                Object.defineProperty(window, 'Module', {value: module, writable: true});
            },
        });
    })();"""
    page = browser.open(server.url("index.html"), before_load=hide)
    wait_until(page, lambda s: s.get("paused"), 60)
    # The loader's message, which the desktop's console holds until a key is typed, is on the page,
    # and the game goes on without the rock.
    message = page.evaluate("document.getElementById('message').textContent")
    errors = [text for kind, text in page.console() if kind == "error"]
    checks.check("Models/rock.obj" in message and any("Models/rock.obj" in text for text in errors)
                 and status(page).get("playedFrames", 0) >= 1,
                 "a model the game cannot read is named on the page, and the game goes on", f"{message!r}, {errors}")
    page.click(640, 360)
    wait_until(page, lambda s: s.get("captured") and not s.get("paused"), 10)
    message = page.evaluate("document.getElementById('message').textContent")
    checks.check(message == "", "the click that plays takes the message away", repr(message))

    # The page's gamepad: named on the console, and its A button fires.
    named = wait_for_line(page, "Gamepad: Velmora Test Pad", 5)
    shots = status(page).get("shots", 0)
    page.evaluate("testPad.buttons[0] = {pressed: true, value: 1}")
    fired = wait_until(page, lambda s: s.get("shots", 0) > shots, 5)
    page.evaluate("testPad.buttons[0] = {pressed: false, value: 0}")
    checks.check(named is not None and fired.get("shots", 0) == shots + 1,
                 "the page's gamepad is named and its A button fires once", f"{named}, {fired}")
    page.press("F3")
    refused = wait_for_line(page, "Wire frame: not available here", 5)
    checks.check(refused is not None and not status(page).get("wireFrame"),
                 "without WEBGL_polygon_mode F3 says \"Wire frame: not available here\"")
    page.close()


def main(arguments):
    folder = os.path.join(ROOT, "build-web")
    picture = None
    while arguments:
        if arguments[0] == "--picture" and len(arguments) > 1:
            picture, arguments = arguments[1], arguments[2:]
        elif not arguments[0].startswith("-"):
            folder, arguments = arguments[0], arguments[1:]
        else:
            print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
            return 2
    checks = Checks()
    missing = [name for name in ("index.html", "velmora.js", "velmora.wasm", "velmora.data")
               if not os.path.exists(os.path.join(folder, name))]
    if missing:
        checks.check(False, f"the page is built in {folder}", f"no {', '.join(missing)}: run tools/web.sh")
    else:
        try:
            with Server(folder) as server, Browser(width=1280, height=720) as browser:
                page = browser.open(server.url("index.html"))
                first_frame_ms, frames_per_second = play(page, checks, picture)
                in_another_browser(browser, server, checks)
                if first_frame_ms is not None:
                    print(f"first frame: {first_frame_ms:.0f} ms after navigation")
                print(f"frame rate: {frames_per_second:.1f} frames a second at 1280x720")
        except DevToolsError as error:
            checks.check(False, "the browser answered", str(error))
    print(checks.closing_line())
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
