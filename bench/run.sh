#!/usr/bin/env bash
# Benchmarks the copy engine against Wine's own tools on one generated tree:
#   - the plain tree: bench_engine.exe against `xcopy /E /I`;
#   - the same tree SZDD-compressed by mscompress: bench_engine.exe against
#     Wine's expand.exe (which calls the same LZCopy), on the big files and on
#     a sample of the small ones (expand.exe takes one file per call).
# Usage: bench/run.sh [FOLDERS FILES_PER_FOLDER BIG_FILES BIG_MB]
# (default 200 folders of 25 small files, plus 3 files of 40 MB). Everything is
# written under the build tree (build/benchwork).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folders=${1:-200}
perFolder=${2:-25}
bigFiles=${3:-3}
bigMb=${4:-40}
sample=100

export BUILD_DIR="${BUILD_DIR:-$root/build}"
source "$root/tools/env.sh"
bench="$BUILD_DIR/bench/bench_engine.exe"
if [ ! -f "$bench" ]; then
  bash "$root/tools/install-deps.sh"
  cmake -G Ninja -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS=ON >/dev/null
  cmake --build "$BUILD_DIR" --target bench_engine -- -j2
fi
bash "$root/tools/make-prefix.sh"

xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# A persistent server, so that every program pays only its own start.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null

work="$BUILD_DIR/benchwork"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The tree, made once per size.
stamp="$folders.$perFolder.$bigFiles.$bigMb"
if [ "$(cat "$work/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Generating $folders folders of $perFolder files and $bigFiles files of $bigMb MB..." >&2
  rm -rf "$work"
  mkdir -p "$work"
  python3 - "$work/plain" "$folders" "$perFolder" "$bigFiles" "$bigMb" <<'PY'
import os, random, sys
out, folders, per, big, mb = sys.argv[1], *map(int, sys.argv[2:])
random.seed(7)
words = "the setup window dialog book chapter listing code file example program install copy tree".split()
def text(n):
    lines = []
    size = 0
    while size < n:
        line = " ".join(random.choice(words) for _ in range(random.randint(4, 12))) + "\r\n"
        lines.append(line)
        size += len(line)
    return "".join(lines)[:n].encode()
for d in range(folders):
    folder = os.path.join(out, "DIR%03d" % d)
    os.makedirs(folder)
    for f in range(per):
        with open(os.path.join(folder, "FILE%04d.TXT" % f), "wb") as fh:
            fh.write(text(random.randint(1024, 8192)))
os.makedirs(os.path.join(out, "BIG"))
block = text(4 << 20)
for b in range(big):
    with open(os.path.join(out, "BIG", "BIG%d.DAT" % b), "wb") as fh:
        for i in range(mb // 4):
            fh.write(b"part %d of file %d\r\n" % (i, b))
            fh.write(block)
PY
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
  echo "$stamp" > "$work/stamp"
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
field() { tr -d '\r' < "$work/last.out" | awk -v k="$1" '$1 == k { print $2 }'; }

smallFiles=$((folders * perFolder))

# Start-up of a Wine program that does nothing (expand.exe printing its usage).
startup=$(timed expand)

# 1. Plain tree.
fresh out-engine
engineWall=$(timed "$bench" "$(winpath "$work/plain")" "$(winpath "$work/out-engine")")
engineOwn=$(field engine_seconds)
bisection=$(field measurements_bisection)
passByPass=$(field measurements_pass_by_pass)
fresh out-xcopy
xcopyWall=$(timed xcopy /E /I "$(winpath "$work/plain")" "$(winpath "$work/out-xcopy/tree")")
diff -rq "$work/plain" "$work/out-engine" >/dev/null || echo "WARNING: the engine's plain copy differs" >&2
rm -rf "$work/out-engine" "$work/out-xcopy"

# 2. Compressed big files: the engine on the BIG folder, expand.exe once per file.
fresh out-engine
bigWall=$(timed "$bench" "$(winpath "$work/szdd/BIG")" "$(winpath "$work/out-engine")" compressed)
bigOwn=$(field engine_seconds)
[ "$(field expand_failed)" = 0 ] || echo "WARNING: the engine reported failed expansions" >&2
diff -rq "$work/plain/BIG" "$work/out-engine" >/dev/null || echo "WARNING: the engine's expansion differs" >&2
fresh out-expand
expandBig=0
for f in "$work"/szdd/BIG/*; do
  t=$(timed expand "$(winpath "$f")" "$(winpath "$work/out-expand/$(basename "$f")")")
  expandBig=$(awk -v a="$expandBig" -v b="$t" 'BEGIN { printf "%.3f", a + b }')
done
diff -rq "$work/plain/BIG" "$work/out-expand" >/dev/null || echo "WARNING: expand.exe's output differs" >&2
rm -rf "$work/out-engine" "$work/out-expand"

# 3. Compressed small files: the whole compressed tree less BIG with the
# engine, a sample of them with expand.exe (one call each).
mkdir -p "$work/szdd-small"
for d in "$work"/szdd/DIR*; do [ -e "$work/szdd-small/$(basename "$d")" ] || ln -s "$d" "$work/szdd-small/"; done
fresh out-engine
smallWall=$(timed "$bench" "$(winpath "$work/szdd-small")" "$(winpath "$work/out-engine")" compressed)
smallOwn=$(field engine_seconds)
[ "$(field expand_failed)" = 0 ] || echo "WARNING: the engine reported failed expansions" >&2
diff -rq "$work/plain" "$work/out-engine" 2>/dev/null | grep -v "Only in $work/plain: BIG" | grep -q . &&
  echo "WARNING: the engine's expansion of the small files differs" >&2
fresh out-expand
expandSample=0
for f in $(ls "$work"/szdd/DIR000/* | head -n $sample); do
  t=$(timed expand "$(winpath "$f")" "$(winpath "$work/out-expand/$(basename "$f")")")
  expandSample=$(awk -v a="$expandSample" -v b="$t" 'BEGIN { printf "%.3f", a + b }')
done
sampled=$(ls "$work/out-expand" | wc -l)
rm -rf "$work/out-engine" "$work/out-expand"

awk -v files="$smallFiles" -v bigFiles="$bigFiles" -v bigMb="$bigMb" -v startup="$startup" \
    -v engineWall="$engineWall" -v engineOwn="$engineOwn" -v xcopyWall="$xcopyWall" \
    -v bigWall="$bigWall" -v bigOwn="$bigOwn" -v expandBig="$expandBig" \
    -v smallWall="$smallWall" -v smallOwn="$smallOwn" -v expandSample="$expandSample" -v sampled="$sampled" \
    -v bisection="$bisection" -v passByPass="$passByPass" 'BEGIN {
  total = files + bigFiles
  printf "\nCopy engine against the tools of Wine (start-up of one program: %.3f s)\n\n", startup
  printf "| work | engine (s) | Wine tool (s) | engine / tool |\n|---|---|---|---|\n"
  printf "| plain tree, %d files + %d x %d MB, whole program | %.3f | xcopy /E /I: %.3f | %.2f |\n", \
    files, bigFiles, bigMb, engineWall, xcopyWall, engineWall / xcopyWall
  printf "| plain tree, less one program start-up each | %.3f | %.3f | %.2f |\n", \
    engineWall - startup, xcopyWall - startup, (engineWall - startup) / (xcopyWall - startup)
  printf "| SZDD, %d x %d MB, whole programs | %.3f | expand.exe x %d: %.3f | %.2f |\n", \
    bigFiles, bigMb, bigWall, bigFiles, expandBig, bigWall / expandBig
  printf "| SZDD, %d x %d MB, less start-ups | %.3f | %.3f | %.2f |\n", \
    bigFiles, bigMb, bigOwn, expandBig - bigFiles * startup, bigOwn / (expandBig - bigFiles * startup)
  perEngine = smallOwn / files * 1000
  perExpand = expandSample / sampled * 1000
  perExpandNet = (expandSample - sampled * startup) / sampled * 1000
  printf "| SZDD small files, per file (ms): engine over %d, expand.exe over %d | %.3f | %.3f | %.3f |\n", \
    files, sampled, perEngine, perExpand, perEngine / perExpand
  printf "| SZDD small files, per file less start-up (ms) | %.3f | %.3f | %.2f |\n", \
    perEngine, perExpandNet, perEngine / perExpandNet
  printf "\nEngine time inside the program: plain tree %.3f s, SZDD big files %.3f s, SZDD small files %.3f s\n", \
    engineOwn, bigOwn, smallOwn
  printf "Path shortening for the %d destination paths: %d measurements (%.1f per path); measuring after every removed pair: %d (%.1f per path)\n", \
    total, bisection, bisection / total, passByPass, passByPass / total
}'
