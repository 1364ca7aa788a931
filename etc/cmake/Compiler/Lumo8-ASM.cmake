# Assembler sources with lumo8-cc (see Lumo8.cmake): .S and .sx go through
# the preprocessor first; .as, .asm and .s do not. The ZIR driver takes all
# of them, tev-gcc takes .s and .S.

include(Compiler/Lumo8)

set(CMAKE_ASM_SOURCE_FILE_EXTENSIONS s;S;sx;as;asm)
__compiler_lumo8(ASM)
