#!/usr/bin/env bash
# Maps the test drives of the folder browser into the build tree's Wine
# prefix, or takes the no-room drive down again:
#   map-test-drives.sh BUILD_DIR setup|cleanup
#
# A drive letter is a symlink in $WINEPREFIX/dosdevices; its type comes from
# HKLM\Software\Wine\Drives, which Wine's mount manager reads when it starts,
# so the Wine server is restarted after the mapping.
#   A: floppy without a disk        B: floppy whose disk holds files only
#   D: CD-ROM with a disc (folders) E: CD-ROM without a disc
#   F: hard disk with a known tree  T: hard disk of 1 MB (tmpfs), for no-room
# Everything lives under BUILD_DIR/testdrives. The drives are mapped into the
# prefix of every slot that tests run in side by side (tools/env.sh); this
# script runs alone, and takes no slot of its own.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
action=$2
export BUILD_DIR SETUP_SLOT=all
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
prefixes=("$WINEPREFIX")
for slot in $(seq 1 $((${SETUP_SLOTS:-1} - 1))); do prefixes+=("$BUILD_DIR/wineprefix-slot$slot"); done

drives="$BUILD_DIR/testdrives"
small="$drives/small"

take_down_small() {
  if mountpoint -q "$small" 2>/dev/null; then umount "$small"; fi
  for prefix in "${prefixes[@]}"; do rm -f "$prefix/dosdevices/t:"; done
}

if [ "$action" = cleanup ]; then
  take_down_small
  exit 0
fi

take_down_small
rm -rf "$drives"
mkdir -p "$drives/floppy-files" "$drives/cdrom/DISC1/Sub" "$drives/cdrom/Docs" "$drives/fixed" "$small"
echo "readme" > "$drives/floppy-files/README.TXT"
echo "readme" > "$drives/cdrom/README.TXT"
fixed="$drives/fixed"
mkdir -p "$fixed/zeta/inner" "$fixed/Alpha/b" "$fixed/Alpha/A" "$fixed/beta" "$fixed/.hidden" \
  "$fixed/_under" "$fixed/Empty" "$fixed/Gone/x" "$fixed/Existing"
echo "file" > "$fixed/file.txt"

# The no-room drive needs root for its mount; without it the tests that need
# it say so and are skipped.
rm -f "$drives/small-unavailable.txt"
mounted=no
if mount -t tmpfs -o size=1m,mode=0777 tmpfs "$small" 2>"$drives/mount-error.txt"; then
  mounted=yes
else
  { echo "no tmpfs drive T: (mount failed, needs root):"; cat "$drives/mount-error.txt"; } > "$drives/small-unavailable.txt"
fi

for prefix in "${prefixes[@]}"; do
  export WINEPREFIX="$prefix"
  SETUP_WINEPREFIX="$prefix" bash "$(dirname "${BASH_SOURCE[0]}")/../../tools/make-prefix.sh"
  dosdevices="$WINEPREFIX/dosdevices"
  ln -sfn "$drives/floppy-none" "$dosdevices/a:"
  ln -sfn "$drives/floppy-files" "$dosdevices/b:"
  ln -sfn "$drives/cdrom" "$dosdevices/d:"
  ln -sfn "$drives/cdrom-none" "$dosdevices/e:"
  ln -sfn "$drives/fixed" "$dosdevices/f:"
  [ "$mounted" = no ] || ln -sfn "$small" "$dosdevices/t:"

  key='HKLM\Software\Wine\Drives'
  wine reg add "$key" /v "a:" /d floppy /f >/dev/null 2>&1
  wine reg add "$key" /v "b:" /d floppy /f >/dev/null 2>&1
  wine reg add "$key" /v "d:" /d cdrom /f >/dev/null 2>&1
  wine reg add "$key" /v "e:" /d cdrom /f >/dev/null 2>&1
  # The mount manager reads the drive types only when it starts.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p30 >/dev/null 2>&1 </dev/null
done
