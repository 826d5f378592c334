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
# Every row runs the engine and the tool alternately, five pairs (PAIRS), and
# gives the median of the pairs' ratios with the lowest and the highest: a
# change of the machine's load touches both sides of a pair alike.
# Usage: bench/run.sh [FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB]
# (default 200 folders of 25 small files, plus 3 files of 40 MB). Everything is
# written under the build tree (build/benchwork/SIZE), or under BENCH_WORK.
#        bench/run.sh --against [COMMIT] [FOLDERS ...]  (or BENCH_AGAINST=COMMIT)
# runs today's engine against an earlier commit's instead (bench/compare.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  --against=*) commit=${1#--against=}; shift; exec bash "$root/bench/compare.sh" "$commit" "$@" ;;
  --against) shift; exec bash "$root/bench/compare.sh" "$@" ;;
esac
[ -z "${BENCH_AGAINST:-}" ] || exec bash "$root/bench/compare.sh" "$@"
folders=${1:-200}
perFolder=${2:-25}
bigFiles=${3:-3}
bigMb=${4:-40}
sample=${SAMPLE:-20}
pairs=${PAIRS:-5}

source "$root/tools/common.sh"
bench="$BUILD_DIR/bench/bench_engine.exe"
welcomeBench="$BUILD_DIR/bench/welcome_bench.exe"
uninstallBench="$BUILD_DIR/bench/bench_uninstall.exe"
configure_and_build setup bench_engine welcome_bench bench_uninstall
start_wine_session

source "$root/bench/common.sh"

# The tree, made once per size (mscompress takes minutes for the big files).
if [ ! -f "$work/done" ]; then
  make_plain_tree
  echo "Compressing with mscompress..." >&2
  rm -rf "$work/szdd"
  cp -r "$work/plain" "$work/szdd"
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

# The engine on SOURCE (a folder under $work) in MODE (plain|compressed) and
# FIELDS (fields|nofields), with its journal on the disk unless JOURNAL says
# nojournal; sets engineWall and engineOwn, and what it said of its listing,
# its journal and the bar in its largest file.
engine() {
  fresh out-engine
  engineWall=$(timed "$bench" "$(winpath "$work/$1")" "$(winpath "$work/out-engine")" "$2" "$3" - "${4:-journal}")
  engineOwn=$(field engine_seconds)
  engineListing=$(field listing_seconds)
  engineJournal=$(field journal_seconds)
  engineBar=$(field bar_updates_in_largest | awk '{ print $1 }')
  engineLargest=$(field largest_file_bytes | awk '{ print $1 }')
  [ "$(field expand_failed)" = "0 " ] || echo "WARNING: the engine reported failed expansions" >&2
}
smallFiles=$((folders * perFolder))
# A compressed file that is empty (its header alone): expand.exe on it is
# what one call costs besides expanding, its start.
printf 'SZDD\x88\xf0\x27\x33A\0\0\0\0\0' > "$work/EMPTY.SZ"
loadBefore=$(load)

# One start of a tool (for "less one start"): expand.exe on the empty file, the median of five.
starts=()
for _ in 1 2 3 4 5; do starts+=("$(timed expand "$(winpath "$work/EMPTY.SZ")" "$(winpath "$work/EMPTY.OUT")")"); done
startup=$(median "${starts[@]}")

# 1. The plain tree: the engine (with and without its progress fields, with
# and without its journal) and xcopy, in turn, PAIRS times.
# The files are read once first, so that no run pays for the disk.
cat "$work"/plain/*/* "$work"/szdd/*/* >/dev/null
fresh out-engine
timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields count >/dev/null
read -r destProbing destPassByPass < <(field measurements_dest)
read -r deepProbing deepPassByPass < <(field measurements_deep)
diff -rq "$work/plain" "$work/out-engine" >/dev/null || echo "WARNING: the engine's copy differs" >&2
walls=() owns=() bares=() xcopies=() listings=() journals=() wholeRatios=() ownRatios=() listingShares=() journalShares=() unjournalledGains=()
bars=() unjournalled=()
for _ in $(seq "$pairs"); do
  engine plain plain fields
  wall=$engineWall own=$engineOwn
  walls+=("$engineWall") owns+=("$engineOwn") bars+=("$engineBar") largest=$engineLargest
  listings+=("$engineListing") journals+=("$engineJournal")
  listingShares+=("$(ratio "$engineListing" "$engineOwn")") journalShares+=("$(ratio "$engineJournal" "$engineOwn")")
  fresh out-xcopy
  xcopy=$(timed xcopy /E /I "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")
  xcopies+=("$xcopy")
  wholeRatios+=("$(ratio "$wall" "$xcopy")")
  ownRatios+=("$(ratio "$own" "$(awk -v a="$xcopy" -v b="$startup" 'BEGIN { print a - b }')")")
  engine plain plain nofields
  bares+=("$engineOwn")
  engine plain plain fields nojournal
  unjournalled+=("$engineOwn")
  unjournalledGains+=("$(awk -v a="$own" -v b="$engineOwn" 'BEGIN { printf "%.4f", (a - b) / b }')")
done

# The plain tree copied and then undone, as an abandoned run is undone: the
# time of the undoing against the copy's own, in the same run.
rollbackRatios=() rollbacks=() rollbackCopies=()
for _ in $(seq "$pairs"); do
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields rollback >/dev/null
  rollbackCopies+=("$(field engine_seconds)") rollbacks+=("$(field rollback_seconds)")
  rollbackRatios+=("$(ratio "$(field rollback_seconds)" "$(field engine_seconds)")")
  [ "$(field rollback_whole)" = "1 " ] || echo "WARNING: the rollback reported what it could not undo" >&2
  [ -z "$(ls -A "$work/out-engine")" ] || echo "WARNING: the rollback left files behind" >&2
done

# The process ended right after the copy, before the run's end (as the task
# list ends it), and the next start's repair from the journal: of the plain
# tree copied afresh, and of it copied over itself installed (every original
# kept aside, then put back). The repair's time against the copy's own.
repairRatios=() repairs=() killedCopies=() replaceRepairRatios=() replaceRepairs=() killedReplaces=()
for _ in $(seq "$pairs"); do
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields repair >/dev/null
  killedCopies+=("$(field engine_seconds)") repairs+=("$(field repair_seconds)")
  repairRatios+=("$(ratio "$(field repair_seconds)" "$(field engine_seconds)")")
  [ "$(field repair_whole)" = "1 " ] || echo "WARNING: the repair reported what it could not undo" >&2
  [ -z "$(ls -A "$work/out-engine")" ] || echo "WARNING: the repair left files behind" >&2
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields >/dev/null
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields repair >/dev/null
  killedReplaces+=("$(field engine_seconds)") replaceRepairs+=("$(field repair_seconds)")
  replaceRepairRatios+=("$(ratio "$(field repair_seconds)" "$(field engine_seconds)")")
  [ "$(field repair_whole)" = "1 " ] || echo "WARNING: the repair reported what it could not undo" >&2
  [ "$(find "$work/out-engine" -name '*~sx*' | wc -l)" = 0 ] || echo "WARNING: kept originals were left" >&2
  diff -rq "$work/plain" "$work/out-engine" >/dev/null || echo "WARNING: the repaired tree differs" >&2
done

# The plain tree copied over itself installed: every file replaced (Yes To
# All), each original moved aside and deleted when the run ends, against
# xcopy overwriting (/Y) the same tree; engine and xcopy in turn.
replaces=() xreplaces=() replaceRatios=()
for _ in $(seq "$pairs"); do
  fresh out-engine
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields >/dev/null
  timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")" plain fields >/dev/null
  replace=$(field engine_seconds)
  replaces+=("$replace")
  [ "$(field replaced_files)" = "$((folders * perFolder + bigFiles)) " ] ||
    echo "WARNING: the engine replaced $(field replaced_files)files" >&2
  [ "$(find "$work/out-engine" -name '*~sx*' | wc -l)" = 0 ] || echo "WARNING: kept originals were left" >&2
  fresh out-xcopy
  timed xcopy /E /I "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")" >/dev/null
  xreplace=$(timed xcopy /E /I /Y "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")
  xreplaces+=("$xreplace")
  replaceRatios+=("$(ratio "$replace" "$(awk -v a="$xreplace" -v b="$startup" 'BEGIN { print a - b }')")")
done

# 2. The big compressed files: the engine on the BIG folder, then expand.exe
# once per file, each call less a start of its own measured right before it.
bigWalls=() bigOwns=() expandTotals=() expandNets=() bigRatios=() bigNetRatios=() bigBars=()
for _ in $(seq "$pairs"); do
  engine szdd/BIG compressed fields
  bigWalls+=("$engineWall") bigOwns+=("$engineOwn") bigBars+=("$engineBar")
  diff -rq "$work/plain/BIG" "$work/out-engine" >/dev/null || echo "WARNING: the engine's expansion differs" >&2
  fresh out-expand
  total=0 net=0
  for f in "$work"/szdd/BIG/*; do
    # Each call less a start measured right before it, not at another moment of the run.
    start=$(timed expand "$(winpath "$work/EMPTY.SZ")" "$(winpath "$work/EMPTY.OUT")")
    call=$(timed expand "$(winpath "$f")" "$(winpath "$work/out-expand/$(basename "$f")")")
    total=$(sum "$total" "$call")
    net=$(awk -v n="$net" -v c="$call" -v s="$start" 'BEGIN { printf "%.3f", n + c - s }')
  done
  expandTotals+=("$total") expandNets+=("$net")
  bigRatios+=("$(ratio "$engineWall" "$total")") bigNetRatios+=("$(ratio "$engineOwn" "$net")")
  diff -rq "$work/plain/BIG" "$work/out-expand" >/dev/null || echo "WARNING: expand.exe's output differs" >&2
done

# 3. The small compressed files: all of them with the engine, then a sample
# taken across the folders with expand.exe (one call each), each call less a
# start measured right before it (expand.exe on the empty file), the median
# of those. A small file's expansion is far below the noise of one start:
# where that median is not above zero, the row says so instead of a time.
mkdir -p "$work/szdd-small"
for d in "$work"/szdd/DIR*; do [ -e "$work/szdd-small/$(basename "$d")" ] || ln -s "$d" "$work/szdd-small/"; done
smallOwns=() smallBares=() perExpands=() perExpandWholes=() smallRatios=() sampled=0
samples=$(find "$work/szdd" -path '*/DIR*' -type f | sort |
  awk -v n="$sample" -v total="$smallFiles" 'BEGIN { step = int(total / n); if (step < 1) step = 1 } (NR - 1) % step == 0')
for _ in $(seq "$pairs"); do
  engine szdd-small compressed fields
  own=$(awk -v a="$engineOwn" -v n="$smallFiles" 'BEGIN { printf "%.4f", a / n * 1000 }')
  smallOwns+=("$own")
  diff -rq "$work/plain" "$work/out-engine" 2>/dev/null | grep -v "Only in $work/plain: BIG" | grep -q . &&
    echo "WARNING: the engine's expansion of the small files differs" >&2
  fresh out-expand
  calls=() nets=() sampled=0
  for f in $samples; do
    start=$(timed expand "$(winpath "$work/EMPTY.SZ")" "$(winpath "$work/EMPTY.OUT")")
    call=$(timed expand "$(winpath "$f")" "$(winpath "$work/out-expand/$(basename "$(dirname "$f")")-$(basename "$f")")")
    calls+=("$call") nets+=("$(awk -v c="$call" -v s="$start" 'BEGIN { printf "%.4f", c - s }')")
    sampled=$((sampled + 1))
  done
  whole=$(awk -v t="$(median "${calls[@]}")" 'BEGIN { printf "%.4f", t * 1000 }')
  per=$(awk -v t="$(median "${nets[@]}")" 'BEGIN { printf "%.4f", t * 1000 }')
  perExpandWholes+=("$whole") perExpands+=("$per")
  awk -v p="$per" 'BEGIN { exit !(p > 0) }' && smallRatios+=("$(ratio "$own" "$per")")
  engine szdd-small compressed nofields
  smallBares+=("$(awk -v a="$engineOwn" -v n="$smallFiles" 'BEGIN { printf "%.4f", a / n * 1000 }')")
done
rm -rf "$work/out-engine" "$work/out-xcopy" "$work/out-expand"

# 4. Start to a visible welcome dialog, setup.exe on the sample medium: five starts.
welcomes=()
for _ in 1 2 3 4 5; do
  wine "$welcomeBench" "$(winpath "$BUILD_DIR/setup.exe")" "$(winpath "$root/examples/medium")" \
    >"$work/last.out" 2>&1 </dev/null || echo "WARNING: the welcome dialog did not appear" >&2
  welcomes+=("$(field welcome_seconds)")
done

# 5. Removing the plain tree: the uninstaller's removal (content check
# included, its own time) and rmdir less one start of cmd, in turn, each on a
# copy of its own made beforehand.
cmdStarts=()
for _ in 1 2 3 4 5; do cmdStarts+=("$(timed cmd /c exit)"); done
cmdStart=$(median "${cmdStarts[@]}")
removals=() rmdirs=() removalRatios=()
for _ in $(seq "$pairs"); do
  rm -rf "$work/out-uninstall" "$work/out-rmdir"
  cp -r "$work/plain" "$work/out-uninstall"
  cp -r "$work/plain" "$work/out-rmdir"
  cat "$work"/out-uninstall/*/* "$work"/out-rmdir/*/* >/dev/null
  timed "$uninstallBench" "$(winpath "$work/out-uninstall")" >/dev/null
  removal=$(field uninstall_seconds)
  removals+=("$removal")
  recordBytes=$(field record_bytes | awk '{ print $1 }') entryRecordBytes=$(field entry_record_bytes | awk '{ print $1 }')
  [ "$(field uninstall_left)" = "0 " ] && [ ! -e "$work/out-uninstall" ] ||
    echo "WARNING: the uninstaller left part of the tree" >&2
  rmdir=$(timed cmd /c rmdir /s /q "$(winpath "$work/out-rmdir")")
  rmdirs+=("$rmdir")
  removalRatios+=("$(ratio "$removal" "$(awk -v a="$rmdir" -v b="$cmdStart" 'BEGIN { print a - b }')")")
  [ ! -e "$work/out-rmdir" ] || echo "WARNING: rmdir left part of the tree" >&2
done
rm -rf "$work/out-uninstall" "$work/out-rmdir"
loadAfter=$(load)

# The table: each value the median of its runs, each ratio the median of the
# pairs' ratios with the lowest and the highest.
row() { # NAME ENGINE BARE TOOL RATIOS... ("-" for an empty cell)
  local name=$1 engineCell=$2 bareCell=$3 toolCell=$4
  shift 4
  read -r m lo hi < <(spread "$@")
  [ "$engineCell" = - ] && engineCell=""
  [ "$bareCell" = - ] && bareCell=""
  [ "$toolCell" = - ] && toolCell=""
  printf '| %s | %s | %s | %s | %s |\n' "$name" "$engineCell" "$bareCell" "$toolCell" \
    "$(awk -v m="$m" -v lo="$lo" -v hi="$hi" -v pct="${percent:-}" 'BEGIN {
      if (pct != "") printf "%+.1f %% (%+.1f to %+.1f)", m * 100, lo * 100, hi * 100
      else printf "%.2f (%.2f to %.2f)", m, lo, hi }')"
}
share() { # NAME ENGINE SHARES...: the share of the copy, in per cent
  local name=$1 engineCell=$2
  shift 2
  read -r m lo hi < <(spread "$@")
  printf '| %s | %s | | | %s |\n' "$name" "$engineCell" \
    "$(awk -v m="$m" -v lo="$lo" -v hi="$hi" 'BEGIN { printf "%.1f %% (%.1f to %.1f) of the copy", m * 100, lo * 100, hi * 100 }')"
}
med() { printf '%.3f' "$(median "$@")"; }
total=$((smallFiles + bigFiles))
printf '\nCopy engine against the tools of Wine: %d alternating pairs a row; values are medians, each ratio the\n' "$pairs"
printf 'median of the pairs'"'"' ratios (lowest to highest). One expand.exe start: about %.3f s. Load average\n' "$startup"
printf '(1, 5, 15 min) before: %s; after: %s.\n\n' "$loadBefore" "$loadAfter"
printf '| work | engine | engine, no progress fields | tool of Wine | engine / tool |\n|---|---|---|---|---|\n'
row "plain tree ($smallFiles files + $bigFiles x $bigMb MB), whole programs, s" "$(med "${walls[@]}")" - \
  "xcopy /E /I: $(med "${xcopies[@]}")" "${wholeRatios[@]}"
row "plain tree, less one start each, s" "$(med "${owns[@]}")" "$(med "${bares[@]}")" \
  "$(awk -v a="$(median "${xcopies[@]}")" -v b="$startup" 'BEGIN { printf "%.3f", a - b }')" "${ownRatios[@]}"
share "plain tree, the listing for the bar (within the engine time), s" "$(med "${listings[@]}")" "${listingShares[@]}"
share "plain tree, the run journal on the disk: its notes timed alone (within the engine time), s" \
  "$(med "${journals[@]}")" "${journalShares[@]}"
percent=1 row "plain tree, the engine without its journal (against the engine with it: $(med "${owns[@]}")), s" \
  "$(med "${unjournalled[@]}")" - - "${unjournalledGains[@]}"
row "plain tree over itself installed (every file replaced, originals kept, then deleted), less one start each, s" \
  "$(med "${replaces[@]}")" - "xcopy /E /I /Y: $(awk -v a="$(median "${xreplaces[@]}")" -v b="$startup" 'BEGIN { printf "%.3f", a - b }')" \
  "${replaceRatios[@]}"
row "plain tree copied, then undone as an abandoned run is, s" "undoing: $(med "${rollbacks[@]}")" - \
  "the copy: $(med "${rollbackCopies[@]}")" "${rollbackRatios[@]}"
row "plain tree copied, the process ended before the run ended, the next start's repair, s" \
  "repair: $(med "${repairs[@]}")" - "the copy: $(med "${killedCopies[@]}")" "${repairRatios[@]}"
row "plain tree over itself installed, ended likewise, the repair (every original put back), s" \
  "repair: $(med "${replaceRepairs[@]}")" - "the copy: $(med "${killedReplaces[@]}")" "${replaceRepairRatios[@]}"
row "SZDD $bigFiles x $bigMb MB, whole programs, s" "$(med "${bigWalls[@]}")" - \
  "expand.exe x $bigFiles: $(med "${expandTotals[@]}")" "${bigRatios[@]}"
row "SZDD $bigFiles x $bigMb MB, less the starts, s" "$(med "${bigOwns[@]}")" - "$(med "${expandNets[@]}")" \
  "${bigNetRatios[@]}"
smallRow="SZDD small files, per file less the starts, ms (engine: all $smallFiles, expand.exe: $sampled)"
if [ "${#smallRatios[@]}" -gt 0 ] && awk -v p="$(median "${perExpands[@]}")" 'BEGIN { exit !(p > 0) }'; then
  row "$smallRow" "$(med "${smallOwns[@]}")" "$(med "${smallBares[@]}")" "$(med "${perExpands[@]}")" "${smallRatios[@]}"
else
  printf '| %s | %s | %s | below the noise of one start (median %s) | none |\n' "$smallRow" \
    "$(med "${smallOwns[@]}")" "$(med "${smallBares[@]}")" "$(med "${perExpands[@]}")"
fi
printf '| SZDD small files, per file with its start, ms | | | %s | |\n' "$(med "${perExpandWholes[@]}")"
read -r m lo hi < <(spread "${welcomes[@]}")
printf '| start to a visible welcome dialog (sample medium, median of 5), s | %.3f (%.3f to %.3f) | | | |\n' "$m" "$lo" "$hi"
row "uninstall of the plain tree with the content check, its own time against rmdir less one cmd start ($cmdStart), s" \
  "$(med "${removals[@]}")" - "cmd /c rmdir /s /q: $(med "${rmdirs[@]}")" "${removalRatios[@]}"
printf '| the install record of the tree: %d bytes; in the uninstall entry (the record, or its file name and hash), bytes | %d | | | |\n' \
  "$recordBytes" "$entryRecordBytes"
read -r m lo hi < <(spread "${bars[@]}")
read -r bm blo bhi < <(spread "${bigBars[@]}")
printf '| the bar: progress updates inside the largest file (%d bytes), plain copy; SZDD expansion | %.0f (%.0f to %.0f); %.0f (%.0f to %.0f) | | | |\n' \
  "$largest" "$m" "$lo" "$hi" "$bm" "$blo" "$bhi"
printf '\nPath shortening, measurements for the %d destination paths (probing, then bisecting / measuring every pass):\n' "$total"
printf '  under the benchmark folder: %d / %d; under a deep installation folder: %d / %d\n' \
  "$destProbing" "$destPassByPass" "$deepProbing" "$deepPassByPass"
