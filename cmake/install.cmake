# Installing and packaging. `cmake --install` lays out the program: on Linux with the files
# that put it in the desktop's menu, on Windows as one folder to copy anywhere. `cpack` makes
# a .deb on Linux and a .zip on Windows; tools/package.sh makes and checks both.
include(GNUInstallDirs)

set(linux_files ${PROJECT_SOURCE_DIR}/resources/linux)
if(TARGET morlett)
  install(TARGETS morlett RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${linux_files}/org.morlett.Morlett.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${linux_files}/org.morlett.Morlett.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${linux_files}/morlett.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/morlett)
elseif(TARGET Morlett)
  install(TARGETS Morlett RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
else()
  return()  # no program in this build (the asan and fuzz presets)
endif()

set(CPACK_PACKAGE_NAME morlett)
set(CPACK_PACKAGE_VENDOR "the Morlett authors")
set(CPACK_PACKAGE_CONTACT "the Morlett authors <authors@morlett.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop front end to the lithrez archive tool")
set(CPACK_PACKAGE_DESCRIPTION "Morlett is a one-window front end to lithrez, the command-line \
tool that creates, extracts and views REZ archives. lithrez itself is not part of it.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://morlett.org/)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME morlett-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)  # the native preset builds with debugging information
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends, from dpkg-shlibdeps
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)  # Qt's own texts in the user's language
endif()
include(CPack)

if(MORLETT_BUILD_TESTS AND NOT WIN32)
  add_test(NAME install COMMAND ${PROJECT_SOURCE_DIR}/tests/install/check_install.sh
    ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} ${linux_files})
endif()
