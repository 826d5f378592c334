# Sourced by every script that runs Wine: one private prefix inside the build
# tree, never the user's own, and HOME pointed into the build tree too, so that
# nothing a test does (shortcuts, desktop entries) lands outside it.
: "${BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export BUILD_DIR
# The demo keeps a prefix of its own (SETUP_WINEPREFIX), apart from what the
# tests leave in theirs.
export WINEPREFIX="${SETUP_WINEPREFIX:-$BUILD_DIR/wineprefix}"
export LANG=C.UTF-8
# Another Windows than the English one: Wine takes the ANSI code page from the
# locale (ja_JP.UTF-8 gives 932), and such a system has a prefix of its own.
if [ -n "${SETUP_LOCALE:-}" ]; then
  export LANG="$SETUP_LOCALE" LC_ALL="$SETUP_LOCALE"
  [ -n "${SETUP_WINEPREFIX:-}" ] || export WINEPREFIX="$BUILD_DIR/wineprefix-${SETUP_LOCALE%%.*}"
fi
export HOME="$BUILD_DIR/home"
# Wine's own messages stay off, except in a test that reads the loader's
# trace (SETUP_WINEDEBUG=+loaddll).
export WINEDEBUG="${SETUP_WINEDEBUG:--all}"
export TZ=UTC
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
