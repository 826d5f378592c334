# Sourced by the demo, test and benchmark scripts: the build tree, its Wine
# prefix and the X server the Wine programs need.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
source "$root/tools/env.sh"

# Installs what is missing, configures and builds (the given targets, or all),
# and makes sure the private Wine prefix exists.
configure_and_build() {
  bash "$root/tools/install-deps.sh"
  cmake -G Ninja -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS=ON >/dev/null
  if [ $# -gt 0 ]; then cmake --build "$BUILD_DIR" --target "$@"; else cmake --build "$BUILD_DIR"; fi
  bash "$root/tools/make-prefix.sh"
}

# One X server for the whole run when there is no display, and a persistent
# Wine server that spares every program the start of a new one. Both end with
# the calling script.
start_wine_session() {
  wine_session_xvfb=""
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    wine_session_xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  trap end_wine_session EXIT
  wineserver -p 2>/dev/null || true
  # Wine's own services start now, with no pipe of ours to inherit.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

# Slots for tests run side by side (tools/env.sh): slot 0 is the session
# above; every further one gets an X server of its own. Each slot has a
# prefix and a Wine server of each kind of Windows (setup_wine_archs), on the
# slot's display: a slot runs one test at a time, so the idle session there
# shows nothing. The prefixes missing are made side by side. Sets
# SETUP_SLOTS for the tests.
start_test_slots() {
  export SETUP_SLOTS=$1 SETUP_DISPLAY_0=$DISPLAY
  local slot n
  wine_session_slots=()
  for slot in $(seq 1 $((SETUP_SLOTS - 1))); do
    for n in $(seq 141 190); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    wine_session_slots+=($!)
    export "SETUP_DISPLAY_$slot=:$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  done
  local making=()
  for_each_slot_prefix make_slot_prefix
  for pid in "${making[@]}"; do wait "$pid" || return 1; done
  for_each_slot_prefix start_slot_server
}

# Calls FUNCTION SLOT ARCH DISPLAY for every slot's prefix of every kind but
# the one the session above runs.
for_each_slot_prefix() {
  local slot arch display_var
  for slot in $(seq 0 $((SETUP_SLOTS - 1))); do
    display_var="SETUP_DISPLAY_$slot"
    for arch in $setup_wine_archs; do
      [ "$slot/$arch" = "0/$WINEARCH" ] || "$1" "$slot" "$arch" "${!display_var}"
    done
  done
}

make_slot_prefix() {
  (
    export DISPLAY=$3 SETUP_WINEARCH=$2 SETUP_SLOT=$1
    unset SETUP_SLOTS SETUP_WINEPREFIX
    bash "$root/tools/make-prefix.sh"
  ) &
  making+=($!)
}

start_slot_server() {
  (
    export DISPLAY=$3 SETUP_WINEARCH=$2 SETUP_SLOT=$1
    unset SETUP_SLOTS SETUP_WINEPREFIX
    source "$root/tools/env.sh"
    wineserver -p 2>/dev/null || true
    wine cmd /c exit >/dev/null 2>&1 </dev/null
  )
}

stop_slot_server() {
  ( export SETUP_WINEARCH=$2 SETUP_SLOT=$1; unset SETUP_WINEPREFIX; source "$root/tools/env.sh"; wineserver -k 2>/dev/null || true )
}

end_wine_session() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "${wine_session_xvfb:-}" ] && kill "$wine_session_xvfb" 2>/dev/null || true
  [ -z "${SETUP_SLOTS:-}" ] || for_each_slot_prefix stop_slot_server
  for pid in "${wine_session_slots[@]:-}"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
}
