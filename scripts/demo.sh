#!/usr/bin/env bash
# The main job on a fresh machine: install what is missing, build, create the
# demo database (SQLite, demo data) and publish its action pads unattended.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
admin="${BUILD_DIR:-$root/build}/bin/corvane-admin"
demo=${DEMO_DIR:-$root/build/demo}
rm -rf "$demo"
mkdir -p "$demo"
db="$demo/corvane.db"

"$admin" init --database "$db" --demo
"$admin" publish --database "$db"
"$admin" actionpads show --database "$db"
