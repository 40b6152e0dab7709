"""Drives Debian's Chromium, headless, over the DevTools protocol: Python's standard library only.

The browser talks on a pipe (--remote-debugging-pipe): it reads commands from its file descriptor 3
and writes answers and events to 4, each one JSON message ended by a NUL byte. One page is driven
through a flat session (Target.attachToTarget with flatten), so every message carries its sessionId.

    with Server(folder) as server, Browser() as browser:
        page = browser.open(server.url("index.html"))
        page.evaluate("1 + 1")                           # 2
        page.wait_for_console("Linking program!")        # the message's text
        page.click(640, 360); page.press("Space")
        png = page.screenshot(); width, height, pixel = decode_png(png)

Headless WebGL 2 comes from ANGLE on SwiftShader, Chromium's software renderer. As root Chromium
needs --no-sandbox; the background-networking flags keep it from calling out to a network that is
not there, and sound plays without a user gesture (autoplay) so tests can hear the game start.
"""
import base64
import fcntl
import functools
import http.server
import json
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

CHROMIUM_FLAGS = [
    "--headless=new",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--disable-gpu",
    "--no-first-run",
    "--no-default-browser-check",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-quic",
    "--disable-extensions",
    "--autoplay-policy=no-user-gesture-required",
    "--remote-debugging-pipe",
]


class DevToolsError(Exception):
    """A command the browser refused, or an answer or event that did not come in time."""


class Browser:
    """A headless Chromium of its own, with a fresh profile folder deleted on close."""

    def __init__(self, width=1280, height=720, chromium="chromium", flags=()):
        self.width = width
        self.height = height
        self.profile = tempfile.mkdtemp(prefix="velmora-chromium-")
        command = [chromium] + CHROMIUM_FLAGS + [f"--window-size={width},{height}",
                                                 f"--user-data-dir={self.profile}"]
        if os.geteuid() == 0:
            command.append("--no-sandbox")
        command += list(flags) + ["about:blank"]
        # The browser reads commands from its fd 3 and writes to its fd 4.
        to_browser, self._commands = os.pipe()
        self._answers, from_browser = os.pipe()
        self.log = tempfile.TemporaryFile()

        def give_pipes():
            # Moved out of the way first: either end may itself be 3 or 4 here.
            reading = fcntl.fcntl(to_browser, fcntl.F_DUPFD, 10)
            writing = fcntl.fcntl(from_browser, fcntl.F_DUPFD, 10)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log,
                                        preexec_fn=give_pipes, close_fds=False)
        os.close(to_browser)
        os.close(from_browser)
        self._next_id = 0
        self._answered = {}  # id -> message
        self._events = []  # every event, in order
        self._lock = threading.Condition()
        self._closed = False
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        buffer = b""
        while True:
            try:
                chunk = os.read(self._answers, 1 << 16)
            except OSError:
                chunk = b""
            if not chunk:
                break
            buffer += chunk
            *messages, buffer = buffer.split(b"\0")
            with self._lock:
                for raw in messages:
                    message = json.loads(raw)
                    if "id" in message:
                        self._answered[message["id"]] = message
                    else:
                        self._events.append(message)
                self._lock.notify_all()
        with self._lock:
            self._closed = True
            self._lock.notify_all()

    def send(self, method, params=None, session=None, timeout=30.0):
        """Sends one command and returns its result; raises DevToolsError when it fails."""
        with self._lock:
            self._next_id += 1
            number = self._next_id
        message = {"id": number, "method": method, "params": params or {}}
        if session is not None:
            message["sessionId"] = session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._lock:
            while number not in self._answered:
                left = deadline - time.monotonic()
                if self._closed or left <= 0:
                    raise DevToolsError(f"{method}: no answer ({'browser gone' if self._closed else 'timed out'})")
                self._lock.wait(left)
            answer = self._answered.pop(number)
        if "error" in answer:
            raise DevToolsError(f"{method}: {answer['error'].get('message')}")
        return answer.get("result", {})

    def wait_for_event(self, method, session=None, match=None, timeout=30.0, start=0):
        """The first event called method (of the session, and for which match(params) is true) from
        index start on in the browser's list of events; raises DevToolsError when none comes in
        time. Returns (index, params)."""
        deadline = time.monotonic() + timeout
        with self._lock:
            index = start
            while True:
                while index < len(self._events):
                    event = self._events[index]
                    index += 1
                    if event.get("method") != method or (session is not None and event.get("sessionId") != session):
                        continue
                    if match is None or match(event.get("params", {})):
                        return index - 1, event.get("params", {})
                left = deadline - time.monotonic()
                if self._closed or left <= 0:
                    raise DevToolsError(f"no {method} event within {timeout} s")
                self._lock.wait(left)

    def events(self, session=None):
        with self._lock:
            return [event for event in self._events if session is None or event.get("sessionId") == session]

    def open(self, url, timeout=30.0, before_load=None):
        """A new page (tab) with the console and page events on, at url once it has loaded.
        before_load is JavaScript run in every document of the tab before its own scripts."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, session, target)
        self.send("Page.enable", session=session)
        self.send("Runtime.enable", session=session)
        if before_load:
            self.send("Page.addScriptToEvaluateOnNewDocument", {"source": before_load}, session=session)
        page.resize(self.width, self.height)
        page.navigate(url, timeout)
        return page

    def close(self):
        if self.process.poll() is None:
            try:
                self.send("Browser.close", timeout=5.0)
            except DevToolsError:
                pass
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for fd in (self._commands, self._answers):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def output(self):
        """What the browser itself wrote to its standard output and error."""
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def __enter__(self):
        return self

    def __exit__(self, *error):
        self.close()


# Keys by their DOM name: code, Windows key code, and the text a press types.
_NAMED_KEYS = {
    "Space": ("Space", 32, " "), "Enter": ("Enter", 13, "\r"), "Escape": ("Escape", 27, ""),
    "Tab": ("Tab", 9, ""), "Backspace": ("Backspace", 8, ""),
    "ArrowLeft": ("ArrowLeft", 37, ""), "ArrowUp": ("ArrowUp", 38, ""),
    "ArrowRight": ("ArrowRight", 39, ""), "ArrowDown": ("ArrowDown", 40, ""),
}
_NAMED_KEYS.update({f"F{n}": (f"F{n}", 111 + n, "") for n in range(1, 13)})


def _key(name):
    """(key, code, windowsVirtualKeyCode, text) for "Space", "F2", "a", "R", "7"."""
    if name in _NAMED_KEYS:
        code, number, text = _NAMED_KEYS[name]
        return (" " if name == "Space" else name), code, number, text
    if len(name) == 1 and name.isalpha():
        return name, "Key" + name.upper(), ord(name.upper()), name
    if len(name) == 1 and name.isdigit():
        return name, "Digit" + name, ord(name), name
    raise ValueError(f"unknown key {name!r}")


class Page:
    """One tab: evaluate JavaScript, read its console, send it input, take screenshots."""

    def __init__(self, browser, session, target):
        self.browser = browser
        self.session = session
        self.target = target
        self._console_seen = 0

    def send(self, method, params=None, timeout=30.0):
        return self.browser.send(method, params, session=self.session, timeout=timeout)

    def resize(self, width, height):
        """Gives the page exactly this size in CSS pixels (a headless window's own size also counts
        the browser's frame, and has a smallest width)."""
        self.send("Emulation.setDeviceMetricsOverride", {"width": width, "height": height,
                                                         "deviceScaleFactor": 1, "mobile": False})

    def navigate(self, url, timeout=30.0):
        """Loads url (a reload when it is the same) and waits for its load event."""
        start = len(self.browser._events)
        answer = self.send("Page.navigate", {"url": url})
        if answer.get("errorText"):
            raise DevToolsError(f"cannot load {url}: {answer['errorText']}")
        self.browser.wait_for_event("Page.loadEventFired", self.session, timeout=timeout, start=start)

    def reload(self, timeout=30.0):
        start = len(self.browser._events)
        self.send("Page.reload", {"ignoreCache": True})
        self.browser.wait_for_event("Page.loadEventFired", self.session, timeout=timeout, start=start)

    def evaluate(self, expression, timeout=30.0):
        """The value of a JavaScript expression (a promise is awaited), as JSON gives it back;
        raises DevToolsError with the exception's text when it throws."""
        answer = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True, "userGesture": True}, timeout)
        if "exceptionDetails" in answer:
            details = answer["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise DevToolsError(f"JavaScript threw: {text}")
        return answer["result"].get("value")

    def console(self):
        """Every console message of the page so far, as (type, text): type is "log", "warning",
        "error" and so on; text joins the arguments with spaces, as the console shows them."""
        messages = []
        for event in self.browser.events(self.session):
            if event.get("method") == "Runtime.consoleAPICalled":
                messages.append(_console_entry(event["params"]))
        return messages

    def wait_for_console(self, text, timeout=30.0, new_only=True):
        """The first console message containing text (after those already waited for, unless
        new_only is False); raises DevToolsError when none comes in time."""
        index, params = self.browser.wait_for_event(
            "Runtime.consoleAPICalled", self.session, timeout=timeout,
            match=lambda params: text in _console_entry(params)[1],
            start=self._console_seen if new_only else 0)
        self._console_seen = index + 1
        return _console_entry(params)[1]

    def mouse(self, kind, x, y, button="none", clicks=0, modifiers=0):
        """One Input.dispatchMouseEvent: kind is mouseMoved, mousePressed, mouseReleased or mouseWheel."""
        self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": button,
                                               "clickCount": clicks, "modifiers": modifiers})

    def move(self, x, y):
        self.mouse("mouseMoved", x, y)

    def click(self, x, y, button="left"):
        self.mouse("mousePressed", x, y, button, 1)
        self.mouse("mouseReleased", x, y, button, 1)

    def key(self, kind, name):
        """One Input.dispatchKeyEvent for a key by name ("Space", "F2", "w"): kind is keyDown or keyUp."""
        key, code, number, text = _key(name)
        params = {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": number,
                  "nativeVirtualKeyCode": number}
        if kind == "keyDown" and text:
            params["text"] = text
        self.send("Input.dispatchKeyEvent", params)

    def press(self, name, hold=0.0):
        """Presses a key, holds it for hold seconds, and lets it go."""
        self.key("keyDown", name)
        if hold > 0:
            time.sleep(hold)
        self.key("keyUp", name)

    def screenshot(self, path=None):
        """The page as it shows now, as PNG bytes; also written to path when given."""
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        png = base64.b64decode(data)
        if path is not None:
            with open(path, "wb") as file:
                file.write(png)
        return png

    def close(self):
        self.browser.send("Target.closeTarget", {"targetId": self.target})


def _console_entry(params):
    parts = []
    for argument in params.get("args", []):
        if "value" in argument:
            value = argument["value"]
            parts.append(value if isinstance(value, str) else json.dumps(value))
        else:
            parts.append(argument.get("description", argument.get("type", "")))
    return params.get("type", "log"), " ".join(parts)


def decode_png(png):
    """(width, height, pixel) of an 8-bit RGB or RGBA PNG, as Chromium writes them; pixel(x, y)
    gives (r, g, b) with y down from the top."""
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    offset, data = 8, b""
    width = height = 0
    while offset < len(png):
        length, kind = struct.unpack(">I4s", png[offset:offset + 8])
        body = png[offset + 8:offset + 8 + length]
        offset += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace != 0:
                raise ValueError("only 8-bit RGB or RGBA PNGs without interlacing")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            data += body
        elif kind == b"IEND":
            break
    raw = zlib.decompress(data)
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    at = 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - corner
                pa, pb, pc = abs(guess - left), abs(guess - up), abs(guess - corner)
                predicted = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + predicted) & 0xFF
        rows.append(line)
        previous = line

    def pixel(x, y):
        row = rows[y]
        return tuple(row[x * channels:x * channels + 3])

    return width, height, pixel


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    # Browsers compile WebAssembly while it streams in only when it comes as application/wasm.
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **{".wasm": "application/wasm"})

    def end_headers(self):
        # Every test run loads what was just built.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, *arguments):
        pass


class Server:
    """Serves a folder on 127.0.0.1 (a free port unless one is given) from a thread."""

    def __init__(self, folder, port=0):
        handler = functools.partial(_QuietHandler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path=""):
        return f"http://127.0.0.1:{self.port}/{path}"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()

    def __enter__(self):
        return self

    def __exit__(self, *error):
        self.close()
