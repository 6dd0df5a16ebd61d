# The tests of the heart and the headless back end (one program), the golden traces and music
# listings, and the command-line conventions.
if(NOT ORV_TESTS)
  return()
endif()

if(ORV_GTEST)
  file(GLOB_RECURSE ORV_TEST_SOURCES CONFIGURE_DEPENDS
    tests/app/*_test.cpp tests/audio/*_test.cpp tests/display/*_test.cpp tests/effects/*_test.cpp
    tests/raster/*_test.cpp tests/render/*_test.cpp tests/snapshot/*_test.cpp
    tests/timeline/*_test.cpp)
  orv_add_gtest(orv_tests SOURCES ${ORV_TEST_SOURCES} TIMEOUT 900)
  orv_link_demo(orv_tests orv_headless orv_render_support)
  target_compile_definitions(orv_tests PRIVATE
    ORV_GOLDEN_DIR="${CMAKE_SOURCE_DIR}/tests/golden")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # 113-bit reference results for the program's own maths.
    target_compile_definitions(orv_tests PRIVATE ORV_HAVE_QUADMATH)
    target_link_libraries(orv_tests PRIVATE quadmath)
  endif()
  # zlib's own CRC-32, the reference for the trace's.
  find_package(ZLIB QUIET)
  if(ZLIB_FOUND)
    target_compile_definitions(orv_tests PRIVATE ORV_HAVE_ZLIB)
    target_link_libraries(orv_tests PRIVATE ZLIB::ZLIB)
  endif()
endif()

# Golden traces: each tests/golden/NAME.script is rendered and compared with NAME.trace.
file(GLOB ORV_GOLDEN_SCRIPTS CONFIGURE_DEPENDS tests/golden/*.script)
foreach(script ${ORV_GOLDEN_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME golden.${name}
           COMMAND ${CMAKE_SOURCE_DIR}/tests/golden/check.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                   $<TARGET_FILE:orv-render> ${script})
endforeach()

# Golden listings of `orv-render --music FILE --syncs` for music files written by a program.
if(NOT EMSCRIPTEN)
  add_executable(orv-music-fixtures tests/golden/music/make_fixtures.cpp)
  target_link_libraries(orv-music-fixtures PRIVATE orv_xm)
  add_test(NAME golden.music_syncs
           COMMAND ${CMAKE_SOURCE_DIR}/tests/golden/music/check_syncs.sh
                   $<TARGET_FILE:orv-music-fixtures> $<TARGET_FILE:orv-render>
                   ${CMAKE_SOURCE_DIR}/tests/golden/music ${CMAKE_BINARY_DIR}/music-golden)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(golden.music_syncs PROPERTIES
                         ENVIRONMENT "ORV_EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}")
  endif()
endif()

# The programs' command-line conventions, checked from outside: native programs only, as the
# checks run them as commands, with /dev/full and FIFOs.
if(TARGET orv-tune AND NOT EMSCRIPTEN AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME cli.conventions
           COMMAND ${CMAKE_SOURCE_DIR}/tests/cli/check_cli.sh $<TARGET_FILE:orv-render>
                   $<TARGET_FILE:orv-tune> $<$<TARGET_EXISTS:orv>:$<TARGET_FILE:orv>>)
  set_tests_properties(cli.conventions PROPERTIES TIMEOUT 120)
endif()
