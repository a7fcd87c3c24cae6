#!/usr/bin/env bash
# Builds everything and runs the whole test suite with CTest.
# Usage: tools/test.sh [preset] [ctest arguments...]
#   preset: debug (default), release or asan
#   e.g. tools/test.sh asan -LE arm    (leave out the ARM emulation test)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}
shift || true
# Installs what the suite needs first; configuring on every run picks up a
# package that arrived after an earlier configure had missed it.
bash tools/setup.sh test
# The emulated second core's engine, newer than Debian 12's (tools/fetch_unicorn.sh);
# without it the build falls back to the system's, and only the speed differs.
bash tools/fetch_unicorn.sh || true
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" "$@"
