# Started with no display, and with one where nothing answers, the program says so in one line
# and ends with status 1.
foreach(display "" ":99999")
  set(display_env --unset=DISPLAY)
  set(reason "DISPLAY is not set")
  if(display)
    set(display_env DISPLAY=${display})
    set(reason ".*${display}")
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
            --unset=XDG_SESSION_TYPE ${display_env} ${PROGRAM}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE said)
  if(NOT status EQUAL 1 OR NOT output STREQUAL "" OR
     NOT said MATCHES "^morlett: cannot open the display: ${reason}\n$")
    message(FATAL_ERROR "with DISPLAY '${display}': status ${status}, said:\n${output}${said}")
  endif()
endforeach()
