#!/usr/bin/env bash
# Builds the project and runs every test: install what is missing, build, start
# a throwaway PostgreSQL server on loopback, run CTest.
#   scripts/test.sh               the normal build in build/
#   scripts/test.sh --sanitize    AddressSanitizer + UndefinedBehaviorSanitizer in build-sanitize/
#   scripts/test.sh --tsan        ThreadSanitizer in build-tsan/: the zip tests only (the zip
#                                 component is where the worker threads are)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

configure=()
if [[ "${1:-}" == "--tsan" ]]; then
  build=${BUILD_DIR:-$root/build-tsan}
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TSAN=ON >/dev/null
  cmake --build "$build" -j"$(nproc)" --target tst_zipnaming tst_zipcomponent
  # QProcess (unzip, python3) forks a program with threads running: allowed.
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:die_after_fork=0:suppressions=$root/scripts/tsan.supp}
  exec ctest --test-dir "$build" --output-on-failure -L zip ${CTEST_ARGS:-}
fi
if [[ "${1:-}" == "--sanitize" ]]; then
  export BUILD_DIR=${BUILD_DIR:-$root/build-sanitize}
  export BUILD_TYPE=Debug
  configure=(-DCORVANE_SANITIZE=ON)
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "${configure[@]}"

# A PostgreSQL server for the storage tests, stopped again on exit.
eval "$("$root/scripts/start-postgres.sh")"
trap '"$root/scripts/start-postgres.sh" stop >/dev/null 2>&1 || true' EXIT

ctest --test-dir "$build" --output-on-failure -j"$(nproc)" ${CTEST_ARGS:-}
