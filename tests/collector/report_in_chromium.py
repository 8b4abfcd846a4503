#!/usr/bin/env python3
"""Opens the collector's HTML report in headless Chromium: a screenshot is
taken, the rendered DOM is checked for one row per host, and hostile values
typed into the records show as text without running anything. A copy of the
report with a driving script appended filters and sorts through the page's
own script, across the parts the hosts table is split into."""

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


# Runs after the page's own script and records what its filter and sorting did.
DRIVER = """<script>
(function(){
var out=[],f=document.getElementById('filter'),bodies=document.querySelectorAll('#hosts .part tbody');
function shown(){var n=0;for(var b=0;b<bodies.length;b++){if(bodies[b].closest('.part').hidden)continue;
for(var i=0;i<bodies[b].rows.length;i++)n+=bodies[b].rows[i].hidden?0:1;}return n;}
function filter(q,name){f.value=q;f.dispatchEvent(new Event('input'));out.push(name+'='+shown());}
filter('WS44','filter');filter('excel','byname');filter('','all');
var th=document.querySelectorAll('#hosts thead th');th[0].click();th[0].click();
out.push('first='+bodies[0].rows[0].cells[0].textContent);
out.push('parts='+Array.prototype.map.call(bodies,function(b){return b.rows.length;}).join('/'));
var memory=document.querySelector('#hosts thead th[data-col="memory"]'),m=memory.cellIndex;
memory.click();var last=bodies[bodies.length-1];
out.push('memory='+bodies[0].rows[0].cells[m].textContent+'..'+
  last.rows[last.rows.length-1].cells[m].textContent);
document.body.setAttribute('data-check',out.join(' '));
})();
</script>"""


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
        hosts = 450  # more than one part of the hosts table
        for i in range(hosts):
            host = f"WS{i:03d}"
            name = HOSTILE[i % len(HOSTILE)] if i < len(HOSTILE) else f"利用者{i}"
            quoted = '"' + name.replace('"', '""') + '"' if any(c in name for c in ',"') else name
            line = f"{quoted},PC-{i},MON-{i},{host},10.0.{i // 256}.{i % 256},{(4 << 30) * (1 + i % 3)},本社 {i % 5}F,A一太郎,B{'Excel' if i % 3 == 0 else ''}\r\n"
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

    driven = out / "report.driven.html"
    driven.write_text(report.read_text(encoding="utf-8").replace("</body>", DRIVER + "</body>"),
                      encoding="utf-8")
    driven_dom = subprocess.run(base + ["--dump-dom", driven.resolve().as_uri()],
                                capture_output=True, text=True, timeout=120).stdout
    check = re.search(r'<body[^>]* data-check="([^"]*)"', driven_dom)

    failures = []
    if not screenshot.exists() or screenshot.stat().st_size < 10000:
        failures.append("no screenshot")
    table = dom.split('<div id="hosts">', 1)[-1].split("<h2>Problems", 1)[0]
    rows = len(re.findall(r'<tr(?: class="bad")?><td>', table))
    if rows != hosts:
        failures.append(f"{rows} host rows, {hosts} wanted")
    if "data-pwned" in dom.split("<body", 1)[1].split(">", 1)[0]:
        failures.append("a hostile value ran as script")
    if "&lt;script&gt;document.body" not in dom or "&lt;img src=x" not in dom:
        failures.append("the hostile values are not shown as text")
    # The page's own script did run: it reveals the filter box.
    if not re.search(r'<input id="filter"[^>]*>', dom) or re.search(r'<input id="filter"[^>]*hidden', dom):
        failures.append("the page's own script did not run")
    # WS440-WS449; every third host has Excel, found by its name though the
    # table shows its tag; descending by host; by memory as numbers.
    wanted = ("filter=10 byname=150 all=450 first=WS449 parts=200/200/50 "
              "memory=4294967296..12884901888")
    if not check or check.group(1) != wanted:
        failures.append(f"filtering and sorting gave {check.group(1) if check else None!r},"
                        f" {wanted!r} wanted")
    for failure in failures:
        print("FAIL:", failure)
    print(f"screenshot: {screenshot}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
