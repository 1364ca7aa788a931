// Product registry: identity, banner, named paths and the line reader.
#include "common/registry.h"

#include <string_view>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug.h"

namespace {

// One line per identity item, a label, a tab and the value; the build date
// is part of the text, the other items are arguments.
constexpr const char kBannerFormat[] =
    "\nProduct:\t%s\nComponent:\t%s\nVersion:\t%s%c\nBuild date:\tJul 25 2024\nRelease:\t%s\nBuild "
    "number:\t%s\nCopyright (C) %s Lumo8 tool chain developers\n";
static_assert(std::string_view(kBannerFormat).find(kRegBuildDate) != std::string_view::npos,
              "the banner shows the build's date");

}  // namespace

const char* reg_version() {
  DB_ENTER();
  const char* version = sc_intern(kRegVersion);
  DB_EXIT("\"%s\"", version);
  return version;
}

void reg_banner() {
  DB_ENTER();
  printf(kBannerFormat, kRegProduct, kRegComponent, kRegVersion, kRegReleaseQualifier, kRegRelease,
         kRegBuildNumber, kRegYear);
}

const char* reg_mkpath(uint32_t type, const char* name) {
  DB_ENTER("type: %d, name: \"%s\"", static_cast<int>(type), name ? name : "(null)");
  if (!name) return nullptr;
  if (path_is_absolute(name)) {
    const char* path = sc_intern(name);
    DB_NOTE("Returning absolute path: \"%s\"", path);
    return path;
  }
  const char* dir = reg_instdir(type);
  if (!dir) {
    DB_NOTE("Returning path: \"null\"");
    return nullptr;
  }
  const char* path = sc_pathJoin(dir, name);
  DB_NOTE("Returning path: \"%s\"", path);
  return path;
}

char* reg_getline(char** out, FILE* stream) {
  DB_ENTER();
  const char* line = sc_readLine(stream);
  *out = line ? xstrdup(line) : nullptr;
  return *out;
}
