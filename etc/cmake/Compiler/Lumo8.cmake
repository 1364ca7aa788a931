# The rules CMake runs lumo8-cc with, for C and for assembler. lumo8-cc
# takes the GNU driver's options and writes dependency files as the GNU
# driver does, so the rules are the GNU ones with the device added to each
# command: the command lines in compile_commands.json then run as they are.

include_guard(GLOBAL)

macro(__compiler_lumo8 lang)
  set(_lumo8_cpu "-mcpu=${LUMO8_DEVICE}")

  set(CMAKE_${lang}_VERBOSE_FLAG "-v")
  set(CMAKE_${lang}_COMPILE_OPTIONS_WARNING_AS_ERROR "-Werror")
  set(CMAKE_${lang}_LINKER_WRAPPER_FLAG "-Wl,")
  set(CMAKE_${lang}_LINKER_WRAPPER_FLAG_SEP ",")
  set(CMAKE_${lang}_OUTPUT_EXTENSION ".o")

  # -MT names the object as the build tool does, also when distcc or ccache
  # preprocess for the compiler.
  set(CMAKE_DEPFILE_FLAGS_${lang} "-MD -MT <DEP_TARGET> -MF <DEP_FILE>")
  set(CMAKE_${lang}_DEPFILE_FORMAT gcc)
  set(CMAKE_${lang}_DEPENDS_USE_COMPILER TRUE)

  # The ZIR driver has no debugging information to ask for: -g would only
  # draw a warning on every compile.
  if(LUMO8_FAMILY STREQUAL "TEV")
    set(_lumo8_g " -g")
  else()
    set(_lumo8_g "")
  endif()
  string(APPEND CMAKE_${lang}_FLAGS_DEBUG_INIT " -O0${_lumo8_g}")
  string(APPEND CMAKE_${lang}_FLAGS_RELEASE_INIT " -O2 -DNDEBUG")
  string(APPEND CMAKE_${lang}_FLAGS_MINSIZEREL_INIT " -Os -DNDEBUG")
  string(APPEND CMAKE_${lang}_FLAGS_RELWITHDEBINFO_INIT " -O2${_lumo8_g} -DNDEBUG")

  set(CMAKE_${lang}_COMPILE_OBJECT
    "<CMAKE_${lang}_COMPILER> ${_lumo8_cpu} <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> -c <SOURCE>")
  set(CMAKE_${lang}_LINK_EXECUTABLE
    "<CMAKE_${lang}_COMPILER> ${_lumo8_cpu} <FLAGS> <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")
  set(CMAKE_${lang}_CREATE_PREPROCESSED_SOURCE
    "<CMAKE_${lang}_COMPILER> ${_lumo8_cpu} <DEFINES> <INCLUDES> <FLAGS> -E <SOURCE> > <PREPROCESSED_SOURCE>")
  set(CMAKE_${lang}_CREATE_ASSEMBLY_SOURCE
    "<CMAKE_${lang}_COMPILER> ${_lumo8_cpu} <DEFINES> <INCLUDES> <FLAGS> -S <SOURCE> -o <ASSEMBLY_SOURCE>")

  # Libraries are lumo8-ar archives, made in one step; they hold ZIR objects.
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> -r <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> -r <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "")

  # A program is the device's image.
  if(LUMO8_FAMILY STREQUAL "TEV")
    set(CMAKE_EXECUTABLE_SUFFIX ".elf")
  else()
    set(CMAKE_EXECUTABLE_SUFFIX ".hex")
  endif()
  unset(_lumo8_cpu)
  unset(_lumo8_g)
endmacro()
