#!/usr/bin/env bash
# The release's signing script on the three built programs: each verifies
# with osslsigncode against the test certificate that signed it (and not
# against another), carries SHA-256, its name and the maker's address; two
# signings with one key and one time give the same bytes, from a PKCS#12
# file as from PEM files; a wrong password signs nothing.
# Usage: sign-release.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work="$build/testwork/sign-release"
rm -rf "$work"
mkdir -p "$work/one" "$work/two"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
bash "$root/tools/make-test-key.sh" "$work/key" "Zandel Test Press"
bash "$root/tools/make-test-key.sh" "$work/other" "Someone Else"
for copy in one two; do cp "$build/setup.exe" "$build/XOVUNIN.exe" "$build/medium.exe" "$work/$copy/"; done
time=1767225600  # 2026-01-01, any fixed time
bash "$root/tools/sign.sh" --pkcs12 "$work/key/test.p12" --password-file "$work/key/password.txt" --time $time \
  "$work/one" >/dev/null || fail "signing with the PKCS#12 file"
bash "$root/tools/sign.sh" --cert "$work/key/cert.pem" --key "$work/key/key.pem" --time $time \
  "$work/two/setup.exe" "$work/two/XOVUNIN.exe" "$work/two/medium.exe" >/dev/null || fail "signing with the PEM files"

declare -A names=([setup.exe]="installs a book's companion files" [XOVUNIN.exe]="removes a book's companion files"
  [medium.exe]="checks and packs a book's setup medium")
url=$(sed -n 's/^Url=//p' "$root/res/maker.txt")
for program in setup.exe XOVUNIN.exe medium.exe; do
  signed="$work/one/$program"
  cmp -s "$signed" "$build/$program" && fail "$program was not changed by signing"
  cmp -s "$signed" "$work/two/$program" || fail "$program: two signings with one key and time differ"
  report=$(osslsigncode verify -CAfile "$work/key/cert.pem" -in "$signed" 2>&1) || fail "$program does not verify: $report"
  grep -q "Signature verification: ok" <<<"$report" || fail "$program: $report"
  grep -q "Message digest algorithm *: SHA256" <<<"$report" || fail "$program is not signed with SHA-256"
  grep -qF "Text description: Book Setup: ${names[$program]}" <<<"$report" || fail "$program: no name in $report"
  grep -qF "URL description: $url" <<<"$report" || fail "$program: no URL in $report"
  osslsigncode verify -CAfile "$work/other/cert.pem" -in "$signed" >/dev/null 2>&1 &&
    fail "$program verifies against a certificate that did not sign it"
  # Signed again, over its signature: the same bytes as signed once.
  cp "$signed" "$work/again-$program"
done
mkdir -p "$work/again" && for program in setup.exe XOVUNIN.exe medium.exe; do mv "$work/again-$program" "$work/again/$program"; done
bash "$root/tools/sign.sh" --pkcs12 "$work/key/test.p12" --password-file "$work/key/password.txt" --time $time \
  "$work/again" >/dev/null || fail "signing signed programs again"
for program in setup.exe XOVUNIN.exe medium.exe; do
  cmp -s "$work/again/$program" "$work/one/$program" || fail "$program signed twice differs from signed once"
done

# With a time-stamp authority's URL the signature carries its time stamp,
# which verifies against that authority; one that cannot be reached signs
# nothing rather than a signature without a stamp.
tsa="$work/tsa"
mkdir -p "$tsa"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$tsa/tsa.key" -out "$tsa/tsa.pem" -days 30 -subj "/CN=Test TSA" \
  -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null
printf '[ tsa ]\ndefault_tsa = tsa_config\n[ tsa_config ]\nserial = %s\ncrypto_device = builtin\nsigner_cert = %s\nsigner_key = %s\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256, sha1\naccuracy = secs:1\ness_cert_id_alg = sha256\n' \
  "$tsa/serial" "$tsa/tsa.pem" "$tsa/tsa.key" >"$tsa/tsa.cnf"
echo 01 >"$tsa/serial"
python3 "$root/tests/signing/time-stamp-authority.py" "$tsa/tsa.cnf" >"$tsa/port" &
tsa_pid=$!
trap 'kill $tsa_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$tsa/port" ] && break; sleep 0.1; done
cp "$build/setup.exe" "$tsa/setup.exe"
bash "$root/tools/sign.sh" --pkcs12 "$work/key/test.p12" --password-file "$work/key/password.txt" \
  --timestamp "http://127.0.0.1:$(cat "$tsa/port")/" "$tsa/setup.exe" >/dev/null || fail "signing with a time stamp"
report=$(osslsigncode verify -CAfile "$work/key/cert.pem" -TSA-CAfile "$tsa/tsa.pem" -in "$tsa/setup.exe" 2>&1) ||
  fail "the time-stamped program does not verify: $report"
grep -q "Timestamp Server Signature verification: ok" <<<"$report" || fail "no time stamp: $report"
osslsigncode verify -CAfile "$work/key/cert.pem" -in "$work/one/setup.exe" 2>&1 | grep -q "Timestamp Server" &&
  fail "a time stamp without a time-stamp URL"
kill $tsa_pid 2>/dev/null
wait $tsa_pid 2>/dev/null || true
cp "$build/setup.exe" "$tsa/unstamped.exe"
if bash "$root/tools/sign.sh" --pkcs12 "$work/key/test.p12" --password-file "$work/key/password.txt" \
  --timestamp "http://127.0.0.1:$(cat "$tsa/port")/" "$tsa/unstamped.exe" >/dev/null 2>&1; then
  fail "signed although the time-stamp authority could not be reached"
fi
cmp -s "$tsa/unstamped.exe" "$build/setup.exe" || fail "a signing without its time stamp changed the program"

# A wrong password: an error, and the program as it was.
cp "$build/setup.exe" "$work/wrong.exe"
echo wrong >"$work/wrong-password.txt"
if bash "$root/tools/sign.sh" --pkcs12 "$work/key/test.p12" --password-file "$work/wrong-password.txt" \
  "$work/wrong.exe" >/dev/null 2>&1; then fail "a wrong password was taken"; fi
cmp -s "$work/wrong.exe" "$build/setup.exe" || fail "a failed signing changed the program"
ls "$work" | grep -q '\.signing' && fail "a failed signing left files behind"

[ $failed -eq 0 ] && echo "passed" && rm -rf "$work"
exit $failed
