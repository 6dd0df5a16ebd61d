# The load fuzzer: arbitrary bytes through the module and WAV decoders (libFuzzer, clang only).
if(ORV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORV_FUZZ needs clang (configure with CC=clang CXX=clang++)")
  endif()
  add_executable(load_fuzzer fuzz/load_fuzzer.cpp src/platform/module_source.cpp
                             src/platform/wav_source.cpp src/platform/music_file.cpp
                             src/platform/posix/reading.cpp)
  target_include_directories(load_fuzzer PRIVATE src)
  target_compile_options(load_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(load_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(load_fuzzer PRIVATE PkgConfig::XMP)
endif()
