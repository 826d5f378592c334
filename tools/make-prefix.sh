#!/usr/bin/env bash
# Creates the private Wine prefix inside the build tree (once per build tree).
set -euo pipefail
source "$(dirname "$0")/env.sh"
[ -f "$WINEPREFIX/.setup-prefix-ready" ] && exit 0
mkdir -p "$HOME" "$(dirname "$WINEPREFIX")"
rm -rf "$WINEPREFIX"
echo "Creating the Wine prefix $WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
# A new prefix links Desktop, Documents and the like to $HOME: replace those
# links with real folders so that shortcuts stay inside the prefix.
for user in "$WINEPREFIX"/drive_c/users/*; do
  [ -d "$user" ] || continue
  for link in "$user"/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
  done
done
# Wine draws the window frames itself instead of leaving them to a window
# manager: Xvfb has none, and for a managed window winex11 waits up to two
# seconds for one to acknowledge every hide (so every closing dialog).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.setup-prefix-ready"
