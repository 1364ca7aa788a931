// Host path style.
//
// Functions whose rules differ between Windows and POSIX hosts take the style
// as a parameter that defaults to the native one, so that the Windows rules
// are exercised by the unit tests on every host.
#pragma once

enum class PathStyle { windows, posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::posix;
#endif

// The separator that joins path components in the given style (constexpr,
// not traced).
constexpr char path_separator(PathStyle style = kNativePathStyle) {
  return style == PathStyle::windows ? '\\' : '/';
}
