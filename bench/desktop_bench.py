#!/usr/bin/env python3
"""Figures of the desktop program, against the command line where they can be compared:

  - start-up: from the process's start to the main window shown (Xvfb), median of 5;
  - the bundled sample site captured through the window (the command line's CAPTURE, so no hand
    is needed) against the same capture with korvane-cli, alternately, median of 5; then the same
    on a generated site of --pages pages (5 runs);
  - CPU of the real program while idle, and while its capture waits on a server that accepts
    connections and never answers (10 seconds each);
  - the Multimedia tab: the time to show a 2,000 x 2,000 JPEG from the list, and the memory of
    the window with --pictures captured pictures listed, against none.

    bench/desktop_bench.py [--build build-bench] [--pages 500] [--pictures 500]

Run scripts/bench.sh first (it builds build-bench/). The machine's load shows in every figure.
"""
import argparse
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "bench"))
import capture_bench  # noqa: E402  (the site generator and nginx of the capture benchmark)


def start_xvfb():
    """A virtual X server on a free display; returns (process, display)."""
    xvfb = shutil.which("Xvfb")
    if not xvfb:
        return None, None
    for n in range(90, 200):
        if os.path.exists(f"/tmp/.X{n}-lock"):
            continue
        proc = subprocess.Popen([xvfb, f":{n}", "-screen", "0", "1280x1024x24", "-nolisten",
                                 "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                return proc, f":{n}"
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        proc.kill()
    return None, None


def desktop_env(state, display):
    """The program's settings in `state`: a profile naming a work path that has its settings."""
    config = os.path.join(state, "config")
    work = os.path.join(state, "work") + "/"
    os.makedirs(os.path.join(config, "korvane"), exist_ok=True)
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(config, "korvane", "profile.ini"), "w") as f:
        f.write(f"[KORVANE]\nWORKPATH={work}\n")
    open(os.path.join(work, "korvane.ini"), "a").close()
    env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=state,
               KORVANE_DATA_DIR=os.path.join(TOP, "data"))
    os.chmod(state, 0o700)
    if display:
        env["DISPLAY"] = display
        env["QT_QPA_PLATFORM"] = "xcb"
    else:
        env["QT_QPA_PLATFORM"] = "offscreen"
    return env


def tool_figures(output):
    words = output.split()
    return {words[i]: float(words[i + 1]) for i in range(0, len(words) - 1, 2)
            if words[i].endswith(("_ms", "_kb", "files", "steps"))}


def run_timed(command, env):
    """(wall seconds, CPU seconds, stdout) of a command."""
    before = os.times()
    start = time.monotonic()
    result = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    wall = time.monotonic() - start
    after = os.times()
    cpu = (after.children_user - before.children_user) + (after.children_system -
                                                           before.children_system)
    if result.returncode != 0:
        raise SystemExit(f"{command[0]} failed ({result.returncode})")
    return wall, cpu, result.stdout.decode()


def compare_captures(build, url, env, state, runs, label):
    cli = os.path.join(build, "apps", "korvane-cli", "korvane-cli")
    tool = os.path.join(build, "bench", "korvane_desktop_bench")
    cli_wall, cli_cpu, win_wall, win_cpu, win_run = [], [], [], [], []
    for n in range(runs):
        target = os.path.join(state, f"cli-{label}-{n}")
        wall, cpu, _ = run_timed([cli, "--work-path", os.path.join(state, "cli-work"), "capture",
                                  url, target], env)
        cli_wall.append(wall)
        cli_cpu.append(cpu)
        project = os.path.join(state, f"win-{label}-{n}", "Local.Web")
        wall, cpu, out = run_timed([tool, "capture", url, project], env)
        win_wall.append(wall)
        win_cpu.append(cpu)
        win_run.append(tool_figures(out)["capture_ms"] / 1000)
        shutil.rmtree(target, ignore_errors=True)
        shutil.rmtree(os.path.dirname(project), ignore_errors=True)
    med = statistics.median
    print(f"{label}: korvane-cli {med(cli_wall):.3f} s ({med(cli_cpu):.3f} s CPU); "
          f"through the window {med(win_wall):.3f} s process, {med(win_run):.3f} s from the "
          f"window shown to the run's end ({med(win_cpu):.3f} s CPU); "
          f"window/cli {med(win_run) / med(cli_wall):.2f}")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def measure_cpu(command, env, settle=3.0, span=10.0):
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        time.sleep(settle)
        before = cpu_seconds(proc.pid)
        time.sleep(span)
        used = cpu_seconds(proc.pid) - before
    finally:
        proc.send_signal(signal.SIGKILL)
        proc.wait()
    return used / span * 100


def multimedia_figures(tool, env, pictures):
    none = tool_figures(run_timed([tool, "pictures", "0"], env)[2])
    many = tool_figures(run_timed([tool, "pictures", str(pictures)], env)[2])
    print(f"a 2,000 x 2,000 JPEG shown from the list: {many['show_ms']:.1f} ms from the display "
          f"timer's tick to the picture painted (median of 5, best {many['show_min_ms']:.1f} ms); "
          f"{many['click_to_shown_ms']:.0f} ms from the click, the 500 ms timer included")
    print(f"memory of the window on its Multimedia tab: {many['listed_kb'] / 1024:.1f} MB with "
          f"{pictures} pictures listed, {none['listed_kb'] / 1024:.1f} MB with none "
          f"({(many['listed_kb'] - none['listed_kb']) / 1024:.2f} MB for the list); "
          f"{many['shown_kb'] / 1024:.1f} MB once the large picture is shown")


class SilentServer:
    """Accepts connections, reads them, never answers."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.port = self.sock.getsockname()[1]
        self.held = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            self.held.append(conn)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--pages", type=int, default=500)
    parser.add_argument("--pictures", type=int, default=500)
    args = parser.parse_args()
    state = tempfile.mkdtemp(prefix="korvane-desktop-bench-")
    xvfb, display = start_xvfb()
    env = desktop_env(state, display)
    print(f"platform: {env['QT_QPA_PLATFORM']}; {os.cpu_count()} cores, load "
          f"{os.getloadavg()[0]:.1f}")
    servers = []
    try:
        tool = os.path.join(args.build, "bench", "korvane_desktop_bench")
        startups = [tool_figures(run_timed([tool, "startup"], env)[2])["startup_ms"]
                    for _ in range(5)]
        print(f"start-up to a shown window: {statistics.median(startups):.0f} ms "
              f"(of {', '.join(f'{s:.0f}' for s in startups)})")

        sample, port, _ = capture_bench.start_nginx(os.path.join(TOP, "data", "sample-site"),
                                                 os.path.join(state, "nginx-sample"))
        servers.append(sample)
        compare_captures(args.build, f"http://127.0.0.1:{port}/", env, state, 5, "sample site")

        site = os.path.join(state, "site")
        capture_bench.generate_site(site, args.pages)
        generated, port, _ = capture_bench.start_nginx(site, os.path.join(state, "nginx-site"))
        servers.append(generated)
        compare_captures(args.build, f"http://127.0.0.1:{port}/", env, state, 5,
                         f"{args.pages} generated pages")

        multimedia_figures(tool, env, args.pictures)

        program = os.path.join(args.build, "apps", "korvane", "korvane")
        idle = measure_cpu([program], env)
        print(f"CPU while idle: {idle:.2f} % of one core")
        silent = SilentServer()
        waiting = measure_cpu([program, "CAPTURE", os.path.join(state, "slow", "Local.Web"),
                               f"http://127.0.0.1:{silent.port}/"], env)
        print(f"CPU while a capture waits on a server that never answers: {waiting:.2f} % of "
              "one core")
    finally:
        for s in servers:
            s.kill()
        if xvfb:
            xvfb.kill()
        shutil.rmtree(state, ignore_errors=True)


if __name__ == "__main__":
    main()
