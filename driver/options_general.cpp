// The general options whose translation is more than data: the output
// file, the dependency file and targets, the language of the inputs, the
// verbosity and the language standard.
#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "common/alert.h"
#include "common/msgnum.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {


// The directory part of a path: up to the last backslash, else the last
// "/", else the last ":" (the same search on every host); null when none.
const char* last_separator(const char* path) {
  for (char separator : {'\\', '/', ':'})
    if (const char* at = strrchr(path, separator)) return at;
  return nullptr;
}

bool same_text(const char* a, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (strcasecmp(a, name) == 0) return true;
  return false;
}

}  // namespace

// The legacy driver takes the output file name and its directory apart.
LUMO_OPTION_HANDLER(opt_output) {
  DB_ENTER("%s", arg);
  option_state().output = value;
  const char* separator = last_separator(value);
  if (!separator) {
    option_push(out, "-o%s", value);
    return;
  }
  const char* directory = sc_substr(value, static_cast<size_t>(separator - value));
  option_push(out, "-o%s", separator + 1);
  option_push(out, "--objdir=%s", directory);
  option_push(out, "--outdir=%s", directory);
}

// The legacy driver writes its rules where it is told; this program makes
// the GNU dependency files from them.
LUMO_OPTION_HANDLER(opt_depend_file) {
  DB_ENTER("%s", arg);
  option_state().depend_file = value;
  vec_push(out, sc_intern("--dep=+gcc"));
  option_push(out, "--depfile=%s", value);
}

// "-MT" and "-MQ" name the rule's target: the legacy driver's language has
// no word for it, so the target is kept for the dependency files this
// program makes.
LUMO_OPTION_HANDLER(opt_depend_target) {
  DB_ENTER("%s", arg);
  vector*& targets = row.name[2] == 'Q' ? option_state().depend_quoted : option_state().depend_targets;
  if (!targets) targets = vec_new();
  vec_push(targets, sc_intern(value));
}

// The language applies to the inputs that follow, for every family; the
// legacy driver knows only C and the two assembler forms.
LUMO_OPTION_HANDLER(opt_language) {
  DB_ENTER("%s", arg);
  option_state().language = strcmp(value, "none") == 0 ? nullptr : value;
  if (device_is_zir(family)) {
    if (strcmp(value, "assembler-with-cpp") == 0)
      vec_push(out, sc_intern("-P"));
    else if (strcmp(value, "assembler") != 0 && strcmp(value, "c") != 0)
      option_unsupported(row.name);
  } else if (device_is_tev(family)) {
    vec_push(out, sc_intern(arg));
    vec_push(out, sc_intern(value));
  }
}

LUMO_OPTION_HANDLER(opt_verbose) {
  DB_ENTER("%s", arg);
  ++option_state().verbosity;
  vec_push(out, sc_intern(arg));
}

// The legacy driver knows two standards; anything else is compiled as C99.
LUMO_OPTION_HANDLER(opt_std) {
  DB_ENTER("%s", arg);
  const char* standard = option_required(arg, value);
  if (same_text(standard, {"c90", "c89", "iso9899:1990", "iso9899:199409"})) {
    vec_push(out, sc_intern("--std=c90"));
    option_state().c90_selected = true;
    return;
  }
  if (!same_text(standard, {"c99", "c9x", "iso9899:1999", "iso9899:199x"}))
    alert_raise(kMsgStandardNotSupported, standard);
  vec_push(out, sc_intern("--std=c99"));
}
