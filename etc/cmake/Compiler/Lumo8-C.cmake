# C with lumo8-cc (see Lumo8.cmake).

include(Compiler/CMakeCommonCompilerMacros)
include(Compiler/Lumo8)

__compiler_lumo8(C)

# Both families compile C90 and C99 and default to C99; the ZIR driver knows
# no later standard.
set(CMAKE_C90_STANDARD_COMPILE_OPTION "-std=c90")
set(CMAKE_C90_EXTENSION_COMPILE_OPTION "-std=c90")
set(CMAKE_C90_STANDARD__HAS_FULL_SUPPORT ON)
set(CMAKE_C99_STANDARD_COMPILE_OPTION "-std=c99")
set(CMAKE_C99_EXTENSION_COMPILE_OPTION "-std=c99")
set(CMAKE_C99_STANDARD__HAS_FULL_SUPPORT ON)
set(CMAKE_C_STANDARD_DEFAULT 99)
set(CMAKE_C_EXTENSIONS_DEFAULT OFF)
