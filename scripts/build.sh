#!/usr/bin/env bash
# Configures and builds the project into build/ (or the folder given as $BUILD_DIR).
# Extra arguments go to CMake's configure step (e.g. -DCORVANE_SANITIZE=ON).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
