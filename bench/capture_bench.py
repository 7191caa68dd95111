#!/usr/bin/env python3
"""Capture benchmark: a generated site of 3,000 pages served by nginx on loopback, over http and
over https (a certificate of an authority made for the run with openssl, given to every tool),
captured by korvane-cli (1 and 9 connections) and mirrored by wget (and HTTrack over http when it
is installed), first straight over loopback, then through a relay that adds 20 ms each way to
every connection and every response. Reports pages per second, CPU seconds per 1,000 pages and
peak memory, and the cost of TLS.

    bench/capture_bench.py [--pages 3000] [--build build-bench] [--skip-relay] [--skip-http]
                           [--skip-one-socket]
"""
import argparse
import shlex
import asyncio
import os
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_gif(seed, size=2048):
    """A small valid GIF: header, one colour table, a trailer, padded with a comment block."""
    body = b"GIF89a\x01\x00\x01\x00\x80\x00\x00" + bytes([seed % 256, 0, 0, 255, 255, 255])
    comment = bytes((seed * 7 + i) % 256 for i in range(min(size, 255)))
    body += b"\x21\xfe" + bytes([len(comment)]) + comment + b"\x00"
    body += b"\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b"
    return body


def generate_site(root, pages, pictures=100):
    """Pages of about 8 KB, each with 20 links and 2 pictures (shared among the pages)."""
    rng = random.Random(20261207)
    os.makedirs(os.path.join(root, "p"), exist_ok=True)
    os.makedirs(os.path.join(root, "img"), exist_ok=True)
    for k in range(pictures):
        with open(os.path.join(root, "img", f"i{k}.gif"), "wb") as f:
            f.write(make_gif(k))
    words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor".split()
    for n in range(pages):
        # The next page first, so that every page can be reached from the start.
        links = [(n + 1) % pages] + [rng.randrange(pages) for _ in range(19)]
        text = " ".join(rng.choice(words) for _ in range(1100))
        anchors = "".join(f'<li><a href="p{m}.htm">Page {m}</a>\n' for m in links)
        imgs = "".join(f'<img src="../img/i{rng.randrange(pictures)}.gif" alt="pic">\n'
                       for _ in range(2))
        html = (f"<html><head><title>Page {n}</title></head><body><h1>Page {n}</h1>\n{imgs}"
                f"<p>{text}</p>\n<ul>\n{anchors}</ul></body></html>\n")
        with open(os.path.join(root, "p", f"p{n}.htm"), "w") as f:
            f.write(html)
    with open(os.path.join(root, "index.htm"), "w") as f:
        f.write('<html><head><title>Bench</title></head><body><a href="p/p0.htm">start</a>'
                "</body></html>\n")


def make_certificates(folder):
    """A test authority and a certificate for 127.0.0.1 signed by it; returns (ca, cert, key)."""
    os.makedirs(folder, exist_ok=True)
    ext = os.path.join(folder, "server.ext")
    with open(ext, "w") as f:
        f.write("basicConstraints = CA:FALSE\nextendedKeyUsage = serverAuth\n"
                "subjectAltName = IP:127.0.0.1, DNS:localhost\n")
    ca, ca_key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key")
    cert, key = os.path.join(folder, "server.pem"), os.path.join(folder, "server.key")
    csr = os.path.join(folder, "server.csr")
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    for command in (
            ["req", "-x509"] + ec + ["-keyout", ca_key, "-out", ca, "-days", "30", "-subj",
                                     "/CN=Korvane Bench Authority"],
            ["req", "-new"] + ec + ["-keyout", key, "-out", csr, "-subj", "/CN=127.0.0.1"],
            ["x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial", "-out",
             cert, "-days", "30", "-extfile", ext]):
        subprocess.run(["openssl"] + command, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    return ca, cert, key


def start_nginx(root, state, tls=None):
    """nginx serving `root` over http, and over https too when `tls` is (cert, key); returns
    (process, http port, https port or None)."""
    port = free_port()
    tls_port = free_port() if tls else None
    os.makedirs(state, exist_ok=True)
    user = "user root;\n" if os.geteuid() == 0 else ""
    secure = ""
    if tls:
        secure = (f"  server {{ listen 127.0.0.1:{tls_port} ssl; ssl_certificate {tls[0]}; "
                  f"ssl_certificate_key {tls[1]}; ssl_protocols TLSv1.2 TLSv1.3; root {root}; "
                  f"index index.htm; }}\n")
    conf = f"""{user}daemon off; master_process off; worker_processes 1;
pid {state}/nginx.pid; error_log {state}/error.log warn;
events {{ worker_connections 1024; }}
http {{
  types {{ text/html htm html; image/gif gif; }}
  access_log off;
  client_body_temp_path {state}/cb; proxy_temp_path {state}/px; fastcgi_temp_path {state}/fc;
  uwsgi_temp_path {state}/uw; scgi_temp_path {state}/sc;
  server {{ listen 127.0.0.1:{port}; root {root}; index index.htm; }}
{secure}}}
"""
    with open(os.path.join(state, "nginx.conf"), "w") as f:
        f.write(conf)
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    proc = subprocess.Popen([nginx, "-p", state + "/", "-c", state + "/nginx.conf",
                             "-e", state + "/error.log"])
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            if tls_port:
                socket.create_connection(("127.0.0.1", tls_port), timeout=0.2).close()
            return proc, port, tls_port
        except OSError:
            time.sleep(0.05)
    proc.kill()
    raise SystemExit("nginx did not start")


class Relay:
    """Forwards connections to a port, adding `delay` seconds to the connection and to every
    piece of data in each direction, as a network further away would."""

    def __init__(self, target_port, delay=0.020):
        self.target_port = target_port
        self.delay = delay
        self.port = free_port()
        self.loop = asyncio.new_event_loop()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.started = threading.Event()
        self.thread.start()
        self.started.wait()

    def _run(self):
        asyncio.set_event_loop(self.loop)
        server = self.loop.run_until_complete(
            asyncio.start_server(self._handle, "127.0.0.1", self.port))
        self.started.set()
        self.loop.run_forever()
        server.close()

    async def _pipe(self, reader, writer):
        queue = asyncio.Queue()

        async def send():
            while True:
                due, data = await queue.get()
                await asyncio.sleep(max(0.0, due - self.loop.time()))
                if data is None:
                    break
                writer.write(data)
                await writer.drain()
            try:
                writer.write_eof()
            except OSError:
                pass

        sender = asyncio.ensure_future(send())
        try:
            while True:
                data = await reader.read(65536)
                await queue.put((self.loop.time() + self.delay, data or None))
                if not data:
                    break
        except OSError:
            await queue.put((self.loop.time(), None))
        await sender

    async def _handle(self, reader, writer):
        try:
            await self._relay(reader, writer)
        except asyncio.CancelledError:
            writer.close()  # the relay is shutting down

    async def _relay(self, reader, writer):
        await asyncio.sleep(self.delay)  # the connection itself takes longer
        try:
            up_reader, up_writer = await asyncio.open_connection("127.0.0.1", self.target_port)
        except OSError:
            writer.close()
            return
        await asyncio.gather(self._pipe(reader, up_writer), self._pipe(up_reader, writer),
                             return_exceptions=True)
        writer.close()
        up_writer.close()

    async def _shutdown(self):
        tasks = [t for t in asyncio.all_tasks(self.loop) if t is not asyncio.current_task()]
        for task in tasks:
            task.cancel()
        await asyncio.gather(*tasks, return_exceptions=True)

    def stop(self):
        asyncio.run_coroutine_threadsafe(self._shutdown(), self.loop).result(timeout=10)
        self.loop.call_soon_threadsafe(self.loop.stop)
        self.thread.join(timeout=10)


def run_tool(command, cwd):
    """Runs a command under GNU time; returns (seconds, cpu seconds, peak resident kB)."""
    report = os.path.join(cwd, "time.out")
    start = time.monotonic()
    result = subprocess.run(["/usr/bin/time", "-o", report, "-f", "%U %S %M"] + command,
                            cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.monotonic() - start
    if result.returncode not in (0, 8):  # wget says 8 for the odd missing page
        sys.stderr.write(result.stderr.decode(errors="replace")[-2000:])
    with open(report) as f:
        user, system, rss = f.read().split()[-3:]
    return elapsed, float(user) + float(system), int(rss)


def count_pages(folder):
    n = 0
    for _, _, files in os.walk(folder):
        n += sum(1 for f in files if f.lower().endswith((".htm", ".html")))
    return n


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=3000)
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--skip-relay", action="store_true")
    parser.add_argument("--skip-http", action="store_true", help="measure https only")
    parser.add_argument("--skip-one-socket", action="store_true")
    parser.add_argument("--korvane-args", default="",
                        help="more arguments for korvane-cli capture (rules, cookies...)")
    args = parser.parse_args()
    cli = os.path.join(args.build, "apps", "korvane-cli", "korvane-cli")
    if not os.access(cli, os.X_OK):
        raise SystemExit(f"{cli} is missing: run scripts/bench.sh first")
    work = tempfile.mkdtemp(prefix="korvane-capture-bench-")
    site = os.path.join(work, "site")
    generate_site(site, args.pages)
    ca, cert, key = make_certificates(os.path.join(work, "tls"))
    nginx, port, tls_port = start_nginx(site, os.path.join(work, "nginx"), (cert, key))
    rows = []
    try:
        conditions = []
        for scheme, target in (("http", port), ("https", tls_port)):
            if scheme == "http" and args.skip_http:
                continue
            conditions.append((f"loopback {scheme}", scheme, target, None))
            if not args.skip_relay:
                conditions.append((f"relay 20 ms {scheme}", scheme, None, Relay(target)))
        for name, scheme, direct_port, relay in conditions:
            p = relay.port if relay else direct_port
            url = f"{scheme}://127.0.0.1:{p}/"
            trust = ["--ca-file", ca] if scheme == "https" else []
            tools = []
            for sockets in ([9] if args.skip_one_socket else [1, 9]):
                out = f"k{sockets}"
                tools.append((f"korvane {sockets} socket{'s' if sockets > 1 else ''}", out,
                              [cli, "--work-path", os.path.join(work, "kw"), "capture", url,
                               os.path.join(work, out), "--replace", "--yes", "--sockets", str(sockets),
                               "--depth", "1000"] + trust + shlex.split(args.korvane_args)))
            tools.append(("wget --mirror", "w",
                          ["wget", "--mirror", "-q", "-P", os.path.join(work, "w"), url] +
                          (["--ca-certificate", ca] if scheme == "https" else [])))
            if shutil.which("httrack") and scheme == "http":
                tools.append(("httrack -c8", "h", ["httrack", url, "-O", os.path.join(work, "h"),
                                                   "-c8", "-%c1000", "-A100000000", "-q",
                                                   "-%v0"]))
            for tool, out, command in tools:
                for d in ("k1", "k9", "w", "h"):
                    shutil.rmtree(os.path.join(work, d), ignore_errors=True)
                elapsed, cpu, rss = run_tool(command, work)
                pages = count_pages(os.path.join(work, out))
                rows.append((name, tool, pages, elapsed, pages / elapsed if elapsed else 0,
                             cpu * 1000 / max(pages, 1), rss))
                print(f"{name:18} {tool:18} {pages:6} pages {elapsed:8.2f} s "
                      f"{pages / elapsed:9.1f} pages/s {cpu * 1000 / max(pages, 1):7.3f} "
                      f"CPU s/1000 pages  peak {rss / 1024:.1f} MB",
                      flush=True)
            if relay:
                relay.stop()
    finally:
        nginx.kill()
        nginx.wait()
        shutil.rmtree(work, ignore_errors=True)
    by = {(r[0], r[1]): r for r in rows}
    for name, _, _, _ in conditions:
        k9, w = by.get((name, "korvane 9 sockets")), by.get((name, "wget --mirror"))
        k1 = by.get((name, "korvane 1 socket"))
        if k9 and w:
            line = f"{name}: korvane 9 sockets / wget = {k9[4] / w[4]:.2f}x"
            if k1:
                line += f", korvane 1 socket / wget = {k1[4] / w[4]:.2f}x"
            print(line + " (pages per second)")
    for where in ("loopback", "relay 20 ms"):
        plain, secure = by.get((f"{where} http", "korvane 9 sockets")), \
            by.get((f"{where} https", "korvane 9 sockets"))
        if plain and secure:
            print(f"{where}: korvane 9 sockets CPU per 1000 pages {plain[5]:.3f} s over http, "
                  f"{secure[5]:.3f} s over https (TLS costs {secure[5] - plain[5]:+.3f} s)")


if __name__ == "__main__":
    main()
