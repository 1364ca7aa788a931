// The command-file reader: splits lines of a command file into arguments
// with the legacy driver's quoting rules.
//
// Within a line, single and double quotes group blanks into one argument
// (the other quote character inside stands for itself), a backslash makes
// the next blank, quote or backslash literal and stays before any other
// character, and a tab or a line feed always ends an argument. Quotes do not
// carry over to the next line. Lines are read as text on every host: a
// carriage return before the line feed belongs to the line end, so a file
// saved on Windows gives the same arguments. An argument holds at most
// kGetargsTokenMax characters: a longer one is error 917, cut, and the rest
// of its line is dropped.
//
// The result is one module-wide list, reused by every call: entry 0 is the
// name passed in, the last entry is null, and the entries are valid until
// the next call.
#pragma once

#include <cstdint>
#include <cstdio>

inline constexpr uint32_t kGetargsTokenMax = 2047;
inline constexpr uint32_t kGetargsGrowth = 1024;

// Reads standard input, prompting with "<name>> " before each line while it
// is a terminal (unless one_line). With one_line set, reads one line only.
char** getargs(int one_line, const char* name);
// The same over any stream, never prompting.
char** getargs_from(FILE* stream, int one_line, const char* name);
// The getters below are not traced.
// Entries of the last list, entry 0 included, the closing null not.
uint32_t getargs_count();
// Capacity of the list (for tests of its growth).
uint32_t getargs_capacity();
