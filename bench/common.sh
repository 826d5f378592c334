# shellcheck shell=bash
# Sourced by bench/run.sh and bench/compare.sh: the generated tree's folder,
# timing a Windows program under Wine, reading what a benchmark program
# printed, and the medians and ratios of the pairs. The caller sets `root`,
# `folders`, `perFolder`, `bigFiles` and `bigMb`, and sources tools/common.sh
# first (BUILD_DIR).

# BENCH_WORK puts the trees elsewhere (a tmpfs such as /dev/shm: then the
# disk's writing back of other work on the machine stays out of the pairs).
work="${BENCH_WORK:-$BUILD_DIR/benchwork}/$folders-$perFolder-$bigFiles-$bigMb"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The plain tree, made once per size (always the same files for the same
# sizes); "plain.done" says it is whole, "done" that the compressed copy
# bench/run.sh adds is whole too.
make_plain_tree() {
  [ -f "$work/done" ] || [ -f "$work/plain.done" ] && return 0
  echo "Generating $folders folders of $perFolder files and $bigFiles files of $bigMb MB..." >&2
  rm -rf "$work"
  mkdir -p "$work"
  python3 "$root/bench/make_tree.py" "$work/plain" "$folders" "$perFolder" "$bigFiles" "$bigMb"
  touch "$work/plain.done"
}

fresh() { rm -rf "${work:?}/$1"; mkdir -p "$work/$1"; }
# Runs a Windows program under Wine; prints its wall time in seconds. What
# the program printed is in $work/last.out.
timed() {
  local start end
  start=$(now)
  wine "$@" >"$work/last.out" 2>&1 </dev/null
  end=$(now)
  elapsed "$start" "$end"
}
# The value (and the word after it) of a line "KEY VALUE" the last program printed.
field() { tr -d '\r' < "$work/last.out" | awk -v k="$1" '$1 == k { print $2, $3 }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# "median low high" of the values.
spread() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.4f %.4f %.4f\n", v[int((NR + 1) / 2)], v[1], v[NR] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 0) }'; }
sum() { printf '%s\n' "$@" | awk '{ s += $1 } END { printf "%.3f", s }'; }
load() { cut -d ' ' -f 1-3 /proc/loadavg; }

# The ratios of two lists, pair by pair ("a1 a2 ..." over "b1 b2 ...").
ratios() { paste <(tr ' ' '\n' <<<"$1" | sed '/^$/d') <(tr ' ' '\n' <<<"$2" | sed '/^$/d') |
  awk '{ if ($2 > 0) printf "%.4f ", $1 / $2; else printf "nan " }'; }
cell() { # the median (lowest to highest) of the values, or nothing for none
  local m lo hi
  [ -n "${1// /}" ] || return 0
  if grep -q nan <<<"$1"; then printf 'no ratio: a reference time not above zero'; return 0; fi
  # shellcheck disable=SC2086
  read -r m lo hi < <(spread $1)
  printf '%.2f (%.2f to %.2f)' "$m" "$lo" "$hi"
}
# shellcheck disable=SC2086
seconds() { [ -n "${1// /}" ] || return 0; printf '%.3f' "$(median $1)"; }
# A goal of today's engine: NAME, the pairs' ratios of today, those of the
# earlier engine (or nothing), the bound; met when today's median is at most the bound.
goal() {
  local name=$1 todays=$2 earliers=$3 bound=$4 verdict m
  if [ -z "${todays// /}" ]; then
    verdict="not measured"
  elif grep -q nan <<<"$todays $earliers"; then
    # A reference not above zero (xcopy less one start on a small tree) gives no ratio.
    todays="" earliers="" verdict="not measured: the reference is within the noise of one start"
  else
    # shellcheck disable=SC2086
    m=$(median $todays)
    verdict=$(awk -v m="$m" -v b="$bound" 'BEGIN { print (m + 0 <= b + 0 ? "met" : "NOT MET") }')
  fi
  printf '| %s | %s | %s | <= %s | %s |\n' "$name" "$(cell "$earliers")" "$(cell "$todays")" "$bound" "$verdict"
}

