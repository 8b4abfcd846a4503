#!/usr/bin/env python3
"""Writes the demo's asset ledger and licence file from demo/save, as an
administrator's spreadsheet saves them, with a few differences planted for
`zelmocb-cli collect --ledger demo/ledger.csv --licences demo/licences.csv`:

- the ledger is CP932 ("CSV (comma delimited)" on a Japanese Windows) and
  types some numbers full-width, in lower case or with spaces (all still
  match);
- PC-0034 is not in it (not-in-ledger), PC-0090 and PC-0091 were never
  collected, PC-0020 is entered twice, PC-0010's user and PC-0012's place
  differ from their records;
- the licence file (CSV UTF-8) owns fewer seats of the calculator than are
  installed.

    demo/generate_ledger.py          # rewrites both files deterministically
"""

import pathlib

HERE = pathlib.Path(__file__).parent


def split(line):
    values, value, quoted, i = [], "", False, 0
    while i < len(line):
        c = line[i]
        if quoted:
            if c == '"' and line[i + 1:i + 2] == '"':
                value += '"'
                i += 1
            elif c == '"':
                quoted = False
            else:
                value += c
        elif c == '"' and not value:
            quoted = True
        elif c == ",":
            values.append(value)
            value = ""
        else:
            value += c
        i += 1
    values.append(value)
    return values


def cell(value):
    return '"' + value.replace('"', '""') + '"' if any(c in value for c in ',"\r\n') else value


def full_width(text):
    return "".join(chr(ord(c) + 0xFEE0) if "!" <= c <= "~" else c for c in text)


def main():
    rows = []
    for path in sorted((HERE / "save").glob("*.txt")):
        values = split(path.read_bytes().decode("utf-8").rstrip("\r\n"))
        if len(values) < 7:
            continue
        name, pc, monitor, host, _, _, location = values[:7]
        if pc in ("PC-0034",) or any(r[0] == pc for r in rows):
            continue
        rows.append([pc, name, location, monitor, host, "Lenovo ThinkCentre M75q", "2022/04/01"])
    for row in rows:
        n = int(row[0][3:]) if row[0][3:].isdigit() else 0
        if n == 3:
            row[0] = full_width(row[0])       # ＰＣ－０００３
        elif n == 4:
            row[0] = " pc-0004 "               # case and spaces
        elif n == 5:
            row[3] = full_width(row[3])       # the monitor number full-width
        elif n == 10:
            row[1] = "退職者 (返却待ち)"
        elif n == 12:
            row[2] = "本社 6F 倉庫"
    dup = next(r for r in rows if r[0] == "PC-0020")
    rows.append(list(dup[:1]) + ["二重登録", "", "", "", "", "2023/10/01"])
    rows.append(["PC-0090", "小林 健", "本社 3F 総務部", "MON-0090", "WS090", "Dell OptiPlex 3000", "2021/10/01"])
    rows.append(["PC-0091", "", "倉庫", "", "", "HP ProDesk 400", "2019/04/01"])
    lines = ["資産番号,使用者,設置場所,モニター番号,ホスト名,メーカー・型番,購入日"]
    lines += [",".join(cell(v) for v in row) for row in rows]
    (HERE / "ledger.csv").write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932"))

    licences = [
        "タグ,ライセンス数,備考",
        "ED01,40,サイトライセンス",
        "CA01,5,追加購入を申請中",
        "TL01,10,",
        "OF01,36,\"2024年度更新, 年間契約\"",
    ]
    (HERE / "licences.csv").write_bytes(b"\xef\xbb\xbf" + ("\r\n".join(licences) + "\r\n").encode("utf-8"))


if __name__ == "__main__":
    main()
