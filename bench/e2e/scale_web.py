#!/usr/bin/env python3
"""Grows a web folder for the end-to-end benchmark, below FOLDER/bench/.

  scale_web.py FOLDER --megabytes N     about N MB of mixed files: pages, styles
                                        and scripts (30 % of the bytes, text
                                        that compresses as such text does) and
                                        images that do not compress (70 %)
  scale_web.py FOLDER --small-files N   N pages of 200 to 800 bytes, 1,000 a folder
  scale_web.py FOLDER --pages N --folders K
                                        N pages of 600 bytes in K folders
  scale_web.py FOLDER --mixed-files N [--size M]
                                        N files, about M MB: 60 % of the bytes
                                        random .png, 40 % pages, styles, scripts

The content depends only on the arguments, so runs compare alike."""
import argparse
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from webtext import text  # noqa: E402


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
            kind = rng.choice(("html", "css", "js"))
            data = text(rng, rng.randint(2_000, 80_000), kind)
        else:
            kind = rng.choice(("png", "jpg", "gif"))
            data = rng.randbytes(rng.randint(20_000, 600_000))
        suffix = "htm" if kind == "html" else kind
        write(os.path.join(folder, "bench", f"s{index // 100:03d}", f"f{index:05d}.{suffix}"), data)
        written += len(data)
        index += 1
    return index, written


def small(folder, count):
    rng = random.Random(count)
    written = 0
    for index in range(count):
        data = text(rng, rng.randint(200, 800), "html")
        write(os.path.join(folder, "bench", f"d{index // 1000:03d}", f"p{index % 1000:03d}.htm"), data)
        written += len(data)
    return count, written


def pages(folder, count, folders):
    rng = random.Random(count * 31 + folders)
    per_folder = max(1, -(-count // folders))
    for index in range(count):
        data = text(rng, 600, "html")
        write(os.path.join(folder, "bench", f"d{index // per_folder:04d}", f"p{index:06d}.htm"), data)
    return count, count * 600


def mixed_files(folder, count, megabytes):
    rng = random.Random(count * 7 + megabytes)
    average = megabytes * 1024 * 1024 // count
    written = 0
    for index in range(count):
        size = rng.randint(average // 4, average * 7 // 4)
        if rng.random() < 0.6:
            kind, data = "png", rng.randbytes(size)
        else:
            kind = rng.choice(("html", "css", "js"))
            data = text(rng, size, kind)
        suffix = "htm" if kind == "html" else kind
        write(os.path.join(folder, "bench", f"s{index // 100:03d}", f"f{index:05d}.{suffix}"), data)
        written += len(data)
    return count, written


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--megabytes", type=int)
    group.add_argument("--small-files", type=int)
    group.add_argument("--pages", type=int)
    group.add_argument("--mixed-files", type=int)
    parser.add_argument("--folders", type=int, default=1)
    parser.add_argument("--size", type=int, default=60, help="megabytes of --mixed-files")
    arguments = parser.parse_args()
    if arguments.pages:
        files, size = pages(arguments.folder, arguments.pages, arguments.folders)
    elif arguments.mixed_files:
        files, size = mixed_files(arguments.folder, arguments.mixed_files, arguments.size)
    elif arguments.megabytes:
        files, size = mixed(arguments.folder, arguments.megabytes)
    else:
        files, size = small(arguments.folder, arguments.small_files)
    print(f"{files} files, {size / 1048576:.1f} MB added below {arguments.folder}/bench")


if __name__ == "__main__":
    main()
