#!/usr/bin/env python3
"""clang-tidy over the program's sources, in parallel, from the compile database.

    scripts/tidy.py BUILD_DIR [--jobs N] [--all] [--under FOLDER] [--root TREE]

By default a source is checked again only when it, a header it includes,
its compile command, .clang-tidy or clang-tidy itself changed since the
last time it was checked without findings; the headers come from the
dependency record of the Ninja build (a build made with another generator
has none, and every file is checked). --all checks every file (CI does).
Sources with findings are never recorded as clean, so they stay checked
until they are fixed. Exits 1 on any finding; the full output goes to
BUILD_DIR/clang-tidy.log.
"""

import argparse
import concurrent.futures
import hashlib
import json
import os
import shlex
import shutil
import subprocess
import sys
import time

STATE_NAME = "clang-tidy-clean.json"
LOG_NAME = "clang-tidy.log"


def load_database(build):
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        return json.load(f)


def command_of(entry):
    if "arguments" in entry:
        return list(entry["arguments"])
    return shlex.split(entry["command"])


def object_of(entry):
    args = command_of(entry)
    for i, arg in enumerate(args):
        if arg == "-o" and i + 1 < len(args):
            return os.path.normpath(os.path.join(entry["directory"], args[i + 1]))
        if arg.startswith("-o") and len(arg) > 2:
            return os.path.normpath(os.path.join(entry["directory"], arg[2:]))
    return None


def ninja_deps(build):
    """Object file -> the files its compilation read, from Ninja's record."""
    ninja = shutil.which("ninja") or shutil.which("ninja-build")
    if not ninja or not os.path.exists(os.path.join(build, ".ninja_deps")):
        return {}
    out = subprocess.run([ninja, "-C", build, "-t", "deps"], capture_output=True, text=True, check=False).stdout
    deps, current = {}, None
    for line in out.splitlines():
        if not line.strip():
            current = None
        elif not line[0].isspace():
            target, _, rest = line.partition(":")
            valid = "(VALID)" in rest
            current = os.path.normpath(os.path.join(build, target)) if valid else None
            if current:
                deps[current] = []
        elif current:
            deps[current].append(os.path.normpath(os.path.join(build, line.strip())))
    return deps


def fingerprint(tidy, source_root):
    """What invalidates every earlier result: the checks and the checker."""
    h = hashlib.sha256()
    config = os.path.join(source_root, ".clang-tidy")
    if os.path.exists(config):
        with open(config, "rb") as f:
            h.update(f.read())
    binary = os.path.realpath(tidy)
    h.update(binary.encode())
    h.update(str(os.stat(binary).st_mtime_ns).encode())
    return h.hexdigest()


def newest_mtime(paths, cache):
    newest = 0
    for path in paths:
        if path not in cache:
            try:
                cache[path] = os.stat(path).st_mtime_ns
            except OSError:
                cache[path] = sys.maxsize  # gone: whatever read it must be checked
        newest = max(newest, cache[path])
    return newest


def run_one(tidy, build, path, extra):
    result = subprocess.run([tidy, "-p", build, "--quiet", *extra, path],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, check=False)
    return path, result.returncode, result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--jobs", "-j", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--all", action="store_true", help="check every file, whatever changed")
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                        help="the source tree (default: the one this script lies in)")
    parser.add_argument("--under", default="src", help="folder of the sources to check (default: src)")
    parser.add_argument("--clang-tidy", default=shutil.which("clang-tidy") or "clang-tidy")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    source_root = os.path.abspath(args.root)
    under = os.path.join(os.path.abspath(os.path.join(source_root, args.under)), "")
    if not shutil.which(args.clang_tidy):
        print(f"tidy: {args.clang_tidy} not found", file=sys.stderr)
        return 2

    entries = {}
    for entry in load_database(build):
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        if path.startswith(under) and not path.startswith(os.path.join(build, "")):
            entries[path] = entry
    if not entries:
        print(f"tidy: no sources under {under} in {build}/compile_commands.json", file=sys.stderr)
        return 2

    state_path = os.path.join(build, STATE_NAME)
    try:
        with open(state_path, encoding="utf-8") as f:
            state = json.load(f)
    except (OSError, ValueError):
        state = {}
    prints = fingerprint(args.clang_tidy, source_root)
    if args.all or state.get("fingerprint") != prints:
        state = {"fingerprint": prints, "clean": {}}
    clean = state.setdefault("clean", {})

    deps = ninja_deps(build)
    mtimes = {}
    stale = []
    for path, entry in sorted(entries.items()):
        record = clean.get(path)
        command = " ".join(command_of(entry))
        obj = object_of(entry)
        read = deps.get(obj) if obj else None
        if (record is None or record.get("command") != command or read is None
                or newest_mtime([path, *read], mtimes) >= record.get("checked", 0)):
            stale.append(path)
            clean.pop(path, None)

    # The kernel stamps files from a clock that lags the precise one by up to
    # a tick: a file saved just after the start must not look older than it.
    started = time.time_ns() - 50_000_000
    extra = ["--extra-arg=-Wno-unknown-warning-option"]
    failed = []
    with open(os.path.join(build, LOG_NAME), "w", encoding="utf-8") as log, \
            concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        for path, code, output in pool.map(lambda p: run_one(args.clang_tidy, build, p, extra), stale):
            log.write(f"== {path} (exit {code})\n{output}")
            if code != 0:
                failed.append((path, output))
            else:
                clean[path] = {"command": " ".join(command_of(entries[path])), "checked": started}

    with open(state_path + ".tmp", "w", encoding="utf-8") as f:
        json.dump(state, f, indent=0, sort_keys=True)
    os.replace(state_path + ".tmp", state_path)

    skipped = len(entries) - len(stale)
    scope = f"{len(stale)} of {len(entries)} files checked"
    if skipped:
        scope += f" ({skipped} unchanged since their last clean check)"
    if failed:
        print(f"clang-tidy: {scope}, findings in {len(failed)}:")
        shown = 0
        for _, output in failed:
            for line in output.splitlines():
                if ("error:" in line or "warning:" in line) and shown < 50:
                    print("  " + line)
                    shown += 1
        print(f"(everything clang-tidy said: {os.path.join(build, LOG_NAME)})")
        return 1
    print(f"clang-tidy: {scope}, no findings")
    return 0


if __name__ == "__main__":
    sys.exit(main())
