#!/usr/bin/env python3
"""Big-web benchmark: sites of many small linked pages (10,000, 50,000 and 200,000 by default),
each served by nginx on loopback and captured by korvane-cli with 9 connections. Reports, for
each size, pages per second, peak memory, memory per address (peak less the peak of a capture of
a 10-page site, divided by the web's addresses), and the times to load the project file, to save
it and to resolve the web. Memory per address and time per page should stay flat as the web
grows; the script says how the largest web's memory per address compares with the smallest's.

    bench/big_web_bench.py [--pages 10000,50000,200000] [--build build-bench] [--layout site|flat]
                           [--keep]

Each generated site and its copy are deleted once measured (unless --keep).
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from capture_bench import TOP, start_nginx  # noqa: E402

PER_FOLDER = 1000


def page_path(n):
    return f"d{n // PER_FOLDER}/p{n}.htm"


def generate_site(root, pages):
    """Pages of about 600 bytes in folders of 1,000. Page n links to pages 4n+1 to 4n+4, so that
    every page is at most log4(pages) links from the start, to the next page and to two pages at
    random."""
    rng = random.Random(20261210)
    for folder in range((pages + PER_FOLDER - 1) // PER_FOLDER):
        os.makedirs(os.path.join(root, f"d{folder}"), exist_ok=True)
    for n in range(pages):
        links = [m for m in range(4 * n + 1, 4 * n + 5) if m < pages]
        links += [(n + 1) % pages, rng.randrange(pages), rng.randrange(pages)]
        anchors = "".join(f'<li><a href="../{page_path(m)}">Page {m}</a>\n' for m in links)
        html = (f"<html><head><title>Page {n}</title></head><body><h1>Page {n}</h1>\n"
                f"<p>A small page of a large site, number {n}.</p>\n<ul>\n{anchors}</ul>"
                "</body></html>\n")
        with open(os.path.join(root, page_path(n)), "w") as f:
            f.write(html)
    with open(os.path.join(root, "index.htm"), "w") as f:
        f.write(f'<html><head><title>Big</title></head><body><a href="{page_path(0)}">start</a>'
                "</body></html>\n")


def timed(command, cwd):
    """Runs a command under GNU time; returns (seconds, peak resident kB, output)."""
    report = os.path.join(cwd, "time.out")
    start = time.monotonic()
    result = subprocess.run(["/usr/bin/time", "-v", "-o", report] + command, cwd=cwd,
                            capture_output=True)
    elapsed = time.monotonic() - start
    output = result.stdout.decode(errors="replace")
    if result.returncode != 0:
        sys.stderr.write(output[-2000:] + result.stderr.decode(errors="replace")[-2000:])
        raise SystemExit(f"{' '.join(command[:2])} failed ({result.returncode})")
    with open(report) as f:
        rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", f.read()).group(1))
    return elapsed, rss, output


def links_of(cli, web, cwd):
    _, _, output = timed([cli, "info", web], cwd)
    return int(re.search(r"^Links\s+(\d+)", output, re.M).group(1))


def measure(cli, work, pages, layout="site"):
    """Captures a generated site of `pages` pages; returns the figures of the run."""
    site, out = os.path.join(work, "site"), os.path.join(work, "copy")
    generate_site(site, pages)
    nginx, port, _ = start_nginx(site, os.path.join(work, "nginx"))
    try:
        url = f"http://127.0.0.1:{port}/"
        elapsed, rss, _ = timed([cli, "--work-path", os.path.join(work, "kw"), "capture", url, out,
                                 "--replace", "--yes", "--sockets", "9", "--depth", "1000",
                                 "--layout", layout],
                                work)
    finally:
        nginx.kill()
        nginx.wait()
    web = os.path.join(out, "Local.Web")
    links = links_of(cli, web, work)
    # Loading: `info` on this web less `info` on an empty one. Saving: `add-url` (a load and a
    # save) less `info`. Both are the best of three.
    load = min(timed([cli, "info", web], work)[0] for _ in range(3))
    save = min(timed([cli, "add-url", web, url + f"extra{i}.htm"], work)[0] for i in range(3))
    _, _, resolved = timed([cli, "resolve", web], work)
    resolve = float(re.search(r"Resolved in ([0-9.]+) s", resolved).group(1))
    size = os.path.getsize(web)
    shutil.rmtree(site)
    shutil.rmtree(out)
    return {"pages": pages, "links": links, "seconds": elapsed, "rss": rss, "load": load,
            "save": save - load, "resolve": resolve, "file": size}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", default="10000,50000,200000")
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--layout", default="site", choices=("site", "flat"),
                        help="how the copy stores its files")
    args = parser.parse_args()
    cli = os.path.join(args.build, "apps", "korvane-cli", "korvane-cli")
    if not os.access(cli, os.X_OK):
        raise SystemExit(f"{cli} is missing: run scripts/bench.sh first")
    work = tempfile.mkdtemp(prefix="korvane-big-web-bench-")
    try:
        base = measure(cli, work, 10, args.layout)
        empty_load = base["load"]
        rows = []
        for pages in (int(p) for p in args.pages.split(",")):
            row = measure(cli, work, pages, args.layout)
            row["load"] -= empty_load
            row["save"] = max(row["save"], 0.0)
            row["per_address"] = (row["rss"] - base["rss"]) * 1024 / row["links"]
            rows.append(row)
            print(f"{pages:7} pages {row['links']:7} addresses {row['seconds']:8.1f} s "
                  f"{pages / row['seconds']:7.0f} pages/s  peak {row['rss'] / 1024:7.1f} MB "
                  f"{row['per_address']:6.0f} B/address  load {row['load']:6.3f} s  "
                  f"save {row['save']:6.3f} s  resolve {row['resolve']:7.2f} s  "
                  f"project file {row['file'] / 1e6:6.1f} MB", flush=True)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    print(f"baseline (10 pages): peak {base['rss'] / 1024:.1f} MB")
    print("| pages | addresses | pages/s | peak RSS | bytes/address | load | save | resolve |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|")
    for r in rows:
        print(f"| {r['pages']:,} | {r['links']:,} | {r['pages'] / r['seconds']:.0f} | "
              f"{r['rss'] / 1024:.0f} MB | {r['per_address']:.0f} | {r['load']:.2f} s | "
              f"{r['save']:.2f} s | {r['resolve']:.1f} s |")
    if len(rows) > 1:
        print(f"memory per address, largest / smallest web: "
              f"{rows[-1]['per_address'] / rows[0]['per_address']:.2f}x")


if __name__ == "__main__":
    main()
