// Product registry: the program's identity as fixed by the build (product,
// component, version, build number and date), the version banner, paths of
// named files by path type, and the line reader of the interactive argument
// reader. Nothing here reads a system registry; the reg_ names keep the
// legacy driver's vocabulary.
#pragma once

#include <cstdio>

// The path types of reg_mkpath.
#include "common/lumoinstdir.h"

inline constexpr const char* kRegProduct = "Lumo8";
inline constexpr const char* kRegComponent = "lumo8-cc";
inline constexpr const char* kRegVersion = "2.50";
// Printed right after the version.
inline constexpr char kRegReleaseQualifier = ' ';
inline constexpr const char* kRegRelease = "";
// The build's date and time, YYYYMMDDhhmmss; also the version of the
// embedded message catalogue.
inline constexpr const char kRegBuildNumber[] = "20240725155939";
inline constexpr const char* kRegBuildDate = "Jul 25 2024";
inline constexpr const char* kRegYear = "2024";

// The version text (interned).
const char* reg_version();
// Prints the version banner to standard output.
void reg_banner();
// name itself when it is absolute, else name below the directory of the path
// type (interned); null when that directory cannot be located.
const char* reg_mkpath(uint32_t type, const char* name);
// Reads the next line of stream, end-of-line characters included, into a new
// heap copy that *out receives and the caller frees; returns it. At the end
// of the stream *out and the result are null.
char* reg_getline(char** out, FILE* stream);
