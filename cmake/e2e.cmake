# The real demo's end-to-end test under Xvfb (scripts/e2e_xvfb.sh): its music file and the
# measuring shim it can preload (Linux only).
if(TARGET orv AND TARGET orv_xm)
  add_executable(orv-e2e-module tools/e2e/make_test_module.cpp tests/support/modules.cpp)
  target_include_directories(orv-e2e-module PRIVATE tests)
  target_link_libraries(orv-e2e-module PRIVATE orv_xm)
endif()
if(TARGET orv AND NOT ORV_SANITIZE AND NOT WIN32)
  add_library(orv-present-probe MODULE tools/e2e/present_probe.cpp)
  target_link_libraries(orv-present-probe PRIVATE ${CMAKE_DL_LIBS})
endif()
