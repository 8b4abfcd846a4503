#!/usr/bin/env python3
"""zelmocb-cli.exe collect under Wine (code page 932) against the Linux
build: the same CP932 records give the same CSV. Also checks that the
database options say they need the Linux build, that an unknown
--encoding and outputs that clash are usage errors, as on Linux, and that
the outputs' own rules hold here: a dead run's temporary file goes, NUL is
written to rather than replaced, a folder is refused.

    collect_wine_test.py --exe zelmocb-cli.exe --linux-cli build/default/zelmocb-cli

Expects what scripts/test-windows.sh sets up (WINEPREFIX, LC_ALL=ja_JP.UTF-8).
Exit status 77 (skipped) when the Linux build is not there to compare with.
"""

import argparse
import os
import subprocess
import sys
import tempfile


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--linux-cli", required=True)
    args = parser.parse_args()
    if not os.path.exists(args.linux_cli):
        print(f"SKIPPED: no Linux build at {args.linux_cli} to compare with")
        return 77
    wine = os.environ.get("WINE", "/usr/lib/wine/wine64")
    env = dict(os.environ, WINEDEBUG="-all", LC_ALL="ja_JP.UTF-8")
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        save = os.path.join(tmp, "save")
        os.mkdir(save)
        for host, data in RECORDS.items():
            with open(os.path.join(save, host + ".txt"), "wb") as f:
                f.write(data)
        listing = os.path.join(tmp, "ZelmoAppl.csv")
        with open(listing, "wb") as f:
            f.write(cp932("A,一太郎,taro.exe,\r\nB,Excel,excel.exe,\r\n"))

        # What a killed run left beside the CSV: nobody holds it.
        dead_temp = os.path.join(tmp, ".windows.csv.0badf00d.tmp")
        with open(dead_temp, "wb") as f:
            f.write(b"dead")

        linux_csv = os.path.join(tmp, "linux.csv")
        linux = subprocess.run([args.linux_cli, "collect", save, "--list", listing,
                                "--encoding", "CP932", "--csv", linux_csv],
                               capture_output=True)
        # Wine's processes can outlive the program: output into files.
        windows_csv = os.path.join(tmp, "windows.csv")
        with open(os.path.join(tmp, "err"), "wb") as err:
            windows = subprocess.run([wine, args.exe, "collect", windows_path(save), "--list",
                                      windows_path(listing), "--csv", windows_path(windows_csv)],
                                     env=env, stdin=subprocess.DEVNULL, stdout=err, stderr=err)
        if linux.returncode != 1 or windows.returncode != 1:
            failures.append(f"exit status Linux {linux.returncode}, Windows {windows.returncode};"
                            " 1 (problems found) wanted")
        linux_bytes = open(linux_csv, "rb").read() if os.path.exists(linux_csv) else b""
        windows_bytes = open(windows_csv, "rb").read() if os.path.exists(windows_csv) else b""
        if not linux_bytes or linux_bytes != windows_bytes:
            failures.append("the CSVs differ:\n--- Linux\n" + linux_bytes.decode("utf-8", "replace") +
                            "--- Windows\n" + windows_bytes.decode("utf-8", "replace"))
        if "山田 太郎" not in linux_bytes.decode("utf-8", "replace"):
            failures.append("Japanese text did not come through")

        if os.path.exists(dead_temp):
            failures.append("a dead run's temporary file was left")

        def run(name, *arguments):
            with open(os.path.join(tmp, name), "wb") as err:
                done = subprocess.run([wine, args.exe, "collect", windows_path(save), *arguments],
                                      env=env, stdin=subprocess.DEVNULL, stdout=err, stderr=err)
            return done.returncode, open(os.path.join(tmp, name), "rb").read().decode("utf-8",
                                                                                      "replace")

        os.mkdir(os.path.join(tmp, "folder"))
        for name, arguments, status, said in [
            ("clash", ["--csv", windows_path(windows_csv), "--html",
                       windows_path(os.path.join(tmp, "save", "..", "WINDOWS.CSV"))],
             64, "the same file"),
            ("record", ["--json", windows_path(os.path.join(save, "report.txt"))],
             64, "named like a record"),
            ("nul", ["--json", "NUL"], 1, ""),
            ("folder", ["--html", windows_path(os.path.join(tmp, "folder"))], 2, "folder"),
        ]:
            got, message = run(name + ".err", *arguments)
            if got != status or said not in message:
                failures.append(f"{name}: status {got}, said {message!r}")
        if open(windows_csv, "rb").read() != windows_bytes:
            failures.append("a refused run changed the CSV")
        if os.path.exists(os.path.join(save, "report.txt")):
            failures.append("an output named like a record was written into the save folder")

        with open(os.path.join(tmp, "db.err"), "wb") as err:
            db = subprocess.run([wine, args.exe, "collect", windows_path(save), "--db",
                                 windows_path(os.path.join(tmp, "x.db"))],
                                env=env, stdin=subprocess.DEVNULL, stdout=err, stderr=err)
        message = open(os.path.join(tmp, "db.err"), "rb").read().decode("utf-8", "replace")
        if db.returncode != 2 or "Linux build" not in message:
            failures.append(f"--db under Windows: status {db.returncode}, said {message!r}")

        with open(os.path.join(tmp, "encoding.err"), "wb") as err:
            unknown = subprocess.run([wine, args.exe, "collect", windows_path(save), "--encoding",
                                      "NO-SUCH-CODE"],
                                     env=env, stdin=subprocess.DEVNULL, stdout=err, stderr=err)
        message = open(os.path.join(tmp, "encoding.err"), "rb").read().decode("utf-8", "replace")
        if unknown.returncode != 64 or "'NO-SUCH-CODE'" not in message:
            failures.append(f"--encoding NO-SUCH-CODE: status {unknown.returncode}, said {message!r}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
