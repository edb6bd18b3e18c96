#!/usr/bin/env python3
"""The main job: the real downloader window downloads a generated sample client.

Generates the sample client (a few hundred MB in a few dozen files, in folders, with the
sample game as bin/TolvinGame.exe), serves it from nginx on the build's version-server port
on 127.0.0.1, starts tolvin-downloader.exe under wine64 on the display there is ($DISPLAY) or
on an Xvfb of its own, presses Start, prints what it sees on disk while the window downloads,
checks every file by SHA-256, presses Launch and checks that the game ran. Screenshots of the
window go to build/main-job/shots/. Run through tools/run.sh, which builds what is needed.

  tools/main-job.py [--rate R] [--preset sample|tiny] [--xvfb] [--fetch PATH]
    --rate R      nginx's limit per connection (default 2m: the download takes a while to
                  watch; 0 = no limit)
    --xvfb        an Xvfb of its own even when $DISPLAY is set
    --fetch PATH  the command-line front end instead of the window: runs tolvin-fetch (the
                  native build at PATH) on the same client and prints its progress lines
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness as h  # noqa: E402

MiB = 1 << 20
OUT = os.path.join(ROOT, "build", "main-job")


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--rate", default="2m")
    p.add_argument("--preset", default="sample", choices=("sample", "tiny"))
    p.add_argument("--xvfb", action="store_true")
    p.add_argument("--fetch", metavar="PATH")
    args = p.parse_args()
    if args.fetch:
        return fetch(args)

    display = None if args.xvfb else os.environ.get("DISPLAY") or None
    shots = os.path.join(OUT, "shots")
    os.makedirs(shots, exist_ok=True)
    h.SHOTS = shots
    h.WORK = OUT
    print("display: %s" % (display or "an Xvfb of its own"), flush=True)

    with h.Session(None, name="run", display=display) as s:
        print("generating the %s client ..." % args.preset, flush=True)
        root = s.make_client(args.preset)
        sums = h.read_sums(root)
        sizes = {n: os.path.getsize(os.path.join(root, "client", n)) for n in sums}
        total = sum(sizes.values())
        print("client: %d files, %.1f MiB, served at http://127.0.0.1:%d/ (limit %s per connection)"
              % (len(sizes), total / MiB, h.PORT, args.rate), flush=True)
        s.serve(root, limit_rate=None if args.rate in ("0", "") else args.rate)

        app = s.start_app()
        win = s.main_window()
        x, y, w, hgt = s.geometry(win)
        print("window %r at %d,%d, %dx%d" % (h.MAIN_TITLE, x, y, w, hgt), flush=True)
        h.wait_until("the manifest in the work folder", lambda: os.path.exists(s.work_file("file.json")), 20)
        s.park_mouse()
        print("screenshot: %s" % s.shot("ready", win), flush=True)

        s.click(win, "start")
        s.park_mouse()
        print("pressed Start; downloading into %s" % s.default_folder, flush=True)
        started = time.monotonic()
        took_during = False
        while True:
            have = s.files_on_disk()
            done = sum(1 for n, size in sizes.items() if have.get(n) == size)
            on_disk = sum(min(have.get(n, 0), size) for n, size in sizes.items())
            print("  %6.1f s  %3d/%d files complete  %8.1f / %.1f MiB on disk  %5.1f%%"
                  % (time.monotonic() - started, done, len(sizes), on_disk / MiB, total / MiB,
                     100.0 * on_disk / total if total else 100.0), flush=True)
            if not took_during and on_disk >= total * 0.4:
                print("screenshot: %s" % s.shot("during", win), flush=True)
                took_during = True
            if done == len(sizes):
                break
            if not app.running():
                raise h.E2EError("the downloader ended during the download (exit code %s)" % app.proc.returncode)
            if time.monotonic() - started > 1800:
                raise h.E2EError("the download did not complete within 30 minutes")
            time.sleep(1.0)

        bad = s.mismatches(root)
        if bad:
            raise h.E2EError("files differ from the client's: %s" % ", ".join(bad))
        print("every file identical to the client's (SHA-256), %.1f s" % (time.monotonic() - started), flush=True)
        time.sleep(1.0)  # the final update of the strip and the bar
        print("screenshot: %s" % s.shot("done", win), flush=True)

        s.click(win, "launch")
        code = app.wait(30)
        launched = os.path.join(s.default_folder, "bin", "launched.txt")
        h.wait_until("the game's record", lambda: os.path.exists(launched), 15)
        with open(launched) as f:
            record = f.read().strip().replace("\n", "; ")
        print("pressed Launch: the game ran (it wrote bin\\launched.txt: %s); the downloader ended with "
              "exit code %d" % (record, code if code < 128 else code - 256), flush=True)
    return 0


def fetch(args):
    """tolvin-fetch natively on the sample client, from nginx on a free loopback port."""
    work = os.path.join(OUT, "fetch")
    shutil.rmtree(work, ignore_errors=True)
    srv, folder = os.path.join(work, "srv"), os.path.join(work, "download")
    os.makedirs(srv)
    with h.Nginx(srv, port=0, work_dir=os.path.join(work, "nginx"),
                 limit_rate=None if args.rate in ("0", "") else args.rate) as server:
        port = server.port
        print("generating the %s client ..." % args.preset, flush=True)
        gen = [sys.executable, h.GENERATOR, "--root", srv, "--base-url", "http://127.0.0.1:%d/" % port,
               "--preset", args.preset]
        if os.path.exists(h.GAME):
            gen += ["--exe", h.GAME]
        subprocess.run(gen, check=True, timeout=300, stdout=subprocess.DEVNULL)
        base = "http://127.0.0.1:%d/Live/moskale/json/tolvin/" % port
        cmd = [args.fetch, "--base-url", base, "--work-dir", os.path.join(work, "work"), folder]
        print("$ %s" % " ".join(cmd), flush=True)
        code = subprocess.call(cmd)
    if code != 0:
        raise h.E2EError("tolvin-fetch ended with exit code %d" % code)
    bad = [n for n, d in sorted(h.read_sums(srv).items())
           if not os.path.exists(os.path.join(folder, n)) or h.sha256(os.path.join(folder, n)) != d]
    if bad:
        raise h.E2EError("files differ from the client's: %s" % ", ".join(bad))
    print("every file identical to the client's (SHA-256), in %s" % folder, flush=True)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except h.E2EError as e:
        print("main job failed: %s" % e, file=sys.stderr)
        sys.exit(1)
