#!/usr/bin/env bash
# Runs every benchmark script bench/run-*.sh (storage, publish, zip, e2e, as
# far as they are present) in turn, each given the build folder; a failing one
# is reported and the others still run.
# Usage: bench/run.sh [BUILD_DIR]     (default: build; a Release build for real numbers)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
failed=()
for script in "$here"/run-*.sh; do
    [ -f "$script" ] || continue
    echo "### $(basename "$script")"
    if ! bash "$script" "$build"; then
        failed+=("$(basename "$script")")
    fi
    echo
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "run.sh: failed: ${failed[*]}" >&2
    exit 1
fi
