# The WebAssembly build: Debian's Emscripten, libxmp built for it into ORV_WEB_PREFIX (see
# scripts/web.sh), node as the emulator that runs the command-line programs and their tests.
#   cmake -S . -B build/web -DCMAKE_TOOLCHAIN_FILE=cmake/web/toolchain.cmake \
#         -DORV_WEB_PREFIX=$PWD/build/web-deps/libxmp
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(ORV_WEB_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../../build/web-deps/libxmp"
    CACHE PATH "Where libxmp for WebAssembly is installed")
# try_compile projects see the toolchain again; pass the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORV_WEB_PREFIX)

# Only the libraries built for WebAssembly: never the machine's native ones.
set(ENV{PKG_CONFIG_LIBDIR} "${ORV_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
list(APPEND CMAKE_FIND_ROOT_PATH "${ORV_WEB_PREFIX}")

# No SDL, no Google Benchmark for WebAssembly: the page has its own back end.
set(ORV_SDL OFF CACHE BOOL "" FORCE)
set(ORV_BENCH OFF CACHE BOOL "" FORCE)
set(ORV_WEB ON CACHE BOOL "Build the page (WebAssembly back end)")

# Emscripten's linker takes archives in any order; the group markers are accepted as they are.
set(CMAKE_LINK_GROUP_USING_RESCAN "LINKER:--start-group" "LINKER:--end-group")
set(CMAKE_LINK_GROUP_USING_RESCAN_SUPPORTED TRUE)

set(CMAKE_C_FLAGS_INIT "-O2")
set(CMAKE_CXX_FLAGS_INIT "-O2")
# Memory grows with the music file; the command-line programs see the machine's files (node).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1")
