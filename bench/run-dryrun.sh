#!/usr/bin/env bash
# `corvane-admin publish --dry-run` against a real `publish` of the same
# folder, in the same run: the demo database's web folder grown by N small
# pages (bench/e2e/scale_web.py --small-files, default 100,000). The dry run
# previews, names and CRCs every file but neither compresses nor stores.
# Prints the best wall time of each over the rounds and their ratio
# (goal: dry run <= 0.5 x publish).
#
# Build corvane-admin and the add-in first, a Release build for real numbers.
# Usage: bench/run-dryrun.sh [BUILD_DIR] [WORK_DIR]   (default: build, $TMPDIR/bench-dryrun)
#   CORVANE_BENCH_FILES=10000 for a shorter run, CORVANE_BENCH_ROUNDS=3 rounds.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/bench-dryrun}
admin=$build/bin/corvane-admin
files=${CORVANE_BENCH_FILES:-100000}
rounds=${CORVANE_BENCH_ROUNDS:-3}

if [ ! -x "$admin" ] || [ ! -f "$build/lib/libcorvane-brimble.so" ]; then
    echo "run-dryrun: corvane-admin or the add-in is missing in $build; build them with:" >&2
    echo "  cmake --build $build --target corvane-admin corvane-brimble" >&2
    exit 1
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
source "$root/bench/profile.sh"
bench_profile "$work" "$build"

set_dir=$work/small-$files
db=$set_dir/corvane.sqlite
if [ ! -f "$db" ]; then
    rm -rf "$set_dir"
    mkdir -p "$set_dir"
    "$admin" init --demo --database "$db" --web-folder "$set_dir/web" >/dev/null
    python3 "$root/bench/e2e/scale_web.py" "$set_dir/web" --small-files "$files" >/dev/null
fi

# Best wall time in seconds of `rounds` runs of the command.
best_of() {
    local best="" start end t
    for _ in $(seq 1 "$rounds"); do
        start=$(date +%s.%N)
        if ! "$@" >"$work/out.txt" 2>"$work/err.txt"; then
            echo "run-dryrun: $* failed:" >&2
            tail -5 "$work/err.txt" >&2
            exit 1
        fi
        end=$(date +%s.%N)
        t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
        best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
    done
    echo "$best"
}

publish=$(best_of "$admin" publish --database "$db")
dryrun=$(best_of "$admin" publish --dry-run --database "$db")
echo "== dry run vs publish: $(find "$set_dir/web" -type f | wc -l) files, best of $rounds =="
echo "   $(basename "$build"): $(grep -s CMAKE_BUILD_TYPE: "$build/CMakeCache.txt" | cut -d= -f2) build, $(nproc) cores"
awk -v p="$publish" -v d="$dryrun" \
    'BEGIN { printf "publish %8.2f s   dry run %8.2f s   ratio %5.2fx   (goal <= 0.50x)\n", p, d, d / p }'
