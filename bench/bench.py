#!/usr/bin/env python3
"""Throughput, CPU and memory of tolvin-fetch beside curl and aria2c, on loopback.

  bench.py [--fetch PATH] [--out DIR] [--repeat N] [--sets bench,small,huge]
           [--huge-seconds S] [--smoke]

Generates the sample sets with tools/make-sample-client.py into DIR (default build/bench;
a set is reused when its files are all there and match its SHA-256 list), serves DIR with
one nginx on a free 127.0.0.1 port, and in one run downloads each set with

  tolvin-fetch                      (its own fresh work folder each time)
  curl --parallel --parallel-max 4  (one config: url + output per file)
  aria2c -j4 -x1                    (one input file: dir + out per entry; no preallocation)

each into a fresh folder, beside two floors measured in the same run:

  network   curl --parallel --parallel-max 4 with every body into /dev/null
  disk      dd if=/dev/zero bs=1M count=1024 (into the page cache, as the downloaders
            write: nobody fsyncs) and the same with conv=fsync (to the device)

Every figure is the best (shortest wall time) of N runs (default 2), the runs of the tools
interleaved. Wall time is from the spawn to the reaping of the process; CPU is the child's
user + system time and the peak memory its ru_maxrss, both from wait4(). Every downloaded
file is checked by SHA-256 against the set's list; a run with a missing or wrong file is
reported as FAILED, not as a figure. Between runs the output folder is deleted and `sync`
runs, so that one run's writeback does not land in the next; the page cache is not dropped
(the served set stays cached, so the network floor is loopback + nginx, not the disk).

--smoke: the tiny set (under 4 MiB), every tool once, a 16 MiB disk floor, no memory run;
exit status 0 only when every tool ran and every file arrived identical. No speed is judged.

The table goes to stdout; the figures also to DIR/results-<time>.json and the table to
DIR/report-<time>.txt.
"""

import argparse
import hashlib
import importlib.util
import json
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.dont_write_bytecode = True  # nothing of ours in the source tree
sys.path.insert(0, os.path.join(SOURCE, "tests", "servers"))
from nginx_harness import Nginx  # noqa: E402

GENERATOR = os.path.join(SOURCE, "tools", "make-sample-client.py")
MANIFEST_PATH = "Live/moskale/json/tolvin/"
MIB = 1 << 20
GIB = 1 << 30
PACING_S = 0.033  # tolvin-fetch starts at most one entry per 33 ms
PROXY_VARS = ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
              "ALL_PROXY", "ftp_proxy", "FTP_PROXY")

SETS = {
    # key: (preset, label)
    "bench": ("bench", "1 GiB in 64 files"),
    "small": ("small-files", "2,000 small files"),
    "huge": ("huge-manifest", "20,000-entry manifest"),
    "tiny": ("tiny", "tiny set"),
}


def clean_env():
    env = dict(os.environ)
    for v in PROXY_VARS:
        env.pop(v, None)
    env["no_proxy"] = env["NO_PROXY"] = "127.0.0.1,localhost"
    return env


ENV = clean_env()
GNU_TIME = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None


def log(msg):
    print(msg, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- the sets

def read_sums(path):
    sums = {}
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line:
                digest, name = line.split("  ", 1)
                sums[name] = digest
    return sums


def sha256_of(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        while True:
            block = f.read(MIB)
            if not block:
                break
            h.update(block)
    return h.hexdigest()


def check(folder, sums):
    """(missing, wrong, extra) names: listed files absent or with another SHA-256, and files
    that are not listed."""
    missing, wrong = [], []
    for name, digest in sums.items():
        path = os.path.join(folder, *name.split("/"))
        if not os.path.isfile(path):
            missing.append(name)
        elif sha256_of(path) != digest:
            wrong.append(name)
    extra = []
    if os.path.isdir(folder):
        for base, _, files in os.walk(folder):
            for f in files:
                rel = os.path.relpath(os.path.join(base, f), folder).replace(os.sep, "/")
                if rel not in sums:
                    extra.append(rel)
    return missing, wrong, extra


def verify(folder, sums):
    """None when folder holds every listed file with its sum, otherwise what is wrong; and
    the files that are not listed (a note, not a failure)."""
    missing, wrong, extra = check(folder, sums)
    parts = []
    if missing:
        parts.append("%d missing (%s)" % (len(missing), missing[0]))
    if wrong:
        parts.append("%d wrong (%s)" % (len(wrong), wrong[0]))
    return (", ".join(parts) or None), extra


class SampleSet:
    def __init__(self, key, out_dir):
        self.key = key
        self.preset, self.label = SETS[key]
        self.root = os.path.join(out_dir, key)
        self.client = os.path.join(self.root, "client")
        self.sha_path = os.path.join(self.root, "client.sha256")
        self.stamp = os.path.join(self.root, "complete")
        self.sums = {}

    def generator(self, base_url, *extra):
        cmd = [sys.executable, GENERATOR, "--root", self.root, "--base-url", base_url,
               "--preset", self.preset] + list(extra)
        r = subprocess.run(cmd, env=ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True)
        if r.returncode != 0:
            raise RuntimeError("generator failed: %s" % r.stderr.strip())

    def prepare(self):
        """Makes the files unless an earlier run left them whole."""
        if os.path.exists(self.stamp) and os.path.exists(self.sha_path):
            self.sums = read_sums(self.sha_path)
            problem, _ = verify(self.client, self.sums)
            if problem is None:
                log("set %s: reusing %s" % (self.key, self.client))
                return
            log("set %s: earlier files do not match (%s); generating anew" % (self.key, problem))
        if os.path.exists(self.stamp):
            os.remove(self.stamp)
        log("set %s: generating %s" % (self.key, self.label))
        # The port is not known yet; the manifest is written again once nginx listens.
        self.generator("http://127.0.0.1:1/%s/" % self.key, "--clean")
        self.sums = read_sums(self.sha_path)
        with open(self.stamp, "w") as f:
            f.write(self.preset + "\n")

    def point_at(self, port):
        self.generator(self.base_url(port), "--manifest-only")

    def base_url(self, port):
        return "http://127.0.0.1:%d/%s/" % (port, self.key)

    def manifest_url(self, port):
        return self.base_url(port) + MANIFEST_PATH

    def files_url(self, port):
        return self.base_url(port) + "client/"

    @property
    def total_bytes(self):
        return sum(os.path.getsize(os.path.join(self.client, *n.split("/"))) for n in self.sums)


# ---------------------------------------------------------------- running one process

class Outcome:
    def __init__(self, wall, status, rusage, timed_out):
        self.wall = wall
        self.status = status
        self.cpu = rusage.ru_utime + rusage.ru_stime
        self.user = rusage.ru_utime
        self.sys = rusage.ru_stime
        self.max_rss_kib = rusage.ru_maxrss
        self.timed_out = timed_out


def run_measured(cmd, cwd, log_path, timeout=None, stop_after=None):
    """Runs cmd and reaps it with wait4, for its CPU times; the peak memory comes from GNU
    time, which runs cmd as its child: a process forked from this one would count this
    interpreter's resident pages in its ru_maxrss (Linux carries the high-water mark across
    exec). stop_after: seconds after which cmd gets SIGINT (a bounded run)."""
    rss_path = log_path + ".rss"
    wrapped = [GNU_TIME, "-o", rss_path, "-f", "%M", "--"] + cmd if GNU_TIME else cmd
    timed_out = [False]
    with open(log_path, "wb") as out:
        start = time.monotonic()
        # A session of its own: the signals go to the group, since GNU time ignores SIGINT.
        proc = subprocess.Popen(wrapped, cwd=cwd, env=ENV, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        timers = []
        if stop_after is not None:
            timers.append(threading.Timer(stop_after,
                                          lambda: signal_group(proc.pid, signal.SIGINT)))
        if timeout is not None:
            def kill():
                timed_out[0] = True
                signal_group(proc.pid, signal.SIGKILL)
            timers.append(threading.Timer(timeout, kill))
        for t in timers:
            t.daemon = True
            t.start()
        _, status, rusage = os.wait4(proc.pid, 0)
        wall = time.monotonic() - start
        for t in timers:
            t.cancel()
        proc.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
    outcome = Outcome(wall, proc.returncode, rusage, timed_out[0])
    if GNU_TIME:
        try:
            with open(rss_path) as f:
                # "Command exited with non-zero status N" may come first.
                outcome.max_rss_kib = int(f.read().split()[-1])
        except (OSError, ValueError, IndexError):
            outcome.max_rss_kib = 0
    return outcome


def signal_group(pid, sig):
    try:
        os.killpg(pid, sig)
    except ProcessLookupError:
        pass


def fresh(path):
    if os.path.lexists(path):
        shutil.rmtree(path)
    os.makedirs(path)


def settle():
    """Lets the previous run's dirty pages reach the disk before the next run starts."""
    os.sync()


# ---------------------------------------------------------------- the contenders

class Tool:
    downloads = True  # False for the floors, whose output is not checked

    def __init__(self, name):
        self.name = name

    def available(self):
        return True


class TolvinFetch(Tool):
    def __init__(self, path):
        super().__init__("tolvin-fetch")
        self.path = path

    def available(self):
        return os.access(self.path, os.X_OK)

    def command(self, s, port, target, scratch):
        return [self.path, "--base-url", s.manifest_url(port), "--work-dir",
                os.path.join(scratch, "work"), target]


class CurlParallel(Tool):
    def __init__(self, null=False):
        super().__init__("floor: network" if null else "curl --parallel")
        self.null = null
        self.downloads = not null

    def available(self):
        return shutil.which("curl") is not None

    def command(self, s, port, target, scratch):
        config = os.path.join(scratch, "curl.config")
        with open(config, "w") as f:
            for name in s.sums:
                f.write('url = "%s%s"\n' % (s.files_url(port), name))
                out = "/dev/null" if self.null else os.path.join(target, *name.split("/"))
                f.write('output = "%s"\n' % out)
        # -q first: no ~/.curlrc; --noproxy: loopback only, whatever the environment says.
        return ["curl", "-q", "--silent", "--show-error", "--fail", "--noproxy", "*",
                "--parallel", "--parallel-max", "4", "--create-dirs", "--config", config]


class Aria2(Tool):
    def __init__(self):
        super().__init__("aria2c -j4")

    def available(self):
        return shutil.which("aria2c") is not None

    def command(self, s, port, target, scratch):
        listing = os.path.join(scratch, "aria2.input")
        with open(listing, "w") as f:
            for name in s.sums:
                d, _, base = name.rpartition("/")
                f.write("%s%s\n  dir=%s\n  out=%s\n" % (s.files_url(port), name,
                                                         os.path.join(target, d) if d else target,
                                                         base))
        return ["aria2c", "--no-conf", "-j4", "-x1", "-s1", "--allow-overwrite=true",
                "--auto-file-renaming=false", "--check-integrity=false",
                "--file-allocation=none", "--quiet=true", "--console-log-level=error",
                "--summary-interval=0", "--enable-rpc=false", "--no-netrc=true",
                "--all-proxy=", "--disable-ipv6=true", "--input-file", listing]


class DiskFloor(Tool):
    downloads = False

    def __init__(self, mib, fsync):
        super().__init__("floor: disk+fsync" if fsync else "floor: disk")
        self.mib = mib
        self.fsync = fsync

    def available(self):
        return shutil.which("dd") is not None

    def command(self, s, port, target, scratch):
        cmd = ["dd", "if=/dev/zero", "of=%s" % os.path.join(target, "floor.bin"), "bs=1M",
               "count=%d" % self.mib, "status=none"]
        if self.fsync:
            cmd.append("conv=fsync")
        return cmd


# ---------------------------------------------------------------- measuring

class Result:
    def __init__(self, tool, set_key, nbytes, files):
        self.tool = tool
        self.set_key = set_key
        self.bytes = nbytes
        self.files = files
        self.runs = []       # [dict]
        self.failure = None  # text when any run failed

    def best(self):
        ok = [r for r in self.runs if r["ok"]]
        return min(ok, key=lambda r: r["wall"]) if ok and self.failure is None else None


def measure(tool, s, port, scratch_root, nbytes, files, timeout, result, index):
    scratch = os.path.join(scratch_root, "%s-%s-%d" % (s.key, tool.name.replace(" ", "_")
                                                        .replace(":", "").replace("/", ""), index))
    target = os.path.join(scratch, "out")
    fresh(scratch)
    os.makedirs(target)
    cmd = tool.command(s, port, target, scratch)
    settle()
    o = run_measured(cmd, cwd=scratch, log_path=os.path.join(scratch, "log.txt"),
                     timeout=timeout)
    run = {"wall": o.wall, "cpu": o.cpu, "user": o.user, "sys": o.sys,
           "max_rss_kib": o.max_rss_kib, "status": o.status, "ok": True, "note": ""}
    if o.timed_out:
        run["ok"], run["note"] = False, "timed out after %ds" % timeout
    elif o.status != 0:
        run["ok"], run["note"] = False, "exit status %d (%s)" % (o.status, tail(scratch))
    if run["ok"] and tool.downloads:
        problem, extra = verify(target, s.sums)
        if problem:
            run["ok"], run["note"] = False, problem
        elif extra:
            run["note"] = "%d extra files (%s)" % (len(extra), extra[0])
    if not run["ok"]:
        result.failure = run["note"]
        log("  %-18s %-6s FAILED: %s (kept in %s)" % (tool.name, s.key, run["note"], scratch))
    else:
        log("  %-18s %-6s %7.2f s  %8.1f MiB/s  cpu %6.2f s  rss %7.1f MiB"
            % (tool.name, s.key, o.wall, nbytes / MIB / o.wall, o.cpu, o.max_rss_kib / 1024))
        shutil.rmtree(scratch)
    result.runs.append(run)
    settle()


def tail(scratch, lines=3):
    try:
        with open(os.path.join(scratch, "log.txt"), errors="replace") as f:
            return " | ".join(f.read().strip().splitlines()[-lines:])
    except OSError:
        return ""


def measure_set(s, tools, port, scratch_root, repeat, timeout):
    nbytes, files = s.total_bytes, len(s.sums)
    results = []
    for tool in tools:
        r = Result(tool, s.key, nbytes, files)
        if not tool.available():
            r.failure = "not installed"
        results.append(r)
    for index in range(repeat):
        for r in results:
            if r.failure == "not installed":
                continue
            measure(r.tool, s, port, scratch_root,
                    r.tool.mib * MIB if isinstance(r.tool, DiskFloor) else nbytes,
                    files, timeout, r, index)
    for r in results:
        if isinstance(r.tool, DiskFloor):
            r.bytes, r.files = r.tool.mib * MIB, 1
    return results


def measure_memory(s, fetch, port, scratch_root, stop_after, timeout):
    scratch = os.path.join(scratch_root, "%s-memory" % s.key)
    target = os.path.join(scratch, "out")
    fresh(scratch)
    os.makedirs(target)
    settle()
    o = run_measured(fetch.command(s, port, target, scratch), cwd=scratch,
                     log_path=os.path.join(scratch, "log.txt"), timeout=timeout,
                     stop_after=stop_after)
    missing, wrong, extra = check(target, s.sums)
    whole = len(s.sums) - len(missing) - len(wrong)
    info = {"wall": o.wall, "cpu": o.cpu, "max_rss_kib": o.max_rss_kib, "status": o.status,
            "entries": len(s.sums), "whole": whole, "missing": len(missing), "wrong": len(wrong),
            "extra": len(extra), "timed_out": o.timed_out,
            "complete": o.status == 0 and not missing and not wrong,
            # A bounded run is a figure only when what did arrive is identical.
            "stopped": stop_after is not None and o.status == 130 and not wrong}
    if info["complete"]:
        shutil.rmtree(scratch)
    else:
        info["kept"] = scratch
    return info


# ---------------------------------------------------------------- the table

def fmt(v, f):
    return "-" if v is None else f % v


def table(results, title, note=None):
    lines = [title, "-" * len(title)]
    head = "%-18s %9s %10s %9s %10s %9s %9s %s" % (
        "", "wall s", "MiB/s", "files/s", "CPU s", "CPU s/GiB", "peak MiB", "(runs: wall s)")
    lines.append(head)
    for r in results:
        b = r.best()
        runs = ", ".join(("%.2f" % x["wall"]) if x["ok"] else "FAILED" for x in r.runs)
        if b is None:
            lines.append("%-18s FAILED: %s   (runs: %s)" % (r.tool.name, r.failure or "no run", runs))
            continue
        gib = r.bytes / GIB
        lines.append("%-18s %9.2f %10.1f %9s %10.2f %9.2f %9.1f (%s)" % (
            r.tool.name, b["wall"], r.bytes / MIB / b["wall"],
            fmt(r.files / b["wall"] if r.tool.downloads else None, "%.1f"), b["cpu"],
            b["cpu"] / gib, b["max_rss_kib"] / 1024, runs))
    notes = [x["note"] for r in results for x in r.runs if x["ok"] and x["note"]]
    for n in sorted(set(notes)):
        lines.append("  note: %s" % n)
    if note:
        lines.append("  " + note)
    return lines


def ratio_table(results, subject="tolvin-fetch"):
    by = {r.tool.name: r for r in results}
    me = by.get(subject)
    if me is None or me.best() is None:
        return ["ratios: %s has no figure" % subject]
    mb = me.best()
    lines = ["ratios of %s against each (throughput: >1 is faster; CPU/GiB: <1 is less CPU;"
             " peak memory: <1 is less)" % subject]
    lines.append("%-18s %12s %12s %12s" % ("against", "throughput", "CPU/GiB", "peak mem"))
    my_rate = me.bytes / mb["wall"]
    my_cpu = mb["cpu"] / (me.bytes / GIB)
    for r in results:
        if r is me:
            continue
        b = r.best()
        if b is None:
            lines.append("%-18s %12s" % (r.tool.name, "-"))
            continue
        rate = r.bytes / b["wall"]
        cpu = b["cpu"] / (r.bytes / GIB)
        lines.append("%-18s %12.2f %12s %12s" % (
            r.tool.name, my_rate / rate, fmt(my_cpu / cpu if cpu > 0 else None, "%.2f"),
            fmt(mb["max_rss_kib"] / b["max_rss_kib"] if r.tool.downloads else None, "%.2f")))
    return lines


def peer_lines(results):
    """The best peer by throughput, and how tolvin-fetch stands against it."""
    peers = [r for r in results if r.tool.downloads and r.tool.name != "tolvin-fetch"
             and r.best() is not None]
    me = next((r for r in results if r.tool.name == "tolvin-fetch"), None)
    if not peers or me is None or me.best() is None:
        return []
    best = min(peers, key=lambda r: r.best()["wall"])
    mb, bb = me.best(), best.best()
    faster = mb["wall"] <= bb["wall"]
    less = mb["cpu"] / me.bytes < bb["cpu"] / best.bytes
    return ["best peer: %s; tolvin-fetch is %s (%.0f%% of its throughput) and uses %s CPU "
            "per GiB (%.2f vs %.2f s)" % (
                best.tool.name, "at least as fast" if faster else "slower",
                100 * bb["wall"] / mb["wall"], "less" if less else "more",
                mb["cpu"] / (me.bytes / GIB), bb["cpu"] / (best.bytes / GIB))]


# ---------------------------------------------------------------- main

def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--fetch", default=os.path.join(SOURCE, "build", "release-bench", "cli",
                                                   "tolvin-fetch"),
                   help="the tolvin-fetch to measure")
    p.add_argument("--out", default=os.path.join(SOURCE, "build", "bench"),
                   help="where the sets, the downloads and the results go")
    p.add_argument("--repeat", type=int, default=2, help="runs of each measurement (best kept)")
    p.add_argument("--sets", default="bench,small,huge",
                   help="comma-separated: bench (1 GiB), small (2,000 files), huge (memory of a "
                        "20,000-entry manifest)")
    p.add_argument("--huge-seconds", type=float,
                   help="stop the 20,000-entry run (SIGINT) after this many seconds; default: "
                        "let it finish (about 20,000 x 33 ms)")
    p.add_argument("--timeout", type=float, default=1800, help="seconds a single run may take")
    p.add_argument("--smoke", action="store_true",
                   help="the tiny set, every tool once; checks that all runs and the files are "
                        "identical, judges no speed")
    args = p.parse_args(argv)

    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    fetch = TolvinFetch(os.path.abspath(args.fetch))
    if not fetch.available():
        log("bench: no tolvin-fetch at %s (build it: cmake --preset release -B "
            "build/release-bench && ninja -C build/release-bench tolvin-fetch)" % fetch.path)
        return 2

    if args.smoke:
        keys, repeat, disk_mib = ["tiny"], 1, 16
    else:
        keys = [k.strip() for k in args.sets.split(",") if k.strip()]
        for k in keys:
            if k not in ("bench", "small", "huge"):
                p.error("unknown set %r" % k)
        repeat, disk_mib = max(1, args.repeat), 1024

    sets = {k: SampleSet(k, out) for k in keys}
    for s in sets.values():
        s.prepare()

    scratch_root = os.path.join(out, "runs")
    fresh(scratch_root)
    stamp = time.strftime("%Y%m%d-%H%M%S")
    report, record = [], {"time": stamp, "fetch": fetch.path, "repeat": repeat, "sets": {}}
    failed = False
    with Nginx(out) as server:
        port = server.port
        for s in sets.values():
            s.point_at(port)
        report.append("tolvin-fetch benchmark %s: nginx on 127.0.0.1:%d (1 worker, sendfile), "
                      "best of %d run%s; %d CPUs, shared (figures are noisy)"
                      % (stamp, port, repeat, "" if repeat == 1 else "s", os.cpu_count()))
        report.append("tolvin-fetch: %s" % fetch.path)
        report.append("peak memory: %s" % (
            "ru_maxrss of the tool, through GNU time" if GNU_TIME else
            "ru_maxrss from wait4 (no /usr/bin/time: it includes this interpreter's pages, "
            "about 10-25 MiB, for every tool)"))
        report.append("")
        for key in ("tiny", "bench", "small"):
            if key not in sets:
                continue
            s = sets[key]
            log("measuring %s (%d files, %.1f MiB)" % (s.label, len(s.sums), s.total_bytes / MIB))
            tools = [fetch, CurlParallel(), Aria2(), CurlParallel(null=True)]
            if key != "small":
                tools += [DiskFloor(disk_mib, False), DiskFloor(disk_mib, True)]
            results = measure_set(s, tools, port, scratch_root, repeat, args.timeout)
            note = None
            if key == "small":
                note = ("tolvin-fetch starts one entry per 33 ms at most: %d files take at least "
                        "%.1f s (%.1f files/s), whatever the network" % (
                            len(s.sums), len(s.sums) * PACING_S, 1 / PACING_S))
            report += table(results, "%s: %d files, %.1f MiB" % (s.label, len(s.sums),
                                                                  s.total_bytes / MIB), note)
            report += ratio_table(results)
            report += peer_lines(results)
            report.append("")
            record["sets"][key] = [{"tool": r.tool.name, "bytes": r.bytes, "files": r.files,
                                    "failure": r.failure, "runs": r.runs} for r in results]
            failed = failed or any(r.failure for r in results)
        if "huge" in sets:
            s = sets["huge"]
            log("measuring the memory of tolvin-fetch on %s" % s.label)
            info = measure_memory(s, fetch, port, scratch_root, args.huge_seconds, args.timeout)
            record["sets"]["huge"] = info
            what = ("downloaded all %d entries (%.1f MiB), every file identical"
                    % (info["entries"], s.total_bytes / MIB) if info["complete"]
                    else "stopped by SIGINT after %.0f s with %s of %d files whole"
                    % (info["wall"], info["whole"], info["entries"]) if info["stopped"]
                    else "FAILED: status %d, %d missing, %d wrong%s" % (
                        info["status"], info["missing"], info["wrong"],
                        ", timed out" if info["timed_out"] else ""))
            report.append("%s: tolvin-fetch peak memory %.1f MiB (ru_maxrss), wall %.1f s, "
                          "CPU %.2f s; %s" % (s.label, info["max_rss_kib"] / 1024, info["wall"],
                                             info["cpu"], what))
            report.append("")
            failed = failed or not (info["complete"] or info["stopped"])

    text = "\n".join(report)
    print(text)
    with open(os.path.join(out, "report-%s.txt" % stamp), "w") as f:
        f.write(text + "\n")
    with open(os.path.join(out, "results-%s.json" % stamp), "w") as f:
        json.dump(record, f, indent=1)
    if not os.listdir(scratch_root):
        os.rmdir(scratch_root)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
