// The zip library, loaded on first use.
#include "debug/ziplib.h"

#include "debug/lumodebug.h"

#ifdef LUMO_NO_LIBZIP

const ZipLib* ziplib() { return nullptr; }

const char* ziplib_name() { return "not part of this build"; }

#else

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#ifndef LUMO_LIBZIP_SONAME
#define LUMO_LIBZIP_SONAME "libzip.so.4"
#endif

namespace {

template <typename F>
bool resolve(void* handle, const char* name, F& fn) {
  fn = reinterpret_cast<F>(dlsym(handle, name));
  return fn != nullptr;
}

// Whether the zip library may be loaded into this process. A dynamically
// linked program has a loader (AT_BASE) that brings the C library it runs
// with. A statically linked one loads the system's C library beside its own,
// which works only with the C library it was built with: the file the build
// recorded must still carry the build's version banner.
bool c_library_fits() {
  if (getauxval(AT_BASE) != 0) return true;
#if defined(LUMO_LIBC_FILE) && defined(LUMO_LIBC_BANNER)
  int fd = open(LUMO_LIBC_FILE, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool fits = false;
  if (fstat(fd, &st) == 0 && st.st_size > 0) {
    const size_t size = static_cast<size_t>(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      fits = memmem(map, size, LUMO_LIBC_BANNER, sizeof LUMO_LIBC_BANNER - 1) != nullptr;
      munmap(map, size);
    }
  }
  close(fd);
  DB_NOTE("C library %s %s the build's", LUMO_LIBC_FILE, fits ? "is" : "is not");
  return fits;
#else
  return false;
#endif
}

bool load(ZipLib& lib) {
  if (!c_library_fits()) return false;
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
