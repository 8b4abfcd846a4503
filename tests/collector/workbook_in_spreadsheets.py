#!/usr/bin/env python3
"""The collector's workbook read back by real spreadsheets: LibreOffice
(headless, every sheet to CSV) gives back every text value exactly, and
openpyxl sees text cells as strings, memory as numbers, the time as a date,
the frozen header and the autofilters. A run that fails afterwards leaves the
workbook as it was. With --book, only the checks, of a workbook another build
made from write_inputs()'s files.

Run by /usr/bin/python3 (Debian's python3-openpyxl); exit status 77 when
LibreOffice or openpyxl is missing."""

import argparse
import csv
import datetime
import pathlib
import shutil
import subprocess
import sys

# Values people type that spreadsheets like to turn into something else.
TRICKY = {
    "pc": "0012",
    "monitor": "00123456789012345678",
    "name": '=HYPERLINK("http://example.invalid","x")',
    "location": "東京本社　３Ｆ",
}
MEMORY = 17179869184


def value(v):
    return '"' + v.replace('"', '""') + '"' if any(c in v for c in ',"\r\n') else v


def record(name, pc, monitor, host, memory, location, items):
    return ",".join(value(v) for v in [name, pc, monitor, host, "10.0.0.1", memory, location] + items) + "\r\n"


def write_inputs(out, encoding="utf-8"):
    """The save folder (records in encoding), the list, the ledger and the
    licences in out."""
    save = out / "save"
    if save.exists():
        shutil.rmtree(save)
    save.mkdir(parents=True)
    (out / "list.csv").write_bytes(b"T1,Word,winword.exe,\r\nT2,Excel,excel.exe,\r\n")
    rows = [
        ("WS001", TRICKY["name"], TRICKY["pc"], TRICKY["monitor"], TRICKY["location"], ["T1Word", "T2ExcelExcel"]),
        ("WS002", "1/2", "２０", "1E5", "TRUE", ["T1Word", "T2"]),
        ("WS003", "u", "P-999", "M3", "-1", ["T1", "T2Excel"]),
    ]
    for host, name, pc, monitor, location, items in rows:
        (save / (host + ".txt")).write_bytes(
            record(name, pc, monitor, host, str(MEMORY), location, items).encode(encoding))
    ledger = ("資産番号,使用者,設置場所,購入日\r\n"
              f"12,{value(TRICKY['name'])},,2020/04/01\r\n0020,山田,,\r\n0777,佐藤,倉庫,\r\n")
    (out / "ledger.csv").write_bytes(b"\xef\xbb\xbf" + ledger.encode("utf-8"))
    (out / "licences.csv").write_bytes("tag,seats,note\r\nT1,1,site licence\r\nT2,5,\r\n".encode("utf-8"))
    return save


def collect_arguments(out, save, ledger, book, encoding="UTF-8", name=str):
    """collect's arguments for write_inputs()'s files; name gives each path as
    the program takes it."""
    return ["collect", name(save), "--encoding", encoding, "--list", name(out / "list.csv"),
            "--ledger", name(ledger), "--licences", name(out / "licences.csv"), "--xlsx", name(book)]


def collect(cli, out, save, ledger):
    return subprocess.run([cli, *collect_arguments(out, save, ledger, out / "inventory.xlsx")],
                          capture_output=True, text=True, timeout=120)


def libreoffice_sheets(soffice, book, out):
    """Every sheet as CSV (UTF-8, values not as shown), by name."""
    folder = out / "lo"
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir()
    # A profile of its own: another soffice may be running on this machine.
    profile = (out / "lo-profile").resolve().as_uri()
    subprocess.run(
        [soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
         "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
         "--outdir", str(folder), str(book)],
        check=True, capture_output=True, timeout=300)
    sheets = {}
    for path in folder.glob("*.csv"):
        name = path.stem[len(book.stem) + 1:]
        with open(path, encoding="utf-8", newline="") as f:
            sheets[name] = list(csv.reader(f))
    return sheets


def check_workbook(soffice, openpyxl, book, out):
    """What LibreOffice and openpyxl find wrong in the workbook, and how many
    sheets LibreOffice read."""
    failures = []
    # LibreOffice: every text value exactly as typed.
    sheets = libreoffice_sheets(soffice, book, out)
    expected_sheets = {"Hosts", "Applications", "Problems", "Matched", "Not collected",
                       "Not in ledger", "Conflicts", "Duplicate keys", "No PC number"}
    if set(sheets) != expected_sheets:
        failures.append(f"LibreOffice sheets {sorted(sheets)}")
    hosts = sheets.get("Hosts", [])
    header = hosts[0] if hosts else []
    by_host = {row[0]: dict(zip(header, row)) for row in hosts[1:]}
    ws1 = by_host.get("WS001", {})
    for key, heading in (("pc", "PC"), ("monitor", "Monitor"), ("name", "Name"), ("location", "Location")):
        if ws1.get(heading) != TRICKY[key]:
            failures.append(f"LibreOffice read {heading} {ws1.get(heading)!r}, typed {TRICKY[key]!r}")
    ws2 = by_host.get("WS002", {})
    for heading, typed in (("Name", "1/2"), ("PC", "２０"), ("Monitor", "1E5"), ("Location", "TRUE")):
        if ws2.get(heading) != typed:
            failures.append(f"LibreOffice read {heading} {ws2.get(heading)!r}, typed {typed!r}")
    if by_host.get("WS003", {}).get("Location") != "-1":
        failures.append("LibreOffice read location -1 as " + repr(by_host.get("WS003", {}).get("Location")))
    if ws1.get("Memory") != str(MEMORY):
        failures.append(f"LibreOffice read memory {ws1.get('Memory')!r}")
    matched = sheets.get("Matched", [])
    if not any(r[:2] == ["WS001", "0012"] and "leading zeros ignored" in r and TRICKY["name"] in r
               for r in matched):
        failures.append(f"LibreOffice Matched sheet: {matched}")
    if not any("0777" in r and "倉庫" in r for r in sheets.get("Not collected", [])):
        failures.append(f"LibreOffice Not collected sheet: {sheets.get('Not collected')}")
    if not any(r[:1] == ["WS003"] for r in sheets.get("Not in ledger", [])):
        failures.append(f"LibreOffice Not in ledger sheet: {sheets.get('Not in ledger')}")
    apps = {r[0]: r for r in sheets.get("Applications", [])[1:]}
    if apps.get("T1", [])[2:8] != ["2", "0", "2", "1", "2", "-1"]:
        failures.append(f"LibreOffice Applications T1: {apps.get('T1')}")

    # openpyxl: the cells' types and the sheets' form.
    wb = openpyxl.load_workbook(book)
    ws = wb["Hosts"]
    heads = [c.value for c in ws[1]]
    col = {h: i + 1 for i, h in enumerate(heads)}
    row = next(r for r in range(2, ws.max_row + 1) if ws.cell(r, 1).value == "WS001")
    for heading in ("Host", "PC", "Monitor", "Name", "Location", "IP"):
        cell = ws.cell(row, col[heading])
        if cell.data_type != "s" or not isinstance(cell.value, str):
            failures.append(f"openpyxl: {heading} is {cell.data_type} {cell.value!r}, not a string")
    memory = ws.cell(row, col["Memory"])
    if not isinstance(memory.value, (int, float)) or memory.value != MEMORY or "#,##0" not in memory.number_format:
        failures.append(f"openpyxl: memory {memory.value!r} {memory.number_format!r}")
    gib = ws.cell(row, col["Memory (GiB)"]).value
    if not isinstance(gib, (int, float)) or abs(gib - 16) > 1e-9:
        failures.append(f"openpyxl: GiB {gib!r}")
    recorded = ws.cell(row, col["Recorded"])
    if not isinstance(recorded.value, datetime.datetime):
        failures.append(f"openpyxl: recorded {recorded.value!r} is not a date")
    elif abs((recorded.value - datetime.datetime.now()).total_seconds()) > 600:
        failures.append(f"openpyxl: recorded {recorded.value} is not the local time of the run")
    for name in ("Word", "Excel"):
        if not isinstance(ws.cell(row, col[name]).value, int):
            failures.append(f"openpyxl: count {name} {ws.cell(row, col[name]).value!r}")
    # WS003's PC is not in the ledger: its row is shaded; the width of the
    # location column counts its full-width characters twice.
    ws3 = next(r for r in range(2, ws.max_row + 1) if ws.cell(r, 1).value == "WS003")
    if ws.cell(ws3, 1).fill.fill_type != "solid":
        failures.append("openpyxl: a row with problems is not shaded")
    location_width = ws.column_dimensions[openpyxl.utils.get_column_letter(col["Location"])].width
    if not location_width or location_width < 2 * len(TRICKY["location"]):
        failures.append(f"openpyxl: location column {location_width} wide")
    for sheet in wb.worksheets:
        if sheet.freeze_panes != "A2":
            failures.append(f"openpyxl: {sheet.title} header not frozen ({sheet.freeze_panes})")
        if not sheet.auto_filter.ref:
            failures.append(f"openpyxl: {sheet.title} has no autofilter")
        if not sheet.cell(1, 1).font.b:
            failures.append(f"openpyxl: {sheet.title} header not bold")
        for cells in sheet.iter_rows():
            for cell in cells:
                if cell.data_type == "f":
                    failures.append(f"openpyxl: formula in {sheet.title}!{cell.coordinate}")

    return failures, len(sheets)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli")
    parser.add_argument("--book", help="check this workbook instead of making one")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if bool(args.cli) == bool(args.book):
        parser.error("one of --cli and --book")
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    try:
        import openpyxl
    except ImportError:
        openpyxl = None
    if not soffice or not openpyxl:
        print("SKIPPED: LibreOffice or python3-openpyxl missing (scripts/install-deps.sh installs them)")
        return 77

    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    if args.book:
        return report(*check_workbook(soffice, openpyxl, pathlib.Path(args.book), out))
    save = write_inputs(out)
    book = out / "inventory.xlsx"
    if book.exists():
        book.unlink()
    run = collect(args.cli, out, save, out / "ledger.csv")
    if run.returncode != 1 or not book.exists():
        print(run.stderr)
        print(f"FAIL: exit status {run.returncode}, expected 1 (differences from the ledger)")
        return 1

    failures, sheets = check_workbook(soffice, openpyxl, book, out)

    # A failed run (a ledger without its key column) keeps the workbook.
    before = book.read_bytes()
    (out / "bad-ledger.csv").write_bytes("名前,場所\r\na,b\r\n".encode("utf-8"))
    bad = collect(args.cli, out, save, out / "bad-ledger.csv")
    if bad.returncode != 64 or "bad-ledger.csv" not in bad.stderr or book.read_bytes() != before:
        failures.append(f"bad ledger: status {bad.returncode}, {bad.stderr!r}")

    return report(failures, sheets)


def report(failures, sheets):
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"OK: {sheets} sheets read back by LibreOffice and openpyxl")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
