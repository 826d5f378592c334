#!/usr/bin/env bash
# Builds setup.exe and every test program, then runs all tests (unit and
# end to end) under Wine with CTest, two at a time (SETUP_TEST_JOBS), each
# in a slot of its own (tools/env.sh). Installs what is missing first.
# Arguments go to ctest (for example -R Copy).
set -euo pipefail
source "$(dirname "$0")/common.sh"
configure_and_build
start_wine_session
jobs=${SETUP_TEST_JOBS:-2}
start_test_slots "$jobs"
cd "$BUILD_DIR"
ctest --output-on-failure -j "$jobs" "$@"
