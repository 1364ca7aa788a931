# Writes the bytes of a text file as a list of character constants, one
# initializer list for a C++ array, so that data kept in its own file ships
# inside the program and can be read while the program is compiled.
#   cmake -DINPUT=<file> -DOUTPUT=<include file> -P embed_text.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Forty bytes per source line (the regular expressions know no repeat count).
string(REPEAT "0x[0-9a-f][0-9a-f]," 40 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\n${bytes}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
