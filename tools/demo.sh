#!/usr/bin/env bash
# Builds setup.exe and the uninstaller, installs the sample medium of
# examples/medium and removes it again with the command setup registered, as
# the system's list of installed software does.
#
# With a display, both run in a Wine virtual desktop for you to click
# through. Without one, under Xvfb, the UI robot walks both, at 96 and again
# at 144 DPI: it photographs every dialog and message box, presses its
# default button, and goes on until the program ends (the progress dialog it
# photographs with the copy held while the bar is part-way); the pictures
# land in a folder named at the end, one folder for each DPI. The medium's
# programs are signed with a test certificate first, and `medium check`
# shows what it says of a signed, an unsigned and a changed medium.
#
# The demo has a Wine prefix of its own (build/demo/wineprefix), so what the
# tests leave in theirs does not meet it, and it starts by removing what an
# interrupted demo may have left in its own.
set -euo pipefail
source "$(dirname "$0")/common.sh"
export SETUP_WINEPREFIX="$BUILD_DIR/demo/wineprefix"
export WINEPREFIX="$SETUP_WINEPREFIX"
configure_and_build setup xovunin medium robot_cli

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The medium as it would be on the CD: the sample, setup.exe and the
# uninstaller beside it, and one file of the code tree compressed (SETUP.INI
# says FilesCompressed=YES; a compressed file keeps its name).
demo="$BUILD_DIR/demo"
medium="$demo/medium"
rm -rf "$medium"
mkdir -p "$demo"
cp -r "$root/examples/medium" "$medium"
cp "$BUILD_DIR/setup.exe" "$medium/setup.exe"
cp "$BUILD_DIR/XOVUNIN.exe" "$medium/XOVUNIN.EXE"
if command -v mscompress >/dev/null 2>&1 && [ -f "$medium/CODE/CHAP_2/DATA/TABLE.DAT" ]; then
  (cd "$medium/CODE/CHAP_2/DATA" && mscompress TABLE.DAT && mv TABLE.DAT_ TABLE.DAT)
  echo "Compressed CODE/CHAP_2/DATA/TABLE.DAT on the medium"
fi

# The medium's programs signed as a publisher signs them (tools/sign.sh),
# with a test certificate made here, and what `medium check` says of a
# medium signed, unsigned, and with its uninstaller changed by one byte after
# signing. Under Wine the check does not judge the certificate's root: the
# test certificate counts as trusted (on Windows: "whose certificate this
# system does not trust").
bash "$root/tools/make-test-key.sh" "$demo/key" "Zandel Demo Press"
for state in unsigned changed; do rm -rf "$demo/medium-$state"; cp -r "$medium" "$demo/medium-$state"; done
bash "$root/tools/sign.sh" --pkcs12 "$demo/key/test.p12" --password-file "$demo/key/password.txt" "$medium" >/dev/null
cp "$medium/setup.exe" "$medium/XOVUNIN.EXE" "$demo/medium-changed/"
python3 - "$demo/medium-changed/XOVUNIN.EXE" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[0x1000] ^= 1  # one byte of the program's code
open(sys.argv[1], "wb").write(data)
PY
for state in signed unsigned changed; do
  folder=$medium
  [ "$state" = signed ] || folder="$demo/medium-$state"
  echo "medium check on the $state medium:"
  bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$BUILD_DIR/medium.exe" check "$(windows_path "$folder")" |
    tr -d '\r' | grep -E '^signature:|signed|errors?,' | sed 's/^/  /' || true
done
rm -rf "$demo/medium-unsigned" "$demo/medium-changed"

# A large file on the medium, made here rather than kept in the repository:
# the bar moves through it in many steps (DEMO_LARGE_MB, 0 for none). The
# robot photographs the progress dialog with the copy held while the bar is
# part-way, whatever the disk's speed.
large_mb=${DEMO_LARGE_MB:-192}
if [ "$large_mb" -gt 0 ]; then
  mkdir -p "$medium/CODE/MEDIA"
  python3 - "$medium/CODE/MEDIA/TOUR.AVI" "$large_mb" <<'PY'
import os, sys
with open(sys.argv[1], "wb") as f:
    for _ in range(int(sys.argv[2])):
        f.write(os.urandom(1 << 20))
PY
  echo "Made a file of $large_mb MB on the medium: CODE/MEDIA/TOUR.AVI"
fi

# What the sample installs: its folder, the script's copy into the Windows
# folder, the shortcut on the desktop, the uninstall entry.
product="Zandel Companion"
product_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
drive_c="$WINEPREFIX/drive_c"
rm -rf "$drive_c/Zandel" "$drive_c/windows/ZANDEL.INI" "$drive_c"/users/*/Desktop/"$product Files.lnk"
wine reg delete "$product_key" /f >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true

# The uninstall command as registered: the uninstaller, then `folder` product.
registered_command() {
  wine reg query "$product_key" /v UninstallString 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *UninstallString *REG_SZ *//p'
}

if [ -n "${DISPLAY:-}" ]; then
  echo "Running setup in a Wine virtual desktop on $DISPLAY; click through it."
  cd "$medium"
  wine explorer /desktop=setup,1024x768 setup.exe >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  echo "Setup has ended."
  command=$(registered_command)
  if [ -n "$command" ]; then
    echo "Now removing it with the registered command: $command"
    # Wine joins the words again with single spaces, as the sample's command has them.
    # shellcheck disable=SC2086
    wine explorer /desktop=setup,1024x768 $command >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
  fi
  exit 0
fi

# No display: the robot walks the run under Xvfb (tools/wine-run.sh starts it
# and takes the screenshots the robot asks for), once at 96 DPI and once at
# 144 (150 %), the DPI Wine gives a DPI-aware program from the user's
# LogPixels. Each walk installs and removes again.
dpi_key='HKCU\Control Panel\Desktop'
set_dpi() { wine reg add "$dpi_key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; wineserver -w 2>/dev/null || true; }
scenario="$demo/walk.txt"
uninstall_scenario="$demo/uninstall.txt"
printf '%s\n' "# Every dialog: a screenshot, then its default button." "walk demo" "exit" >"$scenario"
# The second half: the robot runs the command registered for the product,
# photographs the uninstaller's question and answers it with its default, Yes.
printf '%s\n' "# The uninstaller's question, then whatever follows." "walk demo-uninstall" "exit" >"$uninstall_scenario"
shots="$demo/screenshots"
rm -rf "$shots"
status=0
for dpi in 96 144; do
  transcript="$demo/transcript-$dpi.txt"
  uninstall_transcript="$demo/uninstall-transcript-$dpi.txt"
  rm -f "$BUILD_DIR"/snaps/demo-*.png "$transcript" "$uninstall_transcript"
  set_dpi "$dpi"
  bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$BUILD_DIR/tests/robot.exe" \
    "$(windows_path "$medium/setup.exe")" "$(windows_path "$medium")" "$(windows_path "$scenario")" \
    "$(windows_path "$transcript")" >/dev/null || status=$?
  wineserver -w 2>/dev/null || true
  if [ "$status" -eq 0 ]; then
    bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$BUILD_DIR/tests/robot.exe" --uninstall "$product" \
      "$(windows_path "$demo")" "$(windows_path "$uninstall_scenario")" \
      "$(windows_path "$uninstall_transcript")" >/dev/null || status=$?
    wineserver -w 2>/dev/null || true
  fi
  mkdir -p "$shots/$dpi-dpi"
  mv "$BUILD_DIR"/snaps/demo-*.png "$shots/$dpi-dpi/" 2>/dev/null || true
  [ "$status" -eq 0 ] || break
done
set_dpi 96

for dpi in 96 144; do
  transcript="$demo/transcript-$dpi.txt"
  uninstall_transcript="$demo/uninstall-transcript-$dpi.txt"
  [ -f "$transcript" ] || continue
  echo "What the robot saw and did in setup at $dpi DPI:"
  tr -d '\r' <"$transcript"
  if [ -f "$uninstall_transcript" ]; then
    echo
    echo "And in the uninstaller, started with the registered command:"
    tr -d '\r' <"$uninstall_transcript"
  fi
  echo
done
if [ -f "$demo/uninstall-transcript-96.txt" ]; then
  if [ -e "$drive_c/Zandel" ]; then echo "C:\Zandel is still there."; else echo "C:\Zandel has been removed."; fi
fi
echo
echo "Screenshots of every dialog and message box, at 96 and at 144 DPI: $shots"
ls "$shots"/*
[ "$status" -eq 0 ] || { echo "The robot could not finish the walk (status $status)." >&2; exit "$status"; }
