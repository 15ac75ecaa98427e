#!/usr/bin/env python3
"""Small helpers of bench/run.sh.

  report.py engine RESULTS.json
      The table of engine_bench's Google Benchmark JSON output: for each workload the engine's
      time, SQLite's time (batch and per operation) and their ratio. With repetitions, the
      median of each figure.

  report.py timed LABEL RECIPES -- COMMAND...
      Runs COMMAND (its output discarded), then prints its wall time, RECIPES / second and the peak resident set size
      of the command. Exits with the command's status.

  report.py peak LABEL -- COMMAND...
      Runs COMMAND with its output shown, then prints its wall time and peak resident set size.
"""
import json
import statistics
import subprocess
import sys
import tempfile
import time


def engine_table(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    runs = {}
    order = []
    for b in data.get("benchmarks", []):
        if b.get("run_type") == "aggregate":
            continue
        name = b.get("run_name", b["name"]).replace("/iterations:1", "").replace("/manual_time", "")
        if b.get("error_occurred"):
            runs.setdefault(name, {"error": b.get("error_message", "failed")})
            if name not in order:
                order.append(name)
            continue
        if "ours_ms" not in b:
            continue
        if name not in runs:
            runs[name] = {"ops": [], "ours_ms": [], "sqlite_ms": [], "ratio": []}
            order.append(name)
        for key in ("ops", "ours_ms", "sqlite_ms", "ratio"):
            runs[name][key].append(float(b[key]))

    context = data.get("context", {})
    for key in ("sqlite_version", "sqlite_settings", "engine_default_cache", "engine_largest_cache"):
        if key in context:
            print(f"{key}: {context[key]}")
    header = f"{'workload':<34} {'ops':>8} {'ours ms':>10} {'SQLite ms':>10} {'ours us/op':>11} {'SQLite us/op':>13} {'ratio':>7}"
    print(header)
    print("-" * len(header))
    for name in order:
        r = runs[name]
        if "error" in r:
            print(f"{name:<34} error: {r['error']}")
            continue
        ops = statistics.median(r["ops"])
        ours = statistics.median(r["ours_ms"])
        theirs = statistics.median(r["sqlite_ms"])
        ratio = statistics.median(r["ratio"])
        per = 1000.0 / ops if ops else 0.0
        print(f"{name:<34} {ops:>8.0f} {ours:>10.1f} {theirs:>10.1f} {ours * per:>11.2f} {theirs * per:>13.2f} {ratio:>7.2f}")
    print("ratio = ours / SQLite (below 1: the engine is faster); median over repetitions")


def run_measured(command, **kwargs):
    """Runs command; returns its status, wall seconds and peak resident set size in KiB.

    The peak comes from GNU time: the rusage of a child of this interpreter would count the
    interpreter's own pages, which the child shares until it executes the command."""
    with tempfile.NamedTemporaryFile("r", suffix=".rss") as rss:
        start = time.monotonic()
        status = subprocess.call(["/usr/bin/time", "-q", "-f", "%M", "-o", rss.name] + command,
                                 **kwargs)
        seconds = time.monotonic() - start
        lines = rss.read().split()
    peak_kib = int(lines[-1]) if lines and lines[-1].isdigit() else 0
    return status, seconds, peak_kib


def timed(label, recipes, command):
    status, seconds, peak_kib = run_measured(command, stdout=subprocess.DEVNULL)
    rate = recipes / seconds if seconds > 0 else 0.0
    print(f"{label}: {recipes} recipes in {seconds:.2f} s = {rate:.0f} recipes/s, "
          f"peak RSS {peak_kib / 1024:.1f} MiB, status {status}")
    return status


def peak(label, command):
    status, seconds, peak_kib = run_measured(command)
    print(f"{label}: {seconds:.2f} s wall, peak RSS {peak_kib / 1024:.1f} MiB, status {status}")
    return status


def main(argv):
    if len(argv) == 3 and argv[1] == "engine":
        engine_table(argv[2])
        return 0
    if len(argv) > 5 and argv[1] == "timed" and argv[4] == "--":
        return timed(argv[2], int(argv[3]), argv[5:])
    if len(argv) > 4 and argv[1] == "peak" and argv[3] == "--":
        return peak(argv[2], argv[4:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
