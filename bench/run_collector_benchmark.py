#!/usr/bin/env python3
"""Times `zelmocb-cli collect` on generated records, in one run.

    bench/run_collector_benchmark.py --cli build/default/zelmocb-cli [--work /tmp/zelmo-collect]
        [--hosts 10000] [--nights 365] [--refresh-all] [--no-browser]
        [--windows-cli build/windows-x64/zelmocb-cli.exe [--rounds 7]
         [--windows-floor build/windows-x64/bench/read-floor.exe]]
        [--compare OTHER-CLI [--rounds 7]]

Measured, as wall time of the whole process and its peak resident memory
(GNU time):
  - a collection of the folder to CSV + JSON + HTML + a new database;
  - the same checked against a ledger of as many rows (CP932, every tenth
    key full-width, 2 % of the users differing, 1 % of the PCs missing and
    as many never collected) and a licence file of one row per list row,
    with the workbook besides;
  - with --windows-cli, the same collection by the Windows build under Wine
    ($WINE, default wine64, in $WINEPREFIX; start `wineserver -p` first so
    that its start is not counted) and by the Linux build in interleaved
    rounds (--rounds), each into new outputs and then over them, and the
    median ratios Wine / Linux; then each reading the records with no output,
    and with --windows-floor the least a Windows program does to read the
    same files (bench/read_floor.cpp): Wine's own share;
  - a re-collection of the unchanged folder into that database;
  - the HTML page opened in headless Chromium (--dump-dom, so to the end of
    loading and its script), against an empty page for the browser's start;
  - a year of nightly collections: each night 1 % of the records is
    rewritten, then the folder is collected into the database; the
    database's size at the end and a re-collection of the unchanged folder.
    With --refresh-all every other record is filed again unchanged each
    night too (its time moves, as `zelmocb-cli record` run by a timer
    leaves it).
With --compare, only interleaved rounds: each round runs the collection to
CSV + JSON + HTML + a new database, and the ledger-checked collection with
the workbook, by this build and by the other in turn, and the medians of the
per-round ratios (this / other) are given: the load of a shared machine moves
the runs of one round together.
Not a test: the figures depend on the machine.
"""

import argparse
import os
import pathlib
import random
import shutil
import subprocess
import tempfile
import time

import generate_records


def run(cmd):
    # Standard error into a file: Wine's helper processes outlive the program
    # and would hold a pipe open.
    with tempfile.NamedTemporaryFile("r") as report, tempfile.TemporaryFile("w+") as err:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name, *cmd],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err)
        wall = time.perf_counter() - start
        peak = int(report.read().strip().splitlines()[-1])
        err.seek(0)
        message = err.read()
    if done.returncode not in (0, 1):
        raise SystemExit(f"{cmd[:2]} failed ({done.returncode}): {message[-400:]}")
    return wall, peak


def full_width(text):
    return "".join(chr(ord(c) + 0xFEE0) if "!" <= c <= "~" else c for c in text)


def write_ledger(work, hosts, listed):
    """A ledger row per host as generate_records files it, with differences."""
    lines = ["資産番号,使用者,設置場所,ホスト名,メーカー・型番,購入日"]
    for index in range(hosts + hosts // 100):
        if index % 100 == 50:
            continue  # the PC is not in the ledger
        rng = random.Random(1 * 1_000_003 + index)
        person = rng.choice(generate_records.SURNAMES) + " " + rng.choice(generate_records.GIVEN)
        key = f"PC-{2020 + index % 6}-{index:05d}"
        if index % 10 == 0:
            key = full_width(key)
        if index % 50 == 7:
            person = "異動 " + person
        lines.append(f"{key},{person},,PC{index:05d},Lenovo M75q,2022/04/01")
    (work / "ledger.csv").write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932"))
    seats = ["tag,seats,note"] + [f"{tag},{hosts // 3}," for tag, _, _ in listed]
    (work / "licences.csv").write_bytes(("\r\n".join(seats) + "\r\n").encode("utf-8"))


def compare(args, common, other, work, out):
    """Interleaved rounds of this build and another on the same records."""
    checks = ["--ledger", str(work / "ledger.csv"), "--licences", str(work / "licences.csv")]

    def outputs(tag, checked):
        names = ["--csv", f"{tag}.csv", "--json", f"{tag}.json", "--html", f"{tag}.html", "--db",
                 f"{tag}.db"] + (["--xlsx", f"{tag}.xlsx"] if checked else [])
        paths = [str(out / n) if not n.startswith("--") else n for n in names]
        for db in out.glob("*.db"):
            db.unlink()
        return (checks if checked else []) + paths

    run(common + ["--csv", str(out / "warm.csv")])
    ratios = {False: [], True: []}
    for _ in range(args.rounds):
        for checked in (False, True):
            mine = run(common + outputs("this", checked))[0]
            theirs = run([other] + common[1:] + outputs("other", checked))[0]
            ratios[checked].append(mine / theirs)
    for checked, label in ((False, "CSV+JSON+HTML+DB"), (True, "+ ledger, licences, XLSX")):
        values = sorted(ratios[checked])
        print(f"{label}: median ratio this/other {values[len(values) // 2]:.3f} over "
              f"{args.rounds} rounds (min {values[0]:.3f}, max {values[-1]:.3f})")


def windows_rounds(args, common, work, out):
    """The Windows build under Wine against the Linux build, interleaved:
    each round collects into new outputs and a new database, then again over
    them (a nightly run's case: the outputs exist, the database holds the
    last collection). Medians of the per-round ratios."""
    wine = os.environ.get("WINE", "wine64")

    def win(path):
        return "Z:" + str(path).replace("/", "\\")

    windows = [wine, os.path.abspath(args.windows_cli), "collect", win(common[2]), "--list",
               win(work / "ZelmoAppl.csv"), "--encoding", "CP932"]
    run(windows + ["--csv", win(out / "warm-w.csv")])

    def outputs(prefix, name):
        return sum((["--" + kind, name(out / f"{prefix}.{ext}")] for kind, ext in
                    (("csv", "csv"), ("json", "json"), ("html", "html"), ("db", "db"))), [])

    walls = {key: [] for key in ("linux new", "wine new", "linux over", "wine over",
                                 "linux reading", "wine reading", "wine floor")}
    for round_ in range(args.rounds):
        for side, command, name in (("linux", common, str), ("wine", windows, win)):
            given = outputs(f"{side}-{round_}", name)
            walls[f"{side} new"].append(run(command + given)[0])
            walls[f"{side} over"].append(run(command + given)[0])
            walls[f"{side} reading"].append(run(command)[0])
        if args.windows_floor:
            walls["wine floor"].append(run([wine, os.path.abspath(args.windows_floor),
                                            win(common[2])])[0])
        if round_ == 0:
            same = (out / "wine-0.csv").read_bytes() == (out / "linux-0.csv").read_bytes()
            print(f"Windows build under Wine: CSV {'the same' if same else 'DIFFERS'} as Linux's")
        for side in ("linux", "wine"):
            for ext in ("csv", "json", "html", "db"):
                (out / f"{side}-{round_}.{ext}").unlink()

    def median(values):
        return sorted(values)[len(values) // 2]

    for case in ("new", "over"):
        ratios = sorted(w / l for w, l in zip(walls[f"wine {case}"], walls[f"linux {case}"]))
        label = "to new outputs" if case == "new" else "over its own outputs, into its database"
        print(f"Windows under Wine / Linux, collection {label}: median ratio "
              f"{median(ratios):.2f} over {args.rounds} rounds (min {ratios[0]:.2f}, "
              f"max {ratios[-1]:.2f}); median walls {median(walls[f'wine {case}']):.2f} s / "
              f"{median(walls[f'linux {case}']):.2f} s")
    floor = (f"; the least any Windows program takes to open and read those files under Wine "
             f"(read-floor.exe) {median(walls['wine floor']):.2f} s" if args.windows_floor else "")
    print(f"reading and checking only, no output: median walls Wine {median(walls['wine reading']):.2f}"
          f" s, Linux {median(walls['linux reading']):.2f} s{floor}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", default="/tmp/zelmo-collect")
    parser.add_argument("--hosts", type=int, default=10000)
    parser.add_argument("--rows", type=int, default=60)
    parser.add_argument("--nights", type=int, default=365)
    parser.add_argument("--refresh-all", action="store_true",
                        help="every record filed again each night, 1 %% of them changed")
    parser.add_argument("--no-browser", action="store_true", help="skip the report in Chromium")
    parser.add_argument("--windows-cli")
    parser.add_argument("--windows-floor", help="read-floor.exe of the same Windows build")
    parser.add_argument("--compare", metavar="CLI", help="another build, in interleaved rounds")
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()
    work = pathlib.Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    save, listed = generate_records.write_folder(work, args.hosts, args.rows, 1)
    cli = os.path.abspath(args.cli)
    common = [cli, "collect", str(save), "--list", str(work / "ZelmoAppl.csv"), "--encoding",
              "CP932"]
    out = work / "out"
    out.mkdir()
    if args.compare:
        write_ledger(work, args.hosts, listed)
        compare(args, common, os.path.abspath(args.compare), work, out)
        return

    run(common + ["--csv", str(out / "warm.csv")])  # warm the cache
    db = out / "inventory.db"
    wall, peak = run(common + ["--csv", str(out / "inventory.csv"), "--json",
                               str(out / "inventory.json"), "--html", str(out / "report.html"),
                               "--db", str(db)])
    print(f"collect {args.hosts} records -> CSV+JSON+HTML+DB: {wall:.2f} s wall, "
          f"peak {peak / 1024:.0f} MiB")
    for name in ("inventory.csv", "inventory.json", "report.html", "inventory.db"):
        print(f"  {name}: {(out / name).stat().st_size / 1e6:.1f} MB")

    if args.windows_cli:
        windows_rounds(args, common, work, out)

    write_ledger(work, args.hosts, listed)
    wall, peak = run(common + ["--ledger", str(work / "ledger.csv"), "--licences",
                               str(work / "licences.csv"), "--csv", str(out / "checked.csv"),
                               "--json", str(out / "checked.json"), "--html",
                               str(out / "checked.html"), "--xlsx", str(out / "inventory.xlsx"),
                               "--db", str(out / "checked.db")])
    print(f"collect {args.hosts} records + {args.hosts}-row ledger + {len(listed)}-row licences "
          f"-> CSV+JSON+HTML+XLSX+DB: {wall:.2f} s wall, peak {peak / 1024:.0f} MiB")
    print(f"  inventory.xlsx: {(out / 'inventory.xlsx').stat().st_size / 1e6:.1f} MB")
    wall, peak = run(common + ["--db", str(db)])
    print(f"re-collect unchanged folder -> DB: {wall:.2f} s wall, peak {peak / 1024:.0f} MiB")

    browser = None if args.no_browser else shutil.which("chromium")
    if browser:
        empty = out / "empty.html"
        empty.write_text("<!DOCTYPE html><title>x</title>")
        base = [browser, "--headless", "--no-sandbox", "--disable-gpu",
                f"--user-data-dir={out / 'profile'}", "--dump-dom"]
        run(base + [empty.as_uri()])
        start_only = min(run(base + [empty.as_uri()])[0] for _ in range(3))
        page = min(run(base + [(out / "report.html").as_uri()])[0] for _ in range(3))
        print(f"chromium --dump-dom: report {page:.2f} s, empty page {start_only:.2f} s "
              f"(difference {page - start_only:.2f} s)")

    if args.nights:
        year_db = out / "year.db"
        run(common + ["--db", str(year_db)])
        rng = random.Random(7)
        per_night = max(1, args.hosts // 100)
        total = 0.0
        start = int(time.time())
        for night in range(1, args.nights + 1):
            if args.refresh_all:
                # A new time each night, never old enough to be stale.
                for record in save.iterdir():
                    os.utime(record, (start + night, start + night))
            for i in rng.sample(range(args.hosts), per_night):
                host, data = generate_records.record(random.Random(night * 7919 + i), i, listed,
                                                      changed=night)
                (save / f"{host}.txt").write_bytes(data)
            total += run(common + ["--db", str(year_db)])[0]
        wall, _ = run(common + ["--db", str(year_db)])
        refreshed = ", every other record refreshed unchanged" if args.refresh_all else ""
        print(f"{args.nights} nightly collections ({per_night} records rewritten a night"
              f"{refreshed}): "
              f"database {year_db.stat().st_size / 1e6:.1f} MB, mean collection "
              f"{total / args.nights:.2f} s, unchanged re-collection {wall:.2f} s")


if __name__ == "__main__":
    main()
