# Fails unless the program loads at start only system DLLs every program needs (the universal C
# runtime's API sets among them): the dialogs', shell's, COM's and common controls' wait.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<Morlett.exe> -P check_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" dll "${import}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll MATCHES "^(advapi32|gdi32|kernel32|msvcrt|user32|ucrtbase|api-ms-win-.*)$")
    message(SEND_ERROR "${PROGRAM} loads ${dll}.dll at start")
  endif()
endforeach()
