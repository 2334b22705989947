#!/usr/bin/env bash
# End to end: the whole `corvane-admin publish` (start, preview, zip, store in
# the SQLite database, cache refresh, exit) against Info-ZIP's `zip -r -q` on
# the same web folder, in the same run. The demo database's web folder is grown
# to about 10 MB and 100 MB of mixed files and by 100,000 small pages
# (bench/e2e/scale_web.py). Prints, per folder, the best wall time of three
# runs of each, their ratio (goal: publish <= 1.2 x zip) and the peak memory
# of both ("Maximum resident set size" of /usr/bin/time -v), and how one more
# publish splits into start-up and preview, zip, and store (bench/e2e/phases.py).
#
# Build corvane-admin and the add-in first, a Release build for real numbers:
#   cmake -S . -B ../build-release -DCMAKE_BUILD_TYPE=Release
#   cmake --build ../build-release --target corvane-admin corvane-brimble
# Usage: bench/run-e2e.sh [BUILD_DIR] [WORK_DIR]     (default: build, $TMPDIR/bench-e2e)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/bench-e2e}
admin=$build/bin/corvane-admin
rounds=${CORVANE_BENCH_ROUNDS:-3}

if [ ! -x "$admin" ] || [ ! -f "$build/lib/libcorvane-brimble.so" ]; then
    echo "run-e2e: corvane-admin or the add-in is missing in $build; build them with:" >&2
    echo "  cmake --build $build --target corvane-admin corvane-brimble" >&2
    exit 1
fi
command -v zip >/dev/null || { echo "run-e2e: Info-ZIP zip is needed (apt-get install zip)" >&2; exit 1; }
if [ ! -x /usr/bin/time ]; then
    echo "run-e2e: installing GNU time for the peak memory" >&2
    if [ "$(id -u)" = 0 ]; then
        apt-get install -y -qq time >/dev/null
    else
        sudo apt-get install -y -qq time >/dev/null
    fi
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
source "$root/bench/profile.sh"
bench_profile "$work" "$build"

# Seconds from /usr/bin/time's "Elapsed (wall clock) time" ([h:]mm:ss.ss).
wall_seconds() {
    awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, part, ":"); s = 0
        for (i = 1; i <= n; i++) s = s * 60 + part[i]
        print s }' "$1"
}
peak_mb() {
    awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$1"
}

# One folder: best wall time and largest peak of `rounds` runs of each tool.
measure() { # name, scale_web.py options...
    local name=$1
    shift
    local set=$work/$name
    if [ ! -f "$set/corvane.sqlite" ]; then
        rm -rf "$set"
        mkdir -p "$set"
        "$admin" init --demo --database "$set/corvane.sqlite" --web-folder "$set/web" >/dev/null
        python3 "$root/bench/e2e/scale_web.py" "$set/web" "$@" >/dev/null
    fi
    local files size
    files=$(find "$set/web" -type f | wc -l)
    size=$(du -sm --apparent-size "$set/web" | cut -f1)

    local best_publish="" best_zip="" peak_publish=0 peak_zip=0 t m round
    for round in $(seq 1 "$rounds"); do
        if ! /usr/bin/time -v -o "$work/time.txt" \
            "$admin" publish --database "$set/corvane.sqlite" >"$work/publish.out" 2>"$work/publish.err"; then
            echo "run-e2e: the publish of $name failed:" >&2
            tail -5 "$work/publish.err" >&2
            exit 1
        fi
        t=$(wall_seconds "$work/time.txt")
        m=$(peak_mb "$work/time.txt")
        best_publish=$(awk -v a="$t" -v b="$best_publish" 'BEGIN { print (b == "" || a < b) ? a : b }')
        peak_publish=$(( m > peak_publish ? m : peak_publish ))

        rm -f "$work/infozip.zip"
        (cd "$set/web" && /usr/bin/time -v -o "$work/time.txt" zip -r -q "$work/infozip.zip" .)
        t=$(wall_seconds "$work/time.txt")
        m=$(peak_mb "$work/time.txt")
        best_zip=$(awk -v a="$t" -v b="$best_zip" 'BEGIN { print (b == "" || a < b) ? a : b }')
        peak_zip=$(( m > peak_zip ? m : peak_zip ))
    done
    local stored
    stored=$("$admin" actionpads show --database "$set/corvane.sqlite" | awk '/^Archive:/ { print $2 }')
    awk -v name="$name" -v files="$files" -v size="$size" -v p="$best_publish" -v z="$best_zip" \
        -v pm="$peak_publish" -v zm="$peak_zip" -v stored="$stored" -v zipped="$(stat -c %s "$work/infozip.zip")" \
        'BEGIN { printf "%-8s %7d %6d MB %9.2f s %9.2f s %6.2fx %8d MB %6d MB %8.1f MB %8.1f MB\n",
                 name, files, size, p, z, (z > 0 ? p / z : 0), pm, zm, stored / 1048576, zipped / 1048576 }'
    echo "         publish: $(python3 "$root/bench/e2e/phases.py" "$admin" "$set/corvane.sqlite")"
}

echo "== end to end: corvane-admin publish (store included) vs zip -r -q, best of $rounds =="
echo "   $(basename "$build"): $(grep -s CMAKE_BUILD_TYPE: "$build/CMakeCache.txt" | cut -d= -f2) build, $(nproc) cores"
printf "%-8s %7s %9s %11s %11s %7s %11s %9s %11s %11s\n" \
    set files "web" publish zip ratio "peak pub." "peak zip" "archive" "zip file"
measure 10mb --megabytes 10
measure 100mb --megabytes 100
measure 100k --small-files 100000
echo "goal: ratio <= 1.2"
