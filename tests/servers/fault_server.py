#!/usr/bin/env python3
"""A static file server for the downloader's tests that misbehaves on request.

It serves the files under a root directory over HTTP/1.1 on 127.0.0.1 (keep-alive, correct
Range semantics) and, when told to, answers some requests the way broken mirrors and networks
do: it drops connections part-way, ignores ranges, answers from the wrong offset, sends error
pages, stalls, leaves out the length, reports an empty body or trickles. Python 3 standard
library only.

Command line
------------
  fault_server.py --root DIR [--port N] [--port-file FILE] [--log-file FILE]
                  [--mode MODE] [--n N] [--k K] [--glob GLOB] [--on all|first|resume]
                  [--rate BPS] [--code STATUS] [--reset] [--timeout SECONDS]
                  [--rule 'mode=...&n=...&glob=...'] ... [--stall-timeout SECONDS]
                  [--io-timeout SECONDS] [--empty-range 200|416] [--keep-running]
                  [--verbose]

  --port 0 (the default) picks a free port. The first line on stdout is always "PORT <n>"
  (flushed; nothing else is ever printed on stdout), and --port-file writes "<n>\n" to FILE
  atomically (written beside it, then renamed), so a reader never sees half a number.
  --mode/--n/--k/--glob/--on/--rate/--code/--reset/--timeout describe the first fault rule;
  every --rule adds one more in the query syntax of the control endpoint.
  --log-file appends every finished request's log record (one JSON object a line) to FILE.
  The server exits on SIGTERM or SIGINT (exit code 0; answers in progress end with outcome
  "stopped"), and by itself within a second when its parent process (the one that started
  it, as seen at start-up) goes away, unless --keep-running is given; so a crashed test
  leaves no server behind. A starter that exits at once ("sh -c 'server &'") is gone before
  the server can note it: use --keep-running there and stop it by its PID.

Fault rules
-----------
A request for a file is checked against the rules in order; the first rule that matches it
applies, else the request is served normally. A rule matches when its glob matches the
decoded URL path (fnmatch, case-sensitive, '*' also crosses '/'; default "*"), its "on"
filter matches (all: every request; first: requests without a Range or with a range from 0;
resume: ranged requests from an offset above 0), and it has not used up its k (k < 0, the
default, means no limit; k = 3 means three faulty answers, then it stands aside). Only
answers that really differ from the normal one use up k: drop and stall count when they
really cut the body (n below the body's length), ignore-range only for requests that carried
a Range, wrong-offset only when the offset moved. The "hits" that /__control reports are the
uses so far.

The downloader's transfer opens every attempt with "Range:bytes=0-" only to learn the length,
closes that request after the headers and, when part of the file is on disk, asks again with
"Range:bytes=N-". A rule therefore sees both requests unless "on" picks one: on=resume hits
only the second, on=first only the first. Drops "in a row" as the downloader counts them are
attempts that deliver no body byte at all: use n=0 for those (with n > 0 each attempt brings
data, which resets its count).

  mode            what the answer is
  normal          the file, correctly (200, or 206/416 for a Range)
  drop            normal status and headers, then n body bytes, then the connection is closed
                  (FIN; with reset=1 an RST); n = 0 drops right after the headers
  ignore-range    200 with the whole body and its full Content-Length, whatever the Range
  wrong-offset    206 from another offset than asked, with a Content-Range that tells the
                  truth: n bytes (default 1) before the asked start, at least 0; for a
                  start of 0, n bytes after it
  404, 500        that status with an HTML body and its Content-Length, whether the file
                  exists or not
  status          the status given by code=NNN, with an HTML body
  stall           normal headers and n body bytes, then nothing: the connection is held open
                  until the client goes away, the server stops or the timeout passes
                  (timeout=S, default --stall-timeout, 120 s), then closed
  no-response     the request is read and nothing at all is sent, held like stall
  no-length       normal status and body without Content-Length, "Connection: close",
                  ended by closing the connection
  chunked         normal status and body without Content-Length, chunked transfer coding
  zero-length     200 with "Content-Length: 0" and no body, whatever the file holds
  slow            the normal answer with the body trickled at rate bytes per second
                  (rate=BPS, default 65536)

Control endpoints (never logged, never subject to rules)
---------------------------------------------------------
  GET|POST /__control                 the rules as JSON: {"rules": [...]}; with parameters
                                      (query or form body) it changes them first:
      mode=M&n=&k=&glob=&on=&rate=&code=&reset=&timeout=   replace all rules by this one
      ...&add=1                       append this rule instead
      clear=1                         no rules: serve everything normally
                                      Each change resets the rules' use counters.
  GET /__log                          the request log, one JSON object a line, oldest first:
                                      requests still in progress are included with outcome
                                      "active"; since=SEQ gives only records with seq > SEQ,
                                      done=1 leaves out the active ones, clear=1 empties the
                                      log after answering
  GET /__health                       "ok"

Log records: {"seq", "conn" (connection number; equal numbers shared one keep-alive
connection), "method", "path", "range" (the Range header as sent, or null), "status",
"length" (the Content-Length sent, or null), "content_range" (or null), "bytes" (body bytes
handed to the socket: a client that closes early need not have read them all), "mode" (the rule's mode, "normal" when none applied), "outcome"
("complete", "dropped", "stalled" (timeout passed), "client-gone", "stopped" (server
shutdown), "active"), "t_start", "t_end" (seconds since the server started, t_end null
while active), "headers" (the request headers as a dict)}. A missing file gives a normal 404
with an HTML body; paths with ".." or outside the root are 404 too. HEAD gets the headers.

Python use
----------
  from fault_server import FaultServer
  with FaultServer(root, mode="drop", n=1000, k=2, glob="/client/a.bin") as s:
      s.port; s.url("/client/a.bin"); s.control(mode="404", glob="*b.bin"); s.log()

Range semantics of the normal answer follow nginx 1.22 (measured): "bytes=a-", "bytes=a-b"
and "bytes=-n" give 206 with "Content-Range: bytes a-b/total" (an end past the file is cut
to it); a start at or past the end, an end before the start, "bytes=-0" and a "bytes=" value
that does not parse give 416 with "Content-Range: bytes */total" and an HTML body. An empty
file is the exception: "bytes=0-" (and any range from 0, and suffix ranges) gives a plain 200
with "Content-Length: 0", while a start above 0 gives 416 "bytes */0". --empty-range 416
makes "bytes=0-" on an empty file a 416 "bytes */0" instead, as some other servers answer.
A header that is not "bytes=..." is ignored; several ranges are ignored too (200 with the
whole file; nginx would send multipart/byteranges).
"""

import argparse
import fnmatch
import http.server
import json
import os
import re
import select
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import urllib.parse
import urllib.request

MODES = ("normal", "drop", "ignore-range", "wrong-offset", "404", "500", "status", "stall",
         "no-response", "no-length", "chunked", "zero-length", "slow")
ON_VALUES = ("all", "first", "resume")
BLOCK = 256 * 1024
DEFAULT_STALL_TIMEOUT = 120.0
DEFAULT_IO_TIMEOUT = 60.0


class RuleError(ValueError):
    pass


class Rule:
    FIELDS = ("mode", "n", "k", "glob", "on", "rate", "code", "reset", "timeout")

    def __init__(self, mode="normal", n=0, k=-1, glob="*", on="all", rate=65536, code=0,
                 reset=False, timeout=None):
        if mode not in MODES:
            raise RuleError("unknown mode %r (one of %s)" % (mode, ", ".join(MODES)))
        if on not in ON_VALUES:
            raise RuleError("unknown on %r (one of %s)" % (on, ", ".join(ON_VALUES)))
        self.mode = mode
        self.n = int(n)
        self.k = int(k)
        self.glob = glob or "*"
        self.on = on
        self.rate = max(1, int(rate))
        self.code = int(code) if mode != "404" and mode != "500" else int(mode)
        if mode == "status" and not 100 <= self.code <= 599:
            raise RuleError("mode status needs code=NNN")
        self.reset = bool(reset)
        self.timeout = None if timeout is None else float(timeout)
        self.hits = 0

    @classmethod
    def from_params(cls, params):
        """params: mapping of field name to text, as from a query string."""
        kw = {}
        for key, value in params.items():
            if key not in cls.FIELDS:
                continue
            try:
                if key in ("n", "k", "rate", "code"):
                    kw[key] = int(value)
                elif key == "timeout":
                    kw[key] = float(value)
                elif key == "reset":
                    kw[key] = value.lower() in ("1", "true", "yes", "on")
                else:
                    kw[key] = value
            except ValueError:
                raise RuleError("bad value %r for %s" % (value, key))
        return cls(**kw)

    def to_dict(self):
        d = {f: getattr(self, f) for f in self.FIELDS}
        d["hits"] = self.hits
        return d

    def matches(self, path, range_start):
        if self.k >= 0 and self.hits >= self.k:
            return False
        if not fnmatch.fnmatchcase(path, self.glob):
            return False
        if self.on == "first" and range_start not in (None, 0):
            return False
        if self.on == "resume" and not (range_start or 0) > 0:
            return False
        return True


class ServerState:
    def __init__(self, root, rules, stall_timeout, log_file):
        self.root = os.path.realpath(root)
        self.rules = list(rules)
        self.stall_timeout = stall_timeout
        self.lock = threading.Lock()
        self.log = []
        self.seq = 0
        self.conn_seq = 0
        self.t0 = time.monotonic()
        self.stop = threading.Event()
        self.log_file = log_file
        self.empty_416 = False
        self.active = 0  # requests inside a handler, waited for at shutdown

    def now(self):
        return round(time.monotonic() - self.t0, 6)

    def pick_rule(self, path, range_start):
        """The first matching rule, with one use reserved, so that concurrent requests
        cannot together exceed its k; release() gives the use back when it did not apply."""
        with self.lock:
            for rule in self.rules:
                if rule.matches(path, range_start):
                    rule.hits += 1
                    return rule
        return None

    def release(self, rule):
        with self.lock:
            rule.hits = max(0, rule.hits - 1)

    def begin_record(self, record):
        with self.lock:
            self.seq += 1
            record["seq"] = self.seq
            self.log.append(record)

    def end_record(self, record):
        line = None
        with self.lock:
            record["t_end"] = self.now()
            if self.log_file:
                line = json.dumps(record, sort_keys=True)
        if line is not None:
            try:
                with open(self.log_file, "a", encoding="utf-8") as f:
                    f.write(line + "\n")
            except OSError:
                pass

    def next_conn(self):
        with self.lock:
            self.conn_seq += 1
            return self.conn_seq


def parse_range(header, total, empty_416=False):
    """Returns None (serve whole), ("unsatisfiable",) or (start, end) inclusive, as nginx
    1.22 decides: a Range that is not "bytes=..." is ignored, one that does not parse is
    unsatisfiable; an empty file answers "bytes=0-" and suffix ranges with a plain 200
    (empty_416: with 416 "bytes */0", as some other servers do)."""
    if header is None:
        return None
    spec = header.strip()
    if not spec.lower().startswith("bytes="):
        return None
    spec = spec[6:].strip()
    if "," in spec:
        return None  # nginx would send multipart/byteranges; nobody here asks for several
    m = re.fullmatch(r"(\d*)\s*-\s*(\d*)", spec)
    if not m or (m.group(1) == "" and m.group(2) == ""):
        return ("unsatisfiable",)
    first, last = m.group(1), m.group(2)
    if first == "":
        suffix = int(last)
        if total == 0:
            return ("unsatisfiable",) if empty_416 else None
        if suffix == 0:
            return ("unsatisfiable",)
        return (max(0, total - suffix), total - 1)
    start = int(first)
    if total == 0 and start == 0 and not empty_416:
        return None
    if start >= total:
        return ("unsatisfiable",)
    end = total - 1 if last == "" else min(int(last), total - 1)
    if end < start:
        return ("unsatisfiable",)
    return (start, end)


def range_start_of(header):
    if header is None:
        return None
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d+)\s*-\s*\d*\s*", header)
    return int(m.group(1)) if m else None


def error_page(status, reason):
    text = "%d %s" % (status, reason)
    return ("<html>\r\n<head><title>%s</title></head>\r\n<body>\r\n<center><h1>%s</h1></center>\r\n"
            "<hr><center>fault_server</center>\r\n</body>\r\n</html>\r\n" % (text, text)).encode()


class ClientGone(Exception):
    pass


class Stopping(Exception):
    """The server is shutting down: the answer ends where it is."""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "fault_server"
    sys_version = ""
    timeout = DEFAULT_IO_TIMEOUT  # bounds every socket read and write of a connection
    # Headers and body go out in separate writes; with Nagle's algorithm the body of a small
    # answer would wait for the client's delayed acknowledgement.
    disable_nagle_algorithm = True

    def version_string(self):
        return self.server_version

    def setup(self):
        super().setup()
        self.conn_id = self.server.state.next_conn()

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("fault_server: %s\n" % (fmt % args))

    # ---- control endpoints -------------------------------------------------------------
    def params(self):
        query = urllib.parse.urlsplit(self.path).query
        params = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
        if self.command == "POST":
            length = int(self.headers.get("Content-Length") or 0)
            if length > 0:
                body = self.rfile.read(min(length, 65536)).decode("utf-8", "replace")
                params.update(urllib.parse.parse_qsl(body, keep_blank_values=True))
        return params

    def reply(self, status, body, ctype="application/json"):
        data = body.encode() if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def do_control(self, path):
        state = self.server.state
        params = self.params()
        if path == "/__health":
            return self.reply(200, "ok\n", "text/plain")
        if path == "/__log":
            since = int(params.get("since") or 0)
            done_only = params.get("done") in ("1", "true")
            with state.lock:
                rows = [dict(r) for r in state.log if r["seq"] > since
                        and not (done_only and r["outcome"] == "active")]
                if params.get("clear") in ("1", "true"):
                    state.log = [r for r in state.log if r["outcome"] == "active"]
            return self.reply(200, "".join(json.dumps(r, sort_keys=True) + "\n" for r in rows),
                              "application/x-ndjson")
        if path == "/__control":
            try:
                if params.get("empty_range") in ("200", "416"):
                    state.empty_416 = params["empty_range"] == "416"
                if params.get("clear") in ("1", "true"):
                    with state.lock:
                        state.rules = []
                elif "mode" in params:
                    rule = Rule.from_params(params)
                    with state.lock:
                        if params.get("add") in ("1", "true"):
                            state.rules.append(rule)
                        else:
                            state.rules = [rule]
                        for r in state.rules:
                            r.hits = 0
            except RuleError as e:
                return self.reply(400, json.dumps({"error": str(e)}) + "\n")
            with state.lock:
                body = json.dumps({"rules": [r.to_dict() for r in state.rules],
                                   "empty_range": 416 if state.empty_416 else 200})
            return self.reply(200, body + "\n")
        return self.reply(404, error_page(404, "Not Found"), "text/html")

    # ---- files -------------------------------------------------------------------------
    def do_GET(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def do_POST(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        if path.startswith("/__"):
            return self.do_control(path)
        self.close_connection = True  # its body, if any, was not read
        self.reply(405, error_page(405, "Not Allowed"), "text/html")

    def dispatch(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        if path.startswith("/__"):
            return self.do_control(path)
        state = self.server.state
        range_header = self.headers.get("Range")
        record = {"conn": self.conn_id, "method": self.command, "path": path,
                  "range": range_header, "status": None, "length": None,
                  "content_range": None, "bytes": 0, "mode": "normal", "outcome": "active",
                  "t_start": state.now(), "t_end": None, "headers": dict(self.headers.items())}
        state.begin_record(record)
        with state.lock:
            state.active += 1
        try:
            record["outcome"] = self.serve(path, range_header, record)
        except Stopping:
            record["outcome"] = "stopped"
            self.close_connection = True
        except ClientGone:
            record["outcome"] = "client-gone"
            self.close_connection = True
        except (OSError, socket.timeout):
            record["outcome"] = "client-gone"
            self.close_connection = True
        finally:
            if record["outcome"] == "active":
                record["outcome"] = "client-gone"
            state.end_record(record)
            with state.lock:
                state.active -= 1

    def local_file(self, path):
        parts = [p for p in path.split("/") if p not in ("", ".")]
        if any(p == ".." for p in parts):
            return None
        full = os.path.realpath(os.path.join(self.server.state.root, *parts))
        root = self.server.state.root
        if full != root and not full.startswith(root + os.sep):
            return None
        return full if os.path.isfile(full) else None

    def start_response(self, record, status, headers):
        record["status"] = status
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
            if name == "Content-Length":
                record["length"] = int(value)
            elif name == "Content-Range":
                record["content_range"] = value
        self.end_headers()
        self.wfile.flush()

    def send_body(self, record, data):
        if self.command == "HEAD":
            return
        try:
            self.wfile.write(data)
        except (OSError, socket.timeout):
            raise ClientGone()
        record["bytes"] += len(data)

    def send_file_part(self, record, f, start, count, rate=None):
        """Sends count bytes of f from start; with rate, paced to rate bytes per second."""
        if self.command == "HEAD" or count <= 0:
            return
        stop = self.server.state.stop
        f.seek(start)
        step = BLOCK if rate is None else max(1, min(BLOCK, rate // 20))
        t0 = time.monotonic()
        sent = 0
        while sent < count:
            if stop.is_set():
                raise Stopping()
            data = f.read(min(step, count - sent))
            if not data:
                raise ClientGone()  # the file shrank under us; the length sent is a lie now
            self.send_body(record, data)
            sent += len(data)
            if rate is not None and sent < count:
                due = t0 + sent / rate - time.monotonic()
                if due > 0:
                    stop.wait(min(due, 1.0))

    def send_error_page(self, record, status, reason):
        body = error_page(status, reason)
        self.start_response(record, status, [("Content-Type", "text/html"),
                                             ("Content-Length", str(len(body)))])
        self.send_body(record, body)

    def hold(self, rule):
        """Keeps the connection open and silent; returns the outcome."""
        limit = rule.timeout if rule.timeout is not None else self.server.state.stall_timeout
        deadline = time.monotonic() + limit
        stop = self.server.state.stop
        sock = self.connection
        while True:
            if stop.is_set():
                return "stopped"
            left = deadline - time.monotonic()
            if left <= 0:
                return "stalled"
            try:
                readable, _, _ = select.select([sock], [], [], min(0.1, left))
                if readable:
                    if sock.recv(1, socket.MSG_PEEK) == b"":
                        return "client-gone"
                    stop.wait(min(0.1, max(0.0, left)))  # the client sent more; keep holding
            except OSError:
                return "client-gone"

    def drop_connection(self, reset):
        self.close_connection = True
        if reset:
            # Closing with a zero linger time sends an RST; it must come before the orderly
            # shutdown that the server would do next, which would send a FIN first.
            try:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
            except OSError:
                pass

    def serve(self, path, range_header, record):
        state = self.server.state
        rule = state.pick_rule(path, range_start_of(range_header))
        try:
            return self.serve_with(rule, path, range_header, record)
        finally:
            if rule is not None and record["mode"] == "normal":
                state.release(rule)

    def serve_with(self, rule, path, range_header, record):
        full = self.local_file(path)
        mode = rule.mode if rule is not None else "normal"

        def hit():
            record["mode"] = rule.mode

        if mode == "no-response":
            hit()
            self.close_connection = True
            return self.hold(rule)
        if mode in ("404", "500", "status"):
            hit()
            reasons = {404: "Not Found", 500: "Internal Server Error"}
            self.send_error_page(record, rule.code, reasons.get(rule.code, "Error"))
            return "complete"
        if full is None:
            self.send_error_page(record, 404, "Not Found")
            return "complete"

        with open(full, "rb") as f:
            total = os.fstat(f.fileno()).st_size
            if mode == "zero-length":
                hit()
                self.start_response(record, 200, [("Content-Type", "application/octet-stream"),
                                                  ("Content-Length", "0")])
                return "complete"

            rng = parse_range(range_header, total, self.server.state.empty_416)
            if mode == "ignore-range":
                if range_header is not None:
                    hit()
                rng = None
            elif mode == "wrong-offset" and rng is not None and rng != ("unsatisfiable",):
                delta = rule.n if rule.n > 0 else 1
                start = rng[0]
                wrong = max(0, start - delta) if start > 0 else min(delta, total - 1)
                if wrong != start:
                    hit()
                    rng = (wrong, total - 1)

            if rng == ("unsatisfiable",):
                body = error_page(416, "Requested Range Not Satisfiable")
                self.start_response(record, 416, [("Content-Type", "text/html"),
                                                  ("Content-Length", str(len(body))),
                                                  ("Content-Range", "bytes */%d" % total)])
                self.send_body(record, body)
                return "complete"

            if rng is None:
                status, start, count, extra = 200, 0, total, []
            else:
                status, start, count = 206, rng[0], rng[1] - rng[0] + 1
                extra = [("Content-Range", "bytes %d-%d/%d" % (rng[0], rng[1], total))]
            headers = [("Content-Type", "application/octet-stream"), ("Accept-Ranges", "bytes")]

            if mode == "no-length":
                hit()
                self.close_connection = True
                self.start_response(record, status, headers + extra + [("Connection", "close")])
                self.send_file_part(record, f, start, count)
                return "complete"
            if mode == "chunked":
                hit()
                self.start_response(record, status,
                                    headers + extra + [("Transfer-Encoding", "chunked")])
                if self.command != "HEAD":
                    f.seek(start)
                    left = count
                    while left > 0:
                        data = f.read(min(BLOCK, left))
                        if not data:
                            raise ClientGone()
                        try:
                            self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")
                        except (OSError, socket.timeout):
                            raise ClientGone()
                        record["bytes"] += len(data)
                        left -= len(data)
                    self.wfile.write(b"0\r\n\r\n")
                return "complete"

            self.start_response(record, status,
                                headers + extra + [("Content-Length", str(count))])
            if mode == "drop" and rule.n < count and self.command != "HEAD":
                hit()
                self.send_file_part(record, f, start, rule.n)
                self.drop_connection(rule.reset)
                return "dropped"
            if mode == "stall" and rule.n < count and self.command != "HEAD":
                hit()
                self.send_file_part(record, f, start, rule.n)
                self.close_connection = True
                return self.hold(rule)
            if mode == "slow":
                hit()
                self.send_file_part(record, f, start, count, rate=rule.rate)
                return "complete"
            self.send_file_part(record, f, start, count)
            return "complete"


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128


def write_port_file(path, port):
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def build_rules(args):
    rules = []
    if args.mode != "normal":
        rules.append(Rule(mode=args.mode or "normal", n=args.n, k=args.k, glob=args.glob,
                          on=args.on, rate=args.rate, code=args.code, reset=args.reset,
                          timeout=args.timeout))
    for text in args.rule:
        rules.append(Rule.from_params(dict(urllib.parse.parse_qsl(text, keep_blank_values=True))))
    return rules


def main(argv=None):
    p = argparse.ArgumentParser(description="Fault-injecting static HTTP server on 127.0.0.1.")
    p.add_argument("--root", required=True, help="directory whose files are served")
    p.add_argument("--port", type=int, default=0, help="port, 0 for a free one (default)")
    p.add_argument("--port-file", help="write the port number to this file")
    p.add_argument("--log-file", help="append finished requests' log records (JSON lines)")
    p.add_argument("--mode", default="normal", choices=MODES)
    p.add_argument("--n", type=int, default=0)
    p.add_argument("--k", type=int, default=-1)
    p.add_argument("--glob", default="*")
    p.add_argument("--on", default="all", choices=ON_VALUES)
    p.add_argument("--rate", type=int, default=65536)
    p.add_argument("--code", type=int, default=0)
    p.add_argument("--reset", action="store_true")
    p.add_argument("--timeout", type=float, default=None)
    p.add_argument("--rule", action="append", default=[],
                   help="one more rule, e.g. 'mode=404&glob=*/b.bin'")
    p.add_argument("--empty-range", type=int, choices=(200, 416), default=200,
                   help="answer to bytes=0- on an empty file: 200 (nginx) or 416 bytes */0")
    p.add_argument("--stall-timeout", type=float, default=DEFAULT_STALL_TIMEOUT)
    p.add_argument("--io-timeout", type=float, default=DEFAULT_IO_TIMEOUT)
    p.add_argument("--keep-running", action="store_true",
                   help="do not exit when the starting process goes away")
    p.add_argument("--verbose", action="store_true")
    args = p.parse_args(argv)
    try:
        rules = build_rules(args)
    except RuleError as e:
        p.error(str(e))
    if not os.path.isdir(args.root):
        p.error("no such directory: %s" % args.root)

    Handler.timeout = args.io_timeout
    server = Server(("127.0.0.1", args.port), Handler)
    server.state = ServerState(args.root, rules, args.stall_timeout, args.log_file)
    server.state.empty_416 = args.empty_range == 416
    server.verbose = args.verbose
    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    ending = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: ending.set())
    signal.signal(signal.SIGINT, lambda *_: ending.set())
    parent = os.getppid()
    worker = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                              daemon=True)
    worker.start()
    while not ending.wait(0.5):
        if not args.keep_running and os.getppid() != parent:
            break
    server.state.stop.set()  # stalls and trickles end at their next check
    server.shutdown()
    # Let the answers in progress notice the stop and write their log records, a while.
    deadline = time.monotonic() + 2.0
    while server.state.active and time.monotonic() < deadline:
        time.sleep(0.02)
    server.server_close()
    return 0


class FaultServer:
    """Runs this server as a child process for the duration of a with-block.

    Keyword arguments are the first rule's fields (mode, n, k, glob, on, rate, code, reset,
    timeout); rules=["mode=...&..."] adds more; extra_args go to the command line as they are.
    """

    def __init__(self, root, rules=(), extra_args=(), startup_timeout=10.0, **rule):
        self.root = root
        self.args = [sys.executable, os.path.abspath(__file__), "--root", str(root)]
        for key, value in rule.items():
            if key == "reset":
                if value:
                    self.args.append("--reset")
            else:
                self.args += ["--" + key, str(value)]
        for text in rules:
            self.args += ["--rule", text]
        self.args += list(extra_args)
        self.startup_timeout = startup_timeout
        self.proc = None
        self.port = None

    def start(self):
        self.proc = subprocess.Popen(self.args, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
        ready, _, _ = select.select([self.proc.stdout], [], [], self.startup_timeout)
        line = self.proc.stdout.readline().decode() if ready else ""
        if not line.startswith("PORT "):
            self.stop()
            raise RuntimeError("fault_server did not start: %r" % line)
        self.port = int(line.split()[1])
        return self

    def url(self, path="/"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def _get(self, path, params=None):
        query = "?" + urllib.parse.urlencode(params) if params else ""
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        with opener.open(self.url(path) + query, timeout=10) as r:
            return r.read().decode()

    def control(self, **params):
        """control(mode="drop", n=10, k=1) replaces the rules; add=1 appends; clear=1."""
        return json.loads(self._get("/__control", {k: str(v) for k, v in params.items()}))

    def log(self, done=False, clear=False):
        params = {}
        if done:
            params["done"] = "1"
        if clear:
            params["clear"] = "1"
        return [json.loads(l) for l in self._get("/__log", params).splitlines() if l.strip()]

    def clear_log(self):
        self.log(clear=True)

    def stop(self):
        if self.proc is None:
            return
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)
        self.proc.stdout.close()
        self.proc = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


if __name__ == "__main__":
    sys.exit(main())
