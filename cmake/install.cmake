# Installation: the programs in bin/, the default tune in share/orv/, the manual page and the
# desktop entry. `cpack -G DEB` in the build folder makes a Debian package of the same.
include(GNUInstallDirs)

# orv finds the installed tune relative to its own place, so an unpacked package works anywhere.
file(RELATIVE_PATH ORV_DATA_FROM_BIN ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/orv)
if(TARGET orv)
  target_compile_definitions(orv PRIVATE ORV_DATA_FROM_BIN="${ORV_DATA_FROM_BIN}")
  install(TARGETS orv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/orv.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES data/orv.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(TARGETS orv-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# orv-capture, not packaged (it needs FFmpeg's libraries), looks for the tune the same way.
if(TARGET orv-capture)
  target_compile_definitions(orv-capture PRIVATE ORV_DATA_FROM_BIN="${ORV_DATA_FROM_BIN}")
endif()

# The default tune, made by the generator at build time.
if(TARGET orv-tune)
  set(tune ${CMAKE_BINARY_DIR}/share/orv/orv.xm)
  add_custom_command(OUTPUT ${tune}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/orv
                     COMMAND orv-tune ${tune}
                     DEPENDS orv-tune
                     COMMENT "Making the default tune to install"
                     VERBATIM)
  add_custom_target(orv-default-tune ALL DEPENDS ${tune})
  install(FILES ${tune} DESTINATION ${CMAKE_INSTALL_DATADIR}/orv)
  install(TARGETS orv-tune RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VENDOR "orv")
set(CPACK_PACKAGE_CONTACT "orv maintainers <orv@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "real-time audiovisual demo: vector graphics drawn in step with a tracker module")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
