# The programs' command-line conventions, checked from outside (tests/cli/check_cli.sh). The
# tune generator is defined by a later part, so the test is added at the end of the folder.
function(orv_add_cli_test)
  # Native programs only: the checks run them as commands, with /dev/full and FIFOs.
  if(ORV_TESTS AND TARGET orv-tune AND NOT EMSCRIPTEN AND NOT CMAKE_CROSSCOMPILING)
    enable_testing()
    add_test(NAME cli.conventions
             COMMAND ${CMAKE_SOURCE_DIR}/tests/cli/check_cli.sh $<TARGET_FILE:orv-render>
                     $<TARGET_FILE:orv-tune> $<$<TARGET_EXISTS:orv>:$<TARGET_FILE:orv>>)
    set_tests_properties(cli.conventions PROPERTIES TIMEOUT 120)
  endif()
endfunction()
cmake_language(DEFER CALL orv_add_cli_test)
