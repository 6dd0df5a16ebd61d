# orv-capture: the whole demo to a video file through FFmpeg's libraries. Built only where they
# are found, so that nothing else needs them.
pkg_check_modules(FFMPEG IMPORTED_TARGET libavformat libavcodec libswresample libavutil)
if(NOT FFMPEG_FOUND)
  message(STATUS "FFmpeg's libraries not found: orv-capture is not built")
  return()
endif()

add_library(orv_capture STATIC tools/capture/encoder.cpp tools/capture/picture.cpp
                               tools/capture/plan.cpp tools/capture/run.cpp)
target_include_directories(orv_capture PUBLIC tools src)
target_link_libraries(orv_capture PUBLIC PkgConfig::FFMPEG)

add_executable(orv-capture tools/capture/main.cpp)
orv_link_demo(orv-capture orv_headless orv_capture)

if(ORV_GTEST)
  orv_add_gtest(orv_capture_tests SOURCES tests/capture/capture_check.cpp)
  orv_link_demo(orv_capture_tests orv_headless orv_capture)
  target_compile_definitions(orv_capture_tests PRIVATE
    ORV_CAPTURE="$<TARGET_FILE:orv-capture>" ORV_RENDER="$<TARGET_FILE:orv-render>")
  add_dependencies(orv_capture_tests orv-capture orv-render)
endif()

# Where the capture's time goes (a program of its own: it runs the demo once in its process).
if(ORV_BENCH AND NOT ORV_SANITIZE AND TARGET orv_tune)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(orv_capture_bench bench/capture/capture_bench.cpp)
    target_compile_definitions(orv_capture_bench PRIVATE ORV_CAPTURE="$<TARGET_FILE:orv-capture>")
    orv_link_demo(orv_capture_bench orv_headless orv_capture orv_tune benchmark::benchmark)
    add_dependencies(orv_capture_bench orv-capture)
  endif()
endif()
