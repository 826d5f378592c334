#!/usr/bin/env bash
# Builds setup.exe and every test program, then runs all tests (unit and
# end to end) under Wine with CTest. Installs what is missing first.
# Arguments go to ctest (for example -R Copy).
set -euo pipefail
source "$(dirname "$0")/common.sh"
configure_and_build
start_wine_session
cd "$BUILD_DIR"
ctest --output-on-failure "$@"
