#!/usr/bin/env python3
"""Measures the configuration tool's wire timeline, CPU, memory, start-up and allocations side
by side with mbpoll, the absolute-deadline reference master and a bare Qt window woken as often
as the program, and prints one table.

Runs on an X display (scripts/bench.sh starts Xvfb). Usage:
    bench.py BUILD_DIR [--ticks N]
"""
import argparse
import ctypes
import ctypes.util
import glob
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import termios
import time
import tty

READ_ALL = bytes.fromhex("000300000015 85D4".replace(" ", ""))
READ_STATUS = bytes.fromhex("0003001700 03B41E".replace(" ", ""))
READ_POSITION = bytes.fromhex("00030015 0002D41E".replace(" ", ""))

# Button centres in the window's client area: Left, Top, Width, Height in twips / 15.
COMMAND1 = (56 + 129 // 2, 144 + 57 // 2)  # 打开串口 / 关闭串口
COMMAND2 = (56 + 129 // 2, 224 + 57 // 2)  # 读取参数


def log(*args):
    print("bench:", *args, file=sys.stderr, flush=True)


# ---------------------------------------------------------------------------------------------
# X: map notifications and synthetic clicks, through Xlib and XTest directly, so that the time
# of each event is known to a fraction of a millisecond.

class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class X:
    MAP_NOTIFY = 19
    SUBSTRUCTURE_NOTIFY_MASK = 1 << 19

    def __init__(self):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        for name in ("XSelectInput", "XPending", "XNextEvent", "XSync", "XFlush",
                     "XConnectionNumber", "XTranslateCoordinates"):
            getattr(self.x11, name).argtypes = None
        self.d = ctypes.c_void_p(self.x11.XOpenDisplay(None))
        if not self.d:
            raise SystemExit("bench: no X display")
        self.root = ctypes.c_ulong(self.x11.XDefaultRootWindow(self.d))
        self.x11.XSelectInput(self.d, self.root, ctypes.c_long(self.SUBSTRUCTURE_NOTIFY_MASK))
        self.x11.XSync(self.d, 0)
        self.fd = self.x11.XConnectionNumber(self.d)

    def drain(self):
        event = (ctypes.c_long * 24)()
        while self.x11.XPending(self.d):
            self.x11.XNextEvent(self.d, ctypes.byref(event))

    def wait_mapped(self, timeout=30.0):
        """The first top-level window mapped from now on, and the time it was seen."""
        event = (ctypes.c_long * 24)()
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            while self.x11.XPending(self.d):
                self.x11.XNextEvent(self.d, ctypes.byref(event))
                now = time.monotonic()
                mapped = ctypes.cast(event, ctypes.POINTER(XMapEvent)).contents
                if mapped.type == self.MAP_NOTIFY and not mapped.override_redirect:
                    return mapped.window, now
            select.select([self.fd], [], [], 0.05)
        raise SystemExit("bench: no window was mapped")

    def click(self, window, xy):
        """Clicks at a point of the window; returns the time the button went up."""
        rx, ry, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        self.x11.XTranslateCoordinates(self.d, ctypes.c_ulong(window), self.root, xy[0], xy[1],
                                       ctypes.byref(rx), ctypes.byref(ry), ctypes.byref(child))
        self.xtst.XTestFakeMotionEvent(self.d, -1, rx.value, ry.value, ctypes.c_ulong(0))
        self.xtst.XTestFakeButtonEvent(self.d, 1, 1, ctypes.c_ulong(0))
        self.x11.XSync(self.d, 0)
        time.sleep(0.03)
        before = time.monotonic()
        self.xtst.XTestFakeButtonEvent(self.d, 1, 0, ctypes.c_ulong(0))
        self.x11.XSync(self.d, 0)
        after = time.monotonic()
        # Park the pointer away from the buttons.
        self.xtst.XTestFakeMotionEvent(self.d, -1, 1279, 799, ctypes.c_ulong(0))
        self.x11.XSync(self.d, 0)
        return (before + after) / 2


# ---------------------------------------------------------------------------------------------
# The simulated transmitter and its log.

class Sim:
    """transmitter-sim --log on a pty; its log lines are "SECONDS rx|tx HEX..."."""

    def __init__(self, binary, *options):
        fd, self.logpath = tempfile.mkstemp(prefix="bench-sim-")
        with os.fdopen(fd, "w") as out:
            self.proc = subprocess.Popen([binary, "--log", *options], stdout=out)
        self.path = ""
        for _ in range(500):
            with open(self.logpath) as f:
                first = f.readline()
            if first.endswith("\n"):
                self.path = first.strip()
                break
            time.sleep(0.01)
        if not self.path.startswith("/dev/"):
            raise SystemExit(f"bench: transmitter-sim printed {self.path!r}, not a port")
        self.offset = None

    def lines(self):
        """(seconds on the simulator's clock, direction, bytes) of every line logged so far. The
        first field is read as seconds with decimals, whatever clock it counts from."""
        out = []
        with open(self.logpath) as f:
            text = f.read().splitlines()[1:]
        for line in text:
            fields = line.split()
            if fields and fields[-1] in ("ok", "short", "checksum", "echo"):
                fields = fields[:-1]  # a request's verdict
            if len(fields) < 2:
                continue
            try:
                t = float(fields[0])
                data = bytes(int(h, 16) for h in fields[2:])
            except ValueError:
                continue
            out.append((t, fields[1].lower(), data))
        return out

    def calibrate(self, probes=12):
        """Offset of the simulator's log clock from CLOCK_MONOTONIC, by writing requests at known
        times. The pty's least latency is in the offset, and so cancels from the measured times."""
        fd = os.open(self.path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd)
        sent = []
        for _ in range(probes):
            t = time.monotonic()
            os.write(fd, READ_POSITION)
            sent.append(t)
            time.sleep(0.06)
            while select.select([fd], [], [], 0)[0]:
                os.read(fd, 256)
        os.close(fd)
        time.sleep(0.1)
        received = [t for t, d, data in self.lines() if d == "rx" and data == READ_POSITION]
        received = received[-probes:]
        if len(received) != probes:
            raise SystemExit("bench: the simulator did not log the calibration requests")
        # A probe's latency is never negative, and load only adds to it: the least difference
        # is the best estimate.
        self.offset = min(r - s for r, s in zip(received, sent))

    def to_monotonic(self, t):
        return t - self.offset

    def stop(self):
        self.proc.send_signal(signal.SIGINT)
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        os.unlink(self.logpath)


# ---------------------------------------------------------------------------------------------
# Process figures.

def cpu_seconds(pid):
    """On-CPU time of every thread of a process, in seconds (schedstat: nanoseconds)."""
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(path) as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total / 1e9


def peak_memory_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class Allocations:
    """Main-thread allocation counts from the LD_PRELOAD shim, sampled on SIGUSR2."""

    def __init__(self):
        self.path = tempfile.mktemp(prefix="bench-alloc-")

    def env(self, shim):
        env = dict(os.environ)
        env["LD_PRELOAD"] = shim
        env["BENCH_ALLOC_LOG"] = self.path
        return env

    def sample(self, pid):
        before = self._count()
        os.kill(pid, signal.SIGUSR2)
        for _ in range(100):
            time.sleep(0.01)
            samples = self._samples()
            if len(samples) > before:
                return samples[-1]
        raise SystemExit("bench: the allocation counter did not answer")

    def _samples(self):
        try:
            with open(self.path) as f:
                return [(float(a), int(b)) for a, b in (l.split() for l in f if l.strip())]
        except FileNotFoundError:
            return []

    def _count(self):
        return len(self._samples())


# ---------------------------------------------------------------------------------------------
# Figures from a simulator log.

def tick_requests(lines, since=None):
    """Arrival times of the requests that ticks sent (the status read is sent off the tick)."""
    return [t for t, d, data in lines
            if d == "rx" and data != READ_STATUS and (since is None or t >= since)]


def periods_ms(times):
    return [(b - a) * 1000 for a, b in zip(times, times[1:])]


def config_to_status_ms(lines):
    """From each configuration reply (x 03 2A ...) to the status request that follows it."""
    out = []
    reply_at = None
    for t, d, data in lines:
        if d == "tx" and len(data) >= 3 and data[1] == 0x03 and data[2] == 42:
            reply_at = t
        elif d == "rx" and data == READ_STATUS and reply_at is not None:
            out.append((t - reply_at) * 1000)
            reply_at = None
        elif d == "rx":
            reply_at = None
    return out


def first_request_after(lines, sim, click):
    for t, d, data in lines:
        if d == "rx" and sim.to_monotonic(t) > click:
            return (sim.to_monotonic(t) - click) * 1000
    return float("nan")


def ticks_between(lines, sim, a, b):
    return sum(1 for t in tick_requests(lines) if a <= sim.to_monotonic(t) < b)


# ---------------------------------------------------------------------------------------------

def launch_and_map(x, argv, env=None):
    """Starts a program; returns (process, window, milliseconds from exec to the window mapped)."""
    x.drain()
    started = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window, mapped = x.wait_mapped()
    return proc, window, (mapped - started) * 1000


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--ticks", type=int, default=310)
    parser.add_argument("--startups", type=int, default=15)
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    program = os.path.join(build, "transmitter-config")
    simulator = os.path.join(build, "tools/transmitter-sim/transmitter-sim")
    floor = os.path.join(build, "bench/bench-floor-master")
    bare = os.path.join(build, "bench/bench-bare-window")
    qt_floor = os.path.join(build, "bench/bench-qt-wake-floor")
    shim = os.path.join(build, "bench/bench-malloc-count.so")
    x = X()
    began = time.time()
    load_before = os.getloadavg()

    # --- Start-up and memory of the bare window and of the program, alternating. ---------------
    log(f"start-up: {args.startups} runs each")
    startup = {"program": [], "bare": []}
    memory = {"bare": []}
    still_sim = Sim(simulator)
    for _ in range(args.startups):
        for name, argv in (("bare", [bare]), ("program", [program, "--port", still_sim.path])):
            proc, _, ms = launch_and_map(x, argv)
            startup[name].append(ms)
            time.sleep(0.7)
            if name == "bare":
                memory["bare"].append(peak_memory_mib(proc.pid))
            stop(proc)

    # --- The main run: the program, mbpoll and the floor master, each on its own simulator. -----
    duration = args.ticks * 0.2
    floor_sim = Sim(simulator)
    mbpoll_sim = Sim(simulator)
    for sim in (still_sim, floor_sim, mbpoll_sim):
        sim.calibrate()

    allocs = Allocations()
    log(f"main run: {args.ticks} ticks, about {duration + 12:.0f} s")
    proc, window, _ = launch_and_map(x, [program, "--port", still_sim.path], allocs.env(shim))
    time.sleep(1.0)
    clicks = []
    # Open and close three times for click -> first request, then open for good.
    for _ in range(3):
        clicks.append(x.click(window, COMMAND1))
        time.sleep(1.2)
        x.click(window, COMMAND1)
        time.sleep(0.4)
    clicks.append(x.click(window, COMMAND1))
    opened = clicks[-1]

    floor_proc = subprocess.Popen([floor, floor_sim.path, str(args.ticks)], stdout=subprocess.PIPE,
                                  text=True)
    floor_start = float(floor_proc.stdout.readline().split()[1])
    mbpoll_proc = subprocess.Popen(
        ["mbpoll", "-m", "rtu", "-b", "115200", "-P", "none", "-a", "1", "-0", "-r", "21", "-c",
         "2", "-t", "4", "-l", "200", mbpoll_sim.path],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    qt_floor_proc = subprocess.Popen([qt_floor], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    # A quiet window with the shaft still: CPU and allocations per tick.
    time.sleep(2.0)
    quiet = max(10.0, duration * 0.35)
    # The reference masters are sampled over the same window.
    others0 = (cpu_seconds(floor_proc.pid), cpu_seconds(mbpoll_proc.pid),
               cpu_seconds(qt_floor_proc.pid))
    cpu0, (a_t0, a_n0) = cpu_seconds(proc.pid), allocs.sample(proc.pid)
    time.sleep(quiet)
    cpu1, (a_t1, a_n1) = cpu_seconds(proc.pid), allocs.sample(proc.pid)
    others1 = (cpu_seconds(floor_proc.pid), cpu_seconds(mbpoll_proc.pid),
               cpu_seconds(qt_floor_proc.pid))
    span = a_t1 - a_t0
    cpu_still = (cpu1 - cpu0) / span * 100
    floor_cpu = (others1[0] - others0[0]) / span * 100
    mbpoll_cpu = (others1[1] - others0[1]) / span * 100
    qt_floor_cpu = (others1[2] - others0[2]) / span * 100
    stop(qt_floor_proc)
    still_lines = still_sim.lines()
    still_ticks = ticks_between(still_lines, still_sim, a_t0, a_t1)
    allocs_still = (a_n1 - a_n0) / still_ticks if still_ticks else float("nan")

    # Then 读取参数 about every 1.5 s, for configuration reply -> status read; ticks go on.
    end = opened + 0.2 * args.ticks + 0.5
    while time.monotonic() < end - 1.6:
        x.click(window, COMMAND2)
        time.sleep(1.5)
    while time.monotonic() < end:
        time.sleep(0.1)

    program_memory = peak_memory_mib(proc.pid)
    stop(proc)
    floor_proc.wait(30)
    stop(mbpoll_proc)

    # --- The shaft turns: a new position text every tick. ---------------------------------------
    log("turning shaft: about 16 s")
    turning_sim = Sim(simulator, "--speed", "360")
    turning_sim.calibrate()
    proc, window, _ = launch_and_map(x, [program, "--port", turning_sim.path], allocs.env(shim))
    time.sleep(1.0)
    clicks_turning = x.click(window, COMMAND1)
    qt_floor_proc = subprocess.Popen([qt_floor, "--new-text"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
    time.sleep(2.0)
    qt0 = cpu_seconds(qt_floor_proc.pid)
    cpu0, (b_t0, b_n0) = cpu_seconds(proc.pid), allocs.sample(proc.pid)
    time.sleep(12.0)
    cpu1, (b_t1, b_n1) = cpu_seconds(proc.pid), allocs.sample(proc.pid)
    qt1 = cpu_seconds(qt_floor_proc.pid)
    stop(qt_floor_proc)
    cpu_turning = (cpu1 - cpu0) / (b_t1 - b_t0) * 100
    qt_floor_turning = (qt1 - qt0) / (b_t1 - b_t0) * 100
    turning_lines = turning_sim.lines()
    turning_ticks = ticks_between(turning_lines, turning_sim, b_t0, b_t1)
    allocs_turning = (b_n1 - b_n0) / turning_ticks if turning_ticks else float("nan")
    stop(proc)

    # --- Figures. --------------------------------------------------------------------------------
    still_lines = still_sim.lines()
    floor_lines = floor_sim.lines()
    mbpoll_lines = mbpoll_sim.lines()

    def window_ticks(lines, sim, since):
        return [t for t in tick_requests(lines) if sim.to_monotonic(t) > since]

    program_ticks = window_ticks(still_lines, still_sim, opened)
    floor_ticks = window_ticks(floor_lines, floor_sim, floor_start)
    mbpoll_ticks = [t for t, d, data in mbpoll_lines if d == "rx"
                    and mbpoll_sim.to_monotonic(t) > floor_start]

    def tick_figures(times):
        p = periods_ms(times)
        if not p:
            return float("nan"), float("nan"), 0
        return statistics.fmean(p), statistics.median(abs(v - 200) for v in p), len(p)

    prog_mean, prog_dev, prog_n = tick_figures(program_ticks)
    floor_mean, floor_dev, floor_n = tick_figures(floor_ticks)
    mb_mean, mb_dev, mb_n = tick_figures(mbpoll_ticks)

    prog_cfg = config_to_status_ms([l for l in still_lines if still_sim.to_monotonic(l[0]) > opened])
    floor_cfg = config_to_status_ms(floor_lines)
    prog_click = [first_request_after(still_lines, still_sim, c) for c in clicks]
    prog_click.append(first_request_after(turning_lines, turning_sim, clicks_turning))
    floor_click = first_request_after(floor_lines, floor_sim, floor_start)

    turning_sim.stop()
    for sim in (still_sim, floor_sim, mbpoll_sim):
        sim.stop()

    med = statistics.median
    rows = []

    def row(figure, program_value, mbpoll_value, floor_value, unit, target, met):
        rows.append((figure, program_value, mbpoll_value, floor_value, unit, target, met))

    def ratio(a, b):
        return a / b if b and b == b and b > 0 else float("nan")

    row("tick period mean", prog_mean, mb_mean, floor_mean, "ms", "200.00 ± 0.02",
        abs(prog_mean - 200) <= 0.02)
    row("|period − 200 ms| median", prog_dev, mb_dev, floor_dev, "ms",
        "≤ 0.05 and ≤ 2 × floor", prog_dev <= 0.05 and prog_dev <= 2 * floor_dev)
    row("config reply → ReadStatusFrame median", med(prog_cfg) if prog_cfg else float("nan"),
        None, med(floor_cfg) if floor_cfg else float("nan"), "ms", "≤ 50.8",
        bool(prog_cfg) and med(prog_cfg) <= 50.8)
    row("click → first request median", med(prog_click), None, floor_click, "ms", "≤ 202",
        med(prog_click) <= 202)
    row("CPU, position unchanged", cpu_still, mbpoll_cpu, floor_cpu, "% core", "≤ 0.1",
        cpu_still <= 0.1)
    row("CPU, position unchanged [floor: bare Qt window woken 3 × a tick]", cpu_still, None,
        qt_floor_cpu, "% core", "(reference)", None)
    row("CPU, shaft turning [floor: the same, a new text each tick]", cpu_turning, None,
        qt_floor_turning, "% core", "≤ 0.2", cpu_turning <= 0.2)
    bare_mem = med(memory["bare"])
    row("peak memory (VmHWM) [floor: bare Qt window]", program_memory, None, bare_mem, "MiB",
        "≤ 1.25 × bare", program_memory <= 1.25 * bare_mem)
    bare_start = med(startup["bare"])
    prog_start = med(startup["program"])
    row("start-up, exec → mapped, median [floor: bare]", prog_start, None, bare_start, "ms",
        "≤ 1.25 × bare", prog_start <= 1.25 * bare_start)
    row("main-thread allocations / tick, unchanged", allocs_still, None, None, "", "≤ 5",
        allocs_still <= 5)
    row("main-thread allocations / tick, turning", allocs_turning, None, None, "", "(none)", None)

    def fmt(v, digits=2):
        if v is None:
            return ""
        if v != v:
            return "n/a"
        return f"{v:.{digits}f}"

    print()
    print(f"Benchmark, {time.strftime('%Y-%m-%d %H:%M:%S UTC', time.gmtime(began))}, "
          f"load average before {load_before[0]:.2f} / after {os.getloadavg()[0]:.2f}, "
          f"{os.cpu_count()} cores")
    print(f"ticks: program {prog_n} periods, mbpoll {mb_n}, floor {floor_n}; "
          f"config reads: program {len(prog_cfg)}, floor {len(floor_cfg)}; "
          f"clicks: {len(prog_click)}; start-ups: {args.startups} each; "
          f"allocation windows: {still_ticks} and {turning_ticks} ticks")
    print()
    print("| figure | this program | mbpoll | floor | program / floor | target | met |")
    print("|---|---|---|---|---|---|---|")
    for figure, p, m, f, unit, target, met in rows:
        digits = 3 if "median" in figure and "period" in figure else 2
        u = f" {unit}" if unit else ""
        r = fmt(ratio(p, f)) if f is not None else ""
        verdict = "" if met is None else ("met" if met else "NOT MET")
        print(f"| {figure} | {fmt(p, digits)}{u} | {fmt(m, digits)} | {fmt(f, digits)} | {r} "
              f"| {target} | {verdict} |")
    print()
    print("click → first request samples (ms): " + ", ".join(fmt(v) for v in prog_click))
    print("config reply → ReadStatusFrame, program (ms): min "
          f"{fmt(min(prog_cfg)) if prog_cfg else 'n/a'}, max {fmt(max(prog_cfg)) if prog_cfg else 'n/a'}")
    print("start-up samples (ms): program " + ", ".join(fmt(v, 1) for v in startup["program"])
          + "; bare " + ", ".join(fmt(v, 1) for v in startup["bare"]))
    return 0 if all(r[6] is not False for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
