# Writes a C++ source that holds the bytes of a text file as a character
# array, so that data kept in its own file ships inside the program.
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DSYMBOL=<name> -DHEADER=<include> -P embed_text.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Forty bytes per source line (the regular expressions know no repeat count).
string(REPEAT "0x[0-9a-f][0-9a-f]," 40 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "const char ${SYMBOL}[] = {\n${bytes}0x00};\n"
  "const unsigned ${SYMBOL}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
