# Sourced by every script that runs Wine: one private prefix inside the build
# tree, never the user's own, and HOME pointed into the build tree too, so that
# nothing a test does (shortcuts, desktop entries) lands outside it.
: "${BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export BUILD_DIR
# Tests run side by side (ctest -j): the test command makes SETUP_SLOTS slots,
# each a Wine prefix (its own registry, Windows folder and desktop) and an X
# display of its own, and every running test takes a free one for as long as
# it runs, so that no test meets another's uninstaller, shared files, drives
# or windows. Slot 0 is the build tree's usual prefix. A program the test
# starts inherits the slot. The slot is a lock held by the running test's
# script alone: Wine's own service processes outlive a program and would
# inherit it, so Wine is run without it.
if [ -n "${SETUP_SLOTS:-}" ] && [ -z "${SETUP_SLOT:-}" ]; then
  while [ -z "${SETUP_SLOT:-}" ]; do
    for slot in $(seq 0 $((SETUP_SLOTS - 1))); do
      exec {setup_slot_lock}>"$BUILD_DIR/slot$slot.lock"
      if flock -n "$setup_slot_lock"; then export SETUP_SLOT=$slot SETUP_SLOT_LOCK=$setup_slot_lock; break; fi
      exec {setup_slot_lock}>&-
    done
    [ -n "${SETUP_SLOT:-}" ] || sleep 0.2
  done
  display_var="SETUP_DISPLAY_$SETUP_SLOT"
  [ -n "${!display_var:-}" ] && export DISPLAY="${!display_var}"
fi
if [ -n "${SETUP_SLOT_LOCK:-}" ]; then
  wine() { command wine "$@" {SETUP_SLOT_LOCK}>&-; }
  wineserver() { command wineserver "$@" {SETUP_SLOT_LOCK}>&-; }
  wineboot() { command wineboot "$@" {SETUP_SLOT_LOCK}>&-; }
fi
# Which Windows: a 32-bit one (win32) unless SETUP_WINEARCH=win64 asks for a
# 64-bit one, where setup runs as the 32-bit program it is under WoW64, as on
# every PC sold today. Chosen, never left to Wine: with the 64-bit Wine
# installed, Wine would make a 64-bit prefix of every new one.
export WINEARCH="${SETUP_WINEARCH:-win32}"
if [ "$WINEARCH" != win32 ] && [ "$WINEARCH" != win64 ]; then
  echo "SETUP_WINEARCH is win32 or win64, not '$WINEARCH'" >&2
  return 1 2>/dev/null || exit 1
fi
export LANG=C.UTF-8
# Another Windows than the English one: Wine takes the ANSI code page from the
# locale (ja_JP.UTF-8 gives 932), and such a system has a prefix of its own.
if [ -n "${SETUP_LOCALE:-}" ]; then
  export LANG="$SETUP_LOCALE" LC_ALL="$SETUP_LOCALE"
fi
# The kinds of Windows the test command prepares: the end-to-end scenarios
# run on both, everything else on the 32-bit one.
setup_wine_archs="win32 win64"
# Each Windows, locale and slot has a prefix of its own: build/wineprefix,
# build/wineprefix-slot1, build/wineprefix-ja_JP, build/wineprefix-win64-slot1,
# build/wineprefix-ja_JP-win64, ...: setup_prefix ARCH SLOT [LOCALE] names it.
setup_prefix() {
  local name=wineprefix
  [ -z "${3:-}" ] || name+="-${3%%.*}"
  [ "$1" = win32 ] || name+="-$1"
  case "$2" in 0|all) ;; *) name+="-slot$2" ;; esac
  echo "$BUILD_DIR/$name"
}
# The demo keeps one of its own (SETUP_WINEPREFIX), apart from what the tests
# leave in theirs.
export WINEPREFIX="${SETUP_WINEPREFIX:-$(setup_prefix "$WINEARCH" "${SETUP_SLOT:-0}" "${SETUP_LOCALE:-}")}"
export HOME="$BUILD_DIR/home"
# Wine's own messages stay off, except in a test that reads the loader's
# trace (SETUP_WINEDEBUG=+loaddll).
export WINEDEBUG="${SETUP_WINEDEBUG:--all}"
# A clock far from UTC, on the side where the local date is not the UTC date
# at the hour the tests run (UTC-12 before noon UTC, UTC+14 after), so that a
# date or time taken in UTC where the local one belongs shows in every run.
# SETUP_TZ names another zone.
if [ -z "${SETUP_TZ:-}" ]; then
  if [ "$(date -u +%H)" -lt 12 ]; then SETUP_TZ=Etc/GMT+12; else SETUP_TZ=Pacific/Kiritimati; fi
fi
export TZ="$SETUP_TZ"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
