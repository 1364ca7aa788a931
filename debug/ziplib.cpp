// The zip library, loaded on first use.
#include "debug/ziplib.h"

#include "debug/lumodebug.h"

#ifdef LUMO_NO_LIBZIP

const ZipLib* ziplib() { return nullptr; }

const char* ziplib_name() { return "not part of this build"; }

#else

#include <dlfcn.h>

#ifndef LUMO_LIBZIP_SONAME
#define LUMO_LIBZIP_SONAME "libzip.so.4"
#endif

namespace {

template <typename F>
bool resolve(void* handle, const char* name, F& fn) {
  fn = reinterpret_cast<F>(dlsym(handle, name));
  return fn != nullptr;
}

bool load(ZipLib& lib) {
  void* handle = dlopen(LUMO_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return false;
  bool ok = resolve(handle, "zip_open", lib.open) && resolve(handle, "zip_close", lib.close) &&
            resolve(handle, "zip_discard", lib.discard) &&
            resolve(handle, "zip_source_file", lib.source_file) &&
            resolve(handle, "zip_source_free", lib.source_free) &&
            resolve(handle, "zip_file_add", lib.file_add) &&
            resolve(handle, "zip_set_file_compression", lib.set_file_compression) &&
            resolve(handle, "zip_file_set_comment", lib.file_set_comment);
  // The library stays loaded until the process ends: packaging may happen
  // again in the exit handlers.
  if (!ok) dlclose(handle);
  return ok;
}

}  // namespace

const ZipLib* ziplib() {
  DB_ENTER();
  static ZipLib lib;
  static const bool loaded = [] {
    bool ok = load(lib);
    if (!ok) {
      const char* why = dlerror();
      DB_NOTE("%s not loaded: %s", LUMO_LIBZIP_SONAME, why ? why : "not found");
    }
    return ok;
  }();
  DB_EXIT("%s", loaded ? "loaded" : "not loaded");
  return loaded ? &lib : nullptr;
}

const char* ziplib_name() { return LUMO_LIBZIP_SONAME; }

#endif  // LUMO_NO_LIBZIP
