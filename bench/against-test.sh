#!/usr/bin/env bash
# The rules of bench/compare.sh that decide its figures, without Wine: each
# side's program called with the arguments its own source reads, the pairs'
# ratios and the goals' verdicts, and the earlier commit's build in a
# worktree that never stays behind (a repository of its own, real git and
# CMake), and a commit that cannot be compared ending with an error.
# Usage: bench/against-test.sh BUILD_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
test="$(cd "$1" && pwd)/benchtest-against"
rm -rf "$test"
mkdir -p "$test"
failures=0
check() { # WHAT GOT EXPECTED
  if [ "$2" != "$3" ]; then echo "FAIL: $1: got [$2], expected [$3]"; failures=$((failures + 1)); fi
}

# shellcheck source=bench/against.sh
source "$root/bench/against.sh"
BUILD_DIR=$test folders=1 perFolder=1 bigFiles=1 bigMb=1
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

# 1. The commit and the sizes from the command line; the arguments of each
# program by what it reads where.
while IFS='|' read -r env line expected; do
  # shellcheck disable=SC2086
  BENCH_AGAINST=$env split_against $line
  check "split_against [$line] with BENCH_AGAINST=[$env]" "$against: ${sizes[*]}" "$expected"
done <<'TABLE'
||9d6a68a: 
|100 25 2 20|9d6a68a: 100 25 2 20
|e4858ab 4 5 1 4|e4858ab: 4 5 1 4
|main~3|main~3: 
abc1234|4 5|abc1234: 4 5
abc1234|HEAD 4|HEAD: 4
TABLE

sourceText[today]=$(cat "$root/bench/bench_engine.cpp")
sourceText[rollbackFirst]='if (argc > 3 && std::string(argv[3]) == "rollback") std::printf("rollback_seconds %.3f\n", s);'
sourceText[noJournal]='std::string(argv[3]) == "compressed"; std::string(argv[4]) == "nofields";
  std::string(argv[5]) == "rollback"; printf("rollback_seconds %.3f\n"); printf("engine_seconds %.3f\n");'
# A program whose first arguments this cannot read: they are given "-".
sourceText[gap]='if (strcmp(argv[3], "compressed") == 0) {} std::string(argv[5]) == "rollback"; "rollback_seconds %.3f"'
sourceText[silent]='std::string(argv[5]) == "repair"; printf("engine_seconds %.3f\n");'
while read -r side mode expected; do
  if args_for "$side" "$mode"; then got="${args[*]}"; else got=none; fi
  check "args_for $side $mode" "$got" "${expected//_/ }"
done <<'TABLE'
today - plain_fields_-_journal
today rollback plain_fields_rollback_journal
today repair plain_fields_repair_journal
rollbackFirst rollback rollback
rollbackFirst - -
rollbackFirst repair none
noJournal rollback plain_fields_rollback
noJournal - plain_fields_-
gap rollback -_-_rollback
TABLE
while read -r side mode key expected; do
  if offers "$side" "$mode" "$key"; then got=yes; else got=no; fi
  check "offers $side $mode $key" "$got" "$expected"
done <<'TABLE'
today rollback rollback_seconds yes
today repair repair_seconds yes
rollbackFirst rollback rollback_seconds yes
rollbackFirst repair repair_seconds no
silent repair repair_seconds no
TABLE

# 2. The pairs' ratios (today over earlier, pair by pair) and the verdicts by the median.
check "ratios" "$(ratios " 2 3" " 1 6")" "2.0000 0.5000 "
check "ratios with a reference of zero" "$(ratios "1 2" "0 1")" "nan 2.0000 "
check "cell" "$(cell "3 1 2")" "2.00 (1.00 to 3.00)"
verdict() { goal name "$1" "" "$2" | awk -F' [|] ' '{ print $5 }' | sed 's/ |$//'; }
while read -r values bound expected; do
  check "goal ${values//_/ } <= $bound" "$(verdict "${values//_/ }" "$bound")" "${expected//_/ }"
done <<'TABLE'
0.5_1.0_1.0 1.00 met
1.0_1.01_1.02 1.00 NOT_MET
0.10_0.30_5.0 0.20 NOT_MET
0.10_0.15_5.0 0.20 met
0.19_0.21_0.22 0.20 NOT_MET
0.5_nan_0.7 0.50 not_measured:_the_reference_is_within_the_noise_of_one_start
TABLE

# 3. The earlier engine's build: kept once built, the worktree gone whether
# the build succeeds or fails, a worktree an interrupted run left replaced.
repo="$test/repo" out="$test/against"
git init -q "$repo"
commit() { # MESSAGE: commits the repository's files
  git -C "$repo" add -A && git -C "$repo" -c user.name=bench -c user.email=bench@example.org commit -q -m "$1"
  git -C "$repo" rev-parse HEAD
}
cat >"$repo/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(fake NONE)
add_custom_target(bench_engine
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bench
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/engine.txt ${CMAKE_BINARY_DIR}/bench/bench_engine.exe)
CMAKE
echo first >"$repo/engine.txt"
good=$(commit good) goodShort=${good:0:12}
echo second >"$repo/engine.txt"
second=$(commit second) secondShort=${second:0:12}
sed -i 's/COMMAND.*make_directory.*/COMMAND ${CMAKE_COMMAND} -E false/' "$repo/CMakeLists.txt"
broken=$(commit broken) brokenShort=${broken:0:12}
worktrees() { git -C "$repo" worktree list --porcelain | grep -c '^worktree '; }

# Named from here, relative: the worktree is still made where it is named.
build_against "$repo" "$good" "$(realpath --relative-to=. "$out")" 2>/dev/null
check "a commit that builds: the code" "$?" 0
check "a commit that builds: its program" "$(cat "$out/$goodShort.exe" 2>&1)" first
check "a commit that builds: its worktree gone" "$([ -e "$out/$goodShort" ] && echo stays || echo gone)" gone
check "a commit that builds: worktrees registered" "$(worktrees)" 1
rm "$out/$goodShort.log"
build_against "$repo" "$good" "$out" 2>/dev/null
check "a program built already: the code" "$?" 0
check "a program built already is not built again" "$([ -e "$out/$goodShort.log" ] && echo built || echo reused)" reused

message=$(build_against "$repo" "$broken" "$out" 2>&1)
check "a commit that cannot be built: the code" "$?" 1
check "a commit that cannot be built says so" "$(grep -c "the engine of $brokenShort could not be built" <<<"$message")" 1
check "a commit that cannot be built: no program" \
  "$([ -e "$out/$brokenShort.exe" ] || [ -e "$out/$brokenShort.exe.part" ] && echo made || echo none)" none
check "a commit that cannot be built: its worktree gone" "$([ -e "$out/$brokenShort" ] && echo stays || echo gone)" gone
check "a commit that cannot be built: worktrees registered" "$(worktrees)" 1

git -C "$repo" worktree add -q --detach "$out/$secondShort" "$good"
build_against "$repo" "$second" "$out" 2>/dev/null
check "over an interrupted run's worktree: the code" "$?" 0
check "over an interrupted run's worktree: the commit's own program" "$(cat "$out/$secondShort.exe" 2>&1)" second
check "over an interrupted run's worktree: worktrees registered" "$(worktrees)" 1

# 4. A commit that cannot be compared ends the run with an error, before any build.
message=$(cd "$test" && BUILD_DIR="$test/none" bash "$root/bench/compare.sh" no-such-commit 2>&1)
check "no such commit: the code" "$?" 1
check "no such commit says so" "$(grep -c "no-such-commit is not a commit" <<<"$message")" 1
first=$(git -C "$root" rev-list --max-parents=0 HEAD | tail -n 1)
message=$(BUILD_DIR="$test/none" bash "$root/bench/compare.sh" "$first" 2>&1)
check "a commit without the benchmark: the code" "$?" 1
check "a commit without the benchmark says so" "$(grep -c "has no bench/bench_engine.cpp" <<<"$message")" 1
check "nothing built for a commit that cannot be compared" "$([ -e "$test/none" ] && echo built || echo none)" none

rm -rf "$test"
[ "$failures" = 0 ] && echo "All bench/compare.sh rules hold." && exit 0
echo "$failures failed"
exit 1
