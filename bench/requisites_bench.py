#!/usr/bin/env python3
"""Page requisites benchmark: a documentation site with stylesheets, scripts and pictures (the
HTML documentation of Debian's python3.11-doc by default) served by nginx on loopback, captured
and resolved by korvane-cli with 9 connections, in the site's own folders and flat, and mirrored by
`wget --mirror --convert-links --page-requisites`, the tools alternating. Reports wall, user and
system time, peak memory, and the share of the stylesheets, scripts, pictures and stylesheet
addresses of the stored pages that lead to a file of the copy (what a browser can load from disk).
Korvane's links are made local again on their own (`korvane-cli resolve`) to time the resolve.

Then, one run per tool under `strace -c -f` (not timed): the system calls per 1,000 files of the
copy, for korvane's capture, its resolve, and wget; the processes each started (execve) and how
often the locale files were opened.

    bench/requisites_bench.py [--site DIR] [--build build-bench] [--runs 3] [--no-strace]
"""
import argparse
import html.parser
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_nginx(root, state):
    port = free_port()
    os.makedirs(state, exist_ok=True)
    user = "user root;\n" if os.geteuid() == 0 else ""
    conf = f"""{user}daemon off; master_process off; worker_processes 1;
pid {state}/nginx.pid; error_log {state}/error.log warn;
events {{ worker_connections 1024; }}
http {{
  include /etc/nginx/mime.types;
  access_log off;
  client_body_temp_path {state}/cb; proxy_temp_path {state}/px; fastcgi_temp_path {state}/fc;
  uwsgi_temp_path {state}/uw; scgi_temp_path {state}/sc;
  server {{ listen 127.0.0.1:{port}; root {root}; index index.html; }}
}}
"""
    with open(os.path.join(state, "nginx.conf"), "w") as f:
        f.write(conf)
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    proc = subprocess.Popen([nginx, "-p", state + "/", "-c", state + "/nginx.conf",
                             "-e", state + "/error.log"])
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return proc, port
        except OSError:
            time.sleep(0.05)
    proc.kill()
    raise SystemExit("nginx did not start")


def count_files(folder):
    return sum(len(names) for _, _, names in os.walk(folder))


def traced(command, report):
    """Runs a command under strace; returns ({system call: count}, processes, locale opens)."""
    subprocess.run(["strace", "-f", "-C", "-qq", "-o", report] + command,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    counts = {}
    execs = locale = 0
    for line in open(report, errors="replace"):
        fields = line.split()
        # The summary's lines: "% time seconds usecs/call calls [errors] syscall".
        if (len(fields) in (5, 6) and fields[0][0].isdigit() and "." in fields[0]
                and fields[3].isdigit() and fields[-1] != "total"):
            counts[fields[-1]] = counts.get(fields[-1], 0) + int(fields[3])
        elif "execve(" in line and "= 0" in line:
            execs += 1
        elif "openat(" in line and ("/usr/lib/locale/" in line or "/usr/share/locale/" in line):
            locale += 1
    return counts, max(execs - 1, 0), locale


def timed(command):
    """Wall, user and system seconds and peak kilobytes of a command."""
    out = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M"] + command,
                         capture_output=True, text=True)
    wall, user, system, peak = out.stderr.strip().splitlines()[-1].split()
    return float(wall), float(user), float(system), int(peak)


class Requisites(html.parser.HTMLParser):
    """The requisites a page names: stylesheets, icons, scripts, pictures, frames."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.found = []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "link" and any(r in (a.get("rel") or "").lower().split()
                                 for r in ("stylesheet", "icon", "preload")):
            self.found.append(a.get("href"))
        elif tag in ("script", "iframe", "img", "source", "video", "audio"):
            self.found.append(a.get("src"))
        if a.get("srcset"):
            for candidate in a["srcset"].split(","):
                if candidate.strip():
                    self.found.append(candidate.split()[0])


CSS_URL = re.compile(r"""url\(\s*['"]?([^'")]+)['"]?\s*\)|@import\s+['"]([^'"]+)['"]""")


def local_share(folder):
    """Requisites of the copy's pages and stylesheets that lead to a file of the copy."""
    total = local = 0
    for dirpath, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(dirpath, name)
            text = open(path, "rb").read().decode("latin-1")
            if name.lower().endswith((".htm", ".html")):
                parser = Requisites()
                try:
                    parser.feed(text)
                except Exception:
                    continue
                refs = parser.found
            elif name.lower().endswith(".css"):
                refs = [m.group(1) or m.group(2) for m in CSS_URL.finditer(text)]
            else:
                continue
            for ref in refs:
                if not ref or ref.startswith(("data:", "#", "javascript:")):
                    continue
                total += 1
                target = urllib.parse.unquote(ref.split("#")[0].split("?")[0])
                if "://" not in ref and os.path.isfile(os.path.join(dirpath, target)):
                    local += 1
    return local, total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", default="/usr/share/doc/python3.11/html")
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--no-strace", dest="strace", action="store_false",
                        help="skip the system-call counts")
    args = parser.parse_args()
    cli = os.path.join(args.build, "apps", "korvane-cli", "korvane-cli")
    work = tempfile.mkdtemp(prefix="korvane-requisites-bench-")
    nginx, port = start_nginx(os.path.realpath(args.site), os.path.join(work, "nginx"))
    url = f"http://127.0.0.1:{port}/index.html"
    results, shares, files, traces = {}, {}, {}, {}
    k, w = os.path.join(work, "k"), os.path.join(work, "w")
    commands = {
        "wget": ["wget", "--mirror", "--convert-links", "--page-requisites", "--no-parent", "-q",
                 "-P", w, url],
    }
    outs = {"wget": w}
    for layout in ("site", "flat"):
        outs["korvane " + layout] = outs["korvane resolve " + layout] = k + layout
        commands["korvane " + layout] = [
            cli, "--work-path", os.path.join(work, "kw"), "capture", url, k + layout,
            "--sockets", "9", "--depth", "1000", "--layout", layout]
        commands["korvane resolve " + layout] = [
            cli, "--work-path", os.path.join(work, "kw"), "resolve",
            os.path.join(k + layout, "Local.Web")]
    captures = ("korvane site", "korvane flat", "wget")
    try:
        for run in range(args.runs):
            for tool in captures:
                out = outs[tool]
                shutil.rmtree(out, ignore_errors=True)
                command = commands[tool]
                results.setdefault(tool, []).append(timed(command))
                shares[tool] = local_share(out)
                files[tool] = count_files(out)
                print(tool, run + 1, results[tool][-1], flush=True)
                if tool.startswith("korvane"):
                    resolve = tool.replace("korvane", "korvane resolve")
                    results.setdefault(resolve, []).append(timed(commands[resolve]))
                    print(resolve, run + 1, results[resolve][-1], flush=True)
        if args.strace and shutil.which("strace"):
            for tool in ("korvane site", "korvane resolve site", "wget"):
                if "resolve" not in tool:
                    shutil.rmtree(outs[tool], ignore_errors=True)
                traces[tool] = traced(commands[tool], os.path.join(work, "strace"))
    finally:
        nginx.terminate()
        shutil.rmtree(work, ignore_errors=True)
    print(f"\nsite {args.site}, {args.runs} runs each, tools alternating (medians)")
    for tool, runs in results.items():
        med = lambda k: sorted(r[k] for r in runs)[len(runs) // 2]
        line = (f"{tool:18} wall {med(0):6.2f} s  user {med(1):5.2f} s  sys {med(2):5.2f} s  "
                f"peak {max(r[3] for r in runs) / 1024:5.1f} MB")
        if tool in shares:
            local, total = shares[tool]
            line += (f"  {files[tool]} files, requisites local {local}/{total} "
                     f"({100.0 * local / max(total, 1):.1f}%)")
        print(line)
    w = sorted(r[0] for r in results["wget"])[args.runs // 2]
    wget_peak = max(r[3] for r in results["wget"])
    for layout in ("site", "flat"):
        runs = results["korvane " + layout]
        k = sorted(r[0] for r in runs)[args.runs // 2]
        peak = max(r[3] for r in runs)
        print(f"korvane ({layout} layout) is {w / k:.2f}x as fast as wget (wall time of capture "
              f"and links made local), peak memory {peak / wget_peak:.2f}x wget's")
    if traces:
        names = ("openat", "newfstatat", "statx", "fstat", "statfs", "read", "write", "rename",
                 "unlink", "execve")
        print("\nsystem calls per 1,000 files of the copy (strace -c -f, one run each)")
        print(f"{'':18}" + "".join(f"{n:>11}" for n in names) + f"{'all':>11}"
              f"{'processes':>11}{'locale':>8}")
        for tool, (counts, execs, locale) in traces.items():
            n = files["wget" if tool == "wget" else "korvane site"] / 1000.0
            print(f"{tool:18}" + "".join(f"{counts.get(c, 0) / n:11.0f}" for c in names) +
                  f"{sum(counts.values()) / n:11.0f}{execs:11}{locale:8}")


if __name__ == "__main__":
    sys.exit(main())
