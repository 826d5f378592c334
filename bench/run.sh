#!/usr/bin/env bash
# Benchmarks the copy engine against Wine's own tools on one generated tree:
#   - the plain tree: bench_engine.exe against `xcopy /E /I`, also over the
#     tree installed already (every file replaced), and the undoing of that
#     copy (an abandoned run) against the copy;
#   - the same tree SZDD-compressed by mscompress: bench_engine.exe against
#     Wine's expand.exe (which calls the same LZCopy), on the big files and on
#     a sample of the small ones (expand.exe takes one file per call);
#   - the time from starting setup.exe on the sample medium to its visible
#     welcome dialog (welcome_bench.exe, through the UI robot);
#   - the uninstaller's removal of the plain tree, each file's content read
#     and checked first (bench_uninstall.exe), against `cmd /c rmdir /s /q`;
#   - a run ended before its end (the task list's End task) and the next
#     start's repair from its journal, against the copy; and the journal's
#     share of the plain copy (the engine with and without it).
# Usage: bench/run.sh [FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB]
# (default 200 folders of 25 small files, plus 3 files of 40 MB). Everything is
# written under the build tree (build/benchwork/SIZE).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folders=${1:-200}
perFolder=${2:-25}
bigFiles=${3:-3}
bigMb=${4:-40}
sample=100

source "$root/tools/common.sh"
bench="$BUILD_DIR/bench/bench_engine.exe"
welcomeBench="$BUILD_DIR/bench/welcome_bench.exe"
uninstallBench="$BUILD_DIR/bench/bench_uninstall.exe"
configure_and_build setup bench_engine welcome_bench bench_uninstall
start_wine_session

work="$BUILD_DIR/benchwork/$folders-$perFolder-$bigFiles-$bigMb"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The tree, made once per size (mscompress takes minutes for the big files).
if [ ! -f "$work/done" ]; then
  echo "Generating $folders folders of $perFolder files and $bigFiles files of $bigMb MB..." >&2
  rm -rf "$work"
  mkdir -p "$work"
  python3 "$root/bench/make_tree.py" "$work/plain" "$folders" "$perFolder" "$bigFiles" "$bigMb"
  cp -r "$work/plain" "$work/szdd"
  echo "Compressing with mscompress..." >&2
  find "$work/szdd" -type f -print0 | xargs -0 -n 500 mscompress
  # On the medium a compressed file keeps its own name.
  python3 - "$work/szdd" <<'PY'
import os, sys
for folder, _, names in os.walk(sys.argv[1]):
    for name in names:
        if name.endswith("_"):
            os.replace(os.path.join(folder, name), os.path.join(folder, name[:-1]))
PY
  touch "$work/done"
fi

fresh() { rm -rf "$work/$1"; mkdir -p "$work/$1"; }
# Runs a Windows program under Wine; prints its wall time in seconds.
timed() {
  local start end
  start=$(now)
  wine "$@" >"$work/last.out" 2>&1 </dev/null
  end=$(now)
  elapsed "$start" "$end"
}
field() { tr -d '\r' < "$work/last.out" | awk -v k="$1" '$1 == k { print $2, $3 }'; }
minimum() { printf '%s\n' "$@" | sort -g | head -n 1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
sum() { printf '%s\n' "$@" | awk '{ s += $1 } END { printf "%.3f", s }'; }
# The engine on SOURCE (a folder under $work) in MODE (plain|compressed) and
# FIELDS (fields|nofields), with its journal on the disk unless JOURNAL says
# nojournal; sets engineWall and engineOwn.
engine() {
  fresh out-engine
  engineWall=$(timed "$bench" "$(winpath "$work/$1")" "$(winpath "$work/out-engine")" "$2" "$3" - "${4:-journal}")
  engineOwn=$(field engine_seconds)
  engineListing=$(field listing_seconds)
  engineJournal=$(field journal_seconds)
  [ "$(field expand_failed)" = "0 " ] || echo "WARNING: the engine reported failed expansions" >&2
}
# expand.exe on one file, less its start: the same call on an empty compressed
# file (its header alone) right after it.
expandNet() {
  local full empty
  full=$(timed expand "$(winpath "$1")" "$(winpath "$2")")
  empty=$(timed expand "$(winpath "$work/EMPTY.SZ")" "$(winpath "$work/EMPTY.OUT")")
  awk -v a="$full" -v b="$empty" 'BEGIN { printf "%.3f %.3f\n", a, a - b }'
}
runs=3
smallFiles=$((folders * perFolder))

# What one expand.exe call costs besides expanding (for the heading): its start
# on a compressed file that is empty (its header alone), the median of five.
printf 'SZDD\x88\xf0\x27\x33A\0\0\0\0\0' > "$work/EMPTY.SZ"
starts=()
for _ in 1 2 3 4 5; do starts+=("$(timed expand "$(winpath "$work/EMPTY.SZ")" "$(winpath "$work/EMPTY.OUT")")"); done
startup=$(median "${starts[@]}")

# 1. The plain tree: the engine (with and without its progress fields)
# against xcopy, the runs interleaved so that a change of the machine's load
# touches all three alike.
# The files are read once first, so that no run pays for the disk.
cat "$work"/plain/*/* "$work"/szdd/*/* >/dev/null
fresh out-engine
timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields count >/dev/null
read -r destProbing destPassByPass < <(field measurements_dest)
read -r deepProbing deepPassByPass < <(field measurements_deep)
diff -rq "$work/plain" "$work/out-engine" >/dev/null || echo "WARNING: the engine's copy differs" >&2
walls=() owns=() bares=() xcopies=() listings=() unjournalled=() journalNotes=()
for _ in $(seq "$runs"); do
  engine plain plain fields
  walls+=("$engineWall") owns+=("$engineOwn") listings+=("$engineListing") journalNotes+=("$engineJournal")
  engine plain plain nofields
  bares+=("$engineOwn")
  engine plain plain fields nojournal
  unjournalled+=("$engineOwn")
  fresh out-xcopy
  xcopies+=("$(timed xcopy /E /I "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")")
done
plainWall=$(minimum "${walls[@]}") plainOwn=$(minimum "${owns[@]}") plainBare=$(minimum "${bares[@]}")
xcopyWall=$(minimum "${xcopies[@]}") plainListing=$(minimum "${listings[@]}")
plainUnjournalled=$(minimum "${unjournalled[@]}") plainJournal=$(minimum "${journalNotes[@]}")

# The plain tree copied and then undone, as an abandoned run is undone: the
# time of the undoing against the copy's own.
copies=() rollbacks=()
for _ in $(seq "$runs"); do
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields rollback >/dev/null
  copies+=("$(field engine_seconds)") rollbacks+=("$(field rollback_seconds)")
  [ "$(field rollback_whole)" = "1 " ] || echo "WARNING: the rollback reported what it could not undo" >&2
  [ -z "$(ls -A "$work/out-engine")" ] || echo "WARNING: the rollback left files behind" >&2
done
rollbackCopy=$(minimum "${copies[@]}") rollback=$(minimum "${rollbacks[@]}")

# The process ended right after the copy, before the run's end (as the task
# list ends it), and the next start's repair from the journal: of the plain
# tree copied afresh, and of it copied over itself installed (every original
# kept aside, then put back). The repair's time against the copy's own.
killedCopies=() repairs=() killedReplaces=() replaceRepairs=()
for _ in $(seq "$runs"); do
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields repair >/dev/null
  killedCopies+=("$(field engine_seconds)") repairs+=("$(field repair_seconds)")
  [ "$(field repair_whole)" = "1 " ] || echo "WARNING: the repair reported what it could not undo" >&2
  [ -z "$(ls -A "$work/out-engine")" ] || echo "WARNING: the repair left files behind" >&2
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields >/dev/null
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields repair >/dev/null
  killedReplaces+=("$(field engine_seconds)") replaceRepairs+=("$(field repair_seconds)")
  [ "$(field repair_whole)" = "1 " ] || echo "WARNING: the repair reported what it could not undo" >&2
  [ "$(find "$work/out-engine" -name '*~sx*' | wc -l)" = 0 ] || echo "WARNING: kept originals were left" >&2
  diff -rq "$work/plain" "$work/out-engine" >/dev/null || echo "WARNING: the repaired tree differs" >&2
done
killedCopy=$(minimum "${killedCopies[@]}") repair=$(minimum "${repairs[@]}")
killedReplace=$(minimum "${killedReplaces[@]}") replaceRepair=$(minimum "${replaceRepairs[@]}")

# The plain tree copied over itself installed: every file replaced (Yes To
# All), each original moved aside and deleted when the run ends, against
# xcopy overwriting (/Y) the same tree.
replaces=() xreplaces=()
for _ in $(seq "$runs"); do
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields >/dev/null
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields >/dev/null
  replaces+=("$(field engine_seconds)")
  [ "$(field replaced_files)" = "$((folders * perFolder + bigFiles)) " ] ||
    echo "WARNING: the engine replaced $(field replaced_files)files" >&2
  [ "$(find "$work/out-engine" -name '~sx*' | wc -l)" = 0 ] || echo "WARNING: kept originals were left" >&2
  fresh out-xcopy
  timed xcopy /E /I "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")" >/dev/null
  xreplaces+=("$(timed xcopy /E /I /Y "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")")
done
replaceOwn=$(minimum "${replaces[@]}") xcopyReplace=$(minimum "${xreplaces[@]}")

# 2. The big compressed files: the engine on the BIG folder, expand.exe once
# per file, interleaved.
walls=() owns=() totals=() nets=()
for _ in $(seq "$runs"); do
  engine szdd/BIG compressed fields
  walls+=("$engineWall") owns+=("$engineOwn")
  diff -rq "$work/plain/BIG" "$work/out-engine" >/dev/null || echo "WARNING: the engine's expansion differs" >&2
  fresh out-expand
  total=0 net=0
  for f in "$work"/szdd/BIG/*; do
    read -r full less < <(expandNet "$f" "$work/out-expand/$(basename "$f")")
    total=$(sum "$total" "$full") net=$(sum "$net" "$less")
  done
  totals+=("$total") nets+=("$net")
  diff -rq "$work/plain/BIG" "$work/out-expand" >/dev/null || echo "WARNING: expand.exe's output differs" >&2
done
bigWall=$(minimum "${walls[@]}") bigOwn=$(minimum "${owns[@]}")
expandBig=$(minimum "${totals[@]}") expandBigNet=$(minimum "${nets[@]}")

# 3. The small compressed files: all of them with the engine, a sample taken
# across the folders with expand.exe (one call each).
mkdir -p "$work/szdd-small"
for d in "$work"/szdd/DIR*; do [ -e "$work/szdd-small/$(basename "$d")" ] || ln -s "$d" "$work/szdd-small/"; done
owns=() bares=()
for _ in $(seq "$runs"); do
  engine szdd-small compressed fields
  owns+=("$engineOwn")
  engine szdd-small compressed nofields
  bares+=("$engineOwn")
done
smallOwn=$(minimum "${owns[@]}") smallBare=$(minimum "${bares[@]}")
diff -rq "$work/plain" "$work/out-engine" 2>/dev/null | grep -v "Only in $work/plain: BIG" | grep -q . &&
  echo "WARNING: the engine's expansion of the small files differs" >&2
fresh out-expand
expandSample=0 expandSampleNet=0 sampled=0
for f in $(find "$work/szdd" -path '*/DIR*' -type f | sort | awk -v n="$sample" -v total="$smallFiles" 'BEGIN { step = int(total / n); if (step < 1) step = 1 } (NR - 1) % step == 0'); do
  read -r full less < <(expandNet "$f" "$work/out-expand/$(basename "$(dirname "$f")")-$(basename "$f")")
  expandSample=$(sum "$expandSample" "$full") expandSampleNet=$(sum "$expandSampleNet" "$less")
  sampled=$((sampled + 1))
done
rm -rf "$work/out-engine" "$work/out-xcopy" "$work/out-expand"

# 4. Start to a visible welcome dialog, setup.exe on the sample medium: the
# median of five starts.
welcomes=()
for _ in 1 2 3 4 5; do
  wine "$welcomeBench" "$(winpath "$BUILD_DIR/setup.exe")" "$(winpath "$root/examples/medium")" \
    >"$work/last.out" 2>&1 </dev/null || echo "WARNING: the welcome dialog did not appear" >&2
  welcomes+=("$(field welcome_seconds)")
done
welcome=$(median "${welcomes[@]}")

# 5. Removing the plain tree: the uninstaller's removal (content check
# included, its own time) against rmdir less one start of cmd, each on a copy
# of its own made beforehand, the runs interleaved.
cmdStarts=()
for _ in 1 2 3 4 5; do cmdStarts+=("$(timed cmd /c exit)"); done
cmdStart=$(median "${cmdStarts[@]}")
removals=() rmdirs=()
for _ in $(seq "$runs"); do
  rm -rf "$work/out-uninstall" "$work/out-rmdir"
  cp -r "$work/plain" "$work/out-uninstall"
  cp -r "$work/plain" "$work/out-rmdir"
  cat "$work"/out-uninstall/*/* "$work"/out-rmdir/*/* >/dev/null
  timed "$uninstallBench" "$(winpath "$work/out-uninstall")" >/dev/null
  removals+=("$(field uninstall_seconds)")
  recordBytes=$(field record_bytes) entryRecordBytes=$(field entry_record_bytes)
  [ "$(field uninstall_left)" = "0 " ] && [ ! -e "$work/out-uninstall" ] ||
    echo "WARNING: the uninstaller left part of the tree" >&2
  rmdirs+=("$(timed cmd /c rmdir /s /q "$(winpath "$work/out-rmdir")")")
  [ ! -e "$work/out-rmdir" ] || echo "WARNING: rmdir left part of the tree" >&2
done
rm -rf "$work/out-uninstall" "$work/out-rmdir"
removal=$(minimum "${removals[@]}") rmdirWall=$(minimum "${rmdirs[@]}")

awk -v files="$smallFiles" -v bigFiles="$bigFiles" -v bigMb="$bigMb" -v startup="$startup" -v runs="$runs" \
    -v plainWall="$plainWall" -v plainOwn="$plainOwn" -v plainBare="$plainBare" -v xcopyWall="$xcopyWall" \
    -v bigWall="$bigWall" -v bigOwn="$bigOwn" -v expandBig="$expandBig" -v expandBigNet="$expandBigNet" \
    -v smallOwn="$smallOwn" -v smallBare="$smallBare" -v expandSample="$expandSample" \
    -v expandSampleNet="$expandSampleNet" -v sampled="$sampled" -v welcome="$welcome" \
    -v destProbing="$destProbing" -v destPassByPass="$destPassByPass" \
    -v rollback="$rollback" -v rollbackCopy="$rollbackCopy" -v replaceOwn="$replaceOwn" \
    -v xcopyReplace="$xcopyReplace" -v plainUnjournalled="$plainUnjournalled" -v plainJournal="$plainJournal" \
    -v killedCopy="$killedCopy" -v repair="$repair" -v killedReplace="$killedReplace" \
    -v replaceRepair="$replaceRepair" \
    -v deepProbing="$deepProbing" -v deepPassByPass="$deepPassByPass" -v plainListing="$plainListing" \
    -v removal="$removal" -v rmdirWall="$rmdirWall" -v cmdStart="$cmdStart" \
    -v recordBytes="$recordBytes" -v entryRecordBytes="$entryRecordBytes" 'BEGIN {
  total = files + bigFiles
  printf "\nCopy engine against the tools of Wine (best of %d runs; one expand.exe start: about %.3f s;\n", runs, startup
  printf "expand.exe less its start = each call less a call on an empty compressed file right after it)\n\n"
  printf "| work | engine | engine, no progress fields | tool of Wine | engine / tool |\n|---|---|---|---|---|\n"
  printf "| plain tree (%d files + %d x %d MB), whole programs, s | %.3f | | xcopy /E /I: %.3f | %.2f |\n", \
    files, bigFiles, bigMb, plainWall, xcopyWall, plainWall / xcopyWall
  printf "| plain tree, less one start each, s | %.3f | %.3f | %.3f | %.2f |\n", \
    plainOwn, plainBare, xcopyWall - startup, plainOwn / (xcopyWall - startup)
  printf "| plain tree, the listing for the bar (within the engine time), s | %.3f | | | %.0f %% of the copy |\n", \
    plainListing, plainListing / plainOwn * 100
  printf "| plain tree, the run journal on the disk: its notes timed alone (within the engine time), s | %.3f | | | %.1f %% of the copy |\n", \
    plainJournal, plainJournal / plainOwn * 100
  printf "| plain tree, the engine without its journal (against the engine with it: %.3f), s | %.3f | | | %+.1f %% |\n", \
    plainOwn, plainUnjournalled, (plainOwn - plainUnjournalled) / plainUnjournalled * 100
  printf "| plain tree over itself installed (every file replaced, originals kept, then deleted), less one start each, s | %.3f | | xcopy /E /I /Y: %.3f | %.2f |\n", \
    replaceOwn, xcopyReplace - startup, replaceOwn / (xcopyReplace - startup)
  printf "| plain tree copied, then undone as an abandoned run is, s | undoing: %.3f | | the copy: %.3f | %.2f |\n", \
    rollback, rollbackCopy, rollback / rollbackCopy
  printf "| plain tree copied, the process ended before the run ended, the next start'"'"'s repair, s | repair: %.3f | | the copy: %.3f | %.2f |\n", \
    repair, killedCopy, repair / killedCopy
  printf "| plain tree over itself installed, ended likewise, the repair (every original put back), s | repair: %.3f | | the copy: %.3f | %.2f |\n", \
    replaceRepair, killedReplace, replaceRepair / killedReplace
  printf "| SZDD %d x %d MB, whole programs, s | %.3f | | expand.exe x %d: %.3f | %.2f |\n", \
    bigFiles, bigMb, bigWall, bigFiles, expandBig, bigWall / expandBig
  printf "| SZDD %d x %d MB, less the starts, s | %.3f | | %.3f | %.2f |\n", \
    bigFiles, bigMb, bigOwn, expandBigNet, bigOwn / expandBigNet
  perExpand = expandSampleNet / sampled * 1000
  printf "| SZDD small files, per file less the starts, ms (engine: all %d, expand.exe: %d) | %.3f | %.3f | %.3f | %.2f |\n", \
    files, sampled, smallOwn / files * 1000, smallBare / files * 1000, perExpand, smallOwn / files * 1000 / perExpand
  printf "| SZDD small files, per file with its start, ms | | | %.3f | |\n", expandSample / sampled * 1000
  printf "| start to a visible welcome dialog (sample medium, median of 5), s | %.3f | | | |\n", welcome
  printf "| uninstall of the plain tree with the content check, its own time against rmdir less one cmd start (%.3f), s | %.3f | | cmd /c rmdir /s /q: %.3f | %.2f |\n", \
    cmdStart, removal, rmdirWall, removal / (rmdirWall - cmdStart)
  printf "| the install record of the tree: %d bytes; in the uninstall entry (the record, or its file name and hash), bytes | %d | | | |\n", \
    recordBytes, entryRecordBytes
  printf "\nPath shortening, measurements for the %d destination paths (probing, then bisecting / measuring every pass):\n", total
  printf "  under the benchmark folder: %d / %d; under a deep installation folder: %d / %d\n", \
    destProbing, destPassByPass, deepProbing, deepPassByPass
}'
