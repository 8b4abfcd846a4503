#!/usr/bin/env python3
"""Writes a save folder of inventory records for the collector benchmark.

    bench/generate_records.py FOLDER [--hosts 10000] [--rows 60] [--seed 1]

FOLDER/save/<HOST>.txt holds one record per host in CP932, as the PCs file
them; FOLDER/ZelmoAppl.csv the list the records were written with. Values
have realistic lengths (Japanese names and locations, 8-12 character
inventory numbers, 10-11 digit memory sizes); each host has about a third
of the applications, on one drive or, now and then, on both.
"""

import argparse
import pathlib
import random

SURNAMES = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"]
GIVEN = ["太郎", "花子", "一郎", "美咲", "健", "陽菜", "大輔", "さくら", "翔", "由美"]
PLACES = ["本社", "大阪支店", "名古屋営業所", "福岡支店", "札幌営業所"]
MEMORY = [4 << 30, 8 << 30, 8 << 30, 16 << 30, 16 << 30, 32 << 30]


def csv_value(value):
    """As the record writer puts a value into the line."""
    if any(c in value for c in ',"\r\n'):
        return '"' + value.replace('"', '""') + '"'
    return value


def list_rows(rows):
    names = ["一太郎", "Microsoft Word", "Microsoft Excel", "PowerPoint", "Acrobat Reader",
             "秀丸エディタ", "Lhaplus", "Chrome", "Firefox", "Thunderbird", "7-Zip", "VLC",
             "弥生会計", "勘定奉行", "Teams", "Zoom", "Slack", "VS Code", "Python", "Java"]
    result = []
    for i in range(rows):
        base = names[i % len(names)]
        name = base if i < len(names) else f"{base} {i // len(names) + 1}"
        result.append((f"A{i:02d}", name, f"app{i:02d}.exe"))
    return result


def record(rng, index, rows, changed=0):
    host = f"PC{index:05d}"
    person = rng.choice(SURNAMES) + " " + rng.choice(GIVEN)
    values = [person, f"PC-{2020 + index % 6}-{index:05d}", f"MON-{index:06d}", host,
              f"10.{index // 65536}.{index // 256 % 256}.{index % 256}",
              str(MEMORY[(index + changed) % len(MEMORY)]),
              f"{PLACES[(index + changed) % len(PLACES)]} {index % 9 + 1}F"]
    items = []
    for tag, name, _ in rows:
        roll = rng.random()
        drives = 0 if roll < 0.66 else (1 if roll < 0.97 else 2)
        items.append(tag + name * drives)
    line = ",".join(csv_value(v) for v in values + items) + "\r\n"
    return host, line.encode("cp932")


def write_folder(root, hosts, rows, seed):
    root = pathlib.Path(root)
    save = root / "save"
    save.mkdir(parents=True, exist_ok=True)
    listed = list_rows(rows)
    lines = "".join(f"{t},{csv_value(n)},{f},\r\n" for t, n, f in listed)
    (root / "ZelmoAppl.csv").write_bytes(lines.encode("cp932"))
    for i in range(hosts):
        host, data = record(random.Random(seed * 1_000_003 + i), i, listed)
        (save / f"{host}.txt").write_bytes(data)
    return save, listed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--hosts", type=int, default=10000)
    parser.add_argument("--rows", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    save, _ = write_folder(args.folder, args.hosts, args.rows, args.seed)
    print(f"{args.hosts} records in {save}")


if __name__ == "__main__":
    main()
