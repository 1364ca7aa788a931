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
// kGetargsTokenMax characters: a longer one is kMsgArgumentTooLong, cut, and the rest
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

// Reads the lines of stream; with one_line set, one line only.
char** getargs_from(FILE* stream, int one_line, const char* name);
// Entries of the last list, entry 0 included, the closing null not (a
// getter, not traced).
uint32_t getargs_count();
