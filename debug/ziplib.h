// The zip library, loaded the first time a package is written: a compile
// without packaging never pays for loading it and the libraries it needs.
#pragma once

#ifdef LUMO_NO_LIBZIP
// A build without the zip library: ziplib() is always null.
struct ZipLib;
#else
#include <zip.h>

// The library's operations that packaging uses.
struct ZipLib {
  decltype(&zip_open) open;
  decltype(&zip_close) close;
  decltype(&zip_discard) discard;
  decltype(&zip_source_file) source_file;
  decltype(&zip_source_free) source_free;
  decltype(&zip_file_add) file_add;
  decltype(&zip_set_file_compression) set_file_compression;
  decltype(&zip_file_set_comment) file_set_comment;
};
#endif

// The loaded library, or null when it cannot be loaded (the first call
// tries; later calls give the same answer).
const ZipLib* ziplib();

// The file name the library is loaded under (a getter, not traced).
const char* ziplib_name();
