# Run by CPack between staging the files and archiving them: dates every staged file and folder
# SOURCE_DATE_EPOCH, when it is set, so that the archive's entries carry no build time.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  return()
endif()
find_program(TOUCH_PROGRAM touch)
if(NOT TOUCH_PROGRAM)
  message(WARNING "no touch program: the package's entries keep their build dates")
  return()
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
execute_process(COMMAND ${TOUCH_PROGRAM} -h -d @$ENV{SOURCE_DATE_EPOCH}
  ${staged} ${CPACK_TEMPORARY_INSTALL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
