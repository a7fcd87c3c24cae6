#!/usr/bin/env bash
# Builds everything and runs the whole test suite with CTest.
# Usage: tools/test.sh [preset]   (debug by default; also release, asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
