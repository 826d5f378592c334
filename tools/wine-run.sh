#!/usr/bin/env bash
# Runs one Windows program of ours under Wine with the build tree's private
# prefix: wine-run.sh BUILD_DIR PROGRAM [ARGS...]. CTest uses it as the
# emulator for the cross-compiled test programs.
#
# While the program runs, a watcher takes screenshots that the program asks
# for: a file NAME.req in $BUILD_DIR/snaps whose content is the wanted picture
# file name (NAME.png or NAME.ppm); the request file is removed when the
# picture is there. With tests run side by side, each slot's own folder
# (tools/env.sh).
set -uo pipefail
BUILD_DIR=$(cd "$1" && pwd); shift
export BUILD_DIR
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$(dirname "${BASH_SOURCE[0]}")/make-prefix.sh" || exit 1

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "${BASH_SOURCE[0]}" "$BUILD_DIR" "$@"
fi

snaps="$BUILD_DIR/snaps"
# A test run side by side with others: its own display, its own requests.
[ "${SETUP_SLOT:-0}" = 0 ] || snaps="$BUILD_DIR/snaps-slot$SETUP_SLOT"
mkdir -p "$snaps"
(
  while sleep 0.05; do
    for request in "$snaps"/*.req; do
      [ -f "$request" ] || continue
      picture=$(tr -d '\r\n' < "$request")
      import -window root "$snaps/$picture" 2>/dev/null
      rm -f "$request"
    done
  done
) >/dev/null 2>&1 &
watcher=$!
output=$(mktemp "$BUILD_DIR/wine-run.XXXXXX")
trap 'kill $watcher 2>/dev/null; rm -f "$output"' EXIT

# Wine's own service processes, started on demand, outlive the program and
# inherit its output: going through a file keeps them off CTest's pipe.
wine "$@" >"$output" 2>&1
status=$?
cat "$output"
exit $status
