#!/usr/bin/env python3
"""Generates a sample game client for the downloader's tests, main job and benchmarks: the
files, the download manifest "file.json" that lists them, and a SHA-256 list to compare a
download with.

  make-sample-client.py --root ROOT --base-url http://127.0.0.1:PORT/ [options]
      files under ROOT/client/, the manifest at ROOT/Live/moskale/json/tolvin/file.json with
      "URL" = BASE-URL + "client/", the SHA-256 list at ROOT/client.sha256: one nginx root
      then serves both the version server's path and the files.
  make-sample-client.py --out DIR --url URL [--manifest-dir MDIR] [--sha256-file FILE] ...
      files under DIR, "URL" exactly as given (a warning when it does not end in '/'), the
      manifest in MDIR (default DIR), the list in FILE (default DIR + ".sha256").

Options:
  --preset tiny|sample|bench|small-files|huge-manifest   what to make (default tiny):
        tiny         6 files, about 3.7 MiB, in bin/ and data/ folders, one of them crossing
                     the 1 MiB block size; with the executable
        sample       40 files, about 300 MiB, in bin/ and data/*/ folders; with the executable
        bench        64 files of 16 MiB (1 GiB) in bench/dNN/; no executable unless --exe
        small-files  2,000 files of 512 B to 32 KiB in small/gNN/; no executable unless --exe
        huge-manifest 20,000 files of 64 B to 2 KiB in many/hNNN/ (about 21 MB), for the
                     memory of a long manifest; no executable unless --exe
  --seed N            content seed (default 1); sizes and names depend only on the preset
  --version N         the manifest's "Version" (default 1)
  --exe PATH          copy this program in as the executable entry (also for bench and
                      small-files, which otherwise have none); without it a 4 KiB placeholder
                      text file with the ".exe" name is written (it does not run)
  --exe-name NAME     the executable entry's name (default bin/TolvinGame.exe)
  --add NAME:SIZE     one more generated file (repeatable); SIZE may be 0
  --missing NAME:SIZE one more manifest entry that is not created (repeatable): for mirrors
                      that lack a file, and for names that must not be written
  --total-count N     write this "TotalCount" instead of the number of entries
  --total-size N      write this "TotalSize" instead of the exact sum of the sizes (for the
                      free-space check)
  --manifest-only     write only the manifest (e.g. with the port of a server started since);
                      the files and the list of an earlier run with the same options stay
  --clean             remove DIR first; refused unless DIR is empty or holds only files that
                      its SHA-256 list (from an earlier run) names

Output: one line on stdout, "files N bytes T manifest PATH sha256 PATH".

Content: file NAME's bytes are, block by block of 1 MiB, SHAKE-128 of
"tolvin-sample:SEED:NAME:BLOCK" (so every block differs, and nothing compresses), about
600 MB/s. file_bytes(seed, name, size) gives them to Python callers (import this file with
importlib, the name has hyphens).

The manifest is written for the downloader's delimiter-scanning reader: flat "FileList"
objects, "FileList" as the last member (an empty array ends the reader's member list), and
no '"', ',', '{', '}', '[' or ']' in any name or URL (refused). Names are written as they
are, without escapes; a '\\' is only allowed in --missing entries and makes the file strict
JSON no longer. Limits the downloader has: a name of at most 255 bytes, URL + name at most
1023 (refused beyond).
"""

import argparse
import hashlib
import os
import random
import shutil
import sys

BLOCK = 1 << 20
MANIFEST_PATH = "Live/moskale/json/tolvin"
FORBIDDEN = set('",{}[]')
PRESETS = ("tiny", "sample", "bench", "small-files", "huge-manifest")


class PlanError(ValueError):
    pass


def preset_entries(preset):
    """[(name, size)] of generated files, the executable not included."""
    if preset == "tiny":
        return [("data/config.ini", 700),
                ("data/maps/m01.pak", 65536),
                ("data/maps/m02.pak", BLOCK + 4099),
                ("data/sound/music.bank", 2 * BLOCK + BLOCK // 2 + 1),
                ("readme.txt", 1)]
    if preset == "sample":
        rng = random.Random("tolvin-sample-sizes")
        out = [("bin/engine.dll", 12 * BLOCK + 321), ("bin/physics.dll", 3 * BLOCK + 77),
               ("data/video/intro.bik", 48 * BLOCK + 5)]
        out += [("data/maps/map%02d.pak" % i, rng.randrange(4 * BLOCK, 20 * BLOCK))
                for i in range(1, 11)]
        out += [("data/textures/tex%02d.pak" % i, rng.randrange(2 * BLOCK, 12 * BLOCK))
                for i in range(1, 11)]
        out += [("data/sound/sfx%02d.bank" % i, rng.randrange(BLOCK // 4, 4 * BLOCK))
                for i in range(1, 9)]
        out += [("data/config/set%d.ini" % i, rng.randrange(100, 4000)) for i in range(1, 6)]
        out += [("readme.txt", 1234), ("version.dat", 16), ("data/config/empty.cfg", 1)]
        return out
    if preset == "bench":
        return [("bench/d%02d/f%02d.bin" % (i // 8, i), 16 * BLOCK) for i in range(64)]
    if preset == "small-files":
        rng = random.Random("tolvin-small-sizes")
        return [("small/g%02d/f%04d.dat" % (i // 100, i), rng.randrange(512, 32769))
                for i in range(2000)]
    if preset == "huge-manifest":
        rng = random.Random("tolvin-huge-sizes")
        return [("many/h%03d/f%05d.dat" % (i // 100, i), rng.randrange(64, 2049))
                for i in range(20000)]
    raise PlanError("unknown preset %r" % preset)


def file_bytes(seed, name, size, start=0):
    """The generated content of NAME from byte start to size, as one bytes object."""
    return b"".join(iter_blocks(seed, name, size, start))


def iter_blocks(seed, name, size, start=0):
    first = start // BLOCK
    for block in range(first, (size + BLOCK - 1) // BLOCK):
        length = min(BLOCK, size - block * BLOCK)
        data = hashlib.shake_128(b"tolvin-sample:%d:%s:%d" % (seed, name.encode(), block)).digest(length)
        yield data[start - block * BLOCK:] if block == first and start > block * BLOCK else data


def check_name(name, url, generated):
    bad = FORBIDDEN.intersection(name) or any(ord(c) < 0x20 for c in name)
    if bad or not name:
        raise PlanError("name %r cannot be written into the manifest" % name)
    if len(name.encode()) > 255 or len((url + name).encode()) > 1023:
        raise PlanError("name %r is longer than the downloader can hold" % name)
    if generated:
        parts = name.split("/")
        if (name.startswith("/") or "\\" in name or ":" in name
                or any(p in ("", ".", "..") for p in parts)):
            raise PlanError("generated file name %r must be a plain relative path" % name)


def write_manifest(path, version, url, entries, total_count=None, total_size=None):
    """entries: [(name, size)]. Written beside the target, then renamed, so a server that
    serves it meanwhile never sends half a manifest."""
    if FORBIDDEN.intersection(url):
        raise PlanError("URL %r cannot be written into the manifest" % url)
    total = sum(size for _, size in entries) if total_size is None else total_size
    count = len(entries) if total_count is None else total_count
    lines = ["{",
             '  "Version": %d,' % version,
             '  "TotalCount": %d,' % count,
             '  "TotalSize": %d,' % total,
             '  "URL": "%s",' % url]
    if entries:
        lines.append('  "FileList": [')
        rows = ['    { "Name": "%s", "Size": %d }' % (name, size) for name, size in entries]
        lines.append(",\n".join(rows))
        lines.append("  ]")
    else:
        lines.append('  "FileList": []')
    lines.append("}")
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(tmp, path)
    return total


def parse_pair(text):
    name, sep, size = text.rpartition(":")
    if not sep or not size.isdigit():
        raise PlanError("expected NAME:SIZE, got %r" % text)
    return name, int(size)


def placeholder_exe(name):
    text = ("%s: a placeholder for the game's executable in a generated sample client; it "
            "is not a program.\n" % name).encode()
    return (text * (4096 // len(text) + 1))[:4096]


def listed_files(sha_path):
    names = set()
    with open(sha_path) as f:
        for line in f:
            if line.strip():
                names.add(line.rstrip("\n").split("  ", 1)[1])
    return names


def clean_dir(out, sha_path, also_ours=()):
    if not os.path.isdir(out):
        return
    present = []
    for base, _, files in os.walk(out):
        present += [os.path.relpath(os.path.join(base, f), out).replace(os.sep, "/")
                    for f in files]
    if present:
        known = listed_files(sha_path) if os.path.exists(sha_path) else set()
        known.update(also_ours)
        strangers = [p for p in present if p not in known]
        if strangers:
            raise PlanError("--clean refused: %s holds files this tool did not make (%s)"
                            % (out, strangers[0]))
    shutil.rmtree(out)


def main(argv=None):
    p = argparse.ArgumentParser(description="Generate a sample client, its manifest and "
                                "its SHA-256 list.")
    p.add_argument("--root")
    p.add_argument("--base-url")
    p.add_argument("--out")
    p.add_argument("--url")
    p.add_argument("--manifest-dir")
    p.add_argument("--sha256-file")
    p.add_argument("--preset", default="tiny", choices=PRESETS)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--version", type=int, default=1)
    p.add_argument("--exe")
    p.add_argument("--exe-name", default="bin/TolvinGame.exe")
    p.add_argument("--add", action="append", default=[])
    p.add_argument("--missing", action="append", default=[])
    p.add_argument("--total-count", type=int)
    p.add_argument("--total-size", type=int)
    p.add_argument("--manifest-only", action="store_true")
    p.add_argument("--clean", action="store_true")
    args = p.parse_args(argv)

    if args.root:
        if not args.base_url:
            p.error("--root needs --base-url")
        if not args.base_url.endswith("/"):
            p.error("--base-url must end with '/'")
        out = os.path.join(args.root, "client")
        url = args.base_url + "client/"
        manifest_dir = args.manifest_dir or os.path.join(args.root, MANIFEST_PATH)
        sha_path = args.sha256_file or os.path.join(args.root, "client.sha256")
    elif args.out:
        if args.url is None:
            p.error("--out needs --url")
        out, url = args.out, args.url
        if not url.endswith("/"):
            print("make-sample-client: warning: URL %r does not end with '/'" % url,
                  file=sys.stderr)
        manifest_dir = args.manifest_dir or out
        sha_path = args.sha256_file or out.rstrip("/") + ".sha256"
    else:
        p.error("give --root and --base-url, or --out and --url")

    try:
        files = preset_entries(args.preset)
        with_exe = args.exe is not None or args.preset in ("tiny", "sample")
        exe_size = None
        if with_exe:
            exe_size = os.path.getsize(args.exe) if args.exe else len(placeholder_exe(args.exe_name))
        generated = ([(args.exe_name, exe_size)] if with_exe else []) + files
        generated += [parse_pair(t) for t in args.add]
        missing = [parse_pair(t) for t in args.missing]
        names = [n for n, _ in generated]
        if len(set(names)) != len(names):
            raise PlanError("a name is listed twice")
        for name, _ in generated:
            check_name(name, url, generated=True)
        for name, _ in missing:
            check_name(name, url, generated=False)

        if not args.manifest_only:
            if args.clean:
                same = os.path.abspath(manifest_dir) == os.path.abspath(out)
                clean_dir(out, sha_path, ["file.json"] if same else [])
            os.makedirs(out, exist_ok=True)
            sums = []
            for name, size in generated:
                sums.append((write_file(out, name, size, args.seed,
                                        args.exe if (name == args.exe_name and args.exe) else None,
                                        name == args.exe_name and with_exe), name))
            os.makedirs(os.path.dirname(os.path.abspath(sha_path)), exist_ok=True)
            with open(sha_path, "w", newline="\n") as f:
                f.writelines("%s  %s\n" % pair for pair in sums)
        manifest = os.path.join(manifest_dir, "file.json")
        total = write_manifest(manifest, args.version, url, generated + missing,
                               args.total_count, args.total_size)
    except (PlanError, OSError) as e:
        print("make-sample-client: %s" % e, file=sys.stderr)
        return 1
    print("files %d bytes %d manifest %s sha256 %s" % (len(generated) + len(missing), total,
                                                       manifest, sha_path))
    return 0


def write_file(out, name, size, seed, exe_path, is_exe):
    path = os.path.join(out, *name.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    digest = hashlib.sha256()
    with open(path, "wb") as f:
        if exe_path:
            with open(exe_path, "rb") as src:
                blocks = iter(lambda: src.read(BLOCK), b"")
                for data in blocks:
                    digest.update(data)
                    f.write(data)
        elif is_exe:
            data = placeholder_exe(name)
            digest.update(data)
            f.write(data)
        else:
            for data in iter_blocks(seed, name, size):
                digest.update(data)
                f.write(data)
    return digest.hexdigest()


if __name__ == "__main__":
    sys.exit(main())
