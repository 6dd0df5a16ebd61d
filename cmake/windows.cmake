# The demo on Windows (MinGW): the Win32 back end (Win32 messages and timer, DirectDraw,
# waveOut), orv.exe, and the back end's own tests, run under Wine (scripts/ci_windows.sh).
if(NOT WIN32)
  return()
endif()
file(GLOB ORV_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
# files.cpp is the system's file service, in orv_platform_common.
list(REMOVE_ITEM ORV_WIN32_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/files.cpp)

add_library(orv_win32 STATIC ${ORV_WIN32_SOURCES})
target_include_directories(orv_win32 PUBLIC src)
target_link_libraries(orv_win32 PUBLIC PkgConfig::XMP ddraw winmm)

add_executable(orv WIN32 src/main.cpp)
orv_link_demo(orv orv_win32)
# A window program that still starts from main().
target_link_options(orv PRIVATE -mwindows)

if(ORV_GTEST)
  # They need a display: scripts/ci_windows.sh runs them on an Xvfb screen.
  orv_add_gtest(orv_win32_tests SOURCES tests/win32/win32_backend_check.cpp TIMEOUT 120)
  orv_link_demo(orv_win32_tests orv_win32)
  set_tests_properties(orv_win32_tests PROPERTIES RUN_SERIAL TRUE)
endif()
