# Golden listings of `orv-render --music FILE --syncs` for music files written by a small program.
if(ORV_TESTS AND TARGET orv_xm AND NOT EMSCRIPTEN)
  add_executable(orv-music-fixtures tests/golden/music/make_fixtures.cpp tests/support/modules.cpp)
  target_include_directories(orv-music-fixtures PRIVATE tests)
  target_link_libraries(orv-music-fixtures PRIVATE orv_xm)
  enable_testing()
  add_test(NAME golden.music_syncs
           COMMAND ${CMAKE_SOURCE_DIR}/tests/golden/music/check_syncs.sh
                   $<TARGET_FILE:orv-music-fixtures> $<TARGET_FILE:orv-render>
                   ${CMAKE_SOURCE_DIR}/tests/golden/music ${CMAKE_BINARY_DIR}/music-golden)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(golden.music_syncs PROPERTIES
                         ENVIRONMENT "ORV_EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}")
  endif()
endif()

# The audio benchmark builds its module with the XM writer; the bench target is defined after
# this file is read, so it is linked at the end of the directory.
function(orv_link_audio_bench)
  if(TARGET orv_bench AND TARGET orv_xm)
    target_sources(orv_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/modules.cpp)
    target_include_directories(orv_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(orv_bench PRIVATE orv_xm)
  endif()
endfunction()
cmake_language(DEFER CALL orv_link_audio_bench)
