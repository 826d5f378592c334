#!/usr/bin/env bash
# Benchmarks the compression of `medium pack` against mscompress on the
# benchmark tree (the one bench/run.sh copies: small text files in folders
# and a few big ones): time and compressed size side by side.
# Usage: bench/pack.sh [FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB]
# (default 200 folders of 25 small files, plus 3 files of 40 MB). Everything is
# written under the build tree (build/benchwork/pack-SIZE).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folders=${1:-200}
perFolder=${2:-25}
bigFiles=${3:-3}
bigMb=${4:-40}

source "$root/tools/common.sh"
[ -f "$BUILD_DIR/medium.exe" ] && [ -f "$BUILD_DIR/setup.exe" ] || configure_and_build medium setup
bash "$root/tools/make-prefix.sh"

work="$BUILD_DIR/benchwork/pack-$folders-$perFolder-$bigFiles-$bigMb"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
total() { find "$@" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }

# The tree, made once per size with the generator bench/run.sh uses.
if [ ! -f "$work/done" ]; then
  echo "Generating $folders folders of $perFolder files and $bigFiles files of $bigMb MB..." >&2
  rm -rf "$work"
  mkdir -p "$work/src"
  python3 "$root/bench/make_tree.py" "$work/src/CODE" "$folders" "$perFolder" "$bigFiles" "$bigMb"
  cp "$root/examples/medium/SETUP.TXT" "$work/src/"
  printf '[Setup]\r\nCodeDir=CODE\r\nDestDir=C:\\Bench\r\nProductName=Bench\r\nShortcutLocation=NULL\r\nShortcutName=Bench\r\nFileSize=1\r\nFilesCompressed=YES\r\nUseUnderscores=NO\r\nCommandFile=NULL\r\nVolumeName=BENCH\r\n' > "$work/src/SETUP.INI"
  touch "$work/done"
fi
plainSize=$(total "$work/src/CODE")
files=$(find "$work/src/CODE" -type f | wc -l)
# The files are read once first, so that neither side pays for the disk.
cat "$work"/src/CODE/*/* >/dev/null

# mscompress on a copy of the tree, as a publisher compresses a medium by hand
# (500 names per call; it writes NAME_ beside each file).
rm -rf "$work/ms"
cp -r "$work/src/CODE" "$work/ms"
start=$(now)
find "$work/ms" -type f -print0 | xargs -0 -n 500 mscompress
msTime=$(elapsed "$start" "$(now)")
msSize=$(find "$work/ms" -type f -name '*_' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')

# medium pack: its own figure for the tree (what it prints), and the whole
# program, Wine's start and the check of the packed medium included.
rm -rf "$work/out"
start=$(now)
wine "$BUILD_DIR/medium.exe" pack "$(winpath "$work/src")" "$(winpath "$work/out")" > "$work/pack.log" 2>&1 ||
  { cat "$work/pack.log"; echo "medium pack failed" >&2; exit 1; }
packWall=$(elapsed "$start" "$(now)")
packTime=$(tr -d '\r' < "$work/pack.log" | sed -n 's/^CODE: .* in \([0-9.]*\) s$/\1/p')
packSize=$(total "$work/out/CODE")
rm -rf "$work/ms" "$work/out"

awk -v files="$files" -v plain="$plainSize" -v msTime="$msTime" -v msSize="$msSize" \
    -v packTime="$packTime" -v packWall="$packWall" -v packSize="$packSize" -v bigFiles="$bigFiles" -v bigMb="$bigMb" 'BEGIN {
  printf "\nCompressing the benchmark tree (%d files, %d of them %d MB; %.1f MB in all)\n\n", files, bigFiles, bigMb, plain / 1048576
  printf "| | time, s | compressed, bytes | of the tree |\n|---|---|---|---|\n"
  printf "| mscompress | %.2f | %d | %.2f %% |\n", msTime, msSize, 100 * msSize / plain
  printf "| medium pack, compressing the tree | %.2f | %d | %.2f %% |\n", packTime, packSize, 100 * packSize / plain
  printf "| medium pack, whole program (Wine start, copies, check of the packed medium) | %.2f | | |\n", packWall
  printf "\nmedium pack / mscompress: time %.2f x, size %.3f x (goal: time <= 1 x, size <= 1.01 x)\n", \
    packTime / msTime, packSize / msSize
}'
