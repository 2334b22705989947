#!/usr/bin/env bash
# End to end: the whole `corvane-admin publish` (start, preview, zip, store in
# the SQLite database, cache refresh, exit) against Info-ZIP's `zip -r -q` on
# the same web folder. The runs are paired and alternate (publish, zip,
# publish, zip, ...) so that a load on the machine falls on both alike; each
# prints the median wall time of its runs, the ratio publish / zip, and the
# largest peak memory ("Maximum resident set size" of /usr/bin/time -v).
#
# Folders (the demo database's web folder grown by bench/e2e/scale_web.py):
#   mixed   2,000 files, 60 MB: 60 % random .png, 40 % pages, styles, scripts;
#           also against `zip -r -q -n .png:.gif:.jpg`, which stores images too
#   1k, 10k, 100k   pages of 600 bytes, 100 a folder (time per file flat?)
#   20k     20,000 pages of 600 bytes in 200 folders
# Goals: 100k <= 0.7, 20k <= 0.8, mixed <= 0.45 (<= 0.75 against zip -n);
# peak memory at 100k <= 80 MB, growth from 10k to 100k <= 0.4 KB a file.
#
# CORVANE_BENCH_BASELINE=OTHER_BUILD adds that build's publish to the pairs
# (before/after in one run). Both publish into the same databases: a build
# that cannot read the other's kept listing of entries reads the stored
# archive instead, and is slower for it than alone. CORVANE_BENCH_ROUNDS (default 5) runs each;
# CORVANE_BENCH_SETS picks folders ("mixed 100k").
# Build first (a Release or RelWithDebInfo build):
#   cmake --build BUILD --target corvane-admin corvane-brimble
# Usage: bench/run-e2e.sh [BUILD_DIR] [WORK_DIR]     (default: build, $TMPDIR/bench-e2e)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/bench-e2e}
rounds=${CORVANE_BENCH_ROUNDS:-5}
sets=${CORVANE_BENCH_SETS:-mixed 1k 10k 20k 100k}
baseline=${CORVANE_BENCH_BASELINE:-}

for b in "$build" ${baseline:+"$baseline"}; do
    if [ ! -x "$b/bin/corvane-admin" ] || [ ! -f "$b/lib/libcorvane-brimble.so" ]; then
        echo "run-e2e: corvane-admin or the add-in is missing in $b; build them with:" >&2
        echo "  cmake --build $b --target corvane-admin corvane-brimble" >&2
        exit 1
    fi
done
command -v zip >/dev/null || { echo "run-e2e: Info-ZIP zip is needed (apt-get install zip)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "run-e2e: GNU time is needed (apt-get install time)" >&2; exit 1; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
source "$root/bench/profile.sh"

# Runs a command under /usr/bin/time; prints "seconds peak_kilobytes".
timed() {
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >"$work/run.out" 2>"$work/run.err" || {
        echo "run-e2e: failed: $*" >&2
        tail -5 "$work/run.err" >&2
        exit 1
    }
    cat "$work/time.txt"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
largest() { sort -g | tail -1; }

publish() { # build, set folder
    CORVANE_ADDIN_DIR=$1/lib timed "$1/bin/corvane-admin" publish --database "$2/corvane.sqlite"
}
infozip() { # set folder, zip options...
    local set=$1
    shift
    rm -f "$work/infozip.zip"
    (cd "$set/web" && timed zip -r -q "$@" "$work/infozip.zip" .)
}

make_set() { # name -> folder
    local set=$work/$1
    if [ ! -f "$set/corvane.sqlite" ]; then
        rm -rf "$set"
        mkdir -p "$set"
        CORVANE_ADDIN_DIR=$build/lib "$build/bin/corvane-admin" init --demo \
            --database "$set/corvane.sqlite" --web-folder "$set/web" >/dev/null
        case $1 in
        mixed) python3 "$root/bench/e2e/scale_web.py" "$set/web" --mixed-files 2000 --size 60 ;;
        1k) python3 "$root/bench/e2e/scale_web.py" "$set/web" --pages 1000 --folders 10 ;;
        10k) python3 "$root/bench/e2e/scale_web.py" "$set/web" --pages 10000 --folders 100 ;;
        20k) python3 "$root/bench/e2e/scale_web.py" "$set/web" --pages 20000 --folders 200 ;;
        100k) python3 "$root/bench/e2e/scale_web.py" "$set/web" --pages 100000 --folders 1000 ;;
        *) echo "run-e2e: unknown set $1" >&2; exit 1 ;;
        esac >/dev/null
    fi
    echo "$set"
}

# One row: "name contender median_s peak_MB ratio_to_zip".
measure() {
    local name=$1 set
    set=$(make_set "$name")
    bench_profile "$work" "$build"
    local contenders=(publish zip)
    [ "$name" = mixed ] && contenders+=(zip-n)
    [ -n "$baseline" ] && contenders+=(before)
    local c round
    for c in "${contenders[@]}"; do : >"$work/$c.times"; done
    for round in $(seq 1 "$rounds"); do
        for c in "${contenders[@]}"; do
            case $c in
            publish) publish "$build" "$set" ;;
            before) publish "$baseline" "$set" ;;
            zip) infozip "$set" ;;
            zip-n) infozip "$set" -n .png:.gif:.jpg ;;
            esac >>"$work/$c.times"
        done
    done
    local files zip_s
    files=$(find "$set/web" -type f | wc -l)
    zip_s=$(cut -d' ' -f1 "$work/zip.times" | median)
    for c in "${contenders[@]}"; do
        local s mb
        s=$(cut -d' ' -f1 "$work/$c.times" | median)
        mb=$(cut -d' ' -f2 "$work/$c.times" | largest)
        awk -v n="$name" -v f="$files" -v c="$c" -v s="$s" -v mb="$mb" -v z="$zip_s" \
            -v zn="$(cut -d' ' -f1 "$work/zip-n.times" 2>/dev/null | median)" \
            'BEGIN { extra = (n == "mixed" && c != "zip" && c != "zip-n" && zn > 0) ? sprintf("  (%.2fx zip -n)", s / zn) : ""
                     printf "%-6s %7d  %-8s %7.2f s %6.2fx %7.1f MB %7.2f us/file%s\n",
                            n, f, c, s, (z > 0 ? s / z : 0), mb / 1024, s * 1e6 / f, extra }'
    done
    rm -f "$work"/zip-n.times
}

echo "== end to end: corvane-admin publish vs zip -r -q, paired and alternating, median of $rounds =="
echo "   $(basename "$build"): $(grep -s CMAKE_BUILD_TYPE: "$build/CMakeCache.txt" | cut -d= -f2) build, $(nproc) cores${baseline:+, before = $baseline}"
echo "   load before: $(uptime | sed 's/.*load average/load average/')"
printf "%-6s %7s  %-8s %9s %7s %10s %12s\n" set files run median "ratio" "peak RSS" "per file"
for name in $sets; do
    measure "$name"
done
echo "   load after: $(uptime | sed 's/.*load average/load average/')"
echo "goals: 100k <= 0.7x, 20k <= 0.8x, mixed <= 0.45x (<= 0.75x zip -n); 100k peak <= 80 MB, <= 0.4 KB/file over 10k"
