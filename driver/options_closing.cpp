// The closing options: what a top-level translation appends after every
// translated argument, from what the option handlers remembered.
//
// For the legacy driver these are the defaults the user did not override,
// the compile stage that "-c" asked for (which depends on the input files
// seen), the strictness options, and the "-l" libraries resolved against
// the "-L" directories. For TEV's driver they are the linker information
// option, the device and the device family pack of the installation.
#include <cstdlib>
#include <cstring>

#include "common/lumoinstdir.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {

void push(vector* out, const char* text) { vec_push(out, sc_intern(text)); }

struct LibraryName {
  const char* prefix;
  const char* suffix;
};
// The file names a library is looked for under, in order. A name with an
// extension is taken as a file name.
constexpr LibraryName kFileNames[] = {{"", ""}, {"lib", ""}};
constexpr LibraryName kLibraryNames[] = {{"", ""},        {"", ".a"},   {"lib", ".a"}, {"", ".lpp"},
                                         {"lib", ".lpp"}, {"", ".lib"}, {"lib", ".lib"}};

vector* library_candidates(const char* name) {
  vector* names = vec_new();
  auto add = [&](const auto& forms) {
    for (const LibraryName& form : forms) vec_push(names, sc_printf("%s%s%s", form.prefix, name, form.suffix));
  };
  if (strchr(name, '.'))
    add(kFileNames);
  else
    add(kLibraryNames);
  return names;
}

// The absolute path of dir/name when that exists; an empty dir is the
// current directory.
const char* existing_absolute(const char* dir, const char* name) {
  char* absolute = path_absolute(sc_pathJoin(dir, name));
  const char* found = absolute && path_exists(absolute) ? sc_intern(absolute) : nullptr;
  free(absolute);
  return found;
}

const char* search_library_dirs(const vector* dirs, const char* name) {
  vector* candidates = library_candidates(name);
  const char* found = nullptr;
  for (uint32_t d = 0; d < vec_size(dirs) && !found; ++d)
    for (uint32_t c = 0; c < vec_size(candidates) && !found; ++c)
      found = existing_absolute(vec_get_as<const char*>(dirs, d), vec_get_as<const char*>(candidates, c));
  vec_free(candidates);
  return found;
}

// A library the search does not find is passed on as typed: the legacy
// driver has its own library search.
const char* resolve_library(const char* name, const vector* dirs) {
  if (path_is_absolute(name) || vec_size(dirs) == 0) return name;
  const char* found = search_library_dirs(dirs, name);
  DB_NOTE("library \"%s\": %s", name, found ? found : "not found, passed on as given");
  return found ? found : name;
}

void close_zir(vector* out) {
  const OptionState& state = option_state();
  if (!state.fixupoverflow_given) push(out, "-L--fixupoverflow=error");
  if (state.compile_only) {
    // "-c" itself is not passed on: the sources decide what stops early.
    if (state.asm_source_seen) push(out, "-c");
    if (state.c_source_seen) push(out, "--pass1");
  }
  if (state.asm_cpp_seen) push(out, "-P");
  if (!state.std_given) push(out, "--std=c99");
  push(out, "--callgraph=none");
  if (!state.mwarn_given) push(out, "--warn=-3");
  // With C90 selected the parser already works that way.
  if (state.nowarn_given && !state.c90_selected) push(out, "-R-w");
  if (state.pedantic_given) {
    if (!state.c90_selected) push(out, "-R-pedantic");
    push(out, "--strict");
  }
  for (uint32_t i = 0; i < vec_size(state.libraries); ++i)
    vec_push(out, resolve_library(vec_get_as<const char*>(state.libraries, i), state.library_dirs));
}

// The installation's own device family pack, unless the user named one.
void installation_dfp(vector* out) {
  const char* version_dir = lumoinstdir(LUMOINSTDIR_VER);
  const char* dfp = version_dir ? sc_pathJoin(sc_pathJoin(version_dir, "dfp"), "lumo8") : nullptr;
  if (dfp && path_exists(dfp)) {
    option_push(out, "-mdfp=%s", dfp);
    DB_NOTE("Using DFP directory \"%s\"", dfp);
  } else {
    DB_NOTE("Could not find DFP directory \"%s\"", dfp ? dfp : "(no installation)");
  }
}

void close_tev(vector* out) {
  const OptionState& state = option_state();
  push(out, "-Wl,--info-linker");
  if (state.mdevice_option && !state.mdevice_given) push(out, state.mdevice_option);
  if (!state.const_data_given) push(out, "-mconst-data-in-progmem");
  if (!state.dfp_given) installation_dfp(out);
}

}  // namespace

void options_closing(DeviceType device_type, vector* out) {
  DB_ENTER("device type %u", device_type);
  if (device_is_zir(device_type))
    close_zir(out);
  else if (device_is_tev(device_type))
    close_tev(out);
}
