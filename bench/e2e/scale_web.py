#!/usr/bin/env python3
"""Grows a web folder for the end-to-end benchmark, below FOLDER/bench/.

  scale_web.py FOLDER --megabytes N     about N MB of mixed files: pages, styles
                                        and scripts (30 % of the bytes, text
                                        that compresses as such text does) and
                                        images that do not compress (70 %)
  scale_web.py FOLDER --small-files N   N pages of 200 to 800 bytes, 1,000 a folder

The content depends only on the arguments, so runs compare alike."""
import argparse
import os
import random

WORDS = ("action pad customer order invoice table inspector overview database web bar "
         "publish archive folder page style script function return value class div span "
         "header footer section button input label select option width height margin "
         "padding border color background font size display block inline flex grid").split()


def text(rng, size, kind):
    lines = []
    total = 0
    while total < size:
        words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        number = rng.randint(0, 99999)
        if kind == "htm":
            line = f'<div class="{rng.choice(WORDS)}-{number % 97}"><p>{words} {number}</p></div>\n'
        elif kind == "css":
            line = f".{rng.choice(WORDS)}-{number % 89} {{ margin: {number % 640}px; color: #{number:05x}; }}\n"
        else:
            line = f"function {rng.choice(WORDS)}{number}(a) {{ return a.{rng.choice(WORDS)}({number}); }} // {words}\n"
        lines.append(line)
        total += len(line)
    return "".join(lines).encode()[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def mixed(folder, megabytes):
    rng = random.Random(7 * megabytes + 1)
    budget = megabytes * 1024 * 1024
    written = index = 0
    while written < budget:
        if rng.random() < 0.3:
            kind = rng.choice(("htm", "css", "js"))
            data = text(rng, rng.randint(2_000, 80_000), kind)
        else:
            kind = rng.choice(("png", "jpg", "gif"))
            data = rng.randbytes(rng.randint(20_000, 600_000))
        write(os.path.join(folder, "bench", f"s{index // 100:03d}", f"f{index:05d}.{kind}"), data)
        written += len(data)
        index += 1
    return index, written


def small(folder, count):
    rng = random.Random(count)
    written = 0
    for index in range(count):
        data = text(rng, rng.randint(200, 800), "htm")
        write(os.path.join(folder, "bench", f"d{index // 1000:03d}", f"p{index % 1000:03d}.htm"), data)
        written += len(data)
    return count, written


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--megabytes", type=int)
    group.add_argument("--small-files", type=int)
    arguments = parser.parse_args()
    if arguments.megabytes:
        files, size = mixed(arguments.folder, arguments.megabytes)
    else:
        files, size = small(arguments.folder, arguments.small_files)
    print(f"{files} files, {size / 1048576:.1f} MB added below {arguments.folder}/bench")


if __name__ == "__main__":
    main()
