#!/usr/bin/env python3
"""Writes demo/save: a few dozen records as the Linux program files them
on a UTF-8 locale (one CR LF line), for `zelmocb-cli collect`. Among them: Japanese names, values
that hold a comma or a quote, one malformed record, one duplicated PC
number, and one record that scripts/demo.sh dates back two years (a
checkout cannot keep file times) so that it shows as stale.

    demo/generate_save.py            # rewrites demo/save deterministically
"""

import pathlib
import random

SURNAMES = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村"]
GIVEN = ["太郎", "花子", "一郎", "美咲", "健", "陽菜", "大輔", "さくら"]
ROOMS = ["本社 3F 総務部", "本社 4F 営業部", "大阪支店", "名古屋営業所", "本社 5F, 会議室"]
MEMORY = [4 << 30, 8 << 30, 8 << 30, 16 << 30, 32 << 30]


def csv_value(value):
    if any(c in value for c in ',"\r\n'):
        return '"' + value.replace('"', '""') + '"'
    return value


def rows():
    here = pathlib.Path(__file__).parent
    out = []
    for line in (here / "ZelmoAppl.csv").read_text(encoding="utf-8").splitlines():
        if line.count('"') == 2:
            start = line.index('"')
            end = line.index('"', start + 1)
            tag = line[:start - 1]
            out.append((tag, line[start + 1:end]))
        else:
            tag, name = line.split(",")[:2]
            out.append((tag, name))
    return out


def main():
    save = pathlib.Path(__file__).parent / "save"
    save.mkdir(exist_ok=True)
    for old in save.glob("*.txt"):
        old.unlink()
    listed = rows()
    rng = random.Random(12)
    for i in range(1, 37):
        host = f"WS{i:03d}"
        name = rng.choice(SURNAMES) + " " + rng.choice(GIVEN)
        pc = "PC-0007" if i in (7, 19) else f"PC-{i:04d}"  # 19 typed 7's number
        location = ROOMS[i % len(ROOMS)]
        if i == 11:
            name = '山田 "ヤマ" 次郎'
        values = [name, pc, f"MON-{i:04d}", host, f"192.168.10.{i}",
                  str(MEMORY[i % len(MEMORY)]), location]
        items = [tag + disp * rng.choice([0, 0, 1, 1, 2]) for tag, disp in listed]
        line = ",".join(csv_value(v) for v in values + items) + "\r\n"
        if i == 23:
            line = f"{name},PC-0023\n"  # cut short, and no CR
        (save / f"{host}.txt").write_bytes(line.encode("utf-8"))
    print(f"{len(list(save.glob('*.txt')))} records in {save}")


if __name__ == "__main__":
    main()
