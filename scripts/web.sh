#!/usr/bin/env bash
# Builds the demo as a web page into build/web (index.html, orv.js, orv.wasm, the default tune
# orv.xm) and serves it on 127.0.0.1 for a browser: open the address it prints, click, watch.
# usage: scripts/web.sh [--no-serve] [PORT]    (PORT defaults to 8000)
# Installs what it needs (Debian's emscripten, libxmp's source package, chromium for the tests)
# and builds libxmp for WebAssembly into build/web-deps, never into a system folder.
set -euo pipefail
cd "$(dirname "$0")/.."
serve=1
if [ "${1:-}" = --no-serve ]; then serve=0; shift; fi
port=${1:-8000}
jobs=${ORV_JOBS:-2}
./scripts/deps.sh web

# Debian's emcc runs its tools under the machine's node: it needs Debian's node modules (acorn),
# and its loader reads local files, which node's own fetch would refuse.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
export NODE_OPTIONS=--no-experimental-fetch

deps=$PWD/build/web-deps
prefix=$deps/libxmp
if [ ! -f "$prefix/lib/libxmp.a" ]; then
  echo "building libxmp for WebAssembly into $prefix"
  ./scripts/libxmp_source.sh "$deps/libxmp-src"
  rm -rf "$deps/libxmp-build"
  cp -r "$deps/libxmp-src" "$deps/libxmp-build"
  (
    cd "$deps/libxmp-build"
    emconfigure ./configure --disable-shared --enable-static --prefix="$prefix" CFLAGS=-O2 \
      > "$deps/libxmp-configure.log" 2>&1 ||
      { tail -20 "$deps/libxmp-configure.log"; exit 1; }
    emmake make -j "$jobs" > "$deps/libxmp-make.log" 2>&1 || { tail -20 "$deps/libxmp-make.log"; exit 1; }
    emmake make install > "$deps/libxmp-install.log" 2>&1 || { tail -20 "$deps/libxmp-install.log"; exit 1; }
  )
  rm -rf "$deps/libxmp-build"
fi

cmake -S . -B build/web -DCMAKE_TOOLCHAIN_FILE=cmake/web/toolchain.cmake \
      -DCMAKE_BUILD_TYPE=Release -DORV_WERROR=ON -DORV_WEB_PREFIX="$prefix" > /dev/null
cmake --build build/web -j "$jobs"
echo "the page is in build/web: $(cd build/web && ls index.html orv-page.js orv-audio.js orv-snapshot.js orv.js orv.wasm orv.xm | tr "\n" " ")"

if [ "$serve" = 1 ]; then
  unset NODE_OPTIONS
  exec node scripts/web_serve.js build/web "$port"
fi
