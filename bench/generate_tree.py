#!/usr/bin/env python3
"""Builds a deterministic folder tree for the scan benchmark.

The tree has two top folders, C and D (mapped to the drives of the same
letters), a given number of folders and files below them, and the files that
the benchmark lists look for. The same seed always gives the same tree.

    bench/generate_tree.py ROOT [--folders N] [--files N] [--seed S]

It also writes ROOT.lists/list-<rows>.csv, application lists of 10, 50 and
100 rows: most rows name files that exist in a few places, some name common
files found in many folders, and some name files found nowhere.
"""

import argparse
import os
import random
import sys

# Files that many folders hold, as on a real PC.
COMMON = ["readme.txt", "setup.exe", "uninstall.exe", "config.ini", "license.txt",
          "msvcr100.dll", "update.exe", "data.bin"] + [f"lib{k}.dll" for k in range(40)]
FOLDER_WORDS = ["bin", "lib", "data", "Program Files", "Common", "Users", "cache", "x86",
                "share", "res", "plugins", "locale", "src", "temp"]
TARGETS = 100  # target<k>.exe, each in 1 to 5 folders


def build(root, folders, files, seed):
    rnd = random.Random(seed)
    # Folder 0 is C, 1 is D; each new folder hangs below a random earlier one,
    # which gives a depth of about ln(folders) and a few very wide folders.
    paths = [os.path.join(root, "C"), os.path.join(root, "D")]
    names_in = [set(), set()]
    for path in paths:
        os.makedirs(path)
    for i in range(2, folders + 2):
        parent = int(rnd.random() * i)
        if parent < 2:
            parent = 0 if rnd.random() < 0.7 else 1
        word = rnd.choice(FOLDER_WORDS) if rnd.random() < 0.3 else ""
        name = word if word and word not in names_in[parent] else f"d{i}"
        names_in[parent].add(name)
        path = os.path.join(paths[parent], name)
        os.mkdir(path)
        paths.append(path)
        names_in.append(set())

    def create(folder, name):
        if name in names_in[folder]:
            return False
        names_in[folder].add(name)
        fd = os.open(os.path.join(paths[folder], name), os.O_CREAT | os.O_WRONLY, 0o644)
        os.close(fd)
        return True

    placed = 0
    for k in range(TARGETS):
        for _ in range(rnd.randint(1, 5)):
            placed += create(rnd.randrange(len(paths)), f"target{k}.exe")
    for j in range(files - placed):
        folder = rnd.randrange(len(paths))
        if rnd.random() < 0.1:
            create(folder, rnd.choice(COMMON)) or create(folder, f"f{j}.dat")
        else:
            create(folder, f"f{j}.dat")
    return len(paths) - 2


def write_lists(folder, seed):
    rnd = random.Random(seed + 1)
    os.makedirs(folder, exist_ok=True)
    for rows in (10, 50, 100):
        lines = []
        for r in range(rows):
            pick = rnd.random()
            if pick < 0.7:
                name = f"target{rnd.randrange(TARGETS)}.exe"
            elif pick < 0.8:
                name = rnd.choice(COMMON)
            else:
                name = f"absent{r}.exe"
            lines.append(f"T{r},App {r},{name},\r\n")
        with open(os.path.join(folder, f"list-{rows}.csv"), "w", newline="") as out:
            out.write("".join(lines))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("--folders", type=int, default=100_000)
    parser.add_argument("--files", type=int, default=1_000_000)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if os.path.exists(args.root):
        sys.exit(f"{args.root} exists; remove it first")
    made = build(args.root, args.folders, args.files, args.seed)
    write_lists(args.root + ".lists", args.seed)
    print(f"{args.root}: {made} folders below C and D, {args.files} files")


if __name__ == "__main__":
    main()
