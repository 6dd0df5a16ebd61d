# orv-render: the demo's frames from a script, offline (docs/render-trace.md), and the listing
# of a music file's notes. The script runner is a library, so tests run several side by side.
file(GLOB ORV_RENDER_SOURCES CONFIGURE_DEPENDS tools/render/*.cpp)
add_library(orv_render_support STATIC ${ORV_RENDER_SOURCES})
target_include_directories(orv_render_support PUBLIC tools)
target_link_libraries(orv_render_support PUBLIC orv_trace)

add_executable(orv-render tools/orv_render.cpp)
orv_link_demo(orv-render orv_headless orv_render_support)
