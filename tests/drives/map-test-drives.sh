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
# prefix of every slot that tests run in side by side, of each kind of Windows
# (tools/env.sh); this script runs alone, and takes no slot of its own.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
action=$2
export BUILD_DIR SETUP_SLOT=all
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
prefixes=()
for arch in $setup_wine_archs; do
  for slot in $(seq 0 $((${SETUP_SLOTS:-1} - 1))); do prefixes+=("$arch $slot $(setup_prefix "$arch" "$slot")"); done
done

drives="$BUILD_DIR/testdrives"
small="$drives/small"

take_down_small() {
  if mountpoint -q "$small" 2>/dev/null; then umount "$small"; fi
  for each in "${prefixes[@]}"; do rm -f "${each#* * }/dosdevices/t:"; done
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

for each in "${prefixes[@]}"; do
  read -r arch slot prefix <<<"$each"
  export WINEPREFIX="$prefix" WINEARCH="$arch"
  SETUP_WINEPREFIX="$prefix" SETUP_WINEARCH="$arch" bash "$(dirname "${BASH_SOURCE[0]}")/../../tools/make-prefix.sh"
  dosdevices="$WINEPREFIX/dosdevices"
  ln -sfn "$drives/floppy-none" "$dosdevices/a:"
  ln -sfn "$drives/floppy-files" "$dosdevices/b:"
  ln -sfn "$drives/cdrom" "$dosdevices/d:"
  ln -sfn "$drives/cdrom-none" "$dosdevices/e:"
  ln -sfn "$drives/fixed" "$dosdevices/f:"
  [ "$mounted" = no ] || ln -sfn "$small" "$dosdevices/t:"

  # In the mount manager's own view of the registry: it is a part of the
  # system, 64-bit on a 64-bit Windows, where the 32-bit reg.exe that `wine
  # reg` runs would write the 32-bit view (Wow6432Node) that it never reads.
  # A 32-bit Windows has the one view and ignores /reg:64.
  key='HKLM\Software\Wine\Drives'
  wine reg add "$key" /v "a:" /d floppy /f /reg:64 >/dev/null 2>&1
  wine reg add "$key" /v "b:" /d floppy /f /reg:64 >/dev/null 2>&1
  wine reg add "$key" /v "d:" /d cdrom /f /reg:64 >/dev/null 2>&1
  wine reg add "$key" /v "e:" /d cdrom /f /reg:64 >/dev/null 2>&1
  # The mount manager reads the drive types only when it starts.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p30 >/dev/null 2>&1 </dev/null
done
