# The page (WebAssembly build only): the demo on the web back end, its page files and the
# default tune beside it, and orv-render built for the browser, for the page's tests.
if(ORV_WEB AND EMSCRIPTEN)
  file(GLOB ORV_WEB_SOURCES CONFIGURE_DEPENDS src/platform/web/*.cpp)
  list(FILTER ORV_WEB_SOURCES EXCLUDE REGEX "/main\\.cpp$")
  # The page's back end, with its own file service: a new file becomes a download.
  add_library(orv_web STATIC ${ORV_WEB_SOURCES})
  target_include_directories(orv_web PUBLIC src)
  target_link_libraries(orv_web PUBLIC PkgConfig::XMP)

  # The page steps the run one message at a time (orv_step), so nothing blocks and the build
  # needs no Asyncify. Each run is a fresh instance (OrvDemo(...)), so that a new music starts
  # from a clean state.
  set(ORV_WEB_LINK
      -sMODULARIZE=1 -sEXPORT_NAME=OrvDemo
      -sENVIRONMENT=web -sINVOKE_RUN=0 -sFORCE_FILESYSTEM=1
      -sEXPORTED_RUNTIME_METHODS=[callMain,FS,ccall])
  add_executable(orv-web src/platform/web/main.cpp)
  set_target_properties(orv-web PROPERTIES ORV_PAGE ON OUTPUT_NAME orv)
  orv_link_demo(orv-web orv_web orv_trace)
  target_link_options(orv-web PRIVATE ${ORV_WEB_LINK})

  # The page's own files, copied beside orv.js and orv.wasm.
  file(GLOB ORV_WEB_PAGE_FILES CONFIGURE_DEPENDS src/platform/web/page/*)
  foreach(page_file ${ORV_WEB_PAGE_FILES})
    get_filename_component(page_name ${page_file} NAME)
    configure_file(${page_file} ${CMAKE_BINARY_DIR}/${page_name} COPYONLY)
  endforeach()

  # orv-render in the browser: a fresh instance per script, reading it from memory.
  add_executable(orv-render-page tools/orv_render.cpp)
  set_target_properties(orv-render-page PROPERTIES ORV_PAGE ON)
  orv_link_demo(orv-render-page orv_headless orv_render_support)
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
