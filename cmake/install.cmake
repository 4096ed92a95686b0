# Installing and packaging. `cmake --install` lays out the program: on Linux with the files
# that put it in the desktop's menu, on Windows as one folder to copy anywhere. `cpack` makes
# a .deb on Linux and a .zip on Windows; tools/package.sh makes and checks them, and the
# Windows installer beside the zip.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(linux_files ${PROJECT_SOURCE_DIR}/resources/linux)
if(TARGET morlett)
  # Debian wants the manual page and the changelog compressed, without a name or a date in
  # the gzip header, so that the bytes depend on the text alone.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  foreach(text IN ITEMS morlett.1 changelog)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${linux_files}/${text})
    execute_process(COMMAND ${GZIP_PROGRAM} -9nc INPUT_FILE ${linux_files}/${text}
      OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/${text}.gz COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/morlett)

  install(TARGETS morlett RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Compilers' version strings: of no use in a shipped program.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/morlett\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
  install(FILES ${linux_files}/org.morlett.Morlett.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${linux_files}/org.morlett.Morlett.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/morlett.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${linux_files}/copyright DESTINATION ${doc_dir})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DESTINATION ${doc_dir} RENAME changelog.Debian.gz)
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
set(CPACK_PACKAGE_DESCRIPTION "Morlett is a one-window front end to lithrez, the command-line tool
that creates, extracts and views REZ archives. Pick a folder and an archive
with the usual dialogs and press a button instead of typing the tool's command
lines; the tool's output appears in a console window of Morlett's own.
.
lithrez itself is not part of this package.")
# Every file dated SOURCE_DATE_EPOCH and stored in a fixed order, so that a package is a
# function of the sources and that date alone.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/fixed_dates.cmake)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME morlett-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)  # the native preset builds with debugging information
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)  # the Debian revision: the packaging's own version
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)  # xz stores no date, gzip would
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends, from dpkg-shlibdeps
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)  # Qt's own texts in the user's language
endif()
include(CPack)

if(MORLETT_BUILD_TESTS AND NOT WIN32)
  add_test(NAME install COMMAND ${PROJECT_SOURCE_DIR}/tests/install/check_install.sh
    ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} ${linux_files})
endif()
