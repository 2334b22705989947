#!/usr/bin/env python3
"""Runs one `corvane-admin publish` and prints how its wall time splits up, from
the status lines it prints: start-up and preview (to the zip state), the zip
(to "Archive created"), and the store, cache refresh and exit.
Usage: phases.py CORVANE_ADMIN DATABASE"""
import subprocess
import sys
import time

ZIP = "Creating the archive"
STORE = "Storing the archive in the database"


def main():
    admin, database = sys.argv[1:3]
    start = time.monotonic()
    marks = {}
    with subprocess.Popen([admin, "publish", "--database", database, "--language", "en"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True) as run:
        for line in run.stdout:
            for key in (ZIP, STORE):
                if line.startswith(key) and key not in marks:
                    marks[key] = time.monotonic() - start
    end = time.monotonic() - start
    if run.returncode != 0 or len(marks) < 2:
        sys.exit(f"phases.py: the publish failed (exit code {run.returncode})")
    print(f"start-up + preview {marks[ZIP]:.2f} s, zip {marks[STORE] - marks[ZIP]:.2f} s, "
          f"store + exit {end - marks[STORE]:.2f} s")


if __name__ == "__main__":
    main()
