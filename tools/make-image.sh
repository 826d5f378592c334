#!/usr/bin/env bash
# Makes the disc image of a ready medium (one made by `medium pack`):
# ISO 9660 with Joliet names (the long names Windows shows), the volume label
# from VolumeName in the medium's SETUP.INI, and an autorun.inf that starts
# setup.exe with its icon (unless the medium brings its own).
# Usage: tools/make-image.sh MEDIUM IMAGE
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: tools/make-image.sh MEDIUM IMAGE" >&2
  exit 2
fi
medium=$1 image=$2
bash "$(dirname "$0")/install-deps.sh"
for file in SETUP.INI setup.exe; do
  # The names are looked up as Windows does, in any letter case.
  if [ -z "$(find "$medium" -maxdepth 1 -iname "$file" -print -quit 2>/dev/null)" ]; then
    echo "make-image: $medium has no $file (make the medium with: medium pack SRC OUT)" >&2
    exit 2
  fi
done
ini=$(find "$medium" -maxdepth 1 -iname SETUP.INI -print -quit)

# VolumeName of the [Setup] section; a label holds at most 32 of A-Z, 0-9 and "_".
volume=$(tr -d '\r' < "$ini" | awk -F= '
  /^[ \t]*\[/ { section = tolower($0); gsub(/[ \t\[\]]/, "", section); next }
  section == "setup" && tolower($1) ~ /^[ \t]*volumename[ \t]*$/ { sub(/^[^=]*=[ \t]*/, ""); print; exit }')
volume=$(printf '%s' "${volume:-SETUP}" | tr '[:lower:]' '[:upper:]' | tr -c 'A-Z0-9_' '_' | cut -c1-32)

extra=()
if [ -z "$(find "$medium" -maxdepth 1 -iname autorun.inf -print -quit)" ]; then
  autorun=$(mktemp)
  trap 'rm -f "$autorun"' EXIT
  printf '[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\n' > "$autorun"
  extra=(-graft-points "/autorun.inf=$autorun")
fi
rm -f "$image"
# xorriso names itself on every start; only its complaints are worth showing.
xorriso -as mkisofs -quiet -iso-level 2 -J -joliet-long -r -V "$volume" -o "$image" "${extra[@]}" "$medium" \
  2> >(grep -v '^xorriso [0-9.]* : RockRidge filesystem manipulator' >&2)
echo "image $image: volume $volume"
