// Debug facility: the package zip, which collects the trace and the files a
// run names for a report.
#include <cstdint>
#include <cstring>

#include "common/osdep_path.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_state.h"
#include "debug/ziplib.h"

#ifdef LUMO_NO_LIBZIP

// Without the zip library ziplib() is null, so the zip option is refused and
// no package path is ever set.
void lumodebug_addToPackage(const char*, const char*) {}

#else

namespace {

// Opens the package zip: an existing archive to extend, or a new one. Null
// when it cannot be used (after the warning).
zip_t* open_package(const ZipLib& lib, const char* zip_path, const char* file) {
  int error = 0;
  if (!path_exists(zip_path)) {
    zip_t* za = lib.open(zip_path, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za) lumodebug_warning("Unable to init package zip file (%s) to add \"%s\"", zip_path, file);
    return za;
  }
  zip_t* za = lib.open(zip_path, 0, &error);
  if (!za) {
    lumodebug_warning("Unable to open package zip file (%s) for reading to append \"%s\"", zip_path, file);
    return nullptr;
  }
  // The archive is read now and rewritten when closed: one that cannot be
  // written draws this warning here and the closing one later.
  if (!path_is_writable(zip_path))
    lumodebug_warning("Unable to covert package zip file (%s) reader to a writer to append \"%s\"", zip_path, file);
  return za;
}

constexpr uint32_t kPackageDeflateLevel = 6;

bool add_entry(const ZipLib& lib, zip_t* za, const char* name, const char* file, const char* comment) {
  zip_source_t* source = lib.source_file(za, file, 0, -1);  // -1: to the end
  if (!source) return false;
  // A run that extends an archive again replaces its older copy of the file.
  zip_int64_t index = lib.file_add(za, name, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS);
  if (index < 0) {
    lib.source_free(source);
    return false;
  }
  auto at = static_cast<zip_uint64_t>(index);
  if (lib.set_file_compression(za, at, ZIP_CM_DEFLATE, kPackageDeflateLevel) != 0) return false;
  size_t length = comment ? strlen(comment) : 0;
  if (length > UINT16_MAX) length = UINT16_MAX;
  return !comment || lib.file_set_comment(za, at, comment, static_cast<zip_uint16_t>(length), ZIP_FL_ENC_GUESS) == 0;
}

}  // namespace

void lumodebug_addToPackage(const char* file, const char* comment) {
  DB_ENTER("\"%s\"", file ? file : "(null)");
  const char* zip_path = g_lumodebug.zip_path;
  const ZipLib* loaded = zip_path ? ziplib() : nullptr;
  if (!loaded || !file || !path_exists(file)) return;
  const ZipLib& lib = *loaded;
  zip_t* za = open_package(lib, zip_path, file);
  if (!za) return;
  const char* name = lumodebug_archiveName(file);
  if (!add_entry(lib, za, name, file, comment))
    lumodebug_warning("Unable to add archive \"%s\" (from \"%s\") to package zip (%s)", name, file, zip_path);
  // Closing writes the archive; an archive that cannot be written is then
  // discarded, which leaves an existing one as it was.
  if (lib.close(za) != 0) {
    lumodebug_warning("Unable to finalize package zip (%s) after adding \"%s\"", zip_path, file);
    lib.discard(za);
  }
}

#endif  // LUMO_NO_LIBZIP
