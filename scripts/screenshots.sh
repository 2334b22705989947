#!/usr/bin/env bash
# Writes a PNG of every window of the host and the add-in, in English and
# German, into OUT_DIR: the configuration dialog with the action pad page, the
# confirmation box, the duplicates dialog with the demo's clash, the
# properties dialog, the test form and the administration window with its web
# bar. The windows are the real ones, drawn offscreen over a database made by
# "corvane-admin init --demo" and published. They are
# taken by the window layout test, which checks each of them as it goes; each
# window is taken at its default size and (*-minimum.png) at its minimum size.
#
#   scripts/screenshots.sh OUT_DIR
#   cp OUT_DIR/*-en.png docs/screenshots/     # the README's pictures
set -euo pipefail
if (($# != 1)); then
  echo "usage: $0 OUT_DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build" -j"$(nproc)" --target tst_windowlayout corvane-admin >/dev/null

mkdir -p "$1"
out=$(cd "$1" && pwd)
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/config" "$sandbox/home" "$sandbox/tmp"

# A private user folder, as the tests have: no real settings are read or written.
env XDG_CONFIG_HOME="$sandbox/config" HOME="$sandbox/home" TMPDIR="$sandbox/tmp" \
  CORVANE_ADDIN_DIR="$build/lib" CORVANE_BIN_DIR="$build/bin" QT_QPA_PLATFORM=offscreen \
  CORVANE_SCREENSHOT_DIR="$out" \
  "$build/tests/bin/tst_windowlayout" everyWindowFitsItsTexts >"$sandbox/log" 2>&1 || {
  cat "$sandbox/log" >&2
  echo "$0: a window does not fit its texts (above); its picture is written all the same" >&2
}
count=$(find "$out" -maxdepth 1 -name '*.png' | wc -l)
echo "$count pictures in $out"
((count >= 12))
