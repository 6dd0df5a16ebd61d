#!/usr/bin/env bash
# Cross-builds orv for 64-bit Windows with Debian's MinGW-w64 and packs build/windows/orv-windows.zip
# (orv.exe, orv-render.exe, orv-tune.exe, the default tune and a README). libxmp and GoogleTest
# are built from source into build/windows-deps/prefix; nothing is installed outside build/.
# The build folder is build/windows-build; scripts/ci_windows.sh runs its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
root=$PWD
jobs=${ORV_JOBS:-2}
deps=$root/build/windows-deps
prefix=$deps/prefix
out=$root/build/windows
build=$root/build/windows-build
triplet=x86_64-w64-mingw32

packages=(cmake make pkg-config g++-mingw-w64-x86-64-posix wine64 wine dpkg-dev libgtest-dev)
need_packages "${packages[@]}"

start=$(date +%s)
if [ ! -f "$prefix/lib/libxmp.a" ]; then
  step "libxmp for Windows (static)"
  ./scripts/libxmp_source.sh "$deps/libxmp-src"
  # Its makefiles build only inside the source tree: build in a copy.
  rm -rf "$deps/libxmp-build"
  cp -r "$deps/libxmp-src" "$deps/libxmp-build"
  (cd "$deps/libxmp-build" &&
     ./configure -q --host=$triplet --enable-static --disable-shared --prefix="$prefix" \
       CFLAGS="-O2 -ffp-contract=off" > /dev/null &&
     make -s -j "$jobs" > /dev/null && make -s install > /dev/null)
fi
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  step "GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw64.cmake" -DBUILD_GMOCK=OFF \
        -DCMAKE_INSTALL_PREFIX="$prefix" > /dev/null
  cmake --build "$deps/gtest-build" -j "$jobs" > /dev/null
  cmake --install "$deps/gtest-build" > /dev/null
fi

step "orv for Windows"
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# Only the cross-built libxmp is visible to pkg-config.
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_WERROR=ON -DORV_BENCH=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw64.cmake" \
        -DORV_WINDOWS_DEPS="$prefix" "${launcher[@]}" > /dev/null
cmake --build "$build" -j "$jobs"
echo "build time: $(($(date +%s) - start)) s"

step "package"
native_tune=$root/build/release/orv-tune
rm -rf "$out/orv"
mkdir -p "$out/orv/snap"
for program in orv orv-render orv-tune; do
  [ -f "$build/$program.exe" ] && cp "$build/$program.exe" "$out/orv/"
done
# The tune generator writes the same bytes on every platform; the native one is quicker to run
# than Wine when it is there.
if [ -x "$native_tune" ]; then "$native_tune" "$out/orv/orv.xm"; else
  WINEPREFIX=${WINEPREFIX:-$root/build/windows-wine} WINEDEBUG=-all wine "$build/orv-tune.exe" "$out/orv/orv.xm"
fi
sed 's/$/\r/' docs/windows-readme.txt > "$out/orv/README.txt"
rm -f "$out/orv-windows.zip"
(cd "$out" && cmake -E tar cf orv-windows.zip --format=zip orv)
echo "$out/orv-windows.zip"
