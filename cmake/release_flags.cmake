# Flags for the builds people run: hardening, and nothing of the build machine in the output.
# The sanitizer and fuzz presets turn MORLETT_HARDEN off, and Debug builds never get these
# flags: they would fight the sanitizers and make debugging harder.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

option(MORLETT_HARDEN "Harden the optimised builds (stack, FORTIFY, RELRO, BIND_NOW, CET)" ON)
set(optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
set(optimised_cxx $<AND:${optimised},$<COMPILE_LANGUAGE:CXX>>)

# Where the sources and the build lie is nobody's business but the build's: debugging
# information, __FILE__ and the build ID then come out the same from any folder.
if(NOT MSVC)
  add_compile_options("$<${optimised_cxx}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>")
endif()

if(MORLETT_HARDEN AND NOT WIN32 AND NOT MSVC)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  set(hardening -fstack-protector-strong -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  foreach(flag IN ITEMS -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "compiler_takes${flag}" supported)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
      list(APPEND hardening ${flag})
    endif()
  endforeach()
  add_compile_options("$<${optimised_cxx}:${hardening}>")
  add_link_options("$<${optimised}:LINKER:-z,relro,-z,now>")
elseif(MORLETT_HARDEN AND MINGW)
  # MinGW-w64's linker sets these three already; naming them keeps them should its defaults
  # change. Its stack protector and FORTIFY need libssp, which the program does without.
  add_link_options(LINKER:--dynamicbase,--nxcompat,--high-entropy-va)
endif()

if(MINGW)
  # No link time in the program's header, so two builds of the same sources are the same bytes.
  add_link_options(LINKER:--no-insert-timestamp)
endif()
