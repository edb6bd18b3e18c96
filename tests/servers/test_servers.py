"""Self-test of the test servers and the sample client generator, over real loopback HTTP.

Run: python3 -m unittest discover -s tests/servers -p 'test_*.py'   (CTest: servers_selftest)
"""

import contextlib
import hashlib
import io
import http.client
import importlib.util
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from fault_server import FaultServer  # noqa: E402
from nginx_harness import Nginx  # noqa: E402

GENERATOR = os.path.join(REPO, "tools", "make-sample-client.py")
_spec = importlib.util.spec_from_file_location("make_sample_client", GENERATOR)
gen = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(gen)

A_SIZE = 300000
A = gen.file_bytes(7, "a.bin", A_SIZE)
B = gen.file_bytes(7, "b.bin", 5000)


def make_root(tmp):
    root = os.path.join(tmp, "root")
    os.makedirs(os.path.join(root, "client", "sub"))
    for name, data in (("client/a.bin", A), ("client/sub/b.bin", B), ("client/empty.bin", b"")):
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)
    return root


def fetch(port, path, headers=None, conn=None, timeout=5):
    """One GET; returns (status, headers dict lower-cased, body, complete)."""
    own = conn is None
    c = conn or http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        c.request("GET", path, headers=headers or {})
        r = c.getresponse()
        hdrs = {k.lower(): v for k, v in r.getheaders()}
        try:
            body, complete = r.read(), True
        except http.client.IncompleteRead as e:
            body, complete = e.partial, False
        return r.status, hdrs, body, complete
    finally:
        if own:
            c.close()


def curl(*args):
    return subprocess.run(["curl", "-s", "--noproxy", "*", "--max-time", "10"] + list(args),
                          capture_output=True, timeout=20)


def read_text(path):
    with open(path) as f:
        return f.read()


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def is_gone(pid):
    try:
        return read_text("/proc/%d/stat" % pid).rsplit(") ", 1)[1][0] == "Z"
    except OSError:
        return True


def wait_for(predicate, limit=5.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    return predicate()


# One table, checked against nginx and against the fault server's normal answers, so that the
# fault server's Range semantics are nginx's own.
# (path, Range header or None, status, Content-Range or None, expected body or None for HTML)
RANGE_CASES = [
    ("/client/a.bin", None, 200, None, A),
    ("/client/a.bin", "bytes=0-", 206, "bytes 0-299999/300000", A),
    ("/client/a.bin", "bytes=123456-", 206, "bytes 123456-299999/300000", A[123456:]),
    ("/client/a.bin", "bytes=10-19", 206, "bytes 10-19/300000", A[10:20]),
    ("/client/a.bin", "bytes=-5", 206, "bytes 299995-299999/300000", A[-5:]),
    ("/client/a.bin", "bytes=299999-400000", 206, "bytes 299999-299999/300000", A[-1:]),
    ("/client/a.bin", "bytes=300000-", 416, "bytes */300000", None),
    ("/client/a.bin", "bytes=5-3", 416, "bytes */300000", None),
    ("/client/a.bin", "bytes=abc", 416, "bytes */300000", None),
    ("/client/sub/b.bin", "bytes=4999-", 206, "bytes 4999-4999/5000", B[-1:]),
    ("/client/empty.bin", None, 200, None, b""),
    ("/client/empty.bin", "bytes=0-", 200, None, b""),
    ("/client/empty.bin", "bytes=5-", 416, "bytes */0", None),
]


class RangeSemantics:
    """Mixin: self.port is a server on the test root."""

    def test_range_table(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        try:
            for path, rng, status, content_range, body in RANGE_CASES:
                with self.subTest(path=path, range=rng):
                    st, hdrs, got, complete = fetch(self.port, path,
                                                    {"Range": rng} if rng else None, conn)
                    self.assertTrue(complete)
                    self.assertEqual(st, status)
                    self.assertEqual(hdrs.get("content-range"), content_range)
                    self.assertEqual(int(hdrs["content-length"]), len(got))
                    if body is not None:
                        self.assertEqual(got, body)
                    else:
                        self.assertIn(b"<html>", got)
        finally:
            conn.close()

    def test_header_without_space_as_the_downloader_sends_it(self):
        # The downloader writes "Range:bytes=N-" with no space after the colon.
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(b"GET /client/a.bin HTTP/1.1\r\nHost: x\r\nAccept-Encoding:*\r\n"
                      b"Accept-Ranges:bytes\r\nRange:bytes=299990-\r\nConnection: close\r\n\r\n")
            data = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        self.assertTrue(head.startswith(b"HTTP/1.1 206"))
        self.assertIn(b"Content-Range: bytes 299990-299999/300000", head)
        self.assertEqual(body, A[299990:])


class NginxTest(RangeSemantics, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="servers-test-")  # mode 0700: workers must read it
        cls.root = make_root(cls.tmp)
        cls.nginx = Nginx(cls.root).start()
        cls.port = cls.nginx.port

    @classmethod
    def tearDownClass(cls):
        cls.nginx.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_access_log_records_range_status_and_keepalive(self):
        self.nginx.clear_log()
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        try:
            fetch(self.port, "/client/a.bin", {"Range": "bytes=0-"}, conn)
            fetch(self.port, "/client/a.bin", {"Range": "bytes=1000-"}, conn)
            fetch(self.port, "/client/nothing.bin", None, conn)
        finally:
            conn.close()
        rows = wait_for(lambda: len(self.nginx.log()) >= 3 and self.nginx.log())
        self.assertEqual([(r["path"], r["range"], r["status"], r["bytes"]) for r in rows],
                         [("/client/a.bin", "bytes=0-", 206, A_SIZE),
                          ("/client/a.bin", "bytes=1000-", 206, A_SIZE - 1000),
                          ("/client/nothing.bin", None, 404, rows[2]["bytes"])])
        self.assertEqual(len({r["conn"] for r in rows}), 1)
        self.assertEqual([r["conn_requests"] for r in rows], [1, 2, 3])


class NginxLifecycleTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="servers-test-")
        self.root = make_root(self.tmp)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def assert_gone(self, pid, port):
        self.assertTrue(wait_for(lambda: is_gone(pid)))
        with self.assertRaises(OSError):
            socket.create_connection(("127.0.0.1", port), timeout=1).close()

    def test_context_manager_starts_answers_and_stops(self):
        with Nginx(self.root) as n:
            pid, port, work = n.pid, n.port, n.work_dir
            status, _, body, _ = fetch(port, "/client/sub/b.bin")
            self.assertEqual((status, body), (200, B))
            self.assertIn("sendfile on;", read_text(n.conf))
        self.assert_gone(pid, port)
        self.assertFalse(os.path.exists(work))

    def test_shell_start_and_stop(self):
        port_file = os.path.join(self.tmp, "nginx.port")
        work = os.path.join(self.tmp, "nginx-work")
        harness = [sys.executable, os.path.join(HERE, "nginx_harness.py")]
        out = subprocess.run(harness + ["start", self.root, "--port-file", port_file,
                                        "--work-dir", work],
                             capture_output=True, text=True, timeout=30)
        self.assertEqual(out.returncode, 0, out.stderr)
        port = int(read_text(port_file))
        self.assertEqual(out.stdout.splitlines(), ["PORT %d" % port, "DIR %s" % work])
        pid = json.loads(read_text(os.path.join(work, "harness.json")))["pid"]
        try:
            r = curl("-H", "Range:bytes=299990-", "http://127.0.0.1:%d/client/a.bin" % port)
            self.assertEqual(r.stdout, A[299990:])
            log = subprocess.run(harness + ["log", work], capture_output=True, text=True,
                                 timeout=10).stdout
            self.assertEqual(json.loads(log.splitlines()[-1])["range"], "bytes=299990-")
        finally:
            stop = subprocess.run(harness + ["stop", "--port-file", port_file],
                                  capture_output=True, text=True, timeout=30)
        self.assertEqual(stop.returncode, 0, stop.stderr)
        self.assert_gone(pid, port)


    def test_busy_port_is_reported_and_nothing_stays(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen()
            n = Nginx(self.root, port=busy.getsockname()[1])
            with self.assertRaisesRegex(RuntimeError, "Address already in use"):
                n.start()
        self.assertIsNone(n.pid)
        self.assertIsNone(n.work_dir)

    def test_watchdog_stops_nginx_when_its_user_dies(self):
        work = os.path.join(self.tmp, "work")
        crash = ("import os, sys; sys.path.insert(0, %r); from nginx_harness import Nginx; "
                 "n = Nginx(%r, work_dir=%r).start(); print(n.pid, flush=True); os._exit(3)"
                 % (HERE, self.root, work))
        out = subprocess.run([sys.executable, "-c", crash], capture_output=True, text=True,
                             timeout=30)
        pid = int(out.stdout)
        gone = wait_for(lambda: is_gone(pid))
        if not gone:
            os.kill(pid, signal.SIGTERM)
        self.assertTrue(gone)


    def test_shell_start_with_watch_pid_ends_with_the_watched_process(self):
        sleeper = subprocess.Popen(["sleep", "30"])
        work = os.path.join(self.tmp, "nginx-work")
        try:
            out = subprocess.run([sys.executable, os.path.join(HERE, "nginx_harness.py"), "start",
                                  self.root, "--work-dir", work, "--watch-pid", str(sleeper.pid)],
                                 capture_output=True, text=True, timeout=30)
            self.assertEqual(out.returncode, 0, out.stderr)
            pid = json.loads(read_text(os.path.join(work, "harness.json")))["pid"]
            self.assertFalse(is_gone(pid))
        finally:
            sleeper.kill()
            sleeper.wait()
        gone = wait_for(lambda: is_gone(pid))
        if not gone:
            os.kill(pid, signal.SIGTERM)
        self.assertTrue(gone)


class FaultServerTest(RangeSemantics, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="servers-test-")
        cls.root = make_root(cls.tmp)
        cls.server = FaultServer(cls.root, extra_args=["--stall-timeout", "10"]).start()
        cls.port = cls.server.port

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.server.control(clear=1, empty_range=200)
        self.server.clear_log()

    def test_keepalive_survives_errors_and_log_records_requests(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        try:
            self.assertEqual(fetch(self.port, "/client/missing", None, conn)[0], 404)
            self.assertEqual(fetch(self.port, "/client/a.bin", {"Range": "bytes=400000-"},
                                   conn)[0], 416)
            self.assertEqual(fetch(self.port, "/client/a.bin", {"Range": "bytes=7-"}, conn)[2],
                             A[7:])
            self.assertEqual(fetch(self.port, "/../etc/passwd", None, conn)[0], 404)
        finally:
            conn.close()
        rows = self.server.log()
        self.assertEqual([(r["path"], r["range"], r["status"], r["outcome"]) for r in rows],
                         [("/client/missing", None, 404, "complete"),
                          ("/client/a.bin", "bytes=400000-", 416, "complete"),
                          ("/client/a.bin", "bytes=7-", 206, "complete"),
                          ("/../etc/passwd", None, 404, "complete")])
        self.assertEqual(rows[2]["bytes"], A_SIZE - 7)
        self.assertEqual(rows[2]["content_range"], "bytes 7-299999/300000")
        self.assertEqual(len({r["conn"] for r in rows}), 1)

    def test_modes_that_answer_at_once(self):
        # (rule, path, Range, status, Content-Range, body expected, length header expected)
        cases = [
            ({"mode": "ignore-range"}, "/client/a.bin", "bytes=1000-", 200, None, A, A_SIZE),
            ({"mode": "wrong-offset", "n": 100}, "/client/a.bin", "bytes=1000-", 206,
             "bytes 900-299999/300000", A[900:], A_SIZE - 900),
            ({"mode": "wrong-offset", "n": 100}, "/client/a.bin", "bytes=0-", 206,
             "bytes 100-299999/300000", A[100:], A_SIZE - 100),
            ({"mode": "404"}, "/client/a.bin", None, 404, None, "html", "html"),
            ({"mode": "500"}, "/client/a.bin", "bytes=0-", 500, None, "html", "html"),
            ({"mode": "status", "code": 503}, "/client/a.bin", None, 503, None, "html", "html"),
            ({"mode": "zero-length"}, "/client/a.bin", "bytes=0-", 200, None, b"", 0),
            ({"mode": "chunked"}, "/client/a.bin", "bytes=1000-", 206,
             "bytes 1000-299999/300000", A[1000:], None),
            ({"mode": "no-length"}, "/client/sub/b.bin", None, 200, None, B, None),
            ({"mode": "slow", "rate": 1000000}, "/client/a.bin", "bytes=5-", 206,
             "bytes 5-299999/300000", A[5:], A_SIZE - 5),
        ]
        for rule, path, rng, status, content_range, body, length in cases:
            with self.subTest(rule=rule, range=rng):
                self.server.control(**rule)
                st, hdrs, got, complete = fetch(self.port, path, {"Range": rng} if rng else None)
                self.assertTrue(complete)
                self.assertEqual(st, status)
                self.assertEqual(hdrs.get("content-range"), content_range)
                if body == "html":
                    self.assertEqual(hdrs["content-type"], "text/html")
                    self.assertIn(b"<html>", got)
                    self.assertEqual(int(hdrs["content-length"]), len(got))
                else:
                    self.assertEqual(got, body)
                    if length is None:
                        self.assertNotIn("content-length", hdrs)
                    else:
                        self.assertEqual(int(hdrs["content-length"]), length)
                self.assertEqual(self.server.log()[-1]["mode"], rule["mode"])
        self.server.control(mode="chunked")
        self.assertEqual(fetch(self.port, "/client/a.bin")[1]["transfer-encoding"], "chunked")
        self.server.control(mode="no-length")
        self.assertEqual(fetch(self.port, "/client/a.bin")[1]["connection"], "close")

    def test_empty_file_416_variant(self):
        self.server.control(empty_range=416)
        st, hdrs, _, _ = fetch(self.port, "/client/empty.bin", {"Range": "bytes=0-"})
        self.assertEqual((st, hdrs.get("content-range")), (416, "bytes */0"))

    def test_drop_k_times_then_behave_only_on_matching_paths(self):
        self.server.control(mode="drop", n=1000, k=2, glob="*/a.bin")
        results = [fetch(self.port, "/client/a.bin", {"Range": "bytes=0-"}) for _ in range(3)]
        other = fetch(self.port, "/client/sub/b.bin")
        self.assertEqual([(r[0], len(r[2]), r[3]) for r in results],
                         [(206, 1000, False), (206, 1000, False), (206, A_SIZE, True)])
        self.assertEqual(results[0][2], A[:1000])
        self.assertEqual(int(results[0][1]["content-length"]), A_SIZE)
        self.assertEqual(other[2], B)
        self.assertEqual([(r["outcome"], r["bytes"]) for r in self.server.log()],
                         [("dropped", 1000), ("dropped", 1000), ("complete", A_SIZE),
                          ("complete", 5000)])
        self.assertEqual(self.server.control()["rules"][0]["hits"], 2)

    def test_drop_with_fin_and_with_reset_as_curl_sees_them(self):
        # curl: 18 is "transfer closed with bytes remaining", 56 a receive failure (reset).
        for reset, code in ((0, 18), (1, 56)):
            with self.subTest(reset=reset):
                self.server.control(mode="drop", n=0, reset=reset)
                r = curl("-o", "/dev/null", "http://127.0.0.1:%d/client/a.bin" % self.port)
                self.assertEqual(r.returncode, code)

    def test_on_filter_and_several_rules(self):
        self.server.control(mode="404", on="resume", glob="*/a.bin")
        self.server.control(mode="500", glob="*/b.bin", add=1)
        self.assertEqual(fetch(self.port, "/client/a.bin", {"Range": "bytes=0-"})[0], 206)
        self.assertEqual(fetch(self.port, "/client/a.bin", {"Range": "bytes=10-"})[0], 404)
        self.assertEqual(fetch(self.port, "/client/sub/b.bin")[0], 500)
        self.server.control(mode="ignore-range", on="first")
        self.assertEqual(fetch(self.port, "/client/a.bin", {"Range": "bytes=10-"})[0], 206)

    def test_bad_control_is_refused(self):
        r = curl("-w", "%{http_code}", "-o", "/dev/null",
                 "http://127.0.0.1:%d/__control?mode=explode" % self.port)
        self.assertEqual(r.stdout, b"400")
        r = curl("-d", "mode=drop&n=5", "http://127.0.0.1:%d/__control" % self.port)
        self.assertEqual(json.loads(r.stdout)["rules"][0]["n"], 5)

    def test_stall_holds_until_the_client_goes_then_logs_it(self):
        self.server.control(mode="stall", n=1000)
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        s.sendall(b"GET /client/a.bin HTTP/1.1\r\nHost: x\r\n\r\n")
        got = b""
        while not got.endswith(A[:1000]):
            got += s.recv(65536)
        s.settimeout(0.3)
        with self.assertRaises(socket.timeout):
            s.recv(65536)
        self.assertEqual(self.server.log()[-1]["outcome"], "active")
        s.close()
        row = wait_for(lambda: self.server.log(done=True))
        self.assertEqual((row[-1]["outcome"], row[-1]["bytes"]), ("client-gone", 1000))

    def test_stall_and_no_response_end_at_their_timeout(self):
        for mode, n in (("stall", 10), ("no-response", 0)):
            with self.subTest(mode=mode):
                self.server.clear_log()
                self.server.control(mode=mode, n=n, timeout=0.3)
                st = None
                try:
                    st, _, body, complete = fetch(self.port, "/client/a.bin")
                except http.client.RemoteDisconnected:
                    pass
                if mode == "stall":
                    self.assertEqual((st, len(body), complete), (200, 10, False))
                else:
                    self.assertIsNone(st)
                row = wait_for(lambda: self.server.log(done=True))
                self.assertEqual(row[-1]["outcome"], "stalled")

    def test_slow_trickle_is_paced(self):
        # Only a lower bound: a slow machine can make it slower, never faster.
        self.server.control(mode="slow", rate=20000)
        t0 = time.monotonic()
        self.assertEqual(fetch(self.port, "/client/sub/b.bin")[2], B)
        self.assertGreaterEqual(time.monotonic() - t0, 0.2)


class FaultServerProcessTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="servers-test-")
        self.root = make_root(self.tmp)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_port_file_log_file_and_sigterm_during_a_stall(self):
        port_file = os.path.join(self.tmp, "port")
        log_file = os.path.join(self.tmp, "log.jsonl")
        proc = subprocess.Popen([sys.executable, os.path.join(HERE, "fault_server.py"),
                                 "--root", self.root, "--port-file", port_file,
                                 "--log-file", log_file, "--mode", "stall", "--n", "5"],
                                stdout=subprocess.PIPE, text=True)
        try:
            line = proc.stdout.readline()
            port = int(read_text(port_file))
            self.assertEqual(line, "PORT %d\n" % port)
            s = socket.create_connection(("127.0.0.1", port), timeout=5)
            s.sendall(b"GET /client/a.bin HTTP/1.1\r\nHost: x\r\n\r\n")
            self.assertTrue(s.recv(4096).startswith(b"HTTP/1.1 200"))
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(timeout=5), 0)
            s.close()
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            proc.stdout.close()
        rows = [json.loads(l) for l in read_text(log_file).splitlines()]
        self.assertEqual([(r["path"], r["outcome"]) for r in rows], [("/client/a.bin", "stopped")])

    def test_exits_when_its_starter_goes_away(self):
        port_file = os.path.join(self.tmp, "port")
        script = ('%s %s --root %s --port-file %s >/dev/null 2>&1 & echo $!; '
                  'while [ ! -s %s ]; do sleep 0.05; done'
                  % (sys.executable, os.path.join(HERE, "fault_server.py"), self.root,
                     port_file, port_file))
        pid = int(subprocess.run(["sh", "-c", script], capture_output=True, text=True,
                                 timeout=10).stdout)
        gone = wait_for(lambda: is_gone(pid))
        if not gone:
            os.kill(pid, signal.SIGKILL)
        self.assertTrue(gone)


class GeneratorTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="servers-test-")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def run_gen(self, *args, ok=True):
        """Runs the generator's command line in this process (no interpreter start-up)."""
        err = io.StringIO()
        with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(err):
            try:
                code = gen.main(list(args))
            except SystemExit as e:
                code = e.code
        if ok:
            self.assertEqual(code, 0, err.getvalue())
        return types.SimpleNamespace(returncode=code, stderr=err.getvalue())

    def tree(self, name, *args):
        root = os.path.join(self.tmp, name)
        self.run_gen("--root", root, "--base-url", "http://127.0.0.1:1/", *args)
        return root

    def test_presets_manifest_sums_and_layout(self):
        for preset, count in (("tiny", 6), ("small-files", 2000)):
            with self.subTest(preset=preset):
                root = self.tree(preset, "--preset", preset)
                path = os.path.join(root, "Live/moskale/json/tolvin/file.json")
                text = read_text(path)
                manifest = json.loads(text)
                entries = manifest["FileList"]
                self.assertEqual(list(manifest), ["Version", "TotalCount", "TotalSize", "URL",
                                                  "FileList"])
                self.assertEqual(manifest["URL"], "http://127.0.0.1:1/client/")
                self.assertEqual(manifest["TotalCount"], count)
                self.assertEqual(len(entries), count)
                on_disk = sum(os.path.getsize(os.path.join(root, "client", e["Name"]))
                              for e in entries)
                self.assertEqual(manifest["TotalSize"], sum(e["Size"] for e in entries))
                self.assertEqual(manifest["TotalSize"], on_disk)
                # The downloader's reader counts the '{' up to the first ']' as the elements.
                array = text[text.index("["):text.index("]")]
                self.assertEqual(array.count("{"), count)
                self.assertTrue(all(set(e) == {"Name", "Size"} for e in entries))
                sums = [l.split("  ", 1) for l in read_text(os.path.join(root, "client.sha256")).splitlines()]
                self.assertEqual([n.rstrip("\n") for _, n in sums], [e["Name"] for e in entries])
                for digest, name in sums[:50]:
                    with open(os.path.join(root, "client", name.rstrip("\n")), "rb") as f:
                        self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest)
        tiny = json.loads(read_text(os.path.join(self.tmp, "tiny/Live/moskale/json/tolvin/file.json")))
        self.assertEqual(tiny["FileList"][0]["Name"], "bin/TolvinGame.exe")
        self.assertTrue(any(e["Size"] > gen.BLOCK for e in tiny["FileList"]))

    def test_deterministic_by_seed_and_blocks_differ(self):
        one = read_text(os.path.join(self.tree("one"), "client.sha256"))
        two = read_text(os.path.join(self.tree("two"), "client.sha256"))
        other = read_text(os.path.join(self.tree("other", "--seed", "2"), "client.sha256"))
        self.assertEqual(one, two)
        self.assertNotEqual(one.split("\n")[1], other.split("\n")[1])
        data = read_bytes(os.path.join(self.tmp, "one/client/data/sound/music.bank"))
        blocks = [data[i:i + gen.BLOCK] for i in range(0, len(data), gen.BLOCK)]
        self.assertEqual(len({b[:4096] for b in blocks}), len(blocks))
        self.assertEqual(gen.file_bytes(1, "data/sound/music.bank", len(data)), data)
        self.assertEqual(gen.file_bytes(1, "data/sound/music.bank", len(data), 1234567),
                         data[1234567:])

    def test_exe_add_missing_total_count_and_manifest_only(self):
        exe = os.path.join(self.tmp, "prog.exe")
        with open(exe, "wb") as f:
            f.write(b"MZ" + bytes(range(256)) * 3)
        root = self.tree("t", "--exe", exe, "--add", "zero.bin:0", "--missing", "gone/x.bin:10",
                         "--missing", "../evil.bin:3", "--total-count", "99", "--version", "7")
        mpath = os.path.join(root, "Live/moskale/json/tolvin/file.json")
        m = json.loads(read_text(mpath))
        names = [e["Name"] for e in m["FileList"]]
        self.assertEqual((m["Version"], m["TotalCount"]), (7, 99))
        self.assertEqual(names[-3:], ["zero.bin", "gone/x.bin", "../evil.bin"])
        self.assertEqual(read_bytes(os.path.join(root, "client/bin/TolvinGame.exe")),
                         read_bytes(exe))
        self.assertEqual(os.path.getsize(os.path.join(root, "client/zero.bin")), 0)
        self.assertFalse(os.path.exists(os.path.join(root, "client/gone")))
        self.assertFalse(os.path.exists(os.path.join(root, "evil.bin")))
        self.assertEqual(m["TotalSize"], sum(e["Size"] for e in m["FileList"]))
        stamp = os.stat(os.path.join(root, "client/data/maps/m02.pak")).st_mtime_ns
        self.run_gen("--root", root, "--base-url", "http://127.0.0.1:4242/", "--manifest-only",
                     "--exe", exe)
        self.assertEqual(json.loads(read_text(mpath))["URL"], "http://127.0.0.1:4242/client/")
        self.run_gen("--root", root, "--base-url", "http://127.0.0.1:1/", "--manifest-only",
                     "--total-size", str(1 << 50))
        self.assertEqual(json.loads(read_text(mpath))["TotalSize"], 1 << 50)
        self.assertEqual(os.stat(os.path.join(root, "client/data/maps/m02.pak")).st_mtime_ns,
                         stamp)

    def test_refusals(self):
        base = ["--out", os.path.join(self.tmp, "r"), "--url", "http://h/"]
        for extra in (["--add", "a,b.bin:1"], ["--add", "../x.bin:1"], ["--add", "/abs:1"],
                      ["--missing", "x{y:1"], ["--add", "%s:1" % ("n" * 256)]):
            with self.subTest(extra=extra):
                self.assertNotEqual(self.run_gen(*(base + extra), ok=False).returncode, 0)
        root = self.tree("c")
        with open(os.path.join(root, "client", "mine.txt"), "w") as f:
            f.write("not generated")
        r = self.run_gen("--root", root, "--base-url", "http://127.0.0.1:1/", "--clean", ok=False)
        self.assertNotEqual(r.returncode, 0)
        self.assertTrue(os.path.exists(os.path.join(root, "client", "mine.txt")))
        os.remove(os.path.join(root, "client", "mine.txt"))
        self.run_gen("--root", root, "--base-url", "http://127.0.0.1:1/", "--clean")

    def test_empty_manifest_keeps_file_list_last(self):
        path = os.path.join(self.tmp, "file.json")
        gen.write_manifest(path, 1, "http://h/", [])
        text = read_text(path)
        self.assertTrue(text.rstrip().endswith('"FileList": []\n}'))
        self.assertEqual(json.loads(text)["TotalCount"], 0)

    def test_nginx_serves_the_generated_tree_as_version_and_file_server(self):
        root = os.path.join(self.tmp, "served")
        os.makedirs(root)
        with Nginx(root) as n:
            self.run_gen("--root", root, "--base-url", n.url("/"))
            r = curl(n.url("/Live/moskale/json/tolvin/file.json"))
            manifest = json.loads(r.stdout)
            name = manifest["FileList"][4]["Name"]
            out = os.path.join(self.tmp, "got.bin")
            curl("-o", out, "-H", "Range:bytes=0-", manifest["URL"] + name)
            sums = dict(reversed(l.rstrip("\n").split("  ", 1))
                        for l in read_text(os.path.join(root, "client.sha256")).splitlines())
            self.assertEqual(hashlib.sha256(read_bytes(out)).hexdigest(), sums[name])


if __name__ == "__main__":
    unittest.main()
