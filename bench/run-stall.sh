#!/usr/bin/env bash
# The window's largest stall per phase of a publish (analysis, zipping,
# storing, after storing, the web bar's reload after OK) through the real host
# and add-in page on an offscreen screen, for archives of 27, 70 and 300 MB
# (goal: none above 50 ms). The machine's load average is printed with them.
# Build bench_stall first, a Release build for real numbers:
#   cmake --build build-release --target bench_stall
# Usage: bench/run-stall.sh BUILD_DIR [WORK_DIR] [--sizes 27,70,300,1024] [--database URL]
set -euo pipefail
build=${1:?usage: run-stall.sh BUILD_DIR [WORK_DIR] [options]}
work=${2:-${TMPDIR:-/tmp}/bench-stall}
shift $(( $# >= 2 ? 2 : 1 ))
exec "$build/bin/bench_stall" --work "$work" "$@"
