#!/usr/bin/env python3
"""Times the application scan on a generated tree, warm cache, in one run.

    bench/run_benchmark.py --cli build/default/zelmocb-cli --tree /tmp/zelmo-bench

The tree and its lists come from bench/generate_tree.py. Measured, each as the
wall time of the whole process and its peak resident memory:
  - the row-by-row search (--per-row) with the 10-row list, once;
  - the indexed scan with the 10-, 50- and 100-row lists, best of --repeat;
  - find ROOT -xdev -name X over the same tree, best of --repeat;
  - --rounds interleaved rounds of the indexed scan (10 rows), fd
    (`fdfind -u --one-file-system`) and bfs (`bfs -xdev`), each round one
    run of each in turn; the ratios are the medians of the per-round ratios,
    which a shared machine's swings move far less than single runs.
Then it prints the ratios that docs/performance.md records. Not a test: the
figures depend on the machine. Needs GNU time, find, fd-find and bfs.
"""

import argparse
import json
import os
import statistics
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
    parser.add_argument("--rounds", type=int, default=7, help="interleaved rounds against fd")
    parser.add_argument("--fd", default="fdfind", help="fd's binary (Debian: fdfind)")
    parser.add_argument("--bfs", default="bfs")
    parser.add_argument("--compare", metavar="CLI",
                        help="another build of zelmocb-cli, added to each interleaved round")
    parser.add_argument("--interleaved-only", action="store_true",
                        help="only the rounds against fd and bfs")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    lists = tree + ".lists"

    def scan(rows, *extra, cli=None):
        cmd = [cli or args.cli, "scan", "--list", f"{lists}/list-{rows}.csv", "--drive",
               f"C={tree}/C", "--drive", f"D={tree}/D", "--json", *extra]
        if args.threads and "--per-row" not in extra:
            cmd += ["--threads", str(args.threads)]
        return cmd

    find = ["find", tree, "-xdev", "-name", "target0.exe"]
    fd = [args.fd, "-u", "--one-file-system", "--glob", "target0.exe", tree]
    bfs = [args.bfs, tree, "-xdev", "-name", "target0.exe"]
    # Warm the cache: one full walk each way.
    run(find)
    run(scan(10))
    run(fd)
    run(bfs)

    contenders = [("scan", scan(10)), ("fd", fd), ("bfs", bfs)]
    if args.compare:
        contenders.append(("compared", scan(10, cli=args.compare)))
        run(contenders[-1][1])
    rounds = {name: [] for name, _ in contenders}
    for _ in range(args.rounds):
        for name, cmd in contenders:
            rounds[name].append(run(cmd)[0])

    def print_rounds():
        medians = ", ".join(f"{name} {statistics.median(times):.3f}"
                            for name, times in rounds.items())
        print(f"interleaved, {args.rounds} rounds, median seconds: {medians}")
        pairs = [("scan", "fd"), ("scan", "bfs")]
        if args.compare:
            pairs += [("compared", "fd"), ("compared", "bfs"), ("scan", "compared")]
        for one, other in pairs:
            ratios = [a / b for a, b in zip(rounds[one], rounds[other])]
            print(f"{one:<8} / {other:<8} median {statistics.median(ratios):.2f}, "
                  f"rounds {min(ratios):.2f} to {max(ratios):.2f}")
        print("  (goal against fd: <= 0.42 on the benchmark tree, <= 0.50 on 30,000 folders)")

    if args.interleaved_only:
        print_rounds()
        return

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
    print_rounds()
    peak = max(r[1] for name, r in results.items() if name.startswith("indexed")) / 1024
    print(f"indexed peak memory: {peak:.1f} MiB  (goal < 64)")
    print(f"indexed and row-by-row results agree: {agree}")
    if not agree:
        sys.exit(1)


if __name__ == "__main__":
    main()
