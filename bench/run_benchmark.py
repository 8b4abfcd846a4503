#!/usr/bin/env python3
"""Times the application scan on a generated tree, warm cache, in one run.

    bench/run_benchmark.py --cli build/default/zelmocb-cli --tree /tmp/zelmo-bench

The tree and its lists come from bench/generate_tree.py. Measured, each as the
wall time of the whole process and its peak resident memory:
  - the row-by-row search (--per-row) with the 10-row list, once;
  - the indexed scan with the 10-, 50- and 100-row lists, best of --repeat;
  - find ROOT -xdev -name X over the same tree, best of --repeat.
Then it prints the ratios that docs/performance.md records. Not a test: the
figures depend on the machine.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time


def run(cmd):
    """Wall seconds, peak resident KiB and stdout of one process."""
    # GNU time, not this process's own wait: a child forked from Python
    # reports Python's resident size as its peak.
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name, *cmd],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit(f"{' '.join(cmd)} failed with {done.returncode}")
        return seconds, int(report.read().split()[-1]), done.stdout


def best(cmd, repeat):
    runs = [run(cmd) for _ in range(repeat)]
    return min(runs, key=lambda r: r[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--tree", required=True)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--threads", type=int, default=0, help="0: one per core")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    lists = tree + ".lists"

    def scan(rows, *extra):
        cmd = [args.cli, "scan", "--list", f"{lists}/list-{rows}.csv", "--drive",
               f"C={tree}/C", "--drive", f"D={tree}/D", "--json", *extra]
        if args.threads and "--per-row" not in extra:
            cmd += ["--threads", str(args.threads)]
        return cmd

    find = ["find", tree, "-xdev", "-name", "target0.exe"]
    # Warm the cache: one full walk each way.
    run(find)
    run(scan(10))

    results = {}
    results["find"] = best(find, args.repeat)
    for rows in (10, 50, 100):
        results[f"indexed{rows}"] = best(scan(rows), args.repeat)
    results["perrow10"] = run(scan(10, "--per-row"))

    # The two ways must agree on what they report.
    same = json.loads(results["indexed10"][2]), json.loads(results["perrow10"][2])
    keys = ("entries", "summary", "list_errors")
    agree = all(same[0][k] == same[1][k] for k in keys)
    folders = same[0]["folders"]

    print(f"cores: {os.cpu_count()}, folders listed by one indexed scan: {folders}")
    print(f"{'run':<22}{'seconds':>10}{'peak MiB':>10}")
    for name, (seconds, rss, _) in results.items():
        print(f"{name:<22}{seconds:>10.3f}{rss / 1024:>10.1f}")
    t = {name: r[0] for name, r in results.items()}
    per_row_each = t["perrow10"] / 10
    print(f"row-by-row, per row (extrapolated): {per_row_each:.3f} s")
    print(f"indexed 10 rows / find:            {t['indexed10'] / t['find']:.2f}  (goal <= 1.0)")
    print(f"indexed 100 rows / find:           {t['indexed100'] / t['find']:.2f}")
    print(f"indexed 100 rows / 10 rows:        {t['indexed100'] / t['indexed10']:.2f}  (goal <= 1.1)")
    print(f"row-by-row 10 rows / indexed 10:   {t['perrow10'] / t['indexed10']:.1f}")
    print(f"row-by-row 50 rows (extrapolated) / indexed 50: "
          f"{50 * per_row_each / t['indexed50']:.1f}  (goal >= 50)")
    peak = max(r[1] for name, r in results.items() if name.startswith("indexed")) / 1024
    print(f"indexed peak memory: {peak:.1f} MiB  (goal < 64)")
    print(f"indexed and row-by-row results agree: {agree}")
    if not agree:
        sys.exit(1)


if __name__ == "__main__":
    main()
