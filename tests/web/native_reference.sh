# Shared by the web tests (sourced): the native simulator's run of the demo
# with a seed the test picks, the page's build, and the skip convention.
#   WEB_BIN_DIR, WEB_TIME_SHIM, WEB_SOURCE_DIR come from CTest.

skip() {
  echo "SKIPPED: $*"
  exit 77
}

# Builds the page into build/web/dist (incremental), or skips without
# Emscripten.
build_page() {
  command -v emcc >/dev/null || skip "emcc not found (install the emscripten package)"
  bash "$WEB_SOURCE_DIR/tools/web.sh" >"$work/web-build.log" 2>&1 ||
    { cat "$work/web-build.log"; echo "FAIL: the page did not build"; exit 1; }
  dist="$WEB_SOURCE_DIR/build/web/dist"
}

# native_run SEED EXTRA_OPTIONS...: the demo in handheld-sim --fast with its
# clock fixed at SEED; the simulator's stderr goes to $work/native.err.
native_run() {
  local seed=$1
  shift
  [ -f "$WEB_TIME_SHIM" ] || { echo "FAIL: no clock shim at $WEB_TIME_SHIM"; exit 1; }
  "$WEB_BIN_DIR/handheld-sim" --fast --renderer-now --no-window --no-progress "$@" -- \
    env LD_PRELOAD="$WEB_TIME_SHIM" LUMENFALL_FIXED_TIME="$seed" "$WEB_BIN_DIR/lumenfall" \
    2>"$work/native.err" || { cat "$work/native.err"; echo "FAIL: native run"; exit 1; }
}
