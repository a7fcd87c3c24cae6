#!/usr/bin/env bash
# Builds the web page (the demo and the renderer as one WebAssembly module)
# into build/web/dist. Serve that folder with any static web server, e.g.
#   cd build/web/dist && python3 -m http.server 8000 --bind 127.0.0.1
# Needs Debian's emscripten package.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v emcc >/dev/null; then
  echo "tools/web.sh: emcc not found: install the emscripten package" >&2
  exit 1
fi
# Emscripten runs its own tools under node, which needs Debian's modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if [ ! -f build/web/CMakeCache.txt ]; then
  cmake --preset web >/dev/null
fi
cmake --build --preset web
echo "web page: $(pwd)/build/web/dist"
