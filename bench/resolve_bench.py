#!/usr/bin/env python3
"""Resolve-links benchmark: the capture benchmark's generated site (3,000 pages) served by nginx
on loopback and captured by korvane-cli with 9 connections (the capture resolves the web at its
end), then resolved again alone with `korvane-cli resolve`. Reports captured pages resolved per
second and the share of the capture-and-resolve run that resolving takes.

    bench/resolve_bench.py [--pages 3000] [--build build-bench] [--runs 3]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from capture_bench import TOP, generate_site, start_nginx  # noqa: E402


def timed(command, cwd):
    """Seconds the command took, and its output."""
    start = time.monotonic()
    result = subprocess.run(command, cwd=cwd, capture_output=True)
    elapsed = time.monotonic() - start
    if result.returncode != 0:
        sys.stderr.write(result.stderr.decode(errors="replace")[-2000:])
        raise SystemExit(f"{command[0]} failed")
    return elapsed, result.stdout.decode(errors="replace")


def resolve_seconds(output):
    """The time of the work itself, as the command reports it (the program's start-up, which
    looks for the navigator, and the project file's load and save are left out)."""
    match = re.search(r"Resolved in ([0-9.]+) s", output)
    if not match:
        raise SystemExit("korvane-cli resolve did not report its time")
    return float(match.group(1))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=3000)
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "apps", "korvane-cli", "korvane-cli"))
    if not os.access(cli, os.X_OK):
        raise SystemExit(f"{cli} is missing: run scripts/bench.sh first")
    work = tempfile.mkdtemp(prefix="korvane-resolve-bench-")
    site = os.path.join(work, "site")
    generate_site(site, args.pages)
    nginx, port, _ = start_nginx(site, os.path.join(work, "nginx"))
    kw = ["--work-path", os.path.join(work, "kw")]
    try:
        web = os.path.join(work, "web")
        whole, _ = timed([cli] + kw + ["capture", f"http://127.0.0.1:{port}/", web,
                                    "--sockets", "9", "--depth", "1000"], work)
        pages = sum(1 for f in os.listdir(web) if f.endswith(".htm") and not f.startswith("_"))
        command = [cli] + kw + ["resolve", os.path.join(web, "Local.Web")]
        runs = [resolve_seconds(timed(command, work)[1]) for _ in range(args.runs)]
        best = min(runs)
        print(f"capture and resolve: {whole:.2f} s for {pages} pages")
        print(f"resolve alone: best {best:.3f} s of {args.runs} "
              f"({', '.join(f'{r:.3f}' for r in runs)}), {pages / best:.0f} pages/s")
        print(f"share of the capture-and-resolve run: {100 * best / whole:.1f} %")
    finally:
        nginx.kill()
        nginx.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
