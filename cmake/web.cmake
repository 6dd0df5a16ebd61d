# The page (WebAssembly build only): the demo on the web back end, its page files and the
# default tune beside it, and orv-render built for the browser, for the page's tests.
if(ORV_WEB AND EMSCRIPTEN)
  file(GLOB ORV_WEB_SOURCES CONFIGURE_DEPENDS src/platform/web/*.cpp)
  list(FILTER ORV_WEB_SOURCES EXCLUDE REGEX "/main\\.cpp$")
  # The page's own file service replaces the POSIX one: a new file becomes a download.
  add_library(orv_web STATIC ${ORV_PLATFORM_COMMON_SOURCES} ${ORV_WEB_SOURCES}
                             src/platform/posix/reading.cpp tools/render/trace_line.cpp
                             tools/render/frame_crc.cpp)
  target_include_directories(orv_web PUBLIC src PRIVATE tools)
  target_link_libraries(orv_web PUBLIC PkgConfig::XMP orv_crc)

  # The program's own message loops are kept: the fetch that would block suspends the
  # WebAssembly stack (Asyncify) and hands control to the browser until it has something.
  # Only the direct calls down to that fetch need the instrumentation, not the frame's drawing.
  set(ORV_WEB_LINK
      -sASYNCIFY=1 -sASYNCIFY_IMPORTS=[WebWait] -sASYNCIFY_IGNORE_INDIRECT=1
      -sENVIRONMENT=web -sINVOKE_RUN=0 -sFORCE_FILESYSTEM=1
      -sEXPORTED_RUNTIME_METHODS=[callMain,FS])
  add_executable(orv-web src/platform/web/main.cpp)
  set_target_properties(orv-web PROPERTIES ORV_PAGE ON OUTPUT_NAME orv)
  target_link_libraries(orv-web PRIVATE "$<LINK_GROUP:RESCAN,orv_core,orv_web>" PkgConfig::XMP)
  target_link_options(orv-web PRIVATE ${ORV_WEB_LINK})

  # The page's own files, copied beside orv.js and orv.wasm.
  file(GLOB ORV_WEB_PAGE_FILES CONFIGURE_DEPENDS src/platform/web/page/*)
  foreach(page_file ${ORV_WEB_PAGE_FILES})
    get_filename_component(page_name ${page_file} NAME)
    configure_file(${page_file} ${CMAKE_BINARY_DIR}/${page_name} COPYONLY)
  endforeach()

  # orv-render in the browser: a fresh instance per script, reading it from memory.
  add_executable(orv-render-page tools/orv_render.cpp ${ORV_RENDER_SOURCES})
  set_target_properties(orv-render-page PROPERTIES ORV_PAGE ON)
  target_include_directories(orv-render-page PRIVATE tools)
  target_link_libraries(orv-render-page PRIVATE orv_headless_run)
  target_link_options(orv-render-page PRIVATE
      -sMODULARIZE=1 -sEXPORT_NAME=OrvRender -sENVIRONMENT=web -sINVOKE_RUN=0
      -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=[callMain,FS])

  # The default tune, made by the generator under node.
  if(TARGET orv-tune)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/orv.xm
                       COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:orv-tune>
                               ${CMAKE_BINARY_DIR}/orv.xm
                       DEPENDS orv-tune VERBATIM)
    add_custom_target(orv-web-tune ALL DEPENDS ${CMAKE_BINARY_DIR}/orv.xm)
  endif()
endif()
