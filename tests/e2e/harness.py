"""End-to-end harness: the real Windows downloader under wine64 on its own Xvfb, driven with
xdotool, against nginx or the fault server on loopback. Python 3 standard library only.

One Session per test:
  with Session(self) as s:                 # fresh prefix copy, own Xvfb, wineserver -p
      root = s.make_client("tiny")        # generated client + manifest under s.srv
      s.serve(root)                       # nginx on the build's version-server port
      app = s.start_app()                 # the program, bounded by its own deadline
      win = s.main_window()               # xdotool window id of the main window
      s.click(win, "start"); s.wait_files_identical(root)
      s.shot("done", win)                 # build/e2e-shots/<test>-done.png
Everything a session starts (Xvfb, the server, the program, the prefix's wineserver) is ended
by PID in its teardown, whether the test passed or not; every wait has a bound.

Environment:
  TOLVIN_E2E_BUILD   the win64 build folder (default build/win64-e2e); its generated
                     BuildConfig.h names the version server's port that the tests serve on
  TOLVIN_E2E_KEEP=1  keep each test's prefix (under build/e2e-work/) for a look afterwards
"""

import getpass
import hashlib
import importlib.util
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.abspath(os.environ.get("TOLVIN_E2E_BUILD", os.path.join(ROOT, "build", "win64-e2e")))
EXE = os.path.join(BUILD, "app", "win", "tolvin-downloader.exe")
GAME = os.path.join(BUILD, "tests", "e2e", "TolvinGame.exe")
WINDOW_TEXT = os.path.join(BUILD, "tests", "e2e", "window-text.exe")
SHOTS = os.path.join(ROOT, "build", "e2e-shots")
WORK = os.path.join(ROOT, "build", "e2e-work")
TEMPLATE = os.environ.get("WINE_TEMPLATE", os.path.join(ROOT, "build", "wine-template"))
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
GENERATOR = os.path.join(ROOT, "tools", "make-sample-client.py")

sys.path.insert(0, os.path.join(ROOT, "tests", "servers"))
from nginx_harness import Nginx  # noqa: E402
from fault_server import FaultServer  # noqa: E402

MAIN_TITLE = "TOLVIN full-client downloader..."
CAPTION = "tolvin-downloader..."
DISK_CAPTION = "Downloader - TOLVIN ..."
WINDOW_SIZE = (640, 380)
SCREEN = (1280, 1024)
# Button boxes in window coordinates (70 x 30): clicks go to their centres.
BUTTONS = {"folder": (29, 335), "launch": (312, 335), "start": (390, 335),
           "pause": (468, 335), "cancel": (546, 335)}
BUTTON_SIZE = (70, 30)


class E2EError(AssertionError):
    pass


def version_port():
    """The port of the version server compiled into the build under test."""
    config = os.path.join(BUILD, "generated", "BuildConfig.h")
    with open(config) as f:
        m = re.search(r'TOLVIN_VERSION_URL\s+"http://127\.0\.0\.1:(\d+)/', f.read())
    if not m:
        raise E2EError("%s names no 127.0.0.1 version server" % config)
    return int(m.group(1))


PORT = version_port() if os.path.exists(os.path.join(BUILD, "generated", "BuildConfig.h")) else 18080


def port_busy(port):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.settimeout(0.3)
        return s.connect_ex(("127.0.0.1", port)) == 0


def wait_until(what, predicate, timeout, interval=0.1):
    """predicate() until it gives a true value (returned); E2EError after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise E2EError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def read_sums(root):
    """{relative name: sha256} from the generator's list (ROOT/client.sha256)."""
    sums = {}
    with open(os.path.join(root, "client.sha256")) as f:
        for line in f:
            line = line.rstrip("\n")
            if line:
                digest, name = line.split(None, 1)
                sums[name.lstrip("*")] = digest
    return sums


def template_ready():
    """Makes the prefix template once (tools/wine-env.sh), about 20 s the first time."""
    if os.path.exists(os.path.join(TEMPLATE, ".ready")):
        return
    subprocess.run(["bash", "-c", 'source tools/wine-env.sh && wine_template_make'], cwd=ROOT,
                   check=True, timeout=180, stdout=subprocess.DEVNULL)


def free_display():
    for n in range(140, 400):
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            return n
    raise E2EError("no free X display between :140 and :399")


class App:
    """The downloader's process (wine64's loader keeps the PID of the Windows process)."""

    def __init__(self, proc, log_path):
        self.proc = proc
        self.log_path = log_path

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """The exit code as the shell sees it (low 8 bits: -1 is 255)."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise E2EError("the downloader did not end within %.0f s" % timeout) from None

    def output(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()


class Session:
    """One test's world: prefix, display, server, programs. Use as a context manager."""

    def __init__(self, test, name=None, display=None):
        """test: the unittest case (its name names the session) or None with a name; display:
        an X display to use as it is (":0"), else the session starts an Xvfb of its own."""
        self.test = test
        self.name = name or test.id().split(".")[-1].removeprefix("test_")
        self.given_display = display
        self.dir = os.path.join(WORK, self.name)
        self.prefix = os.path.join(self.dir, "prefix")
        self.srv = os.path.join(self.dir, "srv")
        self.display = None
        self.xvfb = None
        self.server = None
        self.apps = []
        self.env = None
        self.wineserver_started = False
        self.user = getpass.getuser()

    # ---- set-up and teardown -------------------------------------------------------------

    def __enter__(self):
        try:
            self._setup()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _setup(self):
        for path in (EXE, GAME, WINDOW_TEXT):
            if not os.path.exists(path):
                raise E2EError("%s is missing: build the win64 preset first (tools/e2e.sh does)" % path)
        template_ready()
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.srv)
        os.makedirs(SHOTS, exist_ok=True)
        subprocess.run(["cp", "-a", os.path.join(TEMPLATE, "prefix"), self.prefix], check=True, timeout=120)
        if self.given_display:
            self.display = self.given_display
        else:
            self._start_xvfb()
        env = dict(os.environ)
        for key in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            env.pop(key, None)
        env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=", no_proxy="127.0.0.1,localhost")
        env["DISPLAY"] = self.display if isinstance(self.display, str) else ":%d" % self.display
        self.env = env
        # A persistent wineserver: each program start then takes a fraction of a second.
        subprocess.run([WINESERVER, "-p"], env=env, check=True, timeout=30)
        self.wineserver_started = True

    def _start_xvfb(self):
        for _attempt in range(5):
            n = free_display()
            log = open(os.path.join(self.dir, "xvfb.log"), "w")
            proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                                    stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            log.close()
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and proc.poll() is None:
                if os.path.exists("/tmp/.X11-unix/X%d" % n):
                    ok = subprocess.run(["xdpyinfo", "-display", ":%d" % n], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, timeout=5).returncode == 0
                    if ok:
                        self.xvfb, self.display = proc, n
                        return
                time.sleep(0.05)
            if proc.poll() is None:
                proc.kill()
            proc.wait(timeout=5)
        raise E2EError("Xvfb did not start (see %s)" % os.path.join(self.dir, "xvfb.log"))

    def close(self):
        for app in self.apps:
            if app.running():
                app.proc.kill()
                try:
                    app.proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        if self.wineserver_started:
            subprocess.run([WINESERVER, "-k"], env=self.env, timeout=30,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                subprocess.run([WINESERVER, "-w"], env=self.env, timeout=30)
            except subprocess.TimeoutExpired:
                pass
            self.wineserver_started = False
        self.stop_server()
        if self.xvfb is not None:
            if self.xvfb.poll() is None:
                self.xvfb.terminate()
                try:
                    self.xvfb.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    self.xvfb.kill()
                    self.xvfb.wait(timeout=10)
            self.xvfb = None
        if not os.environ.get("TOLVIN_E2E_KEEP"):
            # A prefix is about 700 MB: keep only what tells what happened.
            shutil.rmtree(self.prefix, ignore_errors=True)
            shutil.rmtree(self.srv, ignore_errors=True)

    # ---- the client and its servers ------------------------------------------------------

    def make_client(self, preset="tiny", *options, root=None):
        """Generates a client (with the sample game as bin/TolvinGame.exe) under root."""
        root = root or self.srv
        cmd = [sys.executable, GENERATOR, "--root", root, "--base-url", "http://127.0.0.1:%d/" % PORT,
               "--preset", preset, "--exe", GAME] + [str(o) for o in options]
        subprocess.run(cmd, check=True, timeout=300, stdout=subprocess.DEVNULL)
        return root

    def _port_free(self):
        if port_busy(PORT):
            raise E2EError("port %d on 127.0.0.1 is already in use by another program: the build under "
                           "test fetches its manifest there (set TOLVIN_E2E_PORT for tools/e2e.sh)" % PORT)

    def serve(self, root=None, limit_rate=None):
        """nginx on the version server's port, serving the client root."""
        self.stop_server()
        self._port_free()
        self.server = Nginx(root or self.srv, port=PORT, work_dir=os.path.join(self.dir, "nginx"),
                            limit_rate=limit_rate)
        self.server.start()
        return self.server

    def serve_faults(self, root=None, **rule):
        """The fault server on the version server's port (rules: see fault_server.py)."""
        self.stop_server()
        self._port_free()
        self.server = FaultServer(root or self.srv, extra_args=["--port", str(PORT)], **rule)
        self.server.start()
        return self.server

    def stop_server(self):
        if self.server is not None:
            self.server.stop()
            self.server = None

    # ---- the program ---------------------------------------------------------------------

    def start_app(self, exe=EXE, args=()):
        n = len(self.apps)
        log_path = os.path.join(self.dir, "app%d.out" % n)
        with open(log_path, "w") as out:
            proc = subprocess.Popen([WINE64, exe] + list(args), env=self.env, stdout=out, stderr=subprocess.STDOUT,
                                    stdin=subprocess.DEVNULL, cwd=self.dir)
        app = App(proc, log_path)
        self.apps.append(app)
        return app

    @property
    def c_drive(self):
        return os.path.join(self.prefix, "drive_c")

    @property
    def work_folder(self):
        return os.path.join(self.c_drive, "users", self.user, "Temp", "Pellacorde_Live", "MXBtolvin")

    @property
    def default_folder(self):
        return os.path.join(self.c_drive, "ZERU", "download", "MXBtolvin")

    def host_path(self, windows_path):
        """c:\\a\\b -> the prefix's drive_c/a/b."""
        drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/").strip("/")
        if drive != "c":
            raise E2EError("only drive C: is mapped here: %r" % windows_path)
        return os.path.join(self.c_drive, rest)

    def work_file(self, name):
        return os.path.join(self.work_folder, name)

    def read_work_file(self, name, binary=False):
        path = self.work_file(name)
        if not os.path.exists(path):
            return None
        with open(path, "rb" if binary else "r", **({} if binary else {"errors": "replace", "newline": ""})) as f:
            return f.read()

    def log_lines(self):
        """brindlex.log's lines without their build stamps."""
        text = self.read_work_file("brindlex.log") or ""
        stamp = re.compile(r"^[A-Z][a-z]{2} [ \d]\d \d{4} \d\d:\d\d:\d\d ")
        return [stamp.sub("", line) for line in text.splitlines()]

    def write_version_file(self, version, folder):
        os.makedirs(self.work_folder, exist_ok=True)
        with open(self.work_file("version.txt"), "wb") as f:
            f.write(version.encode() + b"\n" + folder.encode())

    # ---- windows -------------------------------------------------------------------------

    def xdo(self, *args, timeout=10, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True, text=True,
                           timeout=timeout)
        if check and r.returncode != 0:
            raise E2EError("xdotool %s failed: %s" % (" ".join(map(str, args)), r.stderr.strip()))
        return r.stdout

    def find(self, title, only_visible=True):
        """X window ids whose name is exactly title."""
        args = ["search"] + (["--onlyvisible"] if only_visible else []) + ["--name", "^%s$" % re.escape(title)]
        out = self.xdo(*args, check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, title, timeout=20):
        return wait_until("a window named %r" % title, lambda: (self.find(title) or [None])[0], timeout)

    def wait_no_window(self, title, timeout=10):
        wait_until("window %r to go" % title, lambda: not self.find(title), timeout)

    def main_window(self, timeout=30):
        return self.wait_window(MAIN_TITLE, timeout)

    def geometry(self, win):
        out = self.xdo("getwindowgeometry", "--shell", win)
        g = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def click_at(self, win, x, y, settle=0.15):
        # Move first, so the button sees the hover (normal -> over) before the press.
        self.xdo("mousemove", "--window", win, x, y)
        time.sleep(settle)
        self.xdo("click", 1)
        time.sleep(settle)

    def click(self, win, button):
        x, y = BUTTONS[button]
        self.click_at(win, x + BUTTON_SIZE[0] // 2, y + BUTTON_SIZE[1] // 2)

    def park_mouse(self):
        """The pointer off every window, so that no button shows its hover picture."""
        self.xdo("mousemove", SCREEN[0] - 5, SCREEN[1] - 5)

    def key(self, win, *keys):
        """Keys to a window: it gets the input focus first (no window manager here)."""
        self.xdo("windowfocus", "--sync", win, check=False)
        time.sleep(0.1)
        self.xdo("key", *keys)
        time.sleep(0.15)

    def windows(self):
        """The Wine desktop's visible top-level windows and their children, with their texts,
        as dicts {kind, handle, related, visible, enabled, x, y, w, h, cls, text}."""
        r = subprocess.run([WINE64, WINDOW_TEXT], env=self.env, capture_output=True, timeout=30)
        rows = []
        for line in r.stdout.decode("latin-1").splitlines():
            parts = line.split("\t")
            if len(parts) < 11:
                continue
            text = "\t".join(parts[10:])
            text = re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)), text)
            rows.append(dict(kind=parts[0], handle=parts[1], related=parts[2], visible=parts[3] == "1",
                             enabled=parts[4] == "1", x=int(parts[5]), y=int(parts[6]), w=int(parts[7]),
                             h=int(parts[8]), cls=parts[9], text=text))
        return rows

    def box(self, caption, timeout=20):
        """A message box with this caption: {'win': X id, 'top': its row, 'text': its message}."""
        win = self.wait_window(caption, timeout)

        def read():
            rows = self.windows()
            for top in rows:
                if top["kind"] == "top" and top["text"] == caption and top["cls"] == "#32770":
                    texts = [c["text"] for c in rows if c["kind"] == "child" and c["related"] == top["handle"]
                             and c["cls"].lower() == "static" and c["text"]]
                    return dict(win=win, top=top, text="\n".join(texts))
            return None

        return wait_until("the text of the box %r" % caption, read, timeout, interval=0.3)

    def boxes(self, caption):
        return [r for r in self.windows() if r["kind"] == "top" and r["text"] == caption and r["cls"] == "#32770"]

    def main_row(self):
        for r in self.windows():
            if r["kind"] == "top" and r["text"] == MAIN_TITLE:
                return r
        return None

    def shot(self, step, win=None):
        """A screenshot into build/e2e-shots/<test>-<step>.png: the window (when given and
        still there) or the whole screen. Returns its path."""
        path = os.path.join(SHOTS, "%s-%s.png" % (self.name, step))
        cmd = ["import", "-window", "root"]
        if win is not None:
            try:
                x, y, w, h = self.geometry(win)
                cmd += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
            except E2EError:
                pass
        subprocess.run(cmd + [path], env=self.env, check=True, timeout=30)
        return path

    # ---- the download on disk ------------------------------------------------------------

    def files_on_disk(self, folder=None):
        """{relative name: size} of the files under the download folder."""
        folder = folder or self.default_folder
        found = {}
        for base, _dirs, files in os.walk(folder):
            for name in files:
                path = os.path.join(base, name)
                found[os.path.relpath(path, folder).replace(os.sep, "/")] = os.path.getsize(path)
        return found

    def mismatches(self, root, folder=None):
        """Names whose file in the download folder is missing or differs from the client's."""
        folder = folder or self.default_folder
        bad = []
        for name, digest in sorted(read_sums(root).items()):
            path = os.path.join(folder, name)
            if not os.path.exists(path) or sha256(path) != digest:
                bad.append(name)
        return bad

    def wait_files_identical(self, root, folder=None, timeout=60):
        folder = folder or self.default_folder
        sums = read_sums(root)
        sizes = {n: os.path.getsize(os.path.join(root, "client", n)) for n in sums}

        def sizes_reached():
            have = self.files_on_disk(folder)
            return all(have.get(n) == s for n, s in sizes.items())

        wait_until("every file at its full size in %s" % folder, sizes_reached, timeout, interval=0.2)
        bad = self.mismatches(root, folder)
        if bad:
            raise E2EError("files differ from the client's: %s" % ", ".join(bad))

    def bytes_on_disk(self, folder=None):
        return sum(self.files_on_disk(folder).values())


def load_generator():
    spec = importlib.util.spec_from_file_location("make_sample_client", GENERATOR)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


def kill_pid(pid, sig=signal.SIGTERM):
    try:
        os.kill(pid, sig)
    except ProcessLookupError:
        pass
