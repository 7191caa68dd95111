#!/usr/bin/env python3
"""Update benchmark: a documentation site (Debian's python3.11-doc by default, copied so that
pages can be changed) served by nginx on loopback. Korvane captures it with 9 connections, then
brings the copy up to date (`korvane-cli update`) while nothing changed, and again after 10 pages
changed; each is set against capturing the site again into a fresh folder. wget mirrors it
(`wget -m -np`) and brings its mirror up to date in the same two cases, both ways it can:
`wget -N -m -np` (a conditional GET of the start page; a 304 there ends the run, so no other file
is looked at) and with `--no-if-modified-since` (a HEAD request per file, then a GET of each that
is newer). Reports the medians of wall time, what each update counted, and how many of the
changed pages each left stale.

    bench/update_bench.py [--site DIR] [--build build-bench] [--runs 3]
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from requisites_bench import TOP, start_nginx, timed  # noqa: E402


def change_pages(root, count, stamp):
    """Rewrites `count` pages of the site (not the start page) so that their bytes and dates
    change; returns them."""
    pages = sorted(os.path.join(d, n) for d, _, names in os.walk(root) for n in names
                   if n.endswith(".html") and n != "index.html")[:count]
    for page in pages:
        with open(page, "a") as f:
            f.write(f"<!-- changed {stamp} -->\n")
        future = time.time() + 60 * stamp
        os.utime(page, (future, future))
    return pages


def stale_pages(copy_root, site_root, changed):
    """Of the changed pages of the site, those whose copy lacks their last change."""
    stale = 0
    for page in changed:
        marker = open(page).read().rstrip().splitlines()[-1]
        rel = os.path.relpath(page, site_root)
        found = [os.path.join(d, n) for d, _, names in os.walk(copy_root) for n in names
                 if os.path.join(d, n).endswith(rel)]
        if not found or marker not in open(found[0], errors="replace").read():
            stale += 1
    return stale


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", default="/usr/share/doc/python3.11/html")
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    cli = os.path.join(args.build, "apps", "korvane-cli", "korvane-cli")
    work = tempfile.mkdtemp(prefix="korvane-update-bench-")
    root = os.path.join(work, "site")
    shutil.copytree(os.path.realpath(args.site), root, symlinks=False)
    nginx, port = start_nginx(root, os.path.join(work, "nginx"))
    url = f"http://127.0.0.1:{port}/index.html"
    kw = os.path.join(work, "kw")
    copy, mirror = os.path.join(work, "copy"), os.path.join(work, "mirror")

    def capture(folder):
        shutil.rmtree(folder, ignore_errors=True)
        return timed([cli, "--work-path", kw, "capture", url, folder, "--sockets", "9",
                      "--depth", "1000"])

    def update():
        start = time.perf_counter()
        out = subprocess.run([cli, "--work-path", kw, "update", copy, "--sockets", "9"],
                             capture_output=True, text=True)
        wall = time.perf_counter() - start
        counts = re.search(r"Update: (.*?);", out.stdout)
        return wall, counts.group(1) if counts else "?"

    wget_mirror = ["wget", "-m", "-np", "-q", "-P", mirror, url]
    wget_update = ["wget", "-N", "-m", "-np", "-q", "-P", mirror, url]
    wget_head = wget_update[:2] + ["--no-if-modified-since"] + wget_update[2:]
    try:
        capture(copy)
        subprocess.run(wget_mirror)
        cases = ("capture again", "update, unchanged", "update, 10 changed", "wget -m",
                 "wget -N -m, unchanged", "wget -N -m, 10 changed",
                 "wget -N -m HEAD, unchanged", "wget -N -m HEAD, 10 changed")
        times = {k: [] for k in cases}
        counted = {}
        for run in range(args.runs):
            times["capture again"].append(capture(os.path.join(work, "again"))[0])
            shutil.rmtree(mirror + "-again", ignore_errors=True)
            times["wget -m"].append(timed(wget_mirror[:-3] + ["-P", mirror + "-again", url])[0])
            wall, counts = update()
            times["update, unchanged"].append(wall)
            counted["update, unchanged"] = counts
            times["wget -N -m, unchanged"].append(timed(wget_update)[0])
            times["wget -N -m HEAD, unchanged"].append(timed(wget_head)[0])
            changed = change_pages(root, 10, 2 * run + 1)
            wall, counts = update()
            times["update, 10 changed"].append(wall)
            counted["update, 10 changed"] = counts + f"; stale {stale_pages(copy, root, changed)}"
            times["wget -N -m, 10 changed"].append(timed(wget_update)[0])
            counted["wget -N -m, 10 changed"] = f"stale {stale_pages(mirror, root, changed)}"
            changed = change_pages(root, 10, 2 * run + 2)
            update()
            times["wget -N -m HEAD, 10 changed"].append(timed(wget_head)[0])
            counted["wget -N -m HEAD, 10 changed"] = f"stale {stale_pages(mirror, root, changed)}"
    finally:
        nginx.kill()
        nginx.wait()
    median = {k: statistics.median(v) for k, v in times.items()}
    print(f"{'':28}{'wall s':>9}")
    for name, value in median.items():
        print(f"{name:28}{value:9.3f}  {counted.get(name, '')}")
    again = median["capture again"]
    for case in ("unchanged", "10 changed"):
        ours = median[f"update, {case}"]
        print(f"update, {case}: {again / ours:.1f}x faster than capturing again, "
              f"{median[f'wget -N -m, {case}'] / ours:.2f}x wget -N -m's speed, "
              f"{median[f'wget -N -m HEAD, {case}'] / ours:.1f}x wget -N -m HEAD's")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
