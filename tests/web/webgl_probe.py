#!/usr/bin/env python3
"""What headless Chromium gives the game, checked through the DevTools client on a page of our own.

    python3 tests/web/webgl_probe.py [--shaders build-web/Shader] [--screenshot FILE.png]

Loads tests/web/webgl_probe.html from a local server and checks: WebGL 2 with float render targets
(the scene framebuffer's RGBA16F + RGBA8 + RGBA16F + depth is complete and keeps values above 1),
a cleared canvas reads back and shows in a screenshot in its colour, and keys and clicks sent over
the protocol reach the page. With --shaders, every program of the derived WebGL 2 shaders (and each
variant the game builds with a #define) compiles and links in the browser. Prints what the browser
offers (RGB16F targets, WEBGL_polygon_mode, a line feed before #version) and a closing
"N passed, N failed" line; exits 1 when a check fails.
"""
import json
import os
import re
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import Checks  # noqa: E402
from devtools import Browser, DevToolsError, Server, decode_png  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def read_lines(path):
    with open(path, encoding="utf-8") as file:
        return [line.rstrip("\r\n") for line in file]


def check_shaders(page, folder, checks):
    names = sorted(name for name in os.listdir(folder) if name.endswith("VertexShader.glsl"))
    for vertex in names:
        fragment = vertex.replace("Vertex", "Fragment")
        if not os.path.exists(os.path.join(folder, fragment)):
            continue
        # The files as they are: WebGL wants #version on the very first line.
        vertex_text = "\n".join(read_lines(os.path.join(folder, vertex)))
        fragment_text = "\n".join(read_lines(os.path.join(folder, fragment)))
        macros = sorted(set(re.findall(r"^\s*#\s*ifn?def\s+(\w+)", vertex_text + fragment_text, re.MULTILINE)))
        for define in [None] + macros:
            call = f"buildProgram({json.dumps(vertex_text)}, {json.dumps(fragment_text)}, {json.dumps(define)})"
            result = page.evaluate(call)
            label = f"{vertex} + {fragment}" + (f" with {define}" if define else "")
            checks.check(result["linked"], f"links in the browser: {label}", result["log"])
        # The game's loader today puts a line feed before every line, the first one included.
        loader_text = "".join("\n" + line for line in vertex_text.split("\n"))
        loader_fragment = "".join("\n" + line for line in fragment_text.split("\n"))
        result = page.evaluate(f"buildProgram({json.dumps(loader_text)}, {json.dumps(loader_fragment)}, null)")
        refusal = " ".join(result["log"].split())[:90]
        print(f"offers: {vertex} with a line feed before #version {'links' if result['linked'] else 'is refused: ' + refusal}")


def main(arguments):
    shaders = None
    screenshot = None
    while arguments:
        if arguments[0] == "--shaders" and len(arguments) > 1:
            shaders, arguments = arguments[1], arguments[2:]
        elif arguments[0] == "--screenshot" and len(arguments) > 1:
            screenshot, arguments = arguments[1], arguments[2:]
        else:
            print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
            return 2

    checks = Checks()
    site = tempfile.mkdtemp(prefix="velmora-probe-")
    try:
        shutil.copy(os.path.join(HERE, "webgl_probe.html"), os.path.join(site, "index.html"))
        with Server(site) as server, Browser(width=320, height=240) as browser:
            page = browser.open(server.url("index.html"))
            page.wait_for_console("probe page ready", timeout=10, new_only=False)
            facts = page.evaluate("probe()")
            print(f"browser: {facts.get('version')}, {facts.get('shadingLanguage')}, {facts.get('renderer')}")
            checks.check(facts.get("webgl2"), "WebGL 2 context")
            checks.check(facts.get("colorBufferFloat"), "EXT_color_buffer_float")
            scene = facts.get("scene", {})
            checks.check(scene.get("complete"), "scene framebuffer RGBA16F + RGBA8 + RGBA16F + depth is complete")
            checks.check(scene.get("firstTexel", [0])[0] == 3.5 and scene.get("error") == 0,
                         "a half-float target keeps 3.5 after clearBufferfv", str(scene))
            checks.check(facts.get("rgba16f"), "RGBA16F target alone is complete")
            checks.check(facts.get("clearedPixel") == [51, 102, 204, 255], "the cleared canvas reads back",
                         str(facts.get("clearedPixel")))
            checks.check(facts.get("audioState") == "running", "WebAudio runs without a user gesture",
                         str(facts.get("audioState")))
            print(f"offers: RGB16F target {'complete' if facts.get('rgb16f') else 'INCOMPLETE'}, "
                  f"RGB32F target {'complete' if facts.get('rgb32f') else 'INCOMPLETE'}, "
                  f"R11F_G11F_B10F target {'complete' if facts.get('r11fg11fb10f') else 'INCOMPLETE'}, "
                  f"WEBGL_polygon_mode {'yes' if facts.get('polygonMode') else 'no'}"
                  + (f" (set to LINE: {facts.get('polygonModeSet') == facts.get('polygonModeLine')})"
                     if facts.get("polygonMode") else "")
                  + f", {facts.get('maxDrawBuffers')} draw buffers, textures up to {facts.get('maxTextureSize')}")

            png = page.screenshot(screenshot)
            width, height, pixel = decode_png(png)
            checks.check((width, height) == (320, 240) and pixel(160, 120) == (51, 102, 204),
                         "the screenshot shows the cleared colour", f"{width}x{height}, {pixel(160, 120)}")

            page.press("F2")
            checks.check("F2" in page.wait_for_console("key down F2", timeout=5), "F2 reaches the page")
            page.press("w")
            checks.check("KeyW w" in page.wait_for_console("key down KeyW", timeout=5), "W reaches the page")
            page.press("Space")
            page.wait_for_console("key down Space", timeout=5)
            page.move(30, 40)
            page.wait_for_console("mouse move to 30 40", timeout=5)
            page.click(100, 50)
            page.wait_for_console("mouse down 0 at 100 50", timeout=5)
            checks.check(True, "Space, a mouse move and a click reach the page")

            if shaders:
                check_shaders(page, shaders, checks)
    except DevToolsError as error:
        checks.check(False, "the browser answered", str(error))
    finally:
        shutil.rmtree(site, ignore_errors=True)
    print(checks.closing_line())
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
