# Runs the tune generator twice and fails unless both outputs are the same bytes. EMULATOR, when
# set, runs it (e.g. wine for a Windows build).
file(MAKE_DIRECTORY ${OUT})
foreach(run a b)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${OUT}/tune-${run}.xm RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "orv-tune failed (${rc})")
  endif()
endforeach()
file(SHA256 ${OUT}/tune-a.xm first)
file(SHA256 ${OUT}/tune-b.xm second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two runs wrote different modules")
endif()
