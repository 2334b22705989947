#!/usr/bin/env bash
# Zip component against Info-ZIP's `zip -r -q` (deflate level 6 both) on a
# generated mixed web folder and on 100,000 small files. Prints wall and CPU
# seconds of each; build bench_zip first (a Release build for real numbers).
# Usage: bench/zip/run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR [WORK_DIR]}
work=${2:-$(mktemp -d)}
here=$(cd "$(dirname "$0")" && pwd)
bench="$build/bin/bench_zip"

if [ ! -d "$work/web" ]; then
  python3 "$here/make_web_folder.py" "$work/web" 1
fi
if [ ! -d "$work/small" ]; then
  for folder in $(seq -w 0 99); do
    mkdir -p "$work/small/d$folder"
    (cd "$work/small/d$folder" && for file in $(seq -w 0 999); do
       echo "small file $folder $file" > "f$file.txt"; done)
  done
fi

measure() { # label, command...
  local label=$1; shift
  /usr/bin/time -f "$label: wall %e s, user %U s, sys %S s" "$@" > /dev/null
}

for set in web small; do
  echo "== $set: $(find "$work/$set" -type f | wc -l) files, $(du -sh "$work/$set" | cut -f1)"
  for round in 1 2 3; do
    rm -f "$work/ours.zip" "$work/infozip.zip"
    measure "component" "$bench" "$work/$set" "$work/ours.zip"
    (cd "$work/$set" && measure "zip -r -q" zip -r -q "$work/infozip.zip" .)
  done
  ls -l "$work/ours.zip" "$work/infozip.zip" | awk '{print $5, $9}'
done
