#!/usr/bin/env python3
"""Reliability figures: korvane-cli against a server that limits its connections, and after
kill -9 at three moments.

    bench/reliability.py [--pages 3000] [--build build] [--limit 2] [--sockets 9]

It generates a site (as bench/capture_bench.py does), serves it with nginx on loopback behind a
relay that keeps at most --limit connections open and accepts and closes the others before
answering, and captures it with --sockets connections; it prints the pages captured against the
pages of the site, the time, and the addresses left loading or to explore. Then, for each of
three moments (during the capture, during the project save, during the resolve), it starts a
fresh capture, kills it with SIGKILL at that moment, captures the web once more, and says
whether the copy is whole (every page captured) and resolved (_Home.htm written, no link left
to the server).
"""
import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from capture_bench import TOP, count_pages, free_port, generate_site, start_nginx  # noqa: E402


class LimitingRelay:
    """Forwards to `target`, keeping at most `limit` connections; a connection beyond them is
    accepted and closed at once, before any byte of an answer."""

    def __init__(self, target, limit):
        self.target, self.limit = target, limit
        self.port = free_port()
        self.open = 0
        self.refused = 0
        self.lock = threading.Lock()
        self.server = socket.socket()
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", self.port))
        self.server.listen(64)
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                client, _ = self.server.accept()
            except OSError:
                return
            with self.lock:
                full = self.open >= self.limit
                if not full:
                    self.open += 1
                else:
                    self.refused += 1
            if full:
                client.close()
                continue
            threading.Thread(target=self._serve, args=(client,), daemon=True).start()

    def _serve(self, client):
        try:
            upstream = socket.create_connection(("127.0.0.1", self.target))
        except OSError:
            client.close()
            with self.lock:
                self.open -= 1
            return

        def pipe(a, b):
            try:
                while data := a.recv(65536):
                    b.sendall(data)
            except OSError:
                pass
            finally:
                for s in (a, b):
                    try:
                        s.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass

        t = threading.Thread(target=pipe, args=(upstream, client), daemon=True)
        t.start()
        pipe(client, upstream)
        t.join()
        client.close()
        upstream.close()
        with self.lock:
            self.open -= 1


def urls(cli, project, state):
    out = subprocess.run([cli, "urls", project, "--" + state], capture_output=True, text=True)
    return [line for line in out.stdout.splitlines() if line.strip()]


def capture(cli, work, target, extra=(), kill_when=None):
    """Runs a capture; `kill_when(process)` returning True kills it with SIGKILL. Returns
    (exit status or 'killed', seconds)."""
    command = [cli, "--work-path", work, "capture", target] + list(extra)
    start = time.monotonic()
    proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    lines = []
    reader = threading.Thread(target=lambda: lines.extend(proc.stdout), daemon=True)
    reader.start()
    if kill_when:
        while proc.poll() is None:
            if kill_when(lines):
                proc.send_signal(signal.SIGKILL)
                proc.wait()
                return "killed", time.monotonic() - start, ""
            time.sleep(0.005)
    proc.wait()
    reader.join(timeout=10)
    return proc.returncode, time.monotonic() - start, "".join(lines)


def whole_and_resolved(cli, folder, port, pages):
    """(pages captured, home page written, links to the server left in the copy's pages, page
    files of the folder that no address of the web names)."""
    project = os.path.join(folder, "Local.Web")
    records = urls(cli, project, "captured")
    captured = [u for u in records if "/p/p" in u]
    named = {line.split()[2] for line in records if len(line.split()) > 2}
    home = os.path.exists(os.path.join(folder, "_Home.htm"))
    unresolved = 0
    for name in named:
        if name.endswith(".htm"):
            with open(os.path.join(folder, name), errors="replace") as f:
                unresolved += len(re.findall(rf'href="http://127\.0\.0\.1:{port}/', f.read()))
    orphans = [f for f in os.listdir(folder) if f.endswith(".htm") and not f.startswith("_")
               and f not in named and f not in ("LogFile.htm", "NotFound.htm", "BadLink.htm")]
    return len(captured), home, unresolved, len(orphans)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=3000)
    parser.add_argument("--build", default=os.path.join(TOP, "build"))
    parser.add_argument("--limit", type=int, default=2)
    parser.add_argument("--sockets", type=int, default=9)
    args = parser.parse_args()
    cli = os.path.join(args.build, "apps", "korvane-cli", "korvane-cli")
    work = tempfile.mkdtemp(prefix="korvane-reliability-")
    try:
        site = os.path.join(work, "site")
        generate_site(site, args.pages)
        nginx, port, _ = start_nginx(site, os.path.join(work, "nginx"))
        relay = LimitingRelay(port, args.limit)
        url = f"http://127.0.0.1:{relay.port}/"
        common = ["--sockets", str(args.sockets), "--depth", "1000", "--tries", "3"]
        kw = os.path.join(work, "kw")

        folder = os.path.join(work, "limited")
        status, seconds, out = capture(cli, kw, url, [folder] + common)
        n, home, unresolved, _ = whole_and_resolved(cli, folder, relay.port, args.pages)
        left = urls(cli, os.path.join(folder, "Local.Web"), "todo")
        print(f"limited server ({args.limit} connections, {args.sockets} sockets): exit {status}, "
              f"{n}/{args.pages} pages in {seconds:.1f} s, {len(left)} left to explore, "
              f"{relay.refused} connections closed by the server, home page {home}, "
              f"{unresolved} links left to the server")

        moments = {
            # A tenth of the pages on disk: the capture is under way.
            "during the capture": lambda d: lambda p: count_pages(d) > args.pages // 10,
            # The temporary project file exists: the save is under way.
            "during the project save": lambda d: lambda p: any(
                f.startswith("Local.Web") and f != "Local.Web" for f in os.listdir(d))
            if os.path.isdir(d) else False,
            # The resolve has begun: it names the site it rewrites.
            "during the resolve": lambda d: lambda out: any(
                line.startswith("Resolving") for line in list(out)),
        }
        for name, make in moments.items():
            folder = os.path.join(work, "killed-" + name.split()[-1])
            killed = capture(cli, kw, url, [folder] + common, kill_when=make(folder))
            again = capture(cli, kw, os.path.join(folder, "Local.Web"), common)
            n, home, unresolved, orphans = whole_and_resolved(cli, folder, relay.port, args.pages)
            partial = [f for f in os.listdir(folder) if f.endswith(".kvpart")]
            print(f"kill -9 {name}: first run {killed[0]}, then exit {again[0]}: "
                  f"{n}/{args.pages} pages, home page {home}, {unresolved} links left to the "
                  f"server, {len(partial)} partial files, {orphans} page files no address names")
        nginx.kill()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
