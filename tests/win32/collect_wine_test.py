#!/usr/bin/env python3
"""zelmocb-cli.exe collect and changes under Wine (code page 932) against the
Linux build, over one save folder of CP932 records collected twice:

- every output, the database included, from each build; the same CSV, and
  the same `changes` text from either build over either build's database;
- a database path the code page cannot spell (the command line is UTF-16);
- two collections into one database at once: both finish, or one says
  why; the database stays whole;
- an unknown --encoding and outputs that clash are usage errors, as on
  Linux, and the outputs' own rules hold here: a dead run's temporary file
  goes, NUL is written to rather than replaced, a folder is refused;
- the workbook, from CP932 records with a ledger and licences, read back by
  LibreOffice and openpyxl with the Linux build's test's own checks.

    collect_wine_test.py --exe zelmocb-cli.exe --linux-cli build/default/zelmocb-cli

Expects what scripts/test-windows.sh sets up (WINEPREFIX, LC_ALL=ja_JP.UTF-8).
Exit status 77 (skipped) when the Linux build is not there to compare with,
or when all else passed and LibreOffice or openpyxl is missing.
"""

import argparse
import os
import pathlib
import re
import sqlite3
import subprocess
import sys
import tempfile

# The Linux build's workbook test: its inputs here, its checks run by the
# Python that has openpyxl.
WORKBOOK_CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "collector",
                              "workbook_in_spreadsheets.py")
sys.path.insert(0, os.path.dirname(WORKBOOK_CHECK))
import workbook_in_spreadsheets as workbook_check  # noqa: E402


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def cp932(text):
    return text.encode("cp932")


RECORDS = {
    "WS01": cp932('山田 太郎,PC-1,MON-1,WS01,10.0.0.1,8589934592,"本社 3F, ""東""",A一太郎一太郎,B\r\n'),
    "WS02": cp932("=HYPERLINK(1),PC-1,MON-2,WS02,10.0.0.2,4294967296,大阪,A,BExcel\r\n"),
    "WS03": cp932("鈴木,PC-3,MON-3,WS03,10.0.0.300,4 GB,名古屋,A一太郎\n"),
    "WS04": b"\x82\xff bad,PC-4,MON-4,OTHER,10.0.0.4,1,x,A,B\r\n",
    "WS05": cp932("短い,PC-5\r\n"),
}
# The second collection: WS01 gains Excel and moves, WS02 is gone.
CHANGED = {
    "WS01": cp932('山田 太郎,PC-1,MON-1,WS01,10.0.0.1,8589934592,本社 4F,A一太郎一太郎,BExcel\r\n'),
    "WS02": None,
}
EXPECTED_CHANGES = ["WS01", "Excel", "本社 4F", "WS02"]


class Runner:
    def __init__(self, exe, linux_cli, tmp):
        self.exe, self.linux_cli, self.tmp = exe, linux_cli, tmp
        self.wine = os.environ.get("WINE", "/usr/lib/wine/wine64")
        self.env = dict(os.environ, WINEDEBUG="-all", LC_ALL="ja_JP.UTF-8")
        self.count = 0

    def linux(self, *args):
        run = subprocess.run([self.linux_cli, *args], capture_output=True)
        return run.returncode, run.stdout, run.stderr

    def start_windows(self, *args):
        # Wine's processes can outlive the program: output into files.
        self.count += 1
        out = open(os.path.join(self.tmp, f"out{self.count}"), "w+b")
        err = open(os.path.join(self.tmp, f"err{self.count}"), "w+b")
        proc = subprocess.Popen([self.wine, self.exe, *args], env=self.env,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        return proc, out, err

    @staticmethod
    def finish(started):
        proc, out, err = started
        status = proc.wait(timeout=120)
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()

    def windows(self, *args):
        return self.finish(self.start_windows(*args))


def check_workbook(run, tmp, failures):
    """False when LibreOffice or openpyxl is missing to read the workbook."""
    out = pathlib.Path(tmp) / "workbook"
    out.mkdir()
    save = workbook_check.write_inputs(out, "cp932")
    book = out / "inventory.xlsx"
    status, _, err = run.windows(*workbook_check.collect_arguments(
        out, save, out / "ledger.csv", book, "CP932", windows_path))
    if status != 1 or not book.exists():
        failures.append(f"collect --xlsx: status {status}, 1 wanted; said {err.decode('utf-8', 'replace')!r}")
        return True
    if not os.access("/usr/bin/python3", os.X_OK):
        print("SKIPPED: the workbook: no /usr/bin/python3 to read it with")
        return False
    check = subprocess.run(["/usr/bin/python3", WORKBOOK_CHECK, "--book", str(book), "--out", str(out)],
                           capture_output=True, text=True, timeout=400)
    print("workbook:", check.stdout.strip())
    if check.returncode == 77:
        return False
    if check.returncode != 0:
        failures.append(f"the workbook: status {check.returncode}\n{check.stdout}{check.stderr}")
    for sheet in out.glob("lo/*Hosts.csv"):
        print("LibreOffice read", sheet.name + ":\n" + sheet.read_text(encoding="utf-8"))
    return True


def masked(changes_text):
    # The collections' own times differ between the two builds' runs.
    return re.sub(rb"\d{4}-\d\d-\d\d[T ]\d\d:\d\d(:\d\d)?Z?", b"<time>", changes_text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--linux-cli", required=True)
    args = parser.parse_args()
    if not os.path.exists(args.linux_cli):
        print(f"SKIPPED: the Linux zelmocb-cli to compare with is not at {args.linux_cli}: "
              "build the default preset or set ZELMO_LINUX_CLI")
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        run = Runner(args.exe, args.linux_cli, tmp)
        save = os.path.join(tmp, "save")
        os.mkdir(save)
        for host, data in RECORDS.items():
            with open(os.path.join(save, host + ".txt"), "wb") as f:
                f.write(data)
        listing = os.path.join(tmp, "ZelmoAppl.csv")
        with open(listing, "wb") as f:
            f.write(cp932("A,一太郎,taro.exe,\r\nB,Excel,excel.exe,\r\n"))
        # é is not in code page 932: only a UTF-16 command line keeps it.
        out = {"linux": os.path.join(tmp, "linux"), "windows": os.path.join(tmp, "履歴é")}
        for folder in out.values():
            os.mkdir(folder)
        db = {side: os.path.join(folder, "inventory.db") for side, folder in out.items()}

        def collect(side, round_):
            files = {kind: os.path.join(out[side], f"{round_}.{kind}") for kind in ("csv", "json", "html")}
            if side == "linux":
                status, _, err = run.linux("collect", save, "--list", listing, "--encoding", "CP932",
                                           *sum((["--" + k, p] for k, p in files.items()), []),
                                           "--db", db[side])
            else:
                # The reports' own paths in code page 932's reach.
                files = {k: os.path.join(tmp, f"w{round_}.{k}") for k in files}
                status, _, err = run.windows("collect", windows_path(save), "--list",
                                             windows_path(listing),
                                             *sum((["--" + k, windows_path(p)] for k, p in files.items()), []),
                                             "--db", windows_path(db[side]))
            if status != 1:
                failures.append(f"{side} collect {round_}: status {status}, 1 (problems found) wanted;"
                                f" said {err.decode('utf-8', 'replace')!r}")
            for kind, path in files.items():
                if not os.path.exists(path) or os.path.getsize(path) == 0:
                    failures.append(f"{side} collect {round_}: no {kind} output")
            return open(files["csv"], "rb").read() if os.path.exists(files["csv"]) else b""

        # What a killed run left beside the Windows CSV: nobody holds it.
        dead_temp = os.path.join(tmp, ".w1.csv.0badf00d.tmp")
        with open(dead_temp, "wb") as f:
            f.write(b"dead")
        csv = {side: collect(side, 1) for side in out}
        if os.path.exists(dead_temp):
            failures.append("a dead run's temporary file was left")
        if not csv["linux"] or csv["linux"] != csv["windows"]:
            failures.append("the CSVs differ:\n--- Linux\n" + csv["linux"].decode("utf-8", "replace") +
                            "--- Windows\n" + csv["windows"].decode("utf-8", "replace"))
        if "山田 太郎" not in csv["linux"].decode("utf-8", "replace"):
            failures.append("Japanese text did not come through")

        windows_csv = os.path.join(tmp, "w1.csv")
        os.mkdir(os.path.join(tmp, "folder"))
        # An output that exists as a second name of a record.
        linked = os.path.join(tmp, "linked.json")
        os.link(os.path.join(save, next(iter(RECORDS)) + ".txt"), linked)
        for name, arguments, status, said in [
            ("clash", ["--csv", windows_path(windows_csv), "--html",
                       windows_path(os.path.join(tmp, "save", "..", "W1.CSV"))],
             64, "the same file"),
            ("record", ["--json", windows_path(os.path.join(save, "report.txt"))],
             64, "named like a record"),
            ("hard link", ["--json", windows_path(linked)], 64, "in the save folder are the same file"),
            ("nul", ["--json", "NUL"], 1, ""),
            ("folder", ["--html", windows_path(os.path.join(tmp, "folder"))], 2, "folder"),
        ]:
            got, _, message = run.windows("collect", windows_path(save), *arguments)
            message = message.decode("utf-8", "replace")
            if got != status or said not in message:
                failures.append(f"{name}: status {got}, said {message!r}")
        if not os.path.exists(windows_csv) or open(windows_csv, "rb").read() != csv["windows"]:
            failures.append("a refused run changed the CSV")
        if os.path.exists(os.path.join(save, "report.txt")):
            failures.append("an output named like a record was written into the save folder")

        for host, data in CHANGED.items():
            path = os.path.join(save, host + ".txt")
            if data is None:
                os.remove(path)
            else:
                with open(path, "wb") as f:
                    f.write(data)
        for side in out:
            collect(side, 2)

        # Each build reads each database; a database gives the same text
        # whichever build reads it, and the two databases differ only in times.
        texts = {}
        for side, path in db.items():
            status_l, text_l, err_l = run.linux("changes", "--db", path)
            status_w, text_w, err_w = run.windows("changes", "--db", windows_path(path))
            # Standard output on Windows is text: its lines end in CR LF.
            text_w = text_w.replace(b"\r\n", b"\n")
            if status_l != 0 or status_w != 0:
                failures.append(f"changes on the {side} database: Linux {status_l} {err_l!r},"
                                f" Windows {status_w} {err_w!r}")
            if text_l != text_w:
                failures.append(f"changes on the {side} database differ:\n--- Linux\n"
                                + text_l.decode("utf-8", "replace") + "--- Windows\n"
                                + text_w.decode("utf-8", "replace"))
            texts[side] = text_l
            for needle in EXPECTED_CHANGES:
                if needle not in text_l.decode("utf-8", "replace"):
                    failures.append(f"changes on the {side} database miss {needle!r}:\n"
                                    + text_l.decode("utf-8", "replace"))
        if masked(texts["linux"]) != masked(texts["windows"]):
            failures.append("the two builds' databases give different changes:\n--- Linux\n" +
                            texts["linux"].decode("utf-8", "replace") + "--- Windows\n" +
                            texts["windows"].decode("utf-8", "replace"))

        # Two collections into one database at once.
        both = [run.start_windows("collect", windows_path(save), "--list", windows_path(listing),
                                  "--db", windows_path(db["windows"])) for _ in range(2)]
        results = [Runner.finish(started) for started in both]
        finished = sum(1 for status, _, _ in results if status == 1)
        for status, _, err in results:
            if status not in (1, 2) or (status == 2 and b"inventory.db" not in err):
                failures.append(f"a collection beside another: status {status}, said {err!r}")
        with sqlite3.connect(db["windows"]) as con:
            check = con.execute("PRAGMA integrity_check").fetchone()[0]
            collections = con.execute("SELECT COUNT(*) FROM collections").fetchone()[0]
        if check != "ok" or collections != 2 + finished or finished == 0:
            failures.append(f"after two collections at once: integrity {check!r}, "
                            f"{collections} collections, {finished} finished")

        status, _, err = run.windows("collect", windows_path(save), "--encoding", "NO-SUCH-CODE")
        message = err.decode("utf-8", "replace")
        if status != 64 or "'NO-SUCH-CODE'" not in message:
            failures.append(f"--encoding NO-SUCH-CODE: status {status}, said {message!r}")

        workbook_read = check_workbook(run, tmp, failures)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0 if workbook_read else 77


if __name__ == "__main__":
    sys.exit(main())
