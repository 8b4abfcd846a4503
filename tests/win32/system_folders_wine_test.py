#!/usr/bin/env python3
"""zelmocb-cli.exe scan under Wine finds a program file that is only in the
prefix's real System32 and one that is only in SysWOW64, each once, on
drive C:. A 32-bit program on 64-bit Windows sees System32 redirected to
SysWOW64: a walk that leaves the redirection on lists SysWOW64 twice and
misses the first file.

    system_folders_wine_test.py --exe zelmocb-cli.exe

Expects what scripts/test-windows.sh sets up (WINEPREFIX, drive D:).
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    args = parser.parse_args()
    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        print("FAIL: WINEPREFIX is not set (run through scripts/test-windows.sh)")
        return 1
    wine = os.environ.get("WINE", "/usr/lib/wine/wine64")
    env = dict(os.environ, WINEDEBUG="-all")
    windows = os.path.join(prefix, "drive_c", "windows")
    tag = str(os.getpid())
    placed = {"system32": f"zelmo-sys{tag}.exe", "syswow64": f"zelmo-wow{tag}.exe"}
    failures = []
    paths = []
    try:
        for folder, name in placed.items():
            os.makedirs(os.path.join(windows, folder), exist_ok=True)
            path = os.path.join(windows, folder, name)
            with open(path, "wb") as f:
                f.write(b"MZ")
            paths.append(path)
        with tempfile.TemporaryDirectory() as tmp:
            listing = os.path.join(tmp, "ZelmoAppl.csv")
            with open(listing, "wb") as f:
                f.write(f"A,InSystem32,{placed['system32']},\r\nB,InSysWOW64,{placed['syswow64']},\r\n"
                        .encode("ascii"))
            with open(os.path.join(tmp, "out"), "w+b") as out:
                status = subprocess.run([wine, os.path.abspath(args.exe), "scan", "--list", windows_path(listing),
                                         "--json"], env=env, cwd=tmp, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=subprocess.DEVNULL, timeout=240).returncode
                out.seek(0)
                text = out.read().decode("utf-8", "replace")
        if status != 0:
            failures.append(f"scan: status {status}")
        try:
            entries = json.loads(text)["entries"]
        except (ValueError, KeyError):
            entries = []
            failures.append(f"scan gave no JSON: {text!r}")
        # An entry is the row's name once per drive it was found on.
        if entries != ["InSystem32", "InSysWOW64"]:
            failures.append(f"entries {entries}, not each file found once")
    finally:
        for path in paths:
            os.remove(path)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
