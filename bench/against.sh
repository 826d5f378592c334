# shellcheck shell=bash
# Sourced by bench/compare.sh (and its test): an earlier commit's engine
# benchmark, built once from a worktree of that commit, and called with the
# arguments its own source reads.

benchDir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The commit to compare with and the tree's sizes, from the arguments
# [COMMIT] [FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB]: a first argument that
# is a number is the first size. Sets `against` (BENCH_AGAINST, else 9d6a68a,
# the engine before the change that made the journals the administrators'
# own) and `sizes`.
split_against() {
  against=""
  if [ $# -gt 0 ] && ! [[ $1 =~ ^[0-9]+$ ]]; then against=$1; shift; fi
  against=${against:-${BENCH_AGAINST:-9d6a68a}}
  sizes=("$@")
}

# The source of each side's bench_engine.cpp, by the side's name.
declare -A sourceText
# The argument's position (argv index) at which SIDE's program reads WORD, or nothing.
slot_of() {
  grep -o "argv\[[0-9]\]) == \"$2\"" <<<"${sourceText[$1]}" | head -n 1 | sed 's/^argv\[\([0-9]\)\].*/\1/' || true
}
# Whether SIDE's program has MODE and prints the line KEY.
offers() { [ -n "$(slot_of "$1" "$2")" ] && grep -q "\"$3 " <<<"${sourceText[$1]}"; }
# Sets `args` (what follows SOURCE and DEST) for SIDE in MODE ("-" for the
# plain run): the plain tree, the progress fields live, the journal on the
# disk, whatever positions the side's program reads them at. Returns 1 when
# the program has no such mode.
args_for() {
  local side=$1 mode=$2 word slot last=2 n
  local -A fill=()
  for word in compressed nofields count rollback repair nojournal; do
    slot=$(slot_of "$side" "$word")
    [ -n "$slot" ] || continue
    case $word in
      compressed) fill[$slot]=plain ;;
      nofields) fill[$slot]=fields ;;
      nojournal) fill[$slot]=journal ;;
      *) fill[$slot]=- ;;
    esac
    [ "$slot" -le "$last" ] || last=$slot
  done
  args=()
  if [ "$mode" != - ]; then
    slot=$(slot_of "$side" "$mode")
    [ -n "$slot" ] || return 1
    fill[$slot]=$mode
  fi
  for n in $(seq 3 "$last"); do args+=("${fill[$n]:--}"); done
}

# The worktree of the build under way, removed when the build ends, fails or
# is interrupted, and before a new one where an interrupted run left one.
againstRepo="" againstTree=""
drop_against_tree() {
  [ -n "$againstTree" ] || return 0
  if [ -e "$againstTree" ]; then
    git -C "$againstRepo" worktree remove --force "$againstTree" >/dev/null 2>&1 || rm -rf "$againstTree"
  fi
  git -C "$againstRepo" worktree prune
}
# Builds the engine benchmark of commit SHA of the repository REPO into
# DIR/SHORT.exe (SHORT: the commit's first 12 digits), unless it is there:
# a worktree of the commit in DIR/SHORT with a build folder of its own, the
# commit's own CMake files and toolchain, the one target; the build's output
# goes to DIR/SHORT.log. Returns 1, saying so, when it cannot be built.
build_against() {
  local repo=$1 sha=$2 dir=$3 short tree toolchain status=0
  short=$(git -C "$repo" rev-parse --short=12 "$sha") || return 1
  [ -f "$dir/$short.exe" ] && return 0
  # git takes a relative worktree path from the repository, not from here.
  mkdir -p "$dir" && dir=$(cd "$dir" && pwd) || return 1
  tree="$dir/$short"
  echo "Building the engine of $short in $tree (its log: $dir/$short.log)..." >&2
  againstRepo=$repo againstTree=$tree
  drop_against_tree
  trap drop_against_tree EXIT
  trap 'exit 130' INT TERM
  toolchain="$tree/cmake/mingw-i686.cmake"
  {
    git -C "$repo" worktree add --detach "$tree" "$sha" &&
      { [ -f "$toolchain" ] || toolchain="$benchDir/../cmake/mingw-i686.cmake"; } &&
      cmake -G Ninja -S "$tree" -B "$tree/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS=ON &&
      cmake --build "$tree/build" --target bench_engine &&
      cp "$tree/build/bench/bench_engine.exe" "$dir/$short.exe.part" &&
      mv "$dir/$short.exe.part" "$dir/$short.exe"
  } >"$dir/$short.log" 2>&1 || status=1
  drop_against_tree
  againstTree=""
  trap - EXIT INT TERM
  if [ "$status" != 0 ]; then
    rm -f "$dir/$short.exe.part"
    tail -n 25 "$dir/$short.log" >&2
    echo "bench: the engine of $short could not be built (its log: $dir/$short.log)" >&2
  fi
  return "$status"
}
