#!/usr/bin/env bash
# Builds setup.exe and runs it on the sample medium of examples/medium.
#
# With a display, setup runs in a Wine virtual desktop for you to click
# through. Without one, under Xvfb, the UI robot walks the typical run: it
# photographs every dialog and message box, presses its default button, and
# goes on until setup ends; the pictures land in a folder named at the end.
set -euo pipefail
source "$(dirname "$0")/common.sh"
configure_and_build setup xovunin robot_cli

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

if [ -n "${DISPLAY:-}" ]; then
  echo "Running setup in a Wine virtual desktop on $DISPLAY; click through it."
  cd "$medium"
  wine explorer /desktop=setup,1024x768 setup.exe >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  echo "Setup has ended."
  exit 0
fi

# No display: the robot walks the run under Xvfb (tools/wine-run.sh starts it
# and takes the screenshots the robot asks for).
scenario="$demo/walk.txt"
transcript="$demo/transcript.txt"
printf '%s\n' "# Every dialog: a screenshot, then its default button." "walk demo" "exit" >"$scenario"
rm -f "$BUILD_DIR"/snaps/demo-*.png
status=0
bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$BUILD_DIR/tests/robot.exe" \
  "$(windows_path "$medium/setup.exe")" "$(windows_path "$medium")" "$(windows_path "$scenario")" \
  "$(windows_path "$transcript")" >/dev/null || status=$?
wineserver -w 2>/dev/null || true

shots="$demo/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
mv "$BUILD_DIR"/snaps/demo-*.png "$shots/" 2>/dev/null || true
if [ -f "$transcript" ]; then
  echo "What the robot saw and did:"
  tr -d '\r' <"$transcript"
fi
echo
echo "Screenshots of every dialog and message box: $shots"
ls "$shots"
[ "$status" -eq 0 ] || { echo "The robot could not finish the walk (status $status)." >&2; exit "$status"; }
