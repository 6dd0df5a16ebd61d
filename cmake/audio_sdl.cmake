# The real music output's own tests: SDL's audio device (the dummy driver unless the runner picks
# another) with the sync dispatcher's timing measured against the device's buffer. They run
# alone, as they measure real time.
if(ORV_TESTS AND TARGET orv_sdl AND TARGET orv_xm)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(orv_sdl_audio_tests tests/sdl_audio/audio_sdl_check.cpp tests/support/modules.cpp)
  target_include_directories(orv_sdl_audio_tests PRIVATE tests)
  target_link_libraries(orv_sdl_audio_tests PRIVATE orv_sdl orv_xm GTest::gtest GTest::gtest_main)
  gtest_discover_tests(orv_sdl_audio_tests DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE
                                  ENVIRONMENT SDL_AUDIODRIVER=dummy)
endif()

# The SDL display's texture copy, checked against SDL's own pixel conversion (no video needed).
if(ORV_TESTS AND TARGET orv_sdl)
  add_executable(orv_sdl_display_tests tests/sdl_display/texture_rows_check.cpp)
  target_include_directories(orv_sdl_display_tests PRIVATE tests)
  target_link_libraries(orv_sdl_display_tests PRIVATE orv_sdl GTest::gtest GTest::gtest_main)
  gtest_discover_tests(orv_sdl_display_tests DISCOVERY_TIMEOUT 60)
endif()
