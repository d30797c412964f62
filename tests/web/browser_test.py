#!/usr/bin/env python3
"""The page in headless Chromium: a static server on the loopback address serves build-web/,
Chromium (SwiftShader's WebGL 2) is driven over the DevTools protocol on a pipe, and the page
posts what a test needs (rendered frames, its log) back to the server.

  browser_test.py WEBDIR play SECONDS     the page loads, Start is clicked, the show plays
                                          SECONDS with its clock advancing and no console error,
                                          then Escape ends it
  browser_test.py WEBDIR twin             the two clip-library copies decode at once as alone
  browser_test.py WEBDIR contexts         the OpenGL layer keeps its state across contexts
  browser_test.py WEBDIR render OUTDIR WxH FPS [KEEP [PARAMS]]
                                          frames on the virtual clock into OUTDIR (KEEP: a file
                                          of frame numbers, one a line, or ""; PARAMS: more of
                                          the page's URL parameters, "&to=30")
  browser_test.py WEBDIR live [SECONDS [T]]  the whole show live (Start clicked, sound on), or
                                          its first SECONDS (from T, a link's ?t=), then Escape;
                                          its frame statistics (velmar --stats) on standard
                                          output, held for sense
  browser_test.py WEBDIR safety          a link cannot make the page run another site's script or
                                          post to another site: such parameters are refused on
                                          the page, and a stranger's server hears nothing
  browser_test.py WEBDIR golden BUILD OUTDIR
                                          the golden frames' times drawn by the page and held to
                                          the native references by BUILD's golden_frames
  browser_test.py WEBDIR loading          the loading bar counts every byte to 100 % and Start
                                          appears; a file the server lacks is named, and Try
                                          again loads it once it is there
  browser_test.py WEBDIR offline          the first visit fills the service worker's cache; with
                                          the server gone a second visit plays, with sound
  browser_test.py WEBDIR moment BUILD OUTDIR
                                          index.html?t=250: the first frames shown match BUILD's
                                          native render at their times, and the music heard is
                                          250 s plus the time played
  browser_test.py WEBDIR touch            a phone-sized touch screen: a tap starts the show, a
                                          turn of the screen keeps 4:3, two fingers end it
  browser_test.py WEBDIR load-times [MBIT]
                                          figures, no test: from the first byte to Start offered
                                          and from the click to the first frame, on a connection
                                          of MBIT (20) Mbit/s and then from the worker's cache

With VELMAR_SHOTS=DIR the loading, moment and touch tests also leave screenshots in DIR.

Each test ends with the line "N passed, M failed" and exits non-zero on a failure.
"""
import base64
import contextlib
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

CHROMIUM = os.environ.get("CHROMIUM", "/usr/lib/chromium/chromium")


class Server:
    """Serves a folder on 127.0.0.1; POSTs to /report/NAME are kept in memory."""

    def __init__(self, root):
        self.reports = {}
        self.missing = []
        self.refuse = set()  # file names answered with 404, as if missing
        self.done = threading.Event()
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *a, **k):
                super().__init__(*a, directory=root, **k)

            def log_message(self, *a):
                pass

            def send_error(self, code, *a, **k):
                server.missing.append(self.path)
                super().send_error(code, *a, **k)

            def end_headers(self):
                self.send_header("Cache-Control", "no-store")
                super().end_headers()

            def do_GET(self):
                if self.path.split("?")[0].rsplit("/", 1)[-1] in server.refuse:
                    return self.send_error(404)
                super().do_GET()

            def do_POST(self):
                body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                name = self.path.split("/report/", 1)[-1]
                server.reports[name] = body
                if name == "done":
                    server.done.set()
                self.send_response(204)
                self.end_headers()

        http.server.SimpleHTTPRequestHandler.extensions_map[".wasm"] = "application/wasm"
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Stranger:
    """Another site on another loopback port: counts every request and answers each with a
    script that marks the page, should it ever run."""

    def __init__(self):
        self.requests = []
        stranger = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *a):
                pass

            def answer(self):
                stranger.requests.append(self.command + " " + self.path)
                body = b"window.strangerRan = true;"
                self.send_response(200)
                self.send_header("Content-Type", "text/javascript")
                self.send_header("Access-Control-Allow-Origin", "*")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            do_GET = do_POST = do_OPTIONS = answer

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()


class Browser:
    """Headless Chromium with the DevTools protocol on file descriptors 3 and 4."""

    def __init__(self, width=800, height=600):
        self.profile = tempfile.mkdtemp(prefix="velmar-chromium-")
        to_chrome_r, self.to_chrome = os.pipe()
        self.from_chrome, from_chrome_w = os.pipe()
        args = [CHROMIUM, "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                "--autoplay-policy=no-user-gesture-required", "--remote-debugging-pipe", "--no-sandbox",
                "--no-first-run", "--no-default-browser-check", "--disable-background-timer-throttling",
                "--disable-renderer-backgrounding", "--user-data-dir=" + self.profile,
                "--window-size=%d,%d" % (width, height), "about:blank"]

        # Chromium reads commands on descriptor 3 and answers on 4: both are moved out of the
        # way first, so that neither is overwritten by the other. Only these two are inherited
        # (the pipes themselves close on exec), so no descriptor list closes them again.
        def fds():
            r, w = os.dup(to_chrome_r), os.dup(from_chrome_w)
            os.dup2(r, 3)
            os.dup2(w, 4)

        self.proc = subprocess.Popen(args, close_fds=False, preexec_fn=fds,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.next_id = 0
        self.buffer = b""
        self.events = []
        self.session = None
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.call(domain + ".enable")

    def _read(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_chrome, 1 << 20)
            if not chunk:
                raise RuntimeError("Chromium went away")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.to_chrome, json.dumps(message).encode() + b"\0")
        while True:
            m = self._read()
            if m.get("id") == self.next_id:
                if "error" in m:
                    raise RuntimeError("%s: %s" % (method, m["error"]))
                return m.get("result", {})
            self.events.append(m)

    def evaluate(self, expression):
        r = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        return r.get("result", {}).get("value")

    def console_errors(self):
        errors = []
        for e in self.events:
            p = e.get("params", {})
            if e.get("method") == "Runtime.exceptionThrown":
                errors.append(p["exceptionDetails"].get("text", "") + " " +
                              str(p["exceptionDetails"].get("exception", {}).get("description", "")))
            elif e.get("method") == "Runtime.consoleAPICalled" and p.get("type") == "error":
                errors.append(" ".join(str(a.get("value", a.get("description", ""))) for a in p.get("args", [])))
            elif e.get("method") == "Log.entryAdded" and p["entry"].get("level") == "error":
                errors.append(p["entry"].get("text", ""))
        return errors

    def wait_for(self, expression, timeout, poll=0.25):
        end = time.time() + timeout
        while time.time() < end:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(poll)
        return None

    def click(self, selector):
        box = self.evaluate("(() => { const r = document.querySelector(%s).getBoundingClientRect();"
                            " return [r.x + r.width / 2, r.y + r.height / 2]; })()" % json.dumps(selector))
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1], button="left", clickCount=1)

    def tap(self, points):
        """Fingers down at once on POINTS ([x, y] each) and up again."""
        touches = [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]
        self.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=touches)
        self.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def centre(self, selector):
        return self.evaluate("(() => { const r = document.querySelector(%s).getBoundingClientRect();"
                             " return [r.x + r.width / 2, r.y + r.height / 2]; })()" % json.dumps(selector))

    def screenshot(self, name):
        """A PNG of the page into VELMAR_SHOTS, where that is set."""
        folder = os.environ.get("VELMAR_SHOTS")
        if not folder:
            return
        os.makedirs(folder, exist_ok=True)
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(os.path.join(folder, name), "wb") as f:
            f.write(base64.b64decode(data))

    def key(self, name, code, text=""):
        for kind in ("rawKeyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=name if name != "Space" else " ", code=name,
                      windowsVirtualKeyCode=code, nativeVirtualKeyCode=code)

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


@contextlib.contextmanager
def session(web):
    """A server for WEB and a browser, both closed again however the test ends."""
    server, browser = Server(web), Browser()
    try:
        yield server, browser
    finally:
        browser.close()
        server.close()


def start_show(server, browser, query):
    """Loads the page, clicks Start once it is offered; (offered, ms from click to first frame)."""
    browser.call("Page.navigate", url=server.url + "index.html" + query)
    ready = browser.wait_for("!document.getElementById('go').disabled", 120)
    browser.click("#go")
    return ready, browser.wait_for("velmarPage.firstFrameMs", 60)


def verdict(checks):
    failed = 0
    for name, ok, detail in checks:
        detail = detail if len(detail) < 400 else detail[:400] + "..."
        print("%s: %s%s" % ("ok" if ok else "FAILED", name, (" (" + detail + ")") if detail else ""))
        failed += 0 if ok else 1
    print("%d passed, %d failed" % (len(checks) - failed, failed))
    return 1 if failed else 0


def watch(browser, seconds, keys=None):
    """The show for SECONDS: each second the frames so far and the page's and the show's clocks at
    the latest (keys: second -> key pressed then); then Escape. (samples, ended, log, errors)"""
    samples = []
    start = time.time()
    keys = keys or {}
    while time.time() - start < seconds:
        time.sleep(1.0)
        if len(samples) in keys:
            browser.key(*keys[len(samples)])
        samples.append(browser.evaluate("[velmarPage.frames, velmarPage.clock]"))
    browser.key("Escape", 27)
    ended = browser.wait_for("velmarPage.ended", 60)
    return samples, ended, browser.evaluate("velmarPage.log") or [], browser.console_errors()


def clock_checks(samples, log):
    """Frames keep coming, the music clock follows the page's and the sound heard keeps to it."""
    frames = [s[0] for s in samples if s]
    # The show's clock, which the music clock counts, must follow the page's clock: its
    # advance between the first and the last sample over the page's, within 5 %.
    clock = [s[1] for s in samples if s and s[1]]
    span = clock[-1][0] - clock[0][0] if len(clock) > 1 else 0
    rate = (clock[-1][1] - clock[0][1]) / span if span > 0 else 0
    # velmar --stats ends with the sound output's report: how far the heard sound was from
    # the music clock's schedule at worst (ms, + early).
    sound = next((l.split() for l in log if l.startswith("sound output")), [])
    worst = float(sound[sound.index("worst_offset_ms") + 1]) if "worst_offset_ms" in sound else None
    return [
        ("frames keep coming", len(frames) > 1 and all(b > a for a, b in zip(frames, frames[1:])),
         "%s frames in %d s" % (frames[-1] if frames else 0, len(samples))),
        ("the music clock advances with the page's clock", abs(rate - 1.0) < 0.05,
         "%.3f s a second of the page's, over %.1f s" % (rate, span / 1000.0)),
        ("the sound heard keeps to the music clock", worst is not None and abs(worst) < 20,
         "at worst %s ms apart" % worst),
    ]


def play(web, seconds):
    with session(web) as (server, browser):
        ready, first = start_show(server, browser, "?stats=1")
        keys = {5: ("Space", 32, " "), 7: ("Enter", 13, "\r"), 8: ("Enter", 13, "\r")}
        samples, ended, log, errors = watch(browser, seconds, keys)
        cues = browser.evaluate("(() => { try { return new TextDecoder().decode(Module.FS.readFile('/keypress.txt')); }"
                                " catch (e) { return ''; } })()") or ""
        offered = browser.evaluate("!document.getElementById('cues').hidden")
        for line in log:
            print("  " + line)
        return verdict([
            ("the page loads and offers Start", bool(ready), ""),
            ("Start shows a first frame", first is not None, "%.0f ms after the click" % first if first else ""),
        ] + clock_checks(samples, log) + [
            ("Escape ends the show", bool(ended), "exit %s" % browser.evaluate("velmarPage.exitCode")),
            ("Space writes a cue line that the page offers", cues.startswith("num 0 time ") and bool(offered),
             cues.strip()),
            ("no error in the console", not errors, "; ".join(errors[:3])),
        ])


def frame_stats(log):
    """velmar --stats' frame lines: ([(section, start, frames, mean, p95, max)], (frames, mean, p95, max))."""
    sections, total = [], None
    for line in log:
        w = line.split()
        if w[:1] == ["section"] and "start" in w:
            sections.append((int(w[1]), float(w[3]), int(w[5]), float(w[7]), float(w[9]), float(w[11])))
        elif w[:2] == ["total", "frames"]:
            total = (int(w[2]), float(w[4]), float(w[6]), float(w[8]))
    return sections, total


def stats_sane(sections, total):
    """Sections in order, each with frames and times within its worst, adding up to the total."""
    if not sections or not total:
        return False
    ordered = all(b[0] > a[0] and b[1] > a[1] for a, b in zip(sections, sections[1:]))
    each = all(f > 0 and 0 < mean <= worst and 0 < p95 <= worst for _, _, f, mean, p95, worst in sections)
    frames = sum(s[2] for s in sections) == total[0]
    mean = sum(s[2] * s[3] for s in sections) / total[0] if total[0] else 0
    return ordered and each and frames and abs(mean - total[1]) < 0.01 * total[1] + 0.001


def live(web, seconds=None, start=None):
    with session(web) as (server, browser):
        ready, first = start_show(server, browser, "?stats=1" + ("&t=%g" % start if start else ""))
        if seconds:
            time.sleep(seconds)
            browser.key("Escape", 27)
        ended = browser.wait_for("velmarPage.ended", 60 if seconds else 400, poll=2.0)
        page = browser.evaluate("velmarPage") or {}
        log = page.get("log") or []
        errors = browser.console_errors()
        print("first_frame_ms %.0f" % (first or -1))
        for line in log:
            if line.startswith("section") or line.startswith("total"):
                print(line)
        sections, total = frame_stats(log)
        # The show's time from its first frame to its end, by the page's clock, against what its
        # frames took by its own count (the statistics and the close come after the last frame).
        ran = (page.get("endedMs") or 0) - (page.get("clickMs") or 0) - (first or 0)
        drawn = sum(s[2] * s[3] for s in sections)
        claim = "Escape ends it after %d s" % seconds if seconds else "the show runs to its end"
        return verdict([
            ("the page loads and offers Start", bool(ready), ""),
            ("Start shows a first frame", first is not None, "%.0f ms after the click" % first if first else ""),
            (claim, bool(ended) and page.get("exitCode") == 0 and (not seconds or ran >= seconds * 1000 - 1000),
             "exit %s after %.1f s" % (page.get("exitCode"), ran / 1000.0)),
            ("the frame statistics are printed and add up", stats_sane(sections, total),
             "%d sections, %s frames" % (len(sections), total[0] if total else "no")),
            ("the frames' times cover the time the show ran", 0.85 * ran <= drawn <= ran,
             "%.1f s of frames in %.1f s" % (drawn / 1000.0, ran / 1000.0)),
            ("no error in the console", not errors, "; ".join(errors[:3])),
        ])


def page_program(web, program, claim):
    """Runs one of the page's test programs, which prints its cases and their count."""
    with session(web) as (server, browser):
        browser.call("Page.navigate", url=server.url + "index.html?program=%s&report=1" % program)
        server.done.wait(300)
        result = json.loads(server.reports.get("done", b"{}") or b"{}")
        for line in result.get("log", []):
            print("  " + line)
        closing = [l for l in result.get("log", []) if l.endswith(" failed")]
        errors = browser.console_errors()
        ok = bool(closing) and closing[-1].endswith(" 0 failed") and result.get("exit") == 0
        return verdict([(claim, ok, closing[-1] if closing else "no result"),
                        ("no error in the console", not errors, "; ".join(errors[:3]))])


def twin(web):
    return page_program(web, "clip_twin", "two streams decoded at once give the pictures each gives alone")


def contexts(web):
    return page_program(web, "gl_contexts", "the OpenGL layer keeps its state and its objects across contexts")


def safety(web):
    """Links that name another site's script or address, and a bad value: each is refused with a
    message on the page, nothing runs, and the other site hears no request; a listed test
    program still runs."""
    stranger = Stranger()
    refused = [
        ("a script address as the program", "?program=%sx.js" % stranger.url, "Unknown test program"),
        ("an address for the reports", "?program=gl_contexts&report=%s" % stranger.url, "Bad value for report"),
        ("a bad frame rate", "?render=320x240&fps=ten&report=1", "Bad value for fps"),
        ("a moment past the show's end", "?t=5m30s", "Bad value for t"),
        ("a moment that is no time", "#t=1h", "Bad value for t"),
    ]
    checks = []
    try:
        with session(web) as (server, browser):
            for claim, query, message in refused:
                browser.call("Page.navigate", url=server.url + "index.html" + query)
                shown = browser.wait_for("(() => { const e = document.getElementById('refused');"
                                         " return e && !e.hidden && [...e.querySelectorAll('p')]"
                                         ".map(p => p.textContent).join('; '); })()", 20) or ""
                # Anything the page would start from the link has had time to ask for itself.
                time.sleep(3)
                # The page script is the only script a refused link leaves on the page.
                state = browser.evaluate("[!!window.strangerRan, document.scripts.length,"
                                         " document.getElementById('start').hidden]") or [None, None, None]
                checks.append(("%s is refused on the page" % claim, message in shown and state[2] is True,
                               shown or "no message"))
                checks.append(("%s starts nothing" % claim, state[:2] == [False, 1],
                               "stranger's script ran: %s, scripts on the page: %s" % tuple(state[:2])))
            checks.append(("the other site hears no request", not stranger.requests,
                           ", ".join(stranger.requests[:3])))
            browser.call("Page.navigate", url=server.url + "index.html?program=gl_contexts&report=1")
            server.done.wait(120)
            result = json.loads(server.reports.get("done", b"{}") or b"{}")
            checks.append(("a listed test program still runs and reports", result.get("exit") == 0,
                           "exit %s" % result.get("exit")))
            errors = [e for e in browser.console_errors() if "strangerRan" not in e]
            checks.append(("no error in the console", not errors, "; ".join(errors[:3])))
    finally:
        stranger.close()
    return verdict(checks)


def render(web, out, size, fps, keep_file=None, extra=""):
    keep = ""
    if keep_file:
        with open(keep_file) as f:
            keep = ",".join(l.strip() for l in f if l.strip())
    with session(web) as (server, browser):
        began = time.time()
        url = "%sindex.html?render=%s&fps=%s&report=1%s%s" % (server.url, size, fps, "&keep=" + keep if keep else "",
                                                                extra)
        browser.call("Page.navigate", url=url)
        server.done.wait(1800)
        seconds = time.time() - began
        os.makedirs(out, exist_ok=True)
        count = 0
        for name, body in server.reports.items():
            if name.endswith(".png"):
                with open(os.path.join(out, name), "wb") as f:
                    f.write(body)
                count += 1
        result = json.loads(server.reports.get("done", b"{}") or b"{}")
        errors = browser.console_errors()
        print("render: %d frames kept in %.1f s" % (count, seconds))
        return verdict([("the render ends", server.done.is_set() and result.get("exit") == 0,
                         "exit %s" % result.get("exit")),
                        ("its frames arrive", count > 0, "%d frames" % count),
                        ("no error in the console", not errors, "; ".join(errors[:3]))])


# The page's frames against the native references. Two renderers may differ where a sample or
# an edge falls between two texels or pixels: SwiftShader and llvmpipe filter textures, blend
# and place polygon edges with their own fixed-point precisions, and the show's screen effects
# (twenty translucent passes over a captured frame, feedback chains) add such differences up.
# At 640x480, where the pictures' texels meet pixels one to one, the page's frames are within
# 55 dB of the native ones; at the references' 320x240 the zooming pictures and the text over
# them are sampled between texels, and the two renderers pick neighbouring texels at their
# sharp edges: down to 26.3 dB (section 6), above 33 dB in every 3D section. The clips and the
# still frames come out exactly (11 of 124). A missing fog, texture environment or shadow, a
# frame from another moment, costs far more than the margin left.
GOLDEN_MIN_PSNR = "25"
GOLDEN_IDENTICAL = "0.05"


def golden(web, build, out):
    here = os.path.dirname(os.path.abspath(__file__))
    table = os.path.join(here, "..", "golden", "frames.tsv")
    refs = os.path.join(here, "..", "golden", "frames")
    tool = os.path.join(build, "golden_frames")
    times = subprocess.run([tool, "times", table], check=True, capture_output=True, text=True).stdout.strip()
    frames = os.path.join(out, "render")
    shutil.rmtree(frames, ignore_errors=True)
    status = render(web, frames, "320x240", "10", None, "&stills=" + times)
    if status:
        return status
    check = subprocess.run([tool, "check", table, refs, frames, out, "--min-psnr", GOLDEN_MIN_PSNR,
                            "--identical", GOLDEN_IDENTICAL, "--pairs"], capture_output=True, text=True)
    print(check.stdout, end="")
    return verdict([("the page's golden frames are within %s dB of the native ones" % GOLDEN_MIN_PSNR,
                     check.returncode == 0, "")])


# What the start panel shows once it has loaded: [bar value, status, Start offered, error shown].
PANEL = ("(() => { const $ = id => document.getElementById(id); return [$('bar').value, $('status').textContent,"
         " !$('go').hidden && !$('go').disabled, !$('retry').hidden]; })()")


def loading(web):
    """The bar reaches 100 % with every byte of the program and the pack counted, then Start is
    offered; a missing file is named with Try again, which loads it once it is there."""
    with open(os.path.join(web, "velmar-build.json")) as f:
        sizes = json.load(f)["files"]
    total = sum(sizes[n] for n in ("velmar.js", "velmar.wasm", "velmar.data", "velmar-data.js"))
    with session(web) as (server, browser):
        server.refuse.add("velmar.wasm")
        if os.environ.get("VELMAR_SHOTS"):
            # Slow enough for a picture of the bar part way (the page's own requests only).
            browser.call("Network.enable")
            browser.call("Network.setBypassServiceWorker", bypass=True)
            browser.call("Network.emulateNetworkConditions", offline=False, latency=20, downloadThroughput=2.5e6,
                         uploadThroughput=-1)
        browser.call("Page.navigate", url=server.url + "index.html")
        broken = browser.wait_for("(%s)[3] && %s" % (PANEL, PANEL), 60) or [0, "", False, False]
        browser.screenshot("loading-failed.png")
        server.refuse.clear()
        browser.click("#retry")
        # The bar part way: the first sample that is neither empty nor full, if the page is seen
        # loading at all (it is quick on the loopback address).
        partway = None
        end = time.time() + 60
        while time.time() < end:
            state = browser.evaluate(PANEL)
            if 0.3 < state[0] < 0.9 and partway is None:
                partway = state
                browser.screenshot("loading-bar.png")
            if state[2]:
                break
            time.sleep(0.02)
        browser.screenshot("loading-ready.png")
        counted = browser.evaluate("document.getElementById('status').dataset.bytes")
        errors = [e for e in browser.console_errors() if "404" not in e]
        return verdict([
            ("a missing file is named, with Try again, and no Start", "velmar.wasm could not be loaded (HTTP 404)"
             in broken[1] and broken[3] and not broken[2], broken[1]),
            ("after Try again the bar reaches 100 % and Start is offered", state[0] == 1 and state[2], state[1]),
            ("the bar counted every byte of the program and the pack", counted == str(total),
             "%s of %d bytes" % (counted, total)),
            ("no other error in the console", not errors, "; ".join(errors[:3])),
        ])


def cached_files(browser):
    return browser.evaluate("(async () => { const names = [];"
                            " for (const k of await caches.keys()) for (const r of await (await caches.open(k)).keys())"
                            " names.push(r.url.split('/').pop()); return names.sort(); })()") or []


def offline(web):
    """A first visit fills the cache with every file the worker lists; with the server gone a
    second visit loads, plays with sound and keeps its clocks."""
    with open(os.path.join(web, "velmar-build.json")) as f:
        wanted = sorted(list(json.load(f)["files"]) + ["velmar-build.json"])
    with session(web) as (server, browser):
        first_ready, _ = start_show(server, browser, "")
        browser.key("Escape", 27)
        end = time.time() + 60
        while cached_files(browser) != wanted and time.time() < end:
            time.sleep(0.5)
        kept = cached_files(browser)
        server.close()
        browser.events.clear()
        ready, first = start_show(server, browser, "?stats=1")
        samples, ended, log, errors = watch(browser, 6)
        return verdict([
            ("the first visit keeps every file of the build", kept == wanted,
             "missing: %s" % ", ".join(sorted(set(wanted) - set(kept))) if kept != wanted else "%d files" % len(kept)),
            ("with the server gone the page loads and offers Start", bool(first_ready and ready), ""),
            ("Start shows a first frame", first is not None, "%.0f ms after the click" % first if first else ""),
        ] + clock_checks(samples, log) + [
            ("Escape ends the show", bool(ended), ""),
            ("no error in the console", not errors, "; ".join(errors[:3])),
        ])


# A link to a moment starts the show there: the frames shown from it against the native program's
# at the same music times, and the music heard against the show's clock.
MOMENT = 250
MOMENT_SHOTS = 3
# The native frames on a 5 ms grid: a frame's time on the page is the show's clock when it began,
# which the grid holds to 2.5 ms.
MOMENT_FPS = 200


def moment(web, build, out):
    with session(web) as (server, browser):
        ready, _ = start_show(server, browser, "?t=%d&stats=1&report=1&shots=%d" % (MOMENT, MOMENT_SHOTS))
        # The run ahead shows how far it has got (and draws nothing: a show that draws many
        # frames without reaching the moment has not run ahead).
        seen, end = 0.0, time.time() + 300
        while time.time() < end and not browser.evaluate("velmarPage.arrivedMs || velmarPage.frames > 600"):
            bar = browser.evaluate("document.getElementById('seek').hidden ? 0 :"
                                   " document.getElementById('seek-bar').value") or 0
            if 0.3 < bar < 0.7 and seen < 0.3:
                browser.screenshot("moment-seeking.png")
            seen = max(seen, bar)
            time.sleep(0.2)
        # Each second: where the soundtrack started, and its position as heard at the page's time
        # of the latest frame less the music time the show's clock gave that frame (the run
        # ahead set that clock to the moment, its origin 1 s before music time 0).
        heard = []
        for second in range(4):
            time.sleep(1.0)
            if second == 1:
                browser.key("L", 76)
            heard.append(browser.evaluate(
                "(() => { const c = velmarPage.clock, ss = Module.velmarStreams || {}; for (const id in ss) {"
                " const s = ss[id]; if (s.source && s.buffer.duration > 60)"
                " return [s.offset, (c[0] - s.heard) / 1000 + s.offset - (c[1] - 1000) / 1000]; } })()") or [None, 1])
        browser.screenshot("moment-playing.png")
        during = browser.evaluate("document.getElementById('url').textContent") or "?t=0"
        browser.key("Escape", 27)
        browser.wait_for("velmarPage.ended", 60)
        browser.screenshot("moment-end.png")
        times, size, link = browser.evaluate("[velmarPage.shots, [Module.canvas.width, Module.canvas.height],"
                                             " document.getElementById('end-url').textContent || '?t=0']")
        errors = browser.console_errors()
    # The same moments drawn by the native program, on its grid.
    native = os.path.join(out, "native")
    shutil.rmtree(native, ignore_errors=True)
    os.makedirs(out, exist_ok=True)
    grid = ["%.3f" % (round(t * MOMENT_FPS) / MOMENT_FPS) for t in times]
    if grid:
        subprocess.run([os.path.join(build, "velmar"), "--data", os.path.join(build, "data"), "--render",
                        native + "/", "--size", "%dx%d" % tuple(size), "--fps", str(MOMENT_FPS), "--from", grid[0],
                        "--to", "%.3f" % (float(grid[-1]) + 0.02), "--stills", ",".join(grid)], capture_output=True,
                       env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    psnrs = []
    for i, frame in enumerate(sorted(os.listdir(native)) if os.path.isdir(native) else []):
        shot = os.path.join(out, "shot%d.png" % i)
        with open(shot, "wb") as f:
            f.write(server.reports.get("shot%d.png" % i, b""))
        r = subprocess.run([os.path.join(build, "golden_frames"), "psnr", shot, os.path.join(native, frame)],
                           capture_output=True, text=True)
        psnrs.append(float(r.stdout) if r.returncode == 0 else -1.0)
    worst = max(abs(h[1]) for h in heard)
    return verdict([
        ("the page loads and offers Start", bool(ready), ""),
        ("the run ahead shows its progress", seen > 0.5, "bar at %.0f %%" % (seen * 100)),
        ("the first frames shown are the native ones at their times", len(psnrs) == MOMENT_SHOTS and
         min(psnrs) >= float(GOLDEN_MIN_PSNR), "at %s s: %s dB" % (", ".join(grid), psnrs)),
        ("the music starts at the moment", heard[0][0] is not None and abs(heard[0][0] - MOMENT) < 0.02,
         "at %s s" % heard[0][0]),
        ("the music heard is the moment plus the time played", worst < 0.02, "at worst %.1f ms apart" % (worst * 1000)),
        ("L during the show links to where it was", MOMENT + 1 < float(during.split("?t=")[-1]) < MOMENT + 3, during),
        ("the end panel links to where the show was", MOMENT + 3 < float(link.split("?t=")[-1]) < MOMENT + 20, link),
        ("no error in the console", not errors, "; ".join(errors[:3])),
    ])


# What the canvas shows in the window: [left, top, width, height] of the picture (the drawing
# buffer scaled as the page's style places it), and the window's size.
PICTURE = ("(() => { const c = Module.canvas, r = c.getBoundingClientRect(), fit = getComputedStyle(c).objectFit;"
           " let w = r.width, h = r.height;"
           " if (fit === 'contain') { const k = Math.min(r.width / c.width, r.height / c.height);"
           " w = c.width * k; h = c.height * k; }"
           " return [r.x + (r.width - w) / 2, r.y + (r.height - h) / 2, w, h, innerWidth, innerHeight]; })()")


def touch(web):
    """A phone held upright: the panel fits, a tap on Start starts the show; turned on its side
    the picture stays 4:3 and centred with bars; two fingers end the show."""
    with session(web) as (server, browser):
        browser.call("Emulation.setDeviceMetricsOverride", width=390, height=844, deviceScaleFactor=2, mobile=True,
                     screenOrientation={"type": "portraitPrimary", "angle": 0})
        browser.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        browser.call("Page.navigate", url=server.url + "index.html")
        ready = browser.wait_for("!document.getElementById('go').disabled", 120)
        panel = browser.evaluate("(() => { const r = document.getElementById('start').getBoundingClientRect();"
                                 " return [r.left, r.right, innerWidth]; })()")
        browser.screenshot("phone-start.png")
        browser.tap([browser.centre("#go")])
        first = browser.wait_for("velmarPage.firstFrameMs", 60)
        time.sleep(2)
        pictures = [browser.evaluate(PICTURE)]
        browser.screenshot("phone-upright.png")
        browser.call("Emulation.setDeviceMetricsOverride", width=844, height=390, deviceScaleFactor=2, mobile=True,
                     screenOrientation={"type": "landscapePrimary", "angle": 90})
        time.sleep(1)
        pictures.append(browser.evaluate(PICTURE))
        browser.screenshot("phone-turned.png")
        browser.tap([[300, 200], [500, 200]])
        ended = browser.wait_for("velmarPage.ended", 30)
        errors = browser.console_errors()
        bars = all(abs(p[2] / p[3] - 4 / 3) < 0.01 and abs(2 * p[0] + p[2] - p[4]) < 1 and
                   abs(2 * p[1] + p[3] - p[5]) < 1 and (abs(p[2] - p[4]) < 1 or abs(p[3] - p[5]) < 1)
                   for p in pictures if p)
        return verdict([
            ("the start panel fits the phone's width", bool(ready) and panel and panel[0] >= 0 and panel[1] <= panel[2],
             "%s" % panel),
            ("a tap on Start starts the show", first is not None, "%s ms to the first frame" % first),
            ("upright and turned the picture is 4:3, as large as fits, with bars", len(pictures) == 2 and bars,
             "; ".join("%.0fx%.0f at %.0f,%.0f in %dx%d" % (p[2], p[3], p[0], p[1], p[4], p[5])
                       for p in pictures if p)),
            ("two fingers end the show", bool(ended), "exit %s" % browser.evaluate("velmarPage.exitCode")),
            ("no error in the console", not errors, "; ".join(errors[:3])),
        ])


def load_times(web, mbit):
    with session(web) as (server, browser):
        # The emulated connection slows the page's own requests, not its worker's: the first
        # visit goes past the worker (which on a real first visit only passes them on), a
        # second one at full speed lets it keep the files, and the third is from its cache.
        browser.call("Network.enable")
        visits = [("a first visit at %g Mbit/s" % mbit, True, True), ("", False, False),
                  ("a visit from the cache at %g Mbit/s" % mbit, True, False)]
        for name, slow, bypass in visits:
            browser.call("Network.setBypassServiceWorker", bypass=bypass)
            browser.call("Network.emulateNetworkConditions", offline=False, latency=20 if slow else 0,
                         downloadThroughput=mbit * 1e6 / 8 if slow else -1, uploadThroughput=-1)
            ready, first = start_show(server, browser, "")
            times = browser.evaluate("[performance.getEntriesByType('navigation')[0].responseStart,"
                                     " velmarPage.loadStartMs, velmarPage.readyMs]")
            if name:
                print("%s: first byte to Start offered %.0f ms (loading %.0f ms), click to first frame %.0f ms"
                      % (name, times[2] - times[0], times[2] - times[1], first or -1))
            browser.key("Escape", 27)
            browser.wait_for("velmarPage.ended", 30)
            time.sleep(2)
    return 0


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    web, what = argv[1], argv[2]
    alone = {"twin": twin, "contexts": contexts, "safety": safety, "loading": loading, "offline": offline,
             "touch": touch}
    if what in alone:
        return alone[what](web)
    if what == "play":
        return play(web, float(argv[3]) if len(argv) > 3 else 20)
    if what == "live":
        return live(web, float(argv[3]) if len(argv) > 3 else None, float(argv[4]) if len(argv) > 4 else None)
    if what == "golden":
        return golden(web, argv[3], argv[4])
    if what == "moment":
        return moment(web, argv[3], argv[4])
    if what == "load-times":
        return load_times(web, float(argv[3]) if len(argv) > 3 else 20)
    if what == "render":
        return render(web, argv[3], argv[4], argv[5], argv[6] if len(argv) > 6 and argv[6] else None,
                      argv[7] if len(argv) > 7 else "")
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
