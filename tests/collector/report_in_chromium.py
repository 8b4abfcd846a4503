#!/usr/bin/env python3
"""Opens the collector's HTML report in headless Chromium: a screenshot is
taken, the rendered DOM is checked for one row per host, and hostile values
typed into the records show as text without running anything."""

import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

HOSTILE = [
    "<script>document.body.setAttribute('data-pwned','1')</script>",
    "\"><img src=x onerror=\"document.body.setAttribute('data-pwned','2')\">",
    "'><svg onload=document.body.setAttribute('data-pwned','3')>",
]


def chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    browser = chromium()
    if not browser:
        print("SKIPPED: chromium is not installed (scripts/install-deps.sh installs it)")
        return 77
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        save = pathlib.Path(tmp) / "save"
        save.mkdir()
        hosts = 40
        for i in range(hosts):
            host = f"WS{i:03d}"
            name = HOSTILE[i % len(HOSTILE)] if i < len(HOSTILE) else f"利用者{i}"
            quoted = '"' + name.replace('"', '""') + '"' if any(c in name for c in ',"') else name
            line = f"{quoted},PC-{i},MON-{i},{host},10.0.0.{i},{(4 << 30) * (1 + i % 3)},本社 {i % 5}F,A一太郎,B\r\n"
            (save / f"{host}.txt").write_bytes(line.encode("utf-8"))
        (pathlib.Path(tmp) / "list.csv").write_bytes("A,一太郎,taro.exe,\r\nB,Excel,excel.exe,\r\n".encode())
        report = out / "report.html"
        run = subprocess.run([args.cli, "collect", str(save), "--encoding", "UTF-8", "--list",
                              str(pathlib.Path(tmp) / "list.csv"), "--html", str(report)],
                             capture_output=True, text=True)
        if run.returncode != 0:
            print("collect failed:", run.returncode, run.stderr)
            return 1

    base = [browser, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            f"--user-data-dir={out / 'profile'}"]
    url = report.resolve().as_uri()
    screenshot = out / "report.png"
    subprocess.run(base + [f"--screenshot={screenshot}", "--window-size=1280,1600", url],
                   capture_output=True, timeout=120)
    dom = subprocess.run(base + ["--dump-dom", url], capture_output=True, text=True,
                         timeout=120).stdout
    (out / "report.dom.html").write_text(dom)

    failures = []
    if not screenshot.exists() or screenshot.stat().st_size < 10000:
        failures.append("no screenshot")
    rows = len(re.findall(r'<tr class="host[ "]', dom))
    if rows != hosts:
        failures.append(f"{rows} host rows, {hosts} wanted")
    if "data-pwned" in dom.split("<body", 1)[1].split(">", 1)[0]:
        failures.append("a hostile value ran as script")
    if "&lt;script&gt;document.body" not in dom or "&lt;img src=x" not in dom:
        failures.append("the hostile values are not shown as text")
    # The page's own script did run: it reveals the filter box.
    if not re.search(r'<input id="filter"[^>]*>', dom) or re.search(r'<input id="filter"[^>]*hidden', dom):
        failures.append("the page's own script did not run")
    for failure in failures:
        print("FAIL:", failure)
    print(f"screenshot: {screenshot}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
