#!/usr/bin/env bash
# A code-signing certificate for tests and demos, made anew each time with
# openssl: DIR/cert.pem, DIR/key.pem, and both in DIR/test.p12 under the
# password in DIR/password.txt.
# Usage: make-test-key.sh DIR SIGNER_NAME
set -euo pipefail
dir=$1 name=$2
mkdir -p "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 3650 \
  -subj "/CN=$name/O=$name" -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" 2>/dev/null
openssl rand -hex 16 >"$dir/password.txt"
openssl pkcs12 -export -in "$dir/cert.pem" -inkey "$dir/key.pem" -out "$dir/test.p12" \
  -passout "file:$dir/password.txt"
