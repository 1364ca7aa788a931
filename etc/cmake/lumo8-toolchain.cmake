# CMake toolchain file of a lumo8 installation: C and assembler sources
# compiled by lumo8-cc for one device.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=<version dir>/etc/cmake/lumo8-toolchain.cmake \
#         -DLUMO8_DEVICE=<device> -S <source dir> -B <build dir>
#
# LUMO8_DEVICE may come from the environment instead. Executables are the
# device's images: Intel HEX (.hex) for ZIR devices, ELF (.elf) for TEV
# devices. The file belongs in <version dir>/etc/cmake and finds lumo8-cc
# from there. Beside it, Platform/Generic-Initialize.cmake checks the device
# and the installation, and Compiler/Lumo8-*.cmake hold the rules.

set(CMAKE_SYSTEM_NAME Generic)

get_filename_component(_lumo8_here "${CMAKE_CURRENT_LIST_FILE}" REALPATH)
get_filename_component(_lumo8_here "${_lumo8_here}" DIRECTORY)
get_filename_component(LUMO8_ROOT "${_lumo8_here}/../.." ABSOLUTE)
list(APPEND CMAKE_MODULE_PATH "${_lumo8_here}")

if(CMAKE_HOST_WIN32)
  set(_lumo8_exe ".exe")
else()
  set(_lumo8_exe "")
endif()
set(LUMO8_CC "${LUMO8_ROOT}/bin/lumo8-cc${_lumo8_exe}")
set(CMAKE_C_COMPILER "${LUMO8_CC}")
set(CMAKE_ASM_COMPILER "${LUMO8_CC}")
set(CMAKE_AR "${LUMO8_ROOT}/bin/lumo8-ar${_lumo8_exe}" CACHE FILEPATH "The librarian of the installation")

if(NOT LUMO8_DEVICE AND NOT "$ENV{LUMO8_DEVICE}" STREQUAL "")
  set(LUMO8_DEVICE "$ENV{LUMO8_DEVICE}")
endif()
if(LUMO8_DEVICE)
  set(LUMO8_DEVICE "${LUMO8_DEVICE}" CACHE STRING "The device to build for (lumo8-cc -mprint-devices lists them)")
endif()

# What the checks found reaches the projects of try_compile, which read
# this file again but do not check again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMO8_DEVICE LUMO8_FAMILY LUMO8_VERSION)

# The compiler identifies itself by its --version banner: CMake's own
# identification source knows only the compilers CMake knows.
foreach(_lumo8_lang C ASM)
  list(PREPEND CMAKE_${_lumo8_lang}_COMPILER_ID_VENDORS Lumo8)
  set(CMAKE_${_lumo8_lang}_COMPILER_ID_VENDOR_FLAGS_Lumo8 --version)
  set(CMAKE_${_lumo8_lang}_COMPILER_ID_VENDOR_REGEX_Lumo8 "lumo8-cc [0-9]|lumo8 tool chain")
endforeach()

# Libraries, headers and packages come from the installation, programs from
# the host.
set(CMAKE_FIND_ROOT_PATH "${LUMO8_ROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
