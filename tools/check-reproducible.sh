#!/usr/bin/env bash
# The release is the same bytes from the same source: builds setup.exe,
# XOVUNIN.EXE and medium.exe twice, each from its own copy of the source (the
# files git tracks or would, as a clean clone has them) at a path of another
# length, into its own build folder, and compares the programs byte for byte.
# Neither copy's path may appear in them. Then both builds' programs are
# signed (tools/sign.sh) with one test key made here and one signing time,
# the source's last commit's: the signed programs are byte-identical too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR="${BUILD_DIR:-$root/build}"
bash "$root/tools/install-deps.sh"
work="$BUILD_DIR/reproducible"
rm -rf "$work"
programs="setup.exe XOVUNIN.exe medium.exe"
# The copies have no git: they are given the source's count of commits, the
# version's last field (cmake/BuildNumber.cmake).
build_number=$(git -C "$root" rev-list --count HEAD)
for copy in one second; do
  source_dir="$work/$copy/source"
  mkdir -p "$source_dir"
  git -C "$root" ls-files -z --cached --others --exclude-standard | (cd "$root" && tar --null -T - -cf -) | tar -C "$source_dir" -xf -
  cmake -G Ninja -S "$source_dir" -B "$work/$copy/build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_NUMBER="$build_number" >/dev/null
  cmake --build "$work/$copy/build" --target setup xovunin medium >/dev/null
done
failed=0
for program in $programs; do
  one="$work/one/build/$program" second="$work/second/build/$program"
  if ! cmp -s "$one" "$second"; then
    echo "FAIL: $program differs between the two builds ($(cmp "$one" "$second" | head -1))" >&2
    failed=1
  fi
  if grep -q -a -e "$work" "$one" "$second"; then
    echo "FAIL: $program holds a build path" >&2
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "The two release builds are byte-identical: $programs"

# Signed: a key of this check's own, never kept; the time fixed, so that the
# signature's own bytes are the same too.
bash "$root/tools/make-test-key.sh" "$work/key" "Reproducible Check"
signing_time=$(git -C "$root" log -1 --format=%ct)
for copy in one second; do
  mkdir -p "$work/$copy/signed"
  for program in $programs; do cp "$work/$copy/build/$program" "$work/$copy/signed/"; done
  bash "$root/tools/sign.sh" --pkcs12 "$work/key/test.p12" --password-file "$work/key/password.txt" \
    --time "$signing_time" "$work/$copy/signed" >/dev/null
done
for program in $programs; do
  one="$work/one/signed/$program" second="$work/second/signed/$program"
  if cmp -s "$one" "$work/one/build/$program"; then
    echo "FAIL: $program was not signed" >&2
    failed=1
  elif ! cmp -s "$one" "$second"; then
    echo "FAIL: $program differs between the two builds once signed ($(cmp "$one" "$second" | head -1))" >&2
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "Signed with one key and one time, they are byte-identical too" && rm -rf "$work"
exit $failed
