#!/usr/bin/env bash
# What `medium pack` puts on a medium, read back by the expanders a reader's
# and a publisher's machine have: the platform's LZCopy (Wine's expand.exe
# calls it) and msexpand, byte for byte, on edge inputs of the compressor;
# then the medium's disc image made by tools/make-image.sh, listed with xorriso.
# Usage: pack-roundtrip.sh BUILD_DIR (compress|image)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=$(cd "$1" && pwd)
export BUILD_DIR
source "$root/tools/env.sh"
work="$BUILD_DIR/testwork/pack-roundtrip-$2"
rm -rf "$work"
mkdir -p "$work/src/CODE"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
fail() { echo "FAIL: $*" >&2; failed=1; }
failed=0

# The edge inputs: sizes around nothing, runs longer than a match, repeats
# just inside, at and just past the 4096-byte ring, a ring that wraps many
# times, and random bytes (alone they do not shrink: they go on the medium as
# they are; between compressible parts they are compressed).
python3 - "$work/src/CODE" <<'PY'
import os, random, sys
out = sys.argv[1]
random.seed(11)
r = lambda n: bytes(random.getrandbits(8) for _ in range(n))
ring = r(4096)
pad = b" " * 8000  # so that the file as a whole shrinks and goes on compressed
words = b"the setup book chapter listing code file example".split()
text = b"".join(random.choice(words) + (b"\r\n" if random.random() < 0.1 else b" ") for _ in range(60000))
cases = {
    "EMPTY.TXT": b"", "ONE.TXT": b"x", "TWO.TXT": b"ab", "RUN.DAT": b"a" * 100000, "SPACES.TXT": b" " * 5000,
    "RANDOM.BIN": r(50000), "MIXED.BIN": r(20000) + b"\0" * 30000 + r(20000) + text[:30000],
    "AT4095.BIN": ring + ring[1:] + pad, "AT4096.BIN": ring + ring + pad, "AT4097.BIN": ring + b"z" + ring + pad,
    "TEXT.TXT": text,
}
for name, data in cases.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
PY
cp "$root/examples/medium/SETUP.TXT" "$work/src/"
printf '[Setup]\r\nCodeDir=CODE\r\nDestDir=C:\\Packed\r\nProductName=Packed\r\nShortcutLocation=NULL\r\nShortcutName=Packed\r\nFileSize=1\r\nFilesCompressed=YES\r\nUseUnderscores=NO\r\nCommandFile=NULL\r\nVolumeName=Packed edge cases\r\n' > "$work/src/SETUP.INI"

wine "$BUILD_DIR/medium.exe" pack "$(winpath "$work/src")" "$(winpath "$work/out")" > "$work/pack.log" 2>&1 ||
  { cat "$work/pack.log"; fail "medium pack ended with $?"; }

case $2 in
compress)
  # Nothing but random bytes and files of one or two bytes goes on as it is.
  plain="ONE.TXT RANDOM.BIN TWO.TXT"
  gotPlain=""
  for original in "$work"/src/CODE/*; do
    name=$(basename "$original")
    packed="$work/out/CODE/$name"
    size=$(stat -c %s "$original") packedSize=$(stat -c %s "$packed")
    [ "$packedSize" -le $((size + 14)) ] || fail "$name: $packedSize bytes packed from $size"
    if [ "$(head -c 4 "$packed")" = "SZDD" ]; then
      msexpand < "$packed" | cmp -s - "$original" || fail "$name: msexpand gives other bytes"
    else
      gotPlain="$gotPlain $name"
      cmp -s "$packed" "$original" || fail "$name: changed on the medium"
    fi
    rm -f "$work/expanded"
    wine expand "$(winpath "$packed")" "$(winpath "$work/expanded")" >/dev/null 2>&1
    cmp -s "$work/expanded" "$original" || fail "$name: LZCopy (expand.exe) gives other bytes"
  done
  [ "${gotPlain# }" = "$plain" ] || fail "as they are: '${gotPlain# }', expected '$plain'"
  ;;
image)
  image="$work/medium.iso"
  bash "$root/tools/make-image.sh" "$work/out" "$image" >/dev/null
  label=$(xorriso -indev "$image" -toc 2>&1 | sed -n "s/^Volume id *: '\(.*\)'$/\1/p")
  [ "$label" = "PACKED_EDGE_CASES" ] || fail "volume label: '$label'"
  # Without Rock Ridge, lower-case names can only come from the Joliet tree.
  listing=$(xorriso -rockridge off -joliet on -indev "$image" -find / 2>/dev/null | tr -d "'" | sort)
  expected=$(cd "$work/out" && find . | sed 's|^\.||; s|^$|/|' | cat - <(echo /autorun.inf) | sort)
  [ "$listing" = "$expected" ] || fail "image listing differs: $(diff <(echo "$expected") <(echo "$listing"))"
  # Extracted, the files are the medium's and autorun.inf starts setup.exe with its icon.
  xorriso -osirrox on -indev "$image" -extract / "$work/extracted" >/dev/null 2>&1
  chmod -R u+w "$work/extracted"
  diff -r -x autorun.inf "$work/out" "$work/extracted" >/dev/null || fail "extracted files differ from the medium"
  [ "$(tr -d '\r' < "$work/extracted/autorun.inf")" = $'[autorun]\nopen=setup.exe\nicon=setup.exe,0' ] ||
    fail "autorun.inf: $(cat "$work/extracted/autorun.inf")"
  ;;
*) echo "usage: pack-roundtrip.sh BUILD_DIR (compress|image)" >&2; exit 2 ;;
esac
[ $failed -eq 0 ] && echo "passed" && rm -rf "$work"
exit $failed
