#!/usr/bin/env bash
# Nothing beside our programs is loaded as a DLL.
#   imports: the DLLs each program imports directly, read from the import
#            tables of the built setup.exe, XOVUNIN.EXE and medium.exe: only
#            those Windows always takes from the system folder. Each program
#            (in both code-page forms) is Terminal-Server aware: its header's
#            DllCharacteristics hold 0x8000, or a Remote Desktop host gives it
#            the user's private Windows folder.
#   planted: setup installs from a medium that holds DLLs of the names the
#            system loads by name (copies of the prefix's own), the uninstaller
#            removes it again and medium.exe checks that medium from beside
#            them, all under Wine's loader trace; no module is taken from, or
#            even looked for in, the medium's folder.
# Usage: dll-search.sh BUILD_DIR (imports|planted)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=$(cd "$1" && pwd)
export BUILD_DIR
source "$root/tools/env.sh"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
fail() { echo "FAIL: $*" >&2; failed=1; }
failed=0
# A folder of its own for each slot and kind of Windows it runs in.
work="$BUILD_DIR/testwork/dll-search-$2-$WINEARCH-slot${SETUP_SLOT:-0}"

case $2 in
imports)
  objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
  # kernel32, user32, gdi32, advapi32, ole32 and msvcrt are known DLLs: the
  # loader takes them from the system folder whatever lies beside the program.
  check_imports() {
    local got
    got=$("$objdump" -p "$BUILD_DIR/$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
    [ "$got" = "$2 " ] || fail "$1 imports '$got', expected '$2 '"
  }
  check_imports setup.exe "advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll user32.dll"
  check_imports XOVUNIN.exe "advapi32.dll kernel32.dll msvcrt.dll user32.dll"
  check_imports medium.exe "advapi32.dll kernel32.dll msvcrt.dll user32.dll"
  for program in setup.exe XOVUNIN.exe medium.exe system-code-page/setup.exe system-code-page/XOVUNIN.exe \
                 system-code-page/medium.exe; do
    flags=$("$objdump" -p "$BUILD_DIR/$program" | sed -n 's/^DllCharacteristics\s*\([0-9a-fA-F]*\).*/\1/p')
    [ -n "$flags" ] || { fail "$program: no DllCharacteristics in its header"; continue; }
    (( (16#$flags & 0x8000) != 0 )) || fail "$program: DllCharacteristics $flags lack 0x8000 (Terminal-Server aware)"
  done
  ;;
planted)
  medium="$work/medium"
  rm -rf "$work"
  mkdir -p "$work"
  cp -r "$root/examples/medium" "$medium"
  cp "$BUILD_DIR/setup.exe" "$medium/setup.exe"
  cp "$BUILD_DIR/XOVUNIN.exe" "$medium/XOVUNIN.EXE"
  cp "$BUILD_DIR/medium.exe" "$medium/medium.exe"
  # The sample installs into the test work folder, not into C:\Zandel.
  sed -i "s|^DestDir=.*|DestDir=$(winpath "$work/installed" | sed 's/\\/\\\\/g')|" "$medium/SETUP.INI"

  # Copies of Wine's own DLLs, so that a load from the medium would succeed and
  # show in the trace; a name Wine has no DLL of gets a copy of a small one.
  # Left out: version.dll, zlib1.dll and imm32.dll, which Wine's own modules
  # import before the program's first instruction, and msimg32.dll, which
  # Wine's uxtheme imports late (delayed) through a search that ignores the
  # program's restriction; Windows takes all four from the system folder.
  bash "$root/tools/make-prefix.sh"
  # The programs are 32-bit: on a 64-bit Windows their system folder is
  # SysWOW64 (system32 holds the 64-bit DLLs, which they could not load).
  system32="$WINEPREFIX/drive_c/windows/system32"
  [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] || system32="$WINEPREFIX/drive_c/windows/syswow64"
  planted="comctl32 uxtheme dwmapi cryptbase propsys profapi secur32 userenv winmm shfolder setupapi
           riched20 oleacc apphelp bcrypt lz32 cryptsp sspicli ntmarta shell32 shlwapi oleaut32"
  for name in $planted; do
    if [ -f "$system32/$name.dll" ]; then cp "$system32/$name.dll" "$medium/$name.dll"
    else cp "$system32/lz32.dll" "$medium/$name.dll"; fi
  done

  product="Zandel Companion"
  product_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
  wine reg delete "$product_key" /f >/dev/null 2>&1 || true
  printf '%s\n' "walk planted" "exit" >"$work/walk.txt"
  export SETUP_WINEDEBUG=+loaddll
  bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$BUILD_DIR/tests/robot.exe" "$(winpath "$medium/setup.exe")" \
    "$(winpath "$medium")" "$(winpath "$work/walk.txt")" "$(winpath "$work/setup.txt")" >"$work/trace.txt" 2>&1 ||
    fail "the robot could not walk setup through: $(tr -d '\r' < "$work/setup.txt" 2>/dev/null | tail -3)"
  [ -n "$(ls -A "$work/installed" 2>/dev/null)" ] || fail "setup did not install the sample into $work/installed"
  bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$BUILD_DIR/tests/robot.exe" --uninstall "$product" \
    "$(winpath "$work")" "$(winpath "$work/walk.txt")" "$(winpath "$work/uninstall.txt")" >>"$work/trace.txt" 2>&1 ||
    fail "the robot could not walk the uninstaller through: $(tr -d '\r' < "$work/uninstall.txt" 2>/dev/null | tail -3)"
  [ ! -e "$work/installed" ] || fail "the uninstaller left $work/installed"
  (cd "$medium" && bash "$root/tools/wine-run.sh" "$BUILD_DIR" "$medium/medium.exe" check "$(winpath "$medium")") \
    >>"$work/trace.txt" 2>&1 || [ $? -eq 1 ] || fail "medium.exe check did not run"
  snaps="$BUILD_DIR/snaps"
  [ "${SETUP_SLOT:-0}" = 0 ] || snaps+="-slot$SETUP_SLOT"
  rm -f "$snaps"/planted-*.png

  # The trace names every module each process loaded, with the path it was found at.
  loaded() { grep -Eqi "trace:loaddll:.*$1" "$work/trace.txt"; }
  here=${work##*/}
  loaded "$here"'\\\\medium\\\\setup\.exe' || fail "no loader trace of setup.exe"
  loaded 'common-controls.*\\\\comctl32\.dll' || fail "setup did not load the common controls of version 6"
  loaded '\\\\xovunin\.exe' || fail "no loader trace of the uninstaller"
  loaded "$here"'\\\\medium\\\\medium\.exe' || fail "no loader trace of medium.exe"
  taken=$(grep -Ei "$here"'\\\\medium\\\\[^"]*\.dll' "$work/trace.txt" || true)
  [ -z "$taken" ] || fail "modules looked for or taken beside the programs:
$taken"
  ;;
*) echo "usage: dll-search.sh BUILD_DIR (imports|planted)" >&2; exit 2 ;;
esac
[ $failed -eq 0 ] && echo "passed" && rm -rf "$work" 2>/dev/null
exit $failed
