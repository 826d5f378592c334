#!/usr/bin/env bash
# Today's copy engine against an earlier commit's, so that a change shows
# what it costs before it lands: both bench_engine.exe programs on the same
# generated tree, in alternating pairs (PAIRS, default 5; the side that goes
# first changes from pair to pair), for
#   - the plain copy;
#   - the tree over itself installed (every file replaced, Yes To All);
#   - the same ended before the run's end, and the next start's repair (every
#     original put back);
#   - the undoing of an abandoned copy (Cancel);
#   - a copy ended before the run's end, and the next start's repair;
# with Wine's xcopy in the same pairs. It prints each row's median time of
# both sides and the median of the pairs' ratios today / earlier (lowest to
# highest), then today's standing against its goals.
# Usage: bench/compare.sh [COMMIT] [FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB]
# (bench/run.sh --against [COMMIT] ... comes here). COMMIT defaults to
# BENCH_AGAINST, else 9d6a68a, the engine before the change that made the
# journals the administrators' own. The earlier engine is built once in a
# worktree of its own under build/bench-against, which goes again once the
# program is kept there; everything is written under the build tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/against.sh"
split_against "$@"
folders=${sizes[0]:-200}
perFolder=${sizes[1]:-25}
bigFiles=${sizes[2]:-3}
bigMb=${sizes[3]:-40}
pairs=${PAIRS:-5}
fail() { echo "bench: $*" >&2; exit 1; }

sha=$(git -C "$root" rev-parse --verify -q "$against^{commit}") ||
  fail "$against is not a commit of this repository (a shallow clone lacks the older ones: git fetch --unshallow)"
short=$(git -C "$root" rev-parse --short=12 "$sha")
earlierTitle=$(git -C "$root" log -1 --format='%h ("%s")' "$sha")
todayTitle=$(git -C "$root" log -1 --format=%h HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] || todayTitle="$todayTitle with changes not committed"

# Each side's benchmark program, read from its source at its commit: which
# argument says what (the earlier program may take other arguments, or lack
# a mode), so that each side is called as it understands.
sourceText[today]=$(cat "$root/bench/bench_engine.cpp")
sourceText[earlier]=$(git -C "$root" show "$sha:bench/bench_engine.cpp" 2>/dev/null) ||
  fail "$short has no bench/bench_engine.cpp: there is no engine benchmark to compare with"

source "$root/tools/common.sh"
configure_and_build bench_engine
declare -A program
program[today]="$BUILD_DIR/bench/bench_engine.exe"

# The earlier engine, built once and kept as build/bench-against/COMMIT.exe.
program[earlier]="$BUILD_DIR/bench-against/$short.exe"
build_against "$root" "$sha" "$BUILD_DIR/bench-against" || exit 1

source "$root/bench/common.sh"
make_plain_tree
start_wine_session
total=$((folders * perFolder + bigFiles))
for side in today earlier; do
  for mode in rollback repair; do
    offers "$side" "$mode" "${mode}_seconds" || echo "NOTE: the $side engine has no $mode mode: its rows stay empty" >&2
  done
done

# SIDE's engine from the plain tree into its own folder (out-SIDE, its
# journals beside it) in MODE; sets `own`, the engine's time of the copy, and
# `value`, what it printed as KEY (the time of the undo or the repair).
engine() {
  local side=$1 mode=$2 key=$3
  args_for "$side" "$mode" || fail "the $side engine has no mode $mode"
  timed "${program[$side]}" "$(winpath "$work/plain")" "$(winpath "$work/out-$side")" "${args[@]}" >/dev/null
  own=$(field engine_seconds | awk '{ print $1 }')
  value=$(field "$key" | awk '{ print $1 }')
  if [ -z "$own" ] || [ -z "$value" ]; then
    tr -d '\r' < "$work/last.out" | tail -n 20 >&2
    fail "the $side engine ($(basename "${program[$side]}") ${args[*]}) printed no $key"
  fi
  [ "$(field copy_failed)" != "1 " ] || echo "WARNING: the $side engine reported a failed copy" >&2
}
start_fresh() { fresh "out-$1"; rm -rf "$work/out-$1 journals"; }
check_same() { diff -rq "$work/plain" "$work/out-$1" >/dev/null || echo "WARNING: the $1 engine's tree differs ($2)" >&2; }
check_kept_gone() {
  [ "$(find "$work/out-$1" -name '*~sx*' | wc -l)" = 0 ] || echo "WARNING: the $1 engine left kept originals ($2)" >&2
}
check_whole() { # SIDE KEY WHAT: the undo said it undid everything, and nothing is left
  [ "$(field "$2")" = "1 " ] || echo "WARNING: the $1 engine's $3 reported what it could not undo" >&2
  [ -z "$(ls -A "$work/out-$1")" ] || echo "WARNING: the $1 engine's $3 left files behind" >&2
}

# One of each measurement for SIDE, appended to its lists.
declare -A copy over overRepair overRepairCopy undo undoCopy repair repairCopy
measure() {
  local side=$1
  start_fresh "$side"
  engine "$side" - engine_seconds
  copy[$side]+=" $own"
  check_same "$side" "the plain copy"
  # Over itself: the plain copy just made is the installed tree.
  engine "$side" - engine_seconds
  over[$side]+=" $own"
  [ -z "$(field replaced_files)" ] || [ "$(field replaced_files)" = "$total " ] ||
    echo "WARNING: the $side engine replaced $(field replaced_files)files, not $total" >&2
  check_kept_gone "$side" "over itself"
  check_same "$side" "over itself"
  if offers "$side" repair repair_seconds; then
    engine "$side" repair repair_seconds
    overRepairCopy[$side]+=" $own" overRepair[$side]+=" $value"
    [ "$(field repair_whole)" = "1 " ] || echo "WARNING: the $side engine's repair over itself reported what it could not undo" >&2
    check_kept_gone "$side" "the repair over itself"
    check_same "$side" "the repair over itself"
  fi
  if offers "$side" rollback rollback_seconds; then
    start_fresh "$side"
    engine "$side" rollback rollback_seconds
    undoCopy[$side]+=" $own" undo[$side]+=" $value"
    check_whole "$side" rollback_whole "undo"
  fi
  if offers "$side" repair repair_seconds; then
    start_fresh "$side"
    engine "$side" repair repair_seconds
    repairCopy[$side]+=" $own" repair[$side]+=" $value"
    check_whole "$side" repair_whole "repair"
  fi
}

# One start of a Wine program (for "xcopy less one start"): expand.exe on an
# empty compressed file, the median of five.
printf 'SZDD\x88\xf0\x27\x33A\0\0\0\0\0' > "$work/EMPTY.SZ"
starts=()
for _ in 1 2 3 4 5; do starts+=("$(timed expand "$(winpath "$work/EMPTY.SZ")" "$(winpath "$work/EMPTY.OUT")")"); done
startup=$(median "${starts[@]}")

loadBefore=$(load)
# The files are read once first, so that no run pays for the disk.
cat "$work"/plain/*/* >/dev/null
xcopies="" xreplaces=""
for pair in $(seq "$pairs"); do
  echo "Pair $pair of $pairs..." >&2
  if [ $((pair % 2)) = 1 ]; then measure earlier; measure today; else measure today; measure earlier; fi
  fresh out-xcopy
  xcopies+=" $(awk -v a="$(timed xcopy /E /I "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")" \
    -v b="$startup" 'BEGIN { printf "%.3f", a - b }')"
  xreplaces+=" $(awk -v a="$(timed xcopy /E /I /Y "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")" \
    -v b="$startup" 'BEGIN { printf "%.3f", a - b }')"
done
loadAfter=$(load)
rm -rf "$work/out-today" "$work/out-earlier" "$work/out-today journals" "$work/out-earlier journals" "$work/out-xcopy"

row() { # NAME LIST: today against earlier
  local name=$1 list=$2 earlierList todayList
  local -n values=$list
  earlierList=${values[earlier]:-} todayList=${values[today]:-}
  if [ -z "${earlierList// /}" ] || [ -z "${todayList// /}" ]; then
    printf '| %s | %s | %s | not offered by both |\n' "$name" "$(seconds "$earlierList")" "$(seconds "$todayList")"
  else
    printf '| %s | %s | %s | %s |\n' "$name" "$(seconds "$earlierList")" "$(seconds "$todayList")" \
      "$(cell "$(ratios "$todayList" "$earlierList")")"
  fi
}
printf '\nToday'"'"'s engine (%s) against the engine of %s:\n' "$todayTitle" "$earlierTitle"
printf '%d alternating pairs (the side that goes first changes each pair) on %d folders of %d files + %d x %d MB.\n' \
  "$pairs" "$folders" "$perFolder" "$bigFiles" "$bigMb"
printf 'Times are the engines'"'"' own, medians in seconds; each ratio the median of the pairs'"'"' ratios (lowest to highest).\n'
printf 'One Wine program'"'"'s start (expand.exe): about %.3f s. Load average (1, 5, 15 min) before: %s; after: %s.\n\n' \
  "$startup" "$loadBefore" "$loadAfter"
printf '| work | earlier, s | today, s | today / earlier |\n|---|---|---|---|\n'
row "the plain copy ($((folders * perFolder)) files + $bigFiles x $bigMb MB)" copy
row "the tree over itself installed (every file replaced, originals kept, then deleted)" over
row "the undoing of an abandoned copy (Cancel)" undo
row "a copy ended before the run's end: the next start's repair" repair
row "over itself, ended likewise: the repair (every original put back)" overRepair
printf '\n| goal of today'"'"'s engine | earlier | today | bound | today |\n|---|---|---|---|---|\n'
goal "the plain copy, today / earlier" "$(ratios "${copy[today]}" "${copy[earlier]}")" "" 1.00
goal "over itself, today / earlier" "$(ratios "${over[today]}" "${over[earlier]}")" "" 1.00
goal "the undoing / its copy" "$(ratios "${undo[today]:-}" "${undoCopy[today]:-}")" \
  "$(ratios "${undo[earlier]:-}" "${undoCopy[earlier]:-}")" 0.20
goal "the repair / its copy" "$(ratios "${repair[today]:-}" "${repairCopy[today]:-}")" \
  "$(ratios "${repair[earlier]:-}" "${repairCopy[earlier]:-}")" 0.20
goal "the repair over itself / its copy" "$(ratios "${overRepair[today]:-}" "${overRepairCopy[today]:-}")" \
  "$(ratios "${overRepair[earlier]:-}" "${overRepairCopy[earlier]:-}")" 0.20
goal "the plain copy / xcopy /E /I less one start ($(seconds "$xcopies") s)" \
  "$(ratios "${copy[today]}" "$xcopies")" "$(ratios "${copy[earlier]}" "$xcopies")" 0.50
goal "over itself / xcopy /E /I /Y less one start ($(seconds "$xreplaces") s)" \
  "$(ratios "${over[today]}" "$xreplaces")" "$(ratios "${over[earlier]}" "$xreplaces")" 1.00
