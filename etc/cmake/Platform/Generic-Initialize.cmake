# Checks the device and the installation before CMake looks at the compiler.
# CMake reads this file when it enables the first language, once the
# generator has found its build tool: a failure here ends configure with
# this one message (in the toolchain file itself, CMake's follow-on errors
# about the build tool would bury it).
#
# Preprocessing an empty file runs the family's back end, which knows its
# devices, so one run catches an unknown device and a missing or broken back
# end; with -v lumo8-cc shows the back end it started, which names the
# family. The version comes from lumo8-cc --version, so that configure
# reports "The C compiler identification is Lumo8 <version>".

get_property(_lumo8_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(_lumo8_in_try_compile)
  return()
endif()

function(_lumo8_fail)
  string(CONCAT text ${ARGV})
  message(FATAL_ERROR "lumo8: ${text}")
endfunction()

function(_lumo8_check_installation)
  if(NOT EXISTS "${LUMO8_CC}" OR IS_DIRECTORY "${LUMO8_CC}")
    _lumo8_fail("there is no lumo8-cc at \"${LUMO8_CC}\". The toolchain file "
      "works only from <version dir>/etc/cmake of a lumo8 installation: name "
      "the installation's own copy in CMAKE_TOOLCHAIN_FILE.")
  endif()
  if(NOT LUMO8_DEVICE)
    _lumo8_fail("no device given. Configure with -DLUMO8_DEVICE=<device> (or set "
      "LUMO8_DEVICE in the environment). \"${LUMO8_CC}\" -mprint-devices lists "
      "the devices.")
  endif()
  set(probe "${CMAKE_BINARY_DIR}${CMAKE_FILES_DIRECTORY}/lumo8-probe.c")
  file(WRITE "${probe}" "")
  execute_process(
    COMMAND "${LUMO8_CC}" "-mcpu=${LUMO8_DEVICE}" -v -E -dM -x c "${probe}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  file(REMOVE "${probe}")
  if(NOT status EQUAL 0)
    execute_process(COMMAND "${LUMO8_CC}" -mprint-devices
      RESULT_VARIABLE list_status OUTPUT_VARIABLE devices ERROR_QUIET TIMEOUT 60)
    string(TOLOWER "${LUMO8_DEVICE}" device)
    string(REGEX MATCHALL "[^ \t\r\n]+" devices "${devices}")
    if(list_status EQUAL 0 AND NOT device IN_LIST devices)
      _lumo8_fail("\"${LUMO8_DEVICE}\" is not a device of the installation in "
        "${LUMO8_ROOT}. \"${LUMO8_CC}\" -mprint-devices lists the devices.")
    endif()
    string(STRIP "${err}\n${out}" said)
    _lumo8_fail("the installation in ${LUMO8_ROOT} cannot compile for "
      "${LUMO8_DEVICE} (status ${status}):\n${said}\n"
      "\"${LUMO8_CC}\" --selftest checks the installation.")
  endif()
  if(out MATCHES "(^|[/\\])tev-gcc(\\.exe)? @")
    set(LUMO8_FAMILY TEV PARENT_SCOPE)
  elseif(out MATCHES "(^|[/\\])lumo8(\\.exe)? @")
    set(LUMO8_FAMILY ZIR PARENT_SCOPE)
  else()
    _lumo8_fail("lumo8-cc -v did not name the back end it ran for ${LUMO8_DEVICE}:\n${out}")
  endif()
  execute_process(COMMAND "${LUMO8_CC}" --version
    RESULT_VARIABLE status OUTPUT_VARIABLE banner ERROR_VARIABLE banner TIMEOUT 60)
  if(NOT status EQUAL 0 OR NOT banner MATCHES "lumo8-cc ([0-9]+(\\.[0-9]+)+)")
    _lumo8_fail("\"${LUMO8_CC}\" --version printed no version (status ${status}):\n${banner}")
  endif()
  set(LUMO8_VERSION "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

_lumo8_check_installation()
set(CMAKE_SYSTEM_PROCESSOR "${LUMO8_FAMILY}")
set(CMAKE_C_COMPILER_VERSION "${LUMO8_VERSION}")
set(CMAKE_ASM_COMPILER_VERSION "${LUMO8_VERSION}")
