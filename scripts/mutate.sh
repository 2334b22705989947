#!/usr/bin/env bash
# Puts deliberate faults into a scratch copy of the tree, one at a time, and
# tells for each whether the tests catch it (a test fails) or miss it.
#
#   scripts/mutate.sh                 every fault
#   scripts/mutate.sh 3 7 12          only these faults
#   scripts/mutate.sh --check         only whether every fault's text is still found
#   scripts/mutate.sh --list          the faults, numbered
#
# Each fault is a file, the text to find (exact, or a Perl regex when it starts
# with "re:"), its replacement (with a regex, $1... are its groups), and the
# tests to run (a ctest -R regex). Only the first match is replaced. A text that
# no longer matches stops the run before anything is built: "fault N: pattern
# not found" (the code moved on; fix the fault's text).
#
# The copy (of the working tree, without builds and .git) and its build
# folder are reused between runs: each fault is an incremental build through the
# shared compiler cache. Environment:
#   MUTATE_SOURCE   the tree to copy (default: the one this script is in)
#   MUTATE_DIR      scratch folder (default build-mutate/ in the tree)
#   MUTATE_JOBS     build and test jobs (default: nproc)
#   MUTATE_ALL=1    run the whole suite for every fault instead of its selection
# PostgreSQL tests run when CORVANE_TEST_PG_URL is set (eval "$(scripts/start-postgres.sh)").
set -uo pipefail

root=${MUTATE_SOURCE:-$(cd "$(dirname "$0")/.." && pwd)}
scratch=${MUTATE_DIR:-$root/build-mutate}
jobs=${MUTATE_JOBS:-$(nproc)}
# Through ccache when the machine has it: after the first fault each build is mostly cache hits.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi

FILES=() FINDS=() REPLACES=() TESTS=() WHATS=()
fault() { WHATS+=("$1") FILES+=("$2") FINDS+=("$3") REPLACES+=("$4") TESTS+=("$5"); }

E2E='tst_e2e_publish(cli|faults)'
# ---------------------------------------------------------------------------------------- platform
fault "temporary file names carry another process id" platform/tempfile.cpp \
  'QString::number(QCoreApplication::applicationPid())' \
  'QString::number(QCoreApplication::applicationPid() + 1)' \
  "^tst_tempfile$|$E2E"
fault "file names matched case-sensitively on disk" platform/paths.cpp \
  'entry.compare(part, Qt::CaseInsensitive) == 0' 'entry.compare(part, Qt::CaseSensitive) == 0' \
  '^tst_paths$|tst_actionpadarchiver|tst_utility|tst_zipcomponent|tst_actionpad$'
fault "program settings under another organisation" platform/programsettings.cpp \
  'QSettings::UserScope, QStringLiteral("Corvane")' 'QSettings::UserScope, QStringLiteral("Corvan")' \
  '^tst_programsettings$|tst_frmactionpadproperties'
fault "twips truncated instead of rounded" platform/twips.cpp \
  'std::lround(twips / perPixel(widget))' 'std::trunc(twips / perPixel(widget))' \
  '^tst_twips$|tst_controlresizer'
# ------------------------------------------------------------------------------------------- dravo
fault "stored SHA-256 not checked on reading" dravo/actionpadstore.cpp \
  're:else if \(!result\.storedSha256\.isEmpty\(\) && result\.storedSha256 != result\.sha256\)' \
  'else if (false)' \
  "tst_actionpadstore|tst_admincommands|$E2E"
fault "a nested rollback does not doom the outer transaction" dravo/engine.cpp \
  're:m_rollbackOnly = true;(\s*return;)' '$1' \
  '^tst_engine$|tst_actionpadstore|tst_actionpadpublisher'
fault "settings paths compared case-sensitively" dravo/settingstree.cpp \
  'return text.toCaseFolded();' 'return text;' \
  '^tst_settingstree$|tst_admincommands|tst_application$'
fault "an attribute with an empty value is stored instead of removed" dravo/actionpadstore.cpp \
  'if (it.value().isEmpty()) {' 'if (false) {' \
  "tst_actionpadstore|tst_dravowrapper|tst_actionpad$|tst_actionpadpublisher|$E2E"
fault "server cache generation counts by two" dravo/servercache.cpp \
  'generation = generation + 1' 'generation = generation + 2' \
  "tst_dataupdate|tst_actionpadpublisher|$E2E"
fault "a failed transaction is not rolled back" dravo/engine.h \
  're:rollback\(\);(\s*throw;)' '$1' \
  '^tst_engine$|tst_actionpadstore|tst_actionpadpublisher'
fault "nested transactions counted one level short" dravo/engine.cpp \
  're:if \(m_transactionDepth > 0\) \{(\s*\+\+m_transactionDepth;)' 'if (m_transactionDepth > 1) {$1' \
  '^tst_engine$|tst_actionpadstore|tst_actionpadpublisher'
fault "settings nodes allowed one level less" dravo/settingstree.cpp \
  'kMaxDepth = 64;' 'kMaxDepth = 63;' \
  '^tst_settingstree$|tst_admincommands'
fault "a refresh without the server cache record succeeds" dravo/servercache.cpp \
  'currentMSecsSinceEpoch()).scalar().isValid())' \
  'currentMSecsSinceEpoch()).scalar().isValid() && false)' \
  'tst_dataupdate'
fault "a publish record counts no changed entries" dravo/entrylisting.cpp \
  'changes.changed += before->crc != after->crc;' 'changes.changed += 0;' \
  "tst_actionpadstore|$E2E"
fault "an archive's zip64 end record is read at the wrong place" dravo/entrylisting.cpp \
  'directory = {le<quint64>(zip64 + 32),' 'directory = {le<quint64>(zip64 + 40),' \
  'tst_actionpadstore'
fault "a kept listing that cannot be read stands for the archive's" dravo/publishrecord.cpp \
  're:listing = keptListing\(engine\);\s*if \(listing\)' 'listing = keptListing(engine); if (true)' \
  "tst_actionpadstore|$E2E"
# --------------------------------------------------------------------------------------------- zip
fault "a file's name keeps the separator before it" zip/zipnaming.cpp \
  'return sourcePath.mid(cut + 1);' 'return sourcePath.mid(cut);' \
  'tst_zipnaming|tst_zipcomponent|tst_actionpadarchiver'
fault "parent parts kept in stored names" zip/zipnaming.cpp \
  'if (part != QLatin1String(".") && part != QLatin1String(".."))' \
  'if (part != QLatin1String("."))' \
  'tst_zipnaming|tst_zipcomponent'
fault "a link out of the listed folders is followed" zip/filewalker.cpp \
  're:(outside the folders listed; skipped"\)\s*\.arg\(sourcePath, real\)\);\s*)return false;' \
  '${1}return true;' \
  "tst_zipcomponent|tst_actionpadarchiver|$E2E"
fault "compressed file types told by case-sensitive extension" zip/zipnaming.cpp \
  'fileName.mid(dot + 1).toLower()' 'fileName.mid(dot + 1)' \
  'tst_zipnaming|tst_zipcomponent'
fault "a non-ASCII entry name goes without the UTF-8 flag" zip/archivewriter.cpp \
  'put(header, ascii ? 0 : 0x800, 2);' 'put(header, ascii ? 0 : 0, 2);' \
  'tst_zipcomponent'
fault "a streamed entry's sizes are not written back into its local header" zip/archivewriter.cpp \
  'ok = ok && output.rewrite(offset + 14, sizes.constData(), 12) &&' 'ok = ok &&' \
  'tst_zipcomponent'
# ----------------------------------------------------------------------------------------- publish
fault "a clash of names is dropped" publish/archiveranalysis.cpp \
  'm_HasDuplicates = true;' ';' \
  "tst_actionpadarchiver|tst_actionpadpublisher|$E2E|tst_windowlayout"
fault "names clash only in the same letter case" publish/archivefile.cpp \
  'hash = hash * 31 + QChar::toCaseFolded(c);' 'hash = hash * 31 + c;' \
  "tst_actionpadarchiver|$E2E"
fault "the records go before every previewed file reached the zip step" publish/archiverzipstep.cpp \
  'if (m_NotYetZipped == 0)' 'if (m_NotYetZipped <= 1)' \
  "tst_actionpadarchiver|$E2E"
fault "a previewed file gone before the zip step goes unnoticed" publish/archiverzipstep.cpp \
  'if (!record.IsExcluded() && !m_Zipped.testBit(i))' 'if (false)' \
  "tst_actionpadarchiver|$E2E"
fault "the SQLite database file is archived" publish/archiveranalysis.cpp \
  'if (IsDatabaseFile(sSourceFilename)) {' 'if (false) {' \
  "tst_actionpadarchiver|$E2E"
fault "an archive name is the whole path" publish/archiveranalysis.cpp \
  'return path.mid(prefix.size() + 1);' 'return path;' \
  "tst_actionpadarchiver|tst_actionpadpublisher|$E2E"
fault "a pad left out of the archive is repointed by case-sensitive name" publish/archiveranalysis.cpp \
  're:(other\.ArchiveNameView\(\)\.compare\(record\.ArchiveNameView\(\),\s*)Qt::CaseInsensitive' \
  '${1}Qt::CaseSensitive' \
  "tst_actionpadarchiver|$E2E"
# ------------------------------------------------------------------------------------------ editor
fault "10 MB size rule off by one" editor/actionpadpublisher.cpp \
  'size <= kArchiveSizeLimit' 'size < kArchiveSizeLimit' \
  "tst_actionpadpublisher|tst_ucactionpadeditor|$E2E"
fault "the outcome is told before the page is idle again" editor/actionpadpublisher.cpp \
  're:EndPublish\(\);(\s*)SetOutcome\(outcome\);' 'SetOutcome(outcome);${1}EndPublish();' \
  "tst_actionpadpublisher|tst_ucactionpadeditor|$E2E"
fault "a failed store is not rolled back" editor/actionpadpublisher.cpp \
  'database->Rollback();' ';' \
  "tst_actionpadpublisher|tst_ucactionpadeditor|$E2E"
fault "a web address loses its query part" editor/actionpadpublisher.cpp \
  'if (!file.isEmpty() && !ApplicationManager::IsUrl(file)) {' 'if (!file.isEmpty()) {' \
  "tst_actionpadpublisher|tst_ucactionpadeditor|$E2E"
# ------------------------------------------------------------------------------------------- model
fault "the pad folder matched case-sensitively" model/actionpad.cpp \
  'fileName.left(folder.size()).compare(folder, Qt::CaseInsensitive) == 0' \
  'fileName.left(folder.size()).compare(folder, Qt::CaseSensitive) == 0' \
  'tst_actionpad$|tst_frmactionpadproperties|tst_ucactionpadeditor|tst_actionpadpublisher'
fault "the overview's pad written to the database's attribute" model/actionpad.cpp \
  'return QStringLiteral("overviewactionpad");' 'return QStringLiteral("defaultactionpad");' \
  "tst_actionpad$|tst_actionpadpublisher|$E2E"
# ------------------------------------------------------------------------------------------- addin
fault "a text not found falls back to nothing instead of its key" addin/resourcemanager.cpp \
  'QString result = key;' 'QString result;' \
  'tst_resourcemanager|tst_ui$'
fault "{vbNewLine} becomes a bare line feed" addin/resourcemanager.cpp \
  'QLatin1String("\r\n")' 'QLatin1String("\n")' \
  'tst_resourcemanager|tst_ui$|tst_actionpadpublisher'
# -------------------------------------------------------------------------------------------- host
fault "a key missing from the dictionary gives an empty text" host/impl/translator.cpp \
  're:if \(text\.isEmpty\(\)\)(\s*)Platform::raiseError' 'if (false)${1}Platform::raiseError' \
  'tst_translator|tst_resourcemanager'
fault "combining a name with the root doubles the separator" host/impl/utility.cpp \
  'return base + rest; // the root itself' 'return base + Platform::Paths::separator() + rest;' \
  'tst_utility|tst_application$'
fault "a language without a dictionary gets no English" host/impl/translator.cpp \
  'languages.append(QStringLiteral("en"));' '' \
  'tst_translator|tst_resourcemanager'
fault "registrations of vanished add-in libraries kept" host/impl/addinmanager.cpp \
  're:dropVanished\(\);(\s*return registered;)' '$1' \
  'tst_addinmanager'
fault "the web bar ignores a new archive under the same page names" host/impl/webbar.cpp \
  'store.contentSha256()};' 'QString()};' \
  'tst_mainwindow'
fault "Tools > Configure opens no dialog" host/impl/mainwindow.cpp \
  'dialog.exec();' 'dialog.hide();' \
  'tst_mainwindow'
fault "a dictionary that is nowhere is selected without a word" host/impl/translator.cpp \
  'Platform::raiseError(Platform::ErrorNumber::FileNotFound' \
  'if (false) Platform::raiseError(Platform::ErrorNumber::FileNotFound' \
  'tst_translator'
# --------------------------------------------------------------------------------------------- app
fault "a refresh failing after the commit exits 1, not 3" app/publishcommand.cpp \
  'constexpr int kExitNotRefreshed = 3;' 'constexpr int kExitNotRefreshed = 1;' \
  "tst_admincommands|$E2E"
fault "a signal ends the publish with exit 1, not 128 + signal" app/interruption.cpp \
  '_exit(128 + signal);' '_exit(1);' \
  "tst_admincommands|$E2E"
fault "a progress report over 100 % draws past the bar's end" app/statusprinter.cpp \
  'percent = std::clamp(percent, 0, 100);' ';' \
  'tst_statusprinter'
fault "one dot stands for 4 %, not 5 %" app/statusprinter.cpp \
  'constexpr int kPercentPerDot = 5;' 'constexpr int kPercentPerDot = 4;' \
  "tst_statusprinter|$E2E"
# ------------------------------------------------------------------------------------------ layout
fault "a control anchored left and right keeps its right margin twice" layout/controlresizer.cpp \
  'width = (cw - record.Left) - rightMargin;' 'width = (cw - record.Left) - 2 * rightMargin;' \
  'tst_controlresizer|tst_windowlayout'
fault "a form smaller than its minimum shrinks controls anyway" layout/controlresizer.cpp \
  're:if \(cw < m_MinWidth\)(\s*)cw = m_MinWidth;' 'if (false)${1}cw = m_MinWidth;' \
  'tst_controlresizer|tst_windowlayout'
fault "a control anchored at the bottom ignores its bottom margin" layout/controlresizer.cpp \
  'top = (ch - record.Height) - bottomMargin;' 'top = ch - record.Height;' \
  'tst_controlresizer|tst_windowlayout'

count=${#FILES[@]}
mode=run
selected=()
for argument in "$@"; do
  case $argument in
    --check) mode=check ;;
    --list) mode=list ;;
    -h|--help) sed -n '2,/^set /p' "$0" | sed '$d'; exit 0 ;;
    *) [[ $argument =~ ^[0-9]+$ && $argument -ge 1 && $argument -le $count ]] ||
         { echo "mutate: no fault \"$argument\" (1..$count)" >&2; exit 2; }
       selected+=("$argument") ;;
  esac
done
[[ ${#selected[@]} -gt 0 ]] || selected=($(seq 1 "$count"))

if [[ $mode == list ]]; then
  for n in "${selected[@]}"; do
    i=$((n - 1))
    printf '%2d  %-28s %s\n' "$n" "${FILES[$i]}" "${WHATS[$i]}"
  done
  exit 0
fi

# Applies fault $1 (1-based) to the tree under $2: 0 done, 1 not found.
apply() {
  local i=$(($1 - 1))
  FIND=${FINDS[$i]} REPLACE=${REPLACES[$i]} perl -0777 -i -pe '
    BEGIN { $found = 0 }
    my $find = $ENV{FIND};
    my $re = $find =~ s/^re:// ? qr/$find/ : qr/\Q$find\E/;
    my $with = $ENV{REPLACE};
    # $1, ${1}... in the replacement are the groups of the match; nothing else is special.
    if (s/$re/my @c = @{^CAPTURE}; (my $w = $with) =~ s{\$\{?(\d+)\}?}{$c[$1 - 1]}g; $w/e) {
      $found = 1;
    }
    END { exit($found ? 0 : 1) }' "$2/${FILES[$i]}"
}

# Every fault's text must be found in the tree as it stands.
check() {
  local bad=0 probe n i
  probe=$(mktemp -d)
  for n in "${selected[@]}"; do
    i=$((n - 1))
    if [[ ! -f $root/${FILES[$i]} ]]; then
      echo "fault $n: ${FILES[$i]} does not exist" >&2; bad=1; continue
    fi
    mkdir -p "$probe/$(dirname "${FILES[$i]}")"
    cp "$root/${FILES[$i]}" "$probe/${FILES[$i]}"
    if ! apply "$n" "$probe" || cmp -s "$root/${FILES[$i]}" "$probe/${FILES[$i]}"; then
      echo "fault $n: pattern not found in ${FILES[$i]}: ${FINDS[$i]}" >&2; bad=1
    fi
  done
  rm -rf "$probe"
  return $bad
}

check || { echo "mutate: fix the faults above first" >&2; exit 2; }
[[ $mode == check ]] && { echo "all ${#selected[@]} faults found"; exit 0; }

src=$scratch/tree
build=$src/build
log=$scratch/logs
mkdir -p "$src" "$log"
# A fresh copy of the sources; the build folder stays, and files keep their times.
find "$src" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
tar -C "$root" --exclude=./.git --exclude='./build*' -cf - . | tar -C "$src" -xf -
echo "mutate: building the unchanged copy in $build" >&2
# An executable is not linked again when only a shared library it uses changed: it loads the
# new one when it runs.
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DCMAKE_LINK_DEPENDS_NO_SHARED=ON >"$log/configure.log" 2>&1 &&
  cmake --build "$build" -j"$jobs" >"$log/build-0.log" 2>&1 ||
  { echo "mutate: the unchanged copy does not build (see $log)" >&2; exit 2; }

# Programs and modules that tests start or load at run time, where they exist.
available=$(cmake --build "$build" --target help | awk '{print $2}')
modules=()
for target in corvane-admin corvane-brimble corvane-probe-addin corvane-probe-plain \
              corvane-testcomponent webbarview; do
  grep -qx -- "$target" <<<"$available" && modules+=("$target")
done

# Builds what the tests named need (a test's target has its name) and runs them: 0 all passed,
# 1 a test failed, 2 the build failed.
build_and_test() {
  local n=$1 stage=$2 names=("${@:3}") targets=() name
  for name in "${names[@]}"; do
    grep -qx -- "$name" <<<"$available" && targets+=("$name")
  done
  cmake --build "$build" -j"$jobs" --target "${targets[@]}" "${modules[@]}" \
    >"$log/build-$n-$stage.log" 2>&1 || return 2
  # Without timings from earlier runs ctest goes in the order the tests are registered.
  rm -f "$build/Testing/Temporary/CTestCostData.txt"
  local pattern
  pattern="^($(IFS='|'; echo "${names[*]}"))\$"
  ctest --test-dir "$build" -R "$pattern" -j"$jobs" --stop-on-failure --output-on-failure \
    >"$log/test-$n-$stage.log" 2>&1 && return 0
  failed=$(grep -oE '[0-9]+ - [A-Za-z0-9_]+ \(' "$log/test-$n-$stage.log" | head -1 |
           sed -E 's/^[0-9]+ - //; s/ \($//')
  return 1
}

caught=0 missed=0 broken=0
for n in "${selected[@]}"; do
  i=$((n - 1))
  file=${FILES[$i]}
  apply "$n" "$src" # found: checked above
  started=$SECONDS
  selection=()
  [[ ${MUTATE_ALL:-0} == 1 ]] || selection=(-R "${TESTS[$i]}")
  names=($(ctest --test-dir "$build" -N "${selection[@]}" | awk '/Test +#/ {print $3}'))
  # The unit tests first; the slow end-to-end ones only when those miss the fault.
  low=() high=()
  for name in "${names[@]}"; do
    if [[ $name =~ ^tst_(e2e_|windowlayout|install) ]]; then high+=("$name"); else low+=("$name"); fi
  done
  verdict=""
  failed=""
  if [[ ${#names[@]} -eq 0 ]]; then
    verdict="BROKEN (no test matches ${TESTS[$i]})"; broken=$((broken + 1))
  fi
  for stage in low high; do
    [[ -n $verdict ]] && break
    eval "group=(\"\${${stage}[@]}\")"
    [[ ${#group[@]} -gt 0 ]] || continue
    build_and_test "$n" "$stage" "${group[@]}"
    case $? in
      1) verdict="caught by ${failed:-a test}"; caught=$((caught + 1)) ;;
      2) verdict="BROKEN (does not build)"; broken=$((broken + 1)) ;;
    esac
  done
  [[ -n $verdict ]] || { verdict="MISSED"; missed=$((missed + 1)); }
  cp -p "$root/$file" "$src/$file"
  touch "$src/$file" # rebuilt as it was (from the cache) before the next fault
  printf '%2d  %-44s %-70s %4ds\n' "$n" "$verdict" "${WHATS[$i]}" $((SECONDS - started))
done

# Back to the unchanged state for the next run.
cmake --build "$build" -j"$jobs" >"$log/build-restore.log" 2>&1 || true
echo
echo "faults: ${#selected[@]}  caught: $caught  missed: $missed  broken: $broken (logs in $log)"
[[ $missed -eq 0 && $broken -eq 0 ]]
