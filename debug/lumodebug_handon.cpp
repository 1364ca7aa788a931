// Handing the --lumodebug settings on to a child program, so that a whole
// tool-chain run traces consistently: one part per sub-option, in the order
// of the sub-option table.
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>

#include "common/hash.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_assert.h"
#include "debug/lumodebug_state.h"

namespace {

const char* if_flag(uint32_t bit, const char* text) { return (lumodebug_flagword & bit) ? text : nullptr; }

const char* assert_part() {
  static const char* const kLevels[] = {nullptr, "fatal", "error", "warning"};
  return lumodebug_assertlevel > 0 && lumodebug_assertlevel < 4
             ? sc_printf("assert:%s", kLevels[lumodebug_assertlevel])
             : nullptr;
}

// The legacy driver is this program's child and the compilers are the
// legacy driver's: a name meant for a program is not handed past it.
bool kept_for(uint32_t caller, const char* name) {
  if (caller == DBC_LUMO8CC) return strncasecmp(name, "lumo8", 5) != 0 || name[5] == '-';
  if (caller == DBC_LUMO8) return strncasecmp(name, "zircc", 5) != 0;
  return true;
}

const char* debug_part(uint32_t caller) {
  std::string part;
  for (const char* name : VecItems<const char*>(g_lumodebug.debug_names))
    if (kept_for(caller, name)) part += std::string(":") + name;
  return part.empty() ? nullptr : sc_printf("debug%s", part.c_str());
}

const char* num_part(const char* callee) {
  if (!lumodebug_flagword) return nullptr;
  LumodebugState& s = g_lumodebug;
  if (!s.child_counts) s.child_counts = hash_new(kLumodebugTableBuckets, hash_string_nocase, hash_string_nocase_compare);
  const char* key = sc_intern(callee ? callee : "");
  uintptr_t count = reinterpret_cast<uintptr_t>(hash_remove(s.child_counts, key)) + 1;
  hash_insert(s.child_counts, key, reinterpret_cast<void*>(count));
  return sc_printf("num:%u", static_cast<unsigned>(count));
}

}  // namespace

const char* lumodebug_optionFor(uint32_t caller, const char* callee) {
  DB_ENTER("%u, %s", caller, callee ? callee : "(null)");
  db_assert(caller <= DBC_DRIVER);
  const LumodebugState& s = g_lumodebug;
  const char* parts[] = {
      if_flag(LDB_TRACE, "default"),
      if_flag(LDB_TRACE, "on"),
      s.out_given && s.out_path ? sc_printf("out:+%s", s.out_path) : nullptr,
      if_flag(LDB_SDB, "sdb"),
      if_flag(LDB_DWARF, "dwarf"),
      s.zip_path ? sc_printf("zip:+%s", s.zip_path) : nullptr,
      if_flag(LDB_ALERTS, "alerts"),
      assert_part(),
      debug_part(caller),
      if_flag(LDB_ADT, "adt"),
      num_part(callee),
  };
  std::string option;
  for (const char* part : parts)
    if (part) option += (option.empty() ? "" : ",") + std::string(part);
  const char* result = option.empty() ? nullptr : sc_printf("--lumodebug=%s", option.c_str());
  DB_EXIT("%s", result ? result : "null");
  return result;
}
