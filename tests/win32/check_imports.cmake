# Fails unless the program imports only DLLs that every Windows system has.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<Morlett.exe> -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)

set(system_dlls
  advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32
  ucrtbase version)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" dll "${import}")
  string(TOLOWER "${dll}" dll)
  # The API sets of the universal C runtime are part of the system since Windows 10.
  if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-")
    message(SEND_ERROR "${PROGRAM} imports ${dll}.dll, which Windows does not provide")
  endif()
  message(STATUS "imports ${dll}.dll")
endforeach()
