#!/usr/bin/env python3
"""transmitter-cli on a row of simulated transmitters: save with verify on one device and on
eight at once (each on its own pseudo-terminal, served by its own transmitter-sim), and read on
one device beside the wire's floor. Prints one table.

Usage:
    cli_ports.py BUILD_DIR [--runs N] [--ports N]
"""
import argparse
import csv
import os
import statistics
import subprocess
import sys
import tempfile
import time

BAUD = 115200
BITS_PER_BYTE = 10
SILENCE_MS = 50  # a reply is taken 50 ms after its last byte
# read: the configuration, status, position and version requests, 8 bytes each, and their
# replies (5 bytes and two per register: 21, 3, 2 and 1 registers).
READ_REQUESTS = [8, 8, 8, 8]
READ_REPLIES = [5 + 2 * 21, 5 + 2 * 3, 5 + 2 * 2, 5 + 2 * 1]


def wire_ms(byte_count):
    return byte_count * BITS_PER_BYTE * 1000.0 / BAUD


def read_floor_ms():
    return wire_ms(sum(READ_REQUESTS) + sum(READ_REPLIES)) + SILENCE_MS * len(READ_REPLIES)


def start_sims(sim, count):
    sims = []
    for _ in range(count):
        p = subprocess.Popen([sim], stdout=subprocess.PIPE, text=True)
        path = p.stdout.readline().strip()
        if not path.startswith("/dev/"):
            sys.exit("cli_ports: transmitter-sim printed no path")
        sims.append((p, path))
    return sims


def timed(args, report=None):
    """Wall time of one run in ms, and the report's per-device times."""
    extra = ["--report", report] if report else []
    start = time.monotonic()
    done = subprocess.run(args + extra, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wall = (time.monotonic() - start) * 1000.0
    if done.returncode != 0:
        sys.exit("cli_ports: %s failed: %s" % (" ".join(args), done.stderr.decode()))
    return wall


def device_ms(report):
    with open(report, newline="") as f:
        rows = list(csv.DictReader(f))
    os.remove(report)
    return [int(r["ms"]) for r in rows]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--ports", type=int, default=8)
    options = parser.parse_args()
    cli = os.path.join(options.build, "tools/transmitter-cli/transmitter-cli")
    sim = os.path.join(options.build, "tools/transmitter-sim/transmitter-sim")
    sims = start_sims(sim, options.ports)
    paths = [path for _, path in sims]
    report = os.path.join(tempfile.mkdtemp(), "bench.csv")
    try:
        start_up = [timed([cli, "--version"]) for _ in range(options.runs)]
        one, many, one_dev, many_dev, read, read_dev = [], [], [], [], [], []
        # Wall times without a report, as a script runs them; the device's own times from a
        # run with one (which also reads the status and version before a save).
        for run in range(options.runs):
            value = "CycleValue=%d" % (4000 + run)
            save_one = [cli, "save", "--port", paths[0], value]
            save_many = [cli, "save", "--port", ",".join(paths), value]
            read_one = [cli, "read", "--port", paths[0]]
            one.append(timed(save_one))
            many.append(timed(save_many))
            read.append(timed(read_one))
            timed(save_one, report)
            one_dev += device_ms(report)
            timed(save_many, report)
            many_dev.append(max(device_ms(report)))  # the slowest of the row
            timed(read_one, report)
            read_dev += device_ms(report)
    finally:
        for p, _ in sims:
            p.terminate()
            p.wait()

    med = statistics.median
    print("transmitter-cli on simulated transmitters (median of %d runs; load %.2f)"
          % (options.runs, os.getloadavg()[0]))
    print("%-44s %10s %12s" % ("", "wall ms", "device ms"))
    print("%-44s %10.0f %12s" % ("start-up (--version)", med(start_up), "-"))
    print("(device ms: from the --report runs, which read the status and version before a save)")
    print("%-44s %10.0f %12.0f" % ("save, verified, 1 device", med(one), med(one_dev)))
    print("%-44s %10.0f %12.0f" % ("save, verified, %d devices at once" % options.ports,
                                    med(many), med(many_dev)))
    print("%-44s %10.0f %12.0f" % ("read, 1 device", med(read), med(read_dev)))
    print("%-44s %10s %12.1f" % ("read's wire floor (4 x request, reply, 50 ms)", "-",
                                  read_floor_ms()))
    ratio = med(many) / med(one)
    print("%d devices / 1 device: %.2f (target at most 1.5: %s)"
          % (options.ports, ratio, "met" if ratio <= 1.5 else "NOT met"))


if __name__ == "__main__":
    main()
