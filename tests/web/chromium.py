"""A headless Chromium driven through its DevTools protocol over
--remote-debugging-pipe (file descriptors 3 and 4, NUL-separated JSON): no
port, no websocket library. WebGL2 is drawn in software by SwiftShader.

    with Chromium(profile_parent) as browser:
        page = browser.open(url, width=800, height=600)
        page.evaluate("1 + 1")

The profile is a fresh folder inside `profile_parent` (a build or temporary
folder, never the home folder), removed when the browser ends. With
`offline`, the page's network is cut before it loads.
"""

import base64
import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import time

CHROMIUM = "/usr/lib/chromium/chromium" if os.access("/usr/lib/chromium/chromium", os.X_OK) else shutil.which("chromium")


class BrowserError(Exception):
    pass


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session
        self.console = []     # (level, text) of every console call and log entry
        self.exceptions = []  # uncaught exceptions' texts

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def evaluate(self, expression, timeout=60):
        reply = self.send("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                               "returnByValue": True}, timeout)
        if "exceptionDetails" in reply:
            raise BrowserError("%s: %s" % (expression, reply["exceptionDetails"]))
        return reply["result"].get("value")

    def wait_for(self, expression, timeout=60):
        """Waits until the expression is true; its last value."""
        end = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > end:
                raise BrowserError("timed out waiting for " + expression)
            self.browser.pump(0.05)

    def key(self, key, code, key_code):
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", {"type": kind, "key": key, "code": code,
                                                 "windowsVirtualKeyCode": key_code, "text": key if kind == "keyDown" and len(key) == 1 else ""})

    def screenshot_png(self):
        return base64.b64decode(self.send("Page.captureScreenshot", {"format": "png"})["data"])

    def on_event(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params.get("type"), text))
        elif method == "Log.entryAdded":
            entry = params.get("entry", {})
            self.console.append((entry.get("level"), entry.get("text", "")))
        elif method == "Network.responseReceived" and params.get("response", {}).get("status", 0) >= 400:
            response = params["response"]
            self.console.append(("error", "%s : HTTP status %s" % (response.get("url"), response.get("status"))))
        elif method == "Runtime.exceptionThrown":
            self.exceptions.append(json.dumps(params.get("exceptionDetails", {}))[:500])

    def errors(self):
        return [text for level, text in self.console if level in ("error", "assert")] + self.exceptions


class Chromium:
    def __init__(self, profile_parent, extra_args=()):
        if not CHROMIUM:
            raise BrowserError("chromium is not installed")
        self.profile = tempfile.mkdtemp(prefix="chromium-profile-", dir=profile_parent)
        self.extra_args = list(extra_args)
        self.next_id = 0
        self.pages = {}
        self.buffer = b""
        self.replies = {}

    def __enter__(self):
        commands_read, self.commands = os.pipe()
        self.events, events_write = os.pipe()
        # Chromium reads commands from fd 3 and writes to fd 4.
        def child_fds():
            # Out of the way first, in case either pipe end is 3 or 4 itself.
            high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (commands_read, events_write)]
            os.dup2(high[0], 3)
            os.dup2(high[1], 4)
        args = [CHROMIUM, "--headless", "--remote-debugging-pipe", "--no-sandbox", "--enable-unsafe-swiftshader",
                "--use-angle=swiftshader", "--ignore-gpu-blocklist", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
                "--no-default-browser-check", "--disable-extensions", "--mute-audio", "--hide-scrollbars",
                "--user-data-dir=" + self.profile, "--disk-cache-dir=" + os.path.join(self.profile, "cache"),
                "--force-device-scale-factor=1"] + self.extra_args + ["about:blank"]
        env = dict(os.environ, HOME=self.profile, XDG_CONFIG_HOME=self.profile, XDG_CACHE_HOME=self.profile)
        self.log = open(os.path.join(self.profile, "chromium.log"), "wb")
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=self.log, preexec_fn=child_fds,
                                        pass_fds=(3, 4), env=env)
        os.close(commands_read)
        os.close(events_write)
        return self

    def __exit__(self, *exc):
        try:
            self.send("Browser.close", timeout=10)
        except Exception:
            pass
        try:
            self.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.commands)
        os.close(self.events)
        self.log.close()
        if os.environ.get("LND_KEEP_CHROMIUM_LOG"):
            shutil.copy(os.path.join(self.profile, "chromium.log"), os.environ["LND_KEEP_CHROMIUM_LOG"])
        shutil.rmtree(self.profile, ignore_errors=True)

    def pump(self, seconds):
        """Reads what the browser says for up to `seconds`, dispatching events."""
        import select
        end = time.monotonic() + seconds
        while True:
            left = end - time.monotonic()
            ready, _, _ = select.select([self.events], [], [], max(left, 0))
            if ready:
                chunk = os.read(self.events, 1 << 20)
                if not chunk:
                    raise BrowserError("chromium ended (status %s)" % self.process.poll())
                self.buffer += chunk
                while b"\0" in self.buffer:
                    raw, self.buffer = self.buffer.split(b"\0", 1)
                    message = json.loads(raw)
                    if "id" in message:
                        self.replies[message["id"]] = message
                    elif message.get("sessionId") in self.pages:
                        self.pages[message["sessionId"]].on_event(message)
            if left <= 0 or ready:
                return

    def send(self, method, params=None, session=None, timeout=60):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        end = time.monotonic() + timeout
        while self.next_id not in self.replies:
            if time.monotonic() > end:
                raise BrowserError("no reply to " + method)
            self.pump(0.02)
        reply = self.replies.pop(self.next_id)
        if "error" in reply:
            raise BrowserError("%s: %s" % (method, reply["error"]))
        return reply.get("result", {})

    def open(self, url, width=800, height=600, offline=False):
        """A new page of width x height CSS pixels (one device pixel each) at `url`."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, session)
        self.pages[session] = page
        for domain in ("Runtime", "Log", "Page", "Network"):
            page.send(domain + ".enable")
        page.send("Emulation.setDeviceMetricsOverride", {"width": width, "height": height,
                                                         "deviceScaleFactor": 1, "mobile": False})
        if offline:
            page.send("Network.emulateNetworkConditions", {"offline": True, "latency": 0,
                                                          "downloadThroughput": -1, "uploadThroughput": -1})
        page.send("Page.navigate", {"url": url})
        return page
