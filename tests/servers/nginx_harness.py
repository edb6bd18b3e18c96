#!/usr/bin/env python3
"""Runs Debian's nginx as a throw-away static file server on 127.0.0.1 for tests and the
benchmarks: its own configuration, logs, pid file and temp paths in a work directory, a free
port, and nothing left behind when it stops.

Python use
----------
  from nginx_harness import Nginx
  with Nginx("/srv/root") as n:          # Nginx(root, port=0, work_dir=None, workers=1,
      n.port; n.url("/client/a.bin")     #       limit_rate=None, extra_http="", extra_server="",
      n.log()                            #       watch_pid=None)
      n.clear_log()                      # the access log, one dict per request
  A small watchdog process stops nginx should this process end without stop() (a crash, a
  test killed by its timeout); stop() ends the watchdog too.

Shell use
---------
  nginx_harness.py start ROOT [--port N] [--port-file FILE] [--work-dir DIR] [--workers N]
                              [--limit-rate RATE] [--watch-pid PID]
      starts nginx in the background and returns once it answers; prints "PORT <n>" and
      "DIR <work dir>" on stdout; --port-file FILE gets "<n>\\n". Without --work-dir a new
      temporary directory is made (its path is printed). The server keeps running after this
      command returns; with --watch-pid PID a watchdog stops it when process PID ends (a
      test program passes its own PID, so that a crash leaves no nginx behind).
  nginx_harness.py stop DIR              stops the nginx started with that work directory,
                                         by the PID recorded there, and waits for it to end
                                         (its watchdog then ends by itself within 0.5 s)
  nginx_harness.py stop --port-file FILE the same, for the start that wrote FILE
  nginx_harness.py log DIR               prints the access log's records (JSON lines)

Access log: DIR/access.log, one JSON object a line: {"time" (epoch seconds with
milliseconds), "conn" (connection serial number; equal numbers shared one keep-alive
connection), "conn_requests", "method", "path" (decoded URI), "range" (the Range header,
"" when absent), "status", "bytes" (body bytes sent), "length" (the Content-Length sent, ""
when none), "content_range" ("" when none), "request_time"}. log() turns "" into None.
Error log: DIR/error.log. Configuration: DIR/nginx.conf. State of a shell start:
DIR/harness.json ({"pid", "port", "root"}).

The server: sendfile on, tcp_nopush, keep-alive (65 s, 10,000 requests a connection), no
gzip, one worker by default. When the harness runs as root the workers run as root too, so
that test trees in private temporary directories (mode 0700) can be served.
"""

import argparse
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

NGINX = (os.environ.get("NGINX")
         or ("/usr/sbin/nginx" if os.path.exists("/usr/sbin/nginx") else shutil.which("nginx"))
         or "/usr/sbin/nginx")
START_TIMEOUT = 10.0
STOP_TIMEOUT = 10.0

LOG_FORMAT = (
    "'{\"time\":$msec,\"conn\":$connection,\"conn_requests\":$connection_requests,"
    "\"method\":\"$request_method\",\"path\":\"$uri\",\"range\":\"$http_range\","
    "\"status\":$status,\"bytes\":$body_bytes_sent,\"length\":\"$sent_http_content_length\","
    "\"content_range\":\"$sent_http_content_range\",\"request_time\":$request_time}'")

CONFIG = """\
# Written by nginx_harness.py for one test run.
{user}
worker_processes {workers};
daemon off;
master_process on;
pid {dir}/nginx.pid;
error_log {dir}/error.log warn;

events {{
    worker_connections 1024;
}}

http {{
    types {{
        application/json json;
        text/html html;
        text/plain txt;
    }}
    default_type application/octet-stream;
    log_format harness escape=json {log_format};
    access_log {dir}/access.log harness;
    client_body_temp_path {dir}/client_body;
    proxy_temp_path {dir}/proxy;
    fastcgi_temp_path {dir}/fastcgi;
    uwsgi_temp_path {dir}/uwsgi;
    scgi_temp_path {dir}/scgi;
    sendfile on;
    tcp_nopush on;
    tcp_nodelay on;
    keepalive_timeout 65;
    keepalive_requests 10000;
    gzip off;
    server_tokens off;
{extra_http}
    server {{
        listen 127.0.0.1:{port};
        server_name localhost;
        root {root};
{limit_rate}
        location = /__harness_probe {{
            access_log off;
            return 204;
        }}
{extra_server}
    }}
}}
"""


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def probe(port, timeout=0.5):
    """True when an HTTP server answers on the port."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
            s.sendall(b"GET /__harness_probe HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                      b"Connection: close\r\n\r\n")
            return s.recv(16).startswith(b"HTTP/1.")
    except OSError:
        return False


def pid_is_our_nginx(pid, conf):
    """Guards the stop against a PID that was reused by another process."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            cmdline = f.read()
    except OSError:
        return False
    # The master rewrites its title into one string ("nginx: master process ... -c CONF"),
    # so look for the path anywhere in it.
    return conf.encode() in cmdline


def parse_log(path):
    rows = []
    try:
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line:
                    continue
                row = json.loads(line)
                for key in ("range", "length", "content_range"):
                    if row.get(key) == "":
                        row[key] = None
                if row.get("length") is not None:
                    row["length"] = int(row["length"])
                rows.append(row)
    except FileNotFoundError:
        pass
    return rows


class Nginx:
    def __init__(self, root, port=0, work_dir=None, workers=1, limit_rate=None, extra_http="",
                 extra_server="", watch_pid=None):
        self.root = os.path.abspath(root)
        self.requested_port = port
        self.own_dir = work_dir is None
        self.work_dir = os.path.abspath(work_dir) if work_dir else None
        self.workers = workers
        self.limit_rate = limit_rate
        self.extra_http = extra_http
        self.extra_server = extra_server
        self.watch_pid = watch_pid
        self.watchdog = None
        self.proc = None
        self.pid = None
        self.port = None

    @property
    def conf(self):
        return os.path.join(self.work_dir, "nginx.conf")

    @property
    def access_log(self):
        return os.path.join(self.work_dir, "access.log")

    @property
    def error_log(self):
        return os.path.join(self.work_dir, "error.log")

    def url(self, path="/"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def write_config(self, port):
        user = "user root root;" if os.geteuid() == 0 else ""
        text = CONFIG.format(
            user=user, workers=self.workers, dir=self.work_dir, root=self.root, port=port,
            log_format=LOG_FORMAT, extra_http=self.extra_http, extra_server=self.extra_server,
            limit_rate="        limit_rate %s;" % self.limit_rate if self.limit_rate else "")
        with open(self.conf, "w") as f:
            f.write(text)

    def start(self, detach=False):
        """Starts nginx and waits until it answers. detach: in its own session, to outlive us."""
        if not os.path.isdir(self.root):
            raise RuntimeError("nginx root is not a directory: %s" % self.root)
        if self.work_dir is None:
            self.work_dir = tempfile.mkdtemp(prefix="nginx-harness-")
        os.makedirs(self.work_dir, exist_ok=True)
        # A port picked free can be taken before nginx binds it; then try another.
        attempts = 1 if self.requested_port else 5
        for _ in range(attempts):
            port = self.requested_port or free_port()
            self.write_config(port)
            err_offset = os.path.getsize(self.error_log) if os.path.exists(self.error_log) else 0
            self.proc = subprocess.Popen(
                [NGINX, "-p", self.work_dir, "-e", self.error_log, "-c", self.conf],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True)
            self.pid = self.proc.pid
            deadline = time.monotonic() + START_TIMEOUT
            while time.monotonic() < deadline:
                if self.proc.poll() is not None:
                    break
                if probe(port):
                    self.port = port
                    if detach:
                        self.proc = None  # nobody waits for it here; stop() goes by PID
                    watch = self.watch_pid if detach else (self.watch_pid or os.getpid())
                    if watch:
                        self.start_watchdog(watch, detach)
                    return self
                time.sleep(0.05)
            failed = self.proc.poll() is not None
            self.end_process()
            why = ""
            if os.path.exists(self.error_log):
                with open(self.error_log, errors="replace") as f:
                    f.seek(err_offset)
                    why = f.read()
            if not failed or "Address already in use" not in why:
                self.stop()
                if not failed:
                    raise RuntimeError("nginx did not answer within %gs" % START_TIMEOUT)
                raise RuntimeError("nginx failed to start:\n" + why)
        self.stop()
        raise RuntimeError("nginx could not listen on 127.0.0.1:%d:\n%s" % (port, why))

    def stop(self):
        """Stops nginx by its PID (SIGTERM: fast shutdown), waits for it, removes an own work
        directory. Safe to call twice."""
        self.end_process()
        if self.own_dir and self.work_dir and os.path.isdir(self.work_dir):
            shutil.rmtree(self.work_dir, ignore_errors=True)
            self.work_dir = None

    def start_watchdog(self, watch_pid, detach):
        self.watchdog = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "watch", str(watch_pid), str(self.pid),
             self.conf], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=detach)

    def end_process(self):
        if self.watchdog is not None:
            dog, self.watchdog = self.watchdog, None
            dog.terminate()
            try:
                dog.wait(timeout=STOP_TIMEOUT)
            except subprocess.TimeoutExpired:
                dog.kill()
                dog.wait(timeout=STOP_TIMEOUT)
        if self.pid is not None:
            pid, self.pid = self.pid, None
            if self.proc is not None:
                proc, self.proc = self.proc, None
                if proc.poll() is None:
                    proc.send_signal(signal.SIGTERM)
                    try:
                        proc.wait(timeout=STOP_TIMEOUT)
                    except subprocess.TimeoutExpired:
                        os.killpg(pid, signal.SIGKILL)  # its own session: master and workers
                        proc.wait(timeout=STOP_TIMEOUT)
            else:
                stop_pid(pid, self.conf)

    def log(self):
        return parse_log(self.access_log)

    def clear_log(self):
        # nginx appends through O_APPEND, so truncating in place is safe while it runs.
        with open(self.access_log, "w"):
            pass

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


def watch(watch_pid, nginx_pid, conf):
    """Stops nginx when the process that uses it goes away (a test that crashed, or was
    killed by its timeout), and ends when nginx ends."""
    while pid_is_our_nginx(nginx_pid, conf) and not is_zombie(nginx_pid):
        if is_zombie(watch_pid):
            stop_pid(nginx_pid, conf)
            break
        time.sleep(0.5)
    return 0


def stop_pid(pid, conf):
    """Stops a detached nginx master that was started with conf."""
    if not pid_is_our_nginx(pid, conf):
        return False
    os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + STOP_TIMEOUT
    while time.monotonic() < deadline:
        if not pid_is_our_nginx(pid, conf) or is_zombie(pid):
            return True
        time.sleep(0.05)
    os.killpg(pid, signal.SIGKILL)
    return True


def is_zombie(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def cli(argv=None):
    p = argparse.ArgumentParser(description="Throw-away nginx on 127.0.0.1.")
    sub = p.add_subparsers(dest="cmd", required=True)
    s = sub.add_parser("start")
    s.add_argument("root")
    s.add_argument("--port", type=int, default=0)
    s.add_argument("--port-file")
    s.add_argument("--work-dir")
    s.add_argument("--workers", type=int, default=1)
    s.add_argument("--limit-rate", help="per-connection rate, nginx syntax (e.g. 2m)")
    s.add_argument("--watch-pid", type=int,
                   help="stop nginx by itself when this process ends (e.g. the test's PID)")
    t = sub.add_parser("stop")
    t.add_argument("work_dir", nargs="?")
    t.add_argument("--port-file")
    g = sub.add_parser("log")
    g.add_argument("work_dir")
    w = sub.add_parser("watch")  # internal: the watchdog of start --watch-pid and of Nginx()
    w.add_argument("watch_pid", type=int)
    w.add_argument("nginx_pid", type=int)
    w.add_argument("conf")
    args = p.parse_args(argv)

    if args.cmd == "watch":
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
        return watch(args.watch_pid, args.nginx_pid, args.conf)

    if args.cmd == "start":
        work_dir = args.work_dir or tempfile.mkdtemp(prefix="nginx-harness-")
        n = Nginx(args.root, port=args.port, work_dir=work_dir, workers=args.workers,
                  limit_rate=args.limit_rate, watch_pid=args.watch_pid)
        try:
            n.start(detach=True)
        except RuntimeError as e:
            print("nginx_harness: %s" % e, file=sys.stderr)
            return 1
        state = {"pid": n.pid, "port": n.port, "root": n.root}
        with open(os.path.join(n.work_dir, "harness.json"), "w") as f:
            json.dump(state, f)
        if args.port_file:
            tmp = args.port_file + ".tmp"
            with open(tmp, "w") as f:
                f.write("%d\n" % n.port)
            os.replace(tmp, args.port_file)
            with open(args.port_file + ".dir", "w") as f:
                f.write(n.work_dir + "\n")
        print("PORT %d" % n.port)
        print("DIR %s" % n.work_dir)
        return 0

    if args.cmd == "stop":
        work_dir = args.work_dir
        if work_dir is None and args.port_file:
            try:
                with open(args.port_file + ".dir") as f:
                    work_dir = f.read().strip()
            except OSError:
                pass
        if not work_dir:
            print("nginx_harness: stop needs the work directory or the --port-file of the start",
                  file=sys.stderr)
            return 2
        try:
            with open(os.path.join(work_dir, "harness.json")) as f:
                state = json.load(f)
        except OSError:
            print("nginx_harness: no harness state in %s" % work_dir, file=sys.stderr)
            return 1
        stop_pid(state["pid"], os.path.join(os.path.abspath(work_dir), "nginx.conf"))
        return 0

    if args.cmd == "log":
        for row in parse_log(os.path.join(args.work_dir, "access.log")):
            print(json.dumps(row, sort_keys=True))
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(cli())
