#!/usr/bin/env bash
# Signs our programs (setup.exe, XOVUNIN.EXE, medium.exe) with Authenticode,
# SHA-256, with Debian's osslsigncode: the program's name (its description in
# res/maker.txt) and the maker's address go into each signature, so that the
# elevation prompt names the publisher instead of "Unknown publisher".
#
#   tools/sign.sh (--pkcs12 FILE | --cert PEM --key PEM) [--password-file FILE]
#                 [--timestamp URL] [--time UNIX_TIME] FOLDER|PROGRAM...
#
# A FOLDER is a release's build folder or a medium's folder: each of the three
# programs found there (names in any letter case) is signed in place. A
# release needs --timestamp (an RFC 3161 time-stamp authority's URL): without
# a time stamp a signature dies with its certificate. --time fixes the
# signing time (seconds since 1970), so that the same program, key and time
# give the same bytes. The key never goes into the repository.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  sed -n '7,8p' "$0" | sed 's/^# *//' >&2
  exit 2
}
die() { echo "sign: $*" >&2; exit 2; }

pkcs12="" cert="" key="" password_file="" timestamp="" time=""
targets=()
while [ $# -gt 0 ]; do
  case $1 in
  --pkcs12) pkcs12=${2:-}; shift 2 ;;
  --cert) cert=${2:-}; shift 2 ;;
  --key) key=${2:-}; shift 2 ;;
  --password-file) password_file=${2:-}; shift 2 ;;
  --timestamp) timestamp=${2:-}; shift 2 ;;
  --time) time=${2:-}; shift 2 ;;
  --help | -h) usage ;;
  -*) die "unknown option $1" ;;
  *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || usage
if [ -n "$pkcs12" ]; then
  [ -z "$cert$key" ] || die "give either --pkcs12 or --cert and --key"
  [ -f "$pkcs12" ] || die "no such file: $pkcs12"
  credentials=(-pkcs12 "$pkcs12")
else
  [ -n "$cert" ] && [ -n "$key" ] || die "give either --pkcs12 or --cert and --key"
  [ -f "$cert" ] && [ -f "$key" ] || die "no such file: $cert or $key"
  credentials=(-certs "$cert" -key "$key")
fi
if [ -n "$password_file" ]; then
  [ -f "$password_file" ] || die "no such file: $password_file"
  # From the file, never on the command line, where every user's process list shows it.
  credentials+=(-readpass "$password_file")
fi
[ -z "$time" ] || [[ $time =~ ^[0-9]+$ ]] || die "--time takes seconds since 1970: $time"
command -v osslsigncode >/dev/null 2>&1 || bash "$root/tools/install-deps.sh"

# One field of res/maker.txt.
maker() { sed -n "s/^$1=//p" "$root/res/maker.txt" | tr -d '\r' | head -1; }
url=$(maker Url)

# The program's name in the signature: what the prompt shows as "Program name".
name_of() {
  case $(basename "$1" | tr '[:upper:]' '[:lower:]') in
  setup.exe) maker SetupDescription ;;
  xovunin.exe) maker UninstallerDescription ;;
  medium.exe) maker MediumDescription ;;
  *) basename "$1" ;;
  esac
}

programs=()
for target in "${targets[@]}"; do
  if [ -d "$target" ]; then
    found=$(find "$target" -maxdepth 1 -type f \( -iname setup.exe -o -iname xovunin.exe -o -iname medium.exe \) | sort)
    [ -n "$found" ] || die "$target holds none of setup.exe, XOVUNIN.EXE, medium.exe"
    while IFS= read -r program; do programs+=("$program"); done <<<"$found"
  elif [ -f "$target" ]; then
    programs+=("$target")
  else
    die "no such file or folder: $target"
  fi
done

for program in "${programs[@]}"; do
  options=(-h sha256 -n "$(name_of "$program")" -i "$url")
  [ -z "$timestamp" ] || options+=(-ts "$timestamp")
  [ -z "$time" ] || options+=(-time "$time")
  signed="$program.signing"
  rm -f "$signed"
  # A program signed before (a release re-signed by a publisher with their
  # own certificate) gets the new signature in place of the old one, the
  # same bytes as a program never signed: osslsigncode replaces it.
  if ! osslsigncode sign "${credentials[@]}" "${options[@]}" -in "$program" -out "$signed" >"$signed.log" 2>&1; then
    cat "$signed.log" >&2
    rm -f "$signed" "$signed.log"
    die "could not sign $program"
  fi
  rm -f "$signed.log"
  mv -f "$signed" "$program"
  echo "signed $program"
done
