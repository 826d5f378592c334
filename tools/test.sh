#!/usr/bin/env bash
# Builds setup.exe and every test program, then runs all tests (unit and
# end to end) under Wine with CTest. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
export BUILD_DIR="$root/build"
source "$root/tools/env.sh"

cmake -G Ninja -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS=ON >/dev/null
cmake --build "$BUILD_DIR"
bash "$root/tools/make-prefix.sh"
# A persistent server spares every test program the start of a new one.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null

# One X server for the whole run when there is no display.
xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

cd "$BUILD_DIR"
ctest --output-on-failure "$@"
