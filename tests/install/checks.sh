#!/usr/bin/env bash
# The checks on an installed tree (install-test.sh runs them with the build
# folder hidden):  checks.sh PREFIX ADDIN_DIR_IN_PREFIX WORK
set -euo pipefail
prefix=$1 addins=$2 work=$3
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$TMPDIR"
cd "$work" # the folder CTest started in is hidden
db=$work/demo/corvane.db
registry=$XDG_CONFIG_HOME/Corvane/Components.conf

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs the installed corvane-admin of the prefix; its output in $work/out and
# $work/err, its exit code in $code. The dynamic loader's list of the files it
# loaded goes to $work/ld.<pid>.
admin() {
  local tree=$1
  shift
  rm -f "$work"/ld.*
  code=0
  LD_DEBUG=files LD_DEBUG_OUTPUT=$work/ld "$tree/bin/corvane-admin" "$@" >"$work/out" \
    2>"$work/err" || code=$?
}

expect() {
  local wanted=$1 what=$2
  [[ $code == "$wanted" ]] ||
    fail "$what exited $code, not $wanted; stdout: $(cat "$work/out"); stderr: $(cat "$work/err")"
}

# Where the run's add-in library was loaded from (initialised, not only tried).
loadedAddin() {
  sed -n 's/.*calling init: \(.*libcorvane-brimble\.so\).*/\1/p' "$work"/ld.* | sort -u
}

# The programs, the add-in with its dictionaries, the desktop entry, the icon and
# the man page are where the README says.
for file in bin/corvane-admin bin/brimble-testform "$addins/libcorvane-brimble.so" \
  "$addins/translation/Brimble_en.qm" "$addins/translation/Brimble_de.qm" \
  share/applications/corvane-admin.desktop share/icons/hicolor/32x32/apps/corvane-admin.png \
  share/man/man1/corvane-admin.1; do
  [[ -s "$prefix/$file" ]] || fail "$file is not installed"
done

# The man page is sound troff and names every command and option of the
# program's own help.
groff -man -ww -z "$prefix/share/man/man1/corvane-admin.1" 2>"$work/err"
[[ ! -s "$work/err" ]] || fail "the man page has faults: $(cat "$work/err")"
admin "$prefix" --help
expect 0 "--help"
manText=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$prefix/share/man/man1/corvane-admin.1")
for option in $(grep -o -- '--[a-z][a-z-]*' "$work/out" | sort -u); do
  grep -qF -- "$option" <<<"$manText" || fail "the man page does not describe $option"
done
while read -r words; do
  grep -qF -- ".B $words" <<<"$manText" || fail "the man page has no section for \"$words\""
done < <(sed -n 's/^  corvane-admin \[\{0,1\}\([a-z]\+\( [a-z]\+\)\{0,1\}\).*/\1/p' "$work/out" | sort -u)

mkdir -p "$work/demo"
admin "$prefix" init --database "$db" --demo
expect 0 "init --demo"

admin "$prefix" publish --database "$db"
expect 0 "publish"
[[ "$(loadedAddin)" == "$prefix/$addins/libcorvane-brimble.so" ]] ||
  fail "the add-in was loaded from $(loadedAddin), not from the installed folder"
grep -qxF "The action pads are published." "$work/out" || fail "publish said: $(cat "$work/out")"
# The browser engine is the window's web bar's alone.
! grep -q "libQt6WebEngine" "$work"/ld.* || fail "the command line loaded Qt WebEngine"
grep -qF "=$prefix/$addins/libcorvane-brimble.so" "$registry" ||
  fail "the add-in is not registered from the installed folder: $(cat "$registry")"

admin "$prefix" actionpads show --database "$db" --json
expect 0 "actionpads show"
python3 -c 'import json,sys; d=json.load(sys.stdin); sys.exit(0 if d["entries"] and d["size"] > 0 else 1)' \
  <"$work/out" || fail "actionpads show lists no archive: $(cat "$work/out")"

# Moved: the whole tree runs from its new place (RPATHs relative to the
# program) and the registration follows the add-in, said in one line.
mv "$prefix" "$work/moved"
moved=$work/moved
echo "<p>changed</p>" >>"$(find "$work/demo/web" -name '*.htm' -print -quit)"
admin "$moved" publish --database "$db" --language de
expect 0 "publish after the move"
grep -qxF "Die Action Pads sind veröffentlicht." "$work/out" ||
  fail "the add-in's German dictionary was not used: $(cat "$work/out")"
[[ "$(loadedAddin)" == "$moved/$addins/libcorvane-brimble.so" ]] ||
  fail "after the move the add-in was loaded from $(loadedAddin)"
grep -F "$moved/$addins/libcorvane-brimble.so" "$work/err" | grep -qF "$prefix/$addins" ||
  fail "the move is not reported: $(cat "$work/err")"
[[ $(grep -c "Registered again" "$work/err") == 1 ]] || fail "not one line: $(cat "$work/err")"

# Removed: the registration is dropped in one line and the publish fails
# cleanly, saying where the add-in was looked for.
rm "$moved/$addins/libcorvane-brimble.so"
admin "$moved" publish --database "$db"
expect 1 "publish without the add-in"
grep -qF "$moved/$addins/libcorvane-brimble.so is gone" "$work/err" ||
  fail "the removed add-in is not reported: $(cat "$work/err")"
grep -qF "no configuration page publishes action pads" "$work/err" ||
  fail "the missing add-in is not named: $(cat "$work/err")"
! grep -qF "libcorvane-brimble.so" "$registry" || fail "a stale registration is left: $(cat "$registry")"
echo "installed tree: ok"
