#!/usr/bin/env bash
# Creates the private Wine prefix inside the build tree (once per build tree).
set -euo pipefail
source "$(dirname "$0")/env.sh"
# A prefix is of one Windows for good (tools/env.sh chooses which): one of
# the other kind, left by an earlier run or made before the choice was
# written down, is made anew, never run in the wrong form.
# What Wine made a prefix as: the first line of its registry names it.
made_as() { sed -n 's/^#arch=//p;T;q' "$WINEPREFIX/system.reg" 2>/dev/null || true; }
made_as=$(made_as)
if [ -f "$WINEPREFIX/.setup-prefix-ready" ]; then
  [ "$made_as" = "$WINEARCH" ] && exit 0
  echo "The Wine prefix $WINEPREFIX is ${made_as:-of no known kind}, not $WINEARCH: making it anew"
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
fi
mkdir -p "$HOME" "$(dirname "$WINEPREFIX")"
rm -rf "$WINEPREFIX"
echo "Creating the Wine prefix $WINEPREFIX ($WINEARCH)"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
made_as=$(made_as)
if [ "$made_as" != "$WINEARCH" ]; then
  echo "Wine made no $WINEARCH prefix in $WINEPREFIX (${made_as:-none}); is the $WINEARCH Wine installed (tools/install-deps.sh)?" >&2
  exit 1
fi
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
