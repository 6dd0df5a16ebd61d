# The libraries the programs are made of. Each source file is compiled once per build folder.
#
#   orv_core             the portable heart: app, audio, timeline, effects, display, snapshot, raster
#   orv_platform_common  what every back end shares: music decoding and mixing, the flipping chain,
#                        the default window procedure, and the system's file services
#   orv_headless         the headless back end (virtual clock, memory surfaces, offline music)
#   orv_trace            the trace line and its CRC (orv-render, the page's recorder)
#   orv_xm               the XM writer and the sample modules (tests, the tune, benchmarks)
#   orv_test_support     what the test programs share, GoogleTest's main included

file(GLOB ORV_CORE_SOURCES CONFIGURE_DEPENDS
  src/raster/*.cpp src/timeline/*.cpp src/effects/*.cpp src/snapshot/*.cpp
  src/display/*.cpp src/audio/*.cpp src/app/*.cpp)
add_library(orv_core STATIC ${ORV_CORE_SOURCES})
target_include_directories(orv_core PUBLIC src)

file(GLOB ORV_PLATFORM_COMMON_SOURCES CONFIGURE_DEPENDS src/platform/*.cpp)
if(WIN32)
  list(APPEND ORV_PLATFORM_COMMON_SOURCES src/platform/win32/files.cpp)
elseif(EMSCRIPTEN)
  # The page's own file service replaces the POSIX one (a new file becomes a download).
  list(APPEND ORV_PLATFORM_COMMON_SOURCES src/platform/posix/reading.cpp)
else()
  file(GLOB ORV_POSIX_SOURCES CONFIGURE_DEPENDS src/platform/posix/*.cpp)
  list(APPEND ORV_PLATFORM_COMMON_SOURCES ${ORV_POSIX_SOURCES})
endif()
add_library(orv_platform_common STATIC ${ORV_PLATFORM_COMMON_SOURCES})
target_include_directories(orv_platform_common PUBLIC src)
target_link_libraries(orv_platform_common PUBLIC PkgConfig::XMP)

file(GLOB ORV_HEADLESS_SOURCES CONFIGURE_DEPENDS src/platform/headless/*.cpp)
if(EMSCRIPTEN)
  # The command-line programs under node write the machine's files, as on POSIX systems.
  list(APPEND ORV_HEADLESS_SOURCES src/platform/posix/files.cpp)
endif()
add_library(orv_headless STATIC ${ORV_HEADLESS_SOURCES})
target_include_directories(orv_headless PUBLIC src)
target_link_libraries(orv_headless PUBLIC PkgConfig::XMP)

# The heart and the common platform code call into the back end (and it into them): a program
# links the three as one group, after the libraries it names first (which may use all three).
function(orv_link_demo target backend)
  target_link_libraries(${target} PRIVATE ${ARGN}
    "$<LINK_GROUP:RESCAN,orv_core,orv_platform_common,${backend}>" PkgConfig::XMP)
endfunction()

# The trace's CRC-32 comes from libdeflate (carry-less multiply where the CPU has it); the
# WebAssembly and Windows builds, without it, use a table of their own.
if(EMSCRIPTEN OR WIN32)
  pkg_check_modules(DEFLATE IMPORTED_TARGET libdeflate)
else()
  pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
endif()
add_library(orv_trace STATIC src/trace/frame_crc.cpp src/trace/trace_line.cpp)
target_include_directories(orv_trace PUBLIC src)
if(DEFLATE_FOUND)
  target_link_libraries(orv_trace PUBLIC PkgConfig::DEFLATE)
  target_compile_definitions(orv_trace PUBLIC ORV_HAVE_LIBDEFLATE=1)
endif()

add_library(orv_xm STATIC tools/xm/xm_writer.cpp tools/xm/sample_modules.cpp)
target_include_directories(orv_xm PUBLIC tools)

# GoogleTest is a native library here: the WebAssembly build runs the golden traces only. Each
# test program runs as one process (a test starts from fresh objects, not from a fresh process).
if(ORV_TESTS)
  enable_testing()
endif()
if(ORV_TESTS AND NOT EMSCRIPTEN)
  find_package(GTest REQUIRED)
  file(GLOB ORV_TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS tests/support/*.cpp)
  add_library(orv_test_support STATIC ${ORV_TEST_SUPPORT_SOURCES})
  target_include_directories(orv_test_support PUBLIC tests)
  target_link_libraries(orv_test_support PUBLIC orv_xm GTest::gtest GTest::gtest_main)
  set(ORV_GTEST ON)
endif()

# A GoogleTest program and its CTest test, run as one process (under the emulator when
# cross-built).
function(orv_add_gtest target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;ENVIRONMENT" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE orv_test_support)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${target} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}>)
  set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_ENVIRONMENT)
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
endfunction()
