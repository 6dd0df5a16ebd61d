# The real demo on Linux: the SDL2 back end, orv itself, the back end's own tests and the
# end-to-end test's helpers (scripts/e2e_xvfb.sh).
file(GLOB ORV_SDL_SOURCES CONFIGURE_DEPENDS src/platform/sdl/*.cpp)
if(NOT ORV_SDL OR NOT ORV_SDL_SOURCES)
  return()
endif()

pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
add_library(orv_sdl STATIC ${ORV_SDL_SOURCES})
target_include_directories(orv_sdl PUBLIC src)
target_link_libraries(orv_sdl PUBLIC PkgConfig::SDL2 PkgConfig::XMP)
# Xlib, to outlive a window destroyed by another X client (src/platform/sdl only).
pkg_check_modules(X11 IMPORTED_TARGET x11)
if(X11_FOUND)
  target_compile_definitions(orv_sdl PRIVATE ORV_HAVE_X11=1)
  target_link_libraries(orv_sdl PUBLIC PkgConfig::X11)
endif()

# libasound (SDL2's own dependency): where SDL would use its alsa driver, the output writes the
# device itself, to learn how much sound the device and the server behind it still hold.
pkg_check_modules(ALSA IMPORTED_TARGET alsa)
if(ALSA_FOUND)
  target_compile_definitions(orv_sdl PRIVATE ORV_HAVE_ALSA=1)
  target_link_libraries(orv_sdl PUBLIC PkgConfig::ALSA)
endif()

add_executable(orv src/main.cpp)
orv_link_demo(orv orv_sdl)

if(ORV_GTEST)
  # The real music output: SDL's audio device (the dummy driver unless the runner picks another)
  # with the sync dispatcher's timing measured against the device's buffer. It runs alone, as
  # it measures real time.
  orv_add_gtest(orv_sdl_audio_tests SOURCES tests/sdl_audio/audio_sdl_check.cpp
                ENVIRONMENT SDL_AUDIODRIVER=dummy TIMEOUT 120)
  orv_link_demo(orv_sdl_audio_tests orv_sdl)
  set_tests_properties(orv_sdl_audio_tests PROPERTIES RUN_SERIAL TRUE)

  # The SDL display's texture copy, checked against SDL's own pixel conversion (no video).
  orv_add_gtest(orv_sdl_display_tests SOURCES tests/sdl_display/texture_rows_check.cpp)
  orv_link_demo(orv_sdl_display_tests orv_sdl)
endif()

add_executable(orv-e2e-module tools/e2e/make_test_module.cpp)
target_link_libraries(orv-e2e-module PRIVATE orv_xm)
add_executable(orv-sync-measure tools/e2e/sync_measure.cpp)
if(NOT ORV_SANITIZE)
  add_library(orv-present-probe MODULE tools/e2e/present_probe.cpp)
  target_link_libraries(orv-present-probe PRIVATE ${CMAKE_DL_LIBS})
endif()
