#!/usr/bin/env bash
# The signed programs the tests install, check and pack, made at build time
# with a certificate of the tests' own (openssl; no key is kept anywhere but
# here) and the release's own signing script:
#   OUT/setup.exe, XOVUNIN.EXE, medium.exe   signed by "Zandel Test Press"
#   OUT/older/XOVUNIN.EXE                     the older uninstaller (0.9), signed
#   OUT/changed/                              the three, the uninstaller changed by one byte after signing
#   OUT/damaged/XOVUNIN.EXE                   its signature block's type changed
# Usage: make-signed-programs.sh BUILD_DIR OLDER_XOVUNIN OUT
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 older=$2 out=$3
rm -rf "$out"
mkdir -p "$out/key" "$out/older" "$out/changed" "$out/damaged"
bash "$root/tools/make-test-key.sh" "$out/key" "Zandel Test Press"
cp "$build/setup.exe" "$out/setup.exe"
cp "$build/XOVUNIN.exe" "$out/XOVUNIN.EXE"
cp "$build/medium.exe" "$out/medium.exe"
cp "$older" "$out/older/XOVUNIN.EXE"
sign=(bash "$root/tools/sign.sh" --pkcs12 "$out/key/test.p12" --password-file "$out/key/password.txt")
"${sign[@]}" "$out" "$out/older/XOVUNIN.EXE" >/dev/null
cp "$out/setup.exe" "$out/XOVUNIN.EXE" "$out/medium.exe" "$out/changed/"
cp "$out/XOVUNIN.EXE" "$out/damaged/"
python3 - "$out/changed/XOVUNIN.EXE" "$out/damaged/XOVUNIN.EXE" <<'PY'
import struct, sys
def flip(path, offset):
    data = bytearray(open(path, "rb").read())
    data[offset] ^= 0x01
    open(path, "wb").write(data)
# One byte of the program's code (the first section starts at 0x400).
flip(sys.argv[1], 0x1000)
# The type of the signature block that the certificate table entry names
# (WIN_CERT_TYPE_PKCS_SIGNED_DATA, 2, made 3): the system's check then
# answers "no signature" for a program that carries a block.
data = open(sys.argv[2], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
block = struct.unpack_from("<I", data, pe + 24 + 96 + 4 * 8)[0]
flip(sys.argv[2], block + 6)
PY
