#!/usr/bin/env bash
# Builds the Debian package corvane-brimble_<version>_<arch>.deb with CPack
# (cmake/CorvaneInstall.cmake) and puts it in OUT_DIR, by default the build
# folder ($BUILD_DIR or build/). Install it with: apt install ./corvane-brimble_*.deb
#   scripts/package.sh [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${1:-$build}

"$root/scripts/setup.sh"
if grep -qs '^CORVANE_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "package.sh: $build is a sanitizer build; package a normal one (BUILD_DIR)" >&2
  exit 1
fi
BUILD_DIR=$build "$root/scripts/build.sh"

# CPack stages the package below the build folder, then the .deb moves out.
staging=$build/package
rm -rf "$staging"
if ! (cd "$build" && cpack -G DEB -B "$staging") >"$build/package.log" 2>&1; then
  cat "$build/package.log" >&2
  exit 1
fi
mkdir -p "$out"
for deb in "$staging"/*.deb; do
  mv -f "$deb" "$out/"
  echo "$(cd "$out" && pwd)/$(basename "$deb")"
done
