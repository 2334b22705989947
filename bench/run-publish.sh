#!/usr/bin/env bash
# The publish pipeline against Info-ZIP's `zip -r -q`: a generated mixed web
# folder (pages, styles, scripts, incompressible images; 75 MB) and trees of
# 1,000, 10,000 and 100,000 small files. Prints, per folder, the archiver's time
# from CreateArchive to Finished (fake host, debug output off) and zip's, their
# ratio (goal <= 1.0 on the mixed folder), the time per file of the trees (goal:
# flat within 1.3x from 1,000 to 100,000) and the peak memory of both.
# Build bench_publish first, a Release build for real numbers:
#   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-release --target bench_publish
# Usage: bench/run-publish.sh BUILD_DIR [WORK_DIR] [extra bench_publish options]
set -euo pipefail
build=${1:?usage: run-publish.sh BUILD_DIR [WORK_DIR] [options]}
work=${2:-${TMPDIR:-/tmp}/bench-publish}
shift $(( $# >= 2 ? 2 : 1 ))
command -v zip >/dev/null || { echo "run-publish.sh: Info-ZIP zip is needed" >&2; exit 1; }
exec "$build/bin/bench_publish" --work "$work" "$@"
