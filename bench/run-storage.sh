#!/usr/bin/env bash
# Storage benchmark: peak memory and time of storing and reading back 16, 64
# and 256 MB action pad archives, on SQLite and PostgreSQL.
#
#   bench/run-storage.sh [BUILD_DIR]          (default: build)
#
# Uses the server in CORVANE_TEST_PG_URL when set; otherwise starts a
# throwaway one with normal durability (scripts/start-postgres.sh --durable)
# and stops it afterwards.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bench=$build/bin/corvane-bench-storage
if [ ! -x "$bench" ]; then
    echo "run-storage: $bench not found; build it with: cmake --build $build --target corvane-bench-storage" >&2
    exit 1
fi

started=""
if [ -z "${CORVANE_TEST_PG_URL:-}" ]; then
    eval "$("$root/scripts/start-postgres.sh" start --durable)"
    started=$CORVANE_TEST_PG_DIR
    trap '"$root/scripts/start-postgres.sh" stop "$started"' EXIT
fi

echo "== storage: action pad archive store / read back =="
"$bench" --sizes 16,64,256
