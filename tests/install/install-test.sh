#!/usr/bin/env bash
# The installed tree on its own: installs the build with `cmake --install` into
# a temporary prefix and runs init --demo, publish and actionpads show from it
# while the build folder is out of sight, then moves the installed tree and
# finally removes its add-in.
#
#   install-test.sh CMAKE BUILD_DIR ADDIN_DIR_IN_PREFIX
#
# Out of sight: the installed programs run in a mount namespace of their own
# (unshare) in which an empty file system is mounted over the build folder, so
# for them the build folder is gone, as if it were renamed away. Renaming the
# real folder would pull it from under CTest and from under every test that
# runs beside this one. Without the right to make a mount namespace the test
# is skipped (exit 77).
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [[ "${1:-}" == --hidden ]]; then
  # Second stage, in the namespace: hide the build folder, run the checks.
  shift
  build=$1 prefix=$2 addins=$3 work=$4
  mount -t tmpfs -o size=1m corvane-hidden-build "$build"
  [[ -z "$(ls -A "$build")" ]] || fail "the build folder $build is still visible"
  "$work/checks.sh" "$prefix" "$addins" "$work"
  exit
fi

cmake=$1 build=$(cd "$2" && pwd) addins=$3
source=$(cd "$(dirname "$0")/../.." && pwd)

# Outside the build folder (CTest's TMPDIR lies inside it).
work=$(mktemp -d "${CORVANE_INSTALL_TEST_TMP:-/tmp}/corvane-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
case "$work/" in "$build"/*) fail "the temporary folder $work lies in the build folder" ;; esac

"$cmake" --install "$build" --prefix "$work/first" >/dev/null
cp "$0" "$work/install-test.sh"
cp "$(dirname "$0")/checks.sh" "$work/checks.sh"
cp "$source/docs/corvane-admin.1" "$work/expected-man-page.1"

namespace=()
if unshare --mount true 2>/dev/null; then
  namespace=(unshare --mount)
elif unshare --user --map-root-user --mount true 2>/dev/null; then
  namespace=(unshare --user --map-root-user --mount)
else
  echo "SKIP: no mount namespace (unshare) for hiding the build folder" >&2
  exit 77
fi

# Nothing of the build tree's environment: the add-in folder and the programs'
# folder that CTest names, a library path, the test's settings.
env -u CORVANE_ADDIN_DIR -u CORVANE_BIN_DIR -u LD_LIBRARY_PATH -u CORVANE_LANGUAGE \
  HOME="$work/home" XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" XDG_RUNTIME_DIR= \
  "${namespace[@]}" bash "$work/install-test.sh" --hidden "$build" "$work/first" "$addins" "$work"
