// Product registry: the program's identity as fixed by the build (product,
// component, version, build number and date). Nothing here reads a system
// registry; the names keep the legacy driver's vocabulary.
#pragma once

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

