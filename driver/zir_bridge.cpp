// The ZIR run's bridges to the GNU driver's conventions (see zir_bridge.h).
#include "driver/zir_bridge.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/fileutils.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/cmdline.h"
#include "driver/depfile.h"
#include "driver/option_state.h"

namespace {


// The file the driver writes its rules into; null when no rules were asked.
const char* g_rules = nullptr;

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

bool read_whole(const char* path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return !in.bad();
}

bool write_to(const std::string& path, const std::string& text) {
  std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "wb"));
  bool ok = file && fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return file && fclose(file.release()) == 0 && ok;
}

// Written beside its place and renamed into it, so that a reader (make,
// Ninja) sees the old file or the whole new one; a device such as /dev/null
// is written straight into.
bool write_whole(const std::string& path, const std::string& text) {
  if (path_is_special(path.c_str())) return write_to(path, text);
  const std::string temporary = path + sc_printf(".l8d%lu", osd_getpid());
  osd_register_tmpfile(sc_intern(temporary.c_str()));
  bool ok = write_to(temporary, text) && osd_replace_file(temporary.c_str(), path.c_str());
  if (!ok) remove(temporary.c_str());
  return ok;
}

std::vector<std::string> texts(const vector* list) {
  std::vector<std::string> all;
  for (uint32_t i = 0; i < vec_size(list); ++i) all.emplace_back(vec_get_as<const char*>(list, i));
  return all;
}

gnudeps_request request_from_state() {
  const OptionState& state = option_state();
  gnudeps_request r;
  r.deps_only = state.depend_only;
  r.stage = state.preprocess_only ? gnudeps_stage::preprocess
            : state.assembly_only ? gnudeps_stage::assembly
            : state.compile_only  ? gnudeps_stage::compile
                                  : gnudeps_stage::link;
  if (state.output) r.output = state.output;
  if (state.depend_file) r.file = state.depend_file;
  r.targets = texts(state.depend_targets);
  r.quoted_targets = texts(state.depend_quoted);
  r.phony = state.depend_phony;
  return r;
}

std::vector<std::string> inputs() { return texts(option_state().inputs); }

bool has_rule(const std::vector<depfile_rule>& rules, const std::string& input) {
  for (const depfile_rule& rule : rules)
    if (rule.prerequisites.front() == input) return true;
  return false;
}

// Every rule belongs to an input, and every C source has its rule: a driver
// that forgot one would leave a build that never sees its header change.
bool rules_match_inputs(const std::vector<depfile_rule>& rules) {
  const std::vector<std::string> names = inputs();
  for (const depfile_rule& rule : rules)
    if (std::find(names.begin(), names.end(), rule.prerequisites.front()) == names.end()) return false;
  for (const std::string& input : names)
    if (fileid_is_c(fileid(input.c_str())) && !has_rule(rules, input)) return false;
  return true;
}

bool write_output(const depfile_output& out) {
  if (out.path.empty()) {
    fwrite(out.text.data(), 1, out.text.size(), stdout);
    return fflush(stdout) == 0;
  }
  if (write_whole(out.path, out.text)) return true;
  alert_raise(kMsgCannotWriteOutput, out.path.c_str());
  return false;
}

}  // namespace

void zir_bridge_close(vector* out) {
  DB_ENTER();
  OptionState& state = option_state();
  // The GNU driver takes standard input as C when it only preprocesses.
  if (state.stdin_without_language && !state.preprocess_only) alert_raise(kMsgStdinNeedsLanguage);
  if (state.stdin_file && !freopen(state.stdin_file, "rb", stdin)) alert_raise(kMsgCannotOpenInput, state.stdin_file);
  if (state.depend_only || state.depend_side) {
    g_rules = osd_tmpname("d");
    if (g_rules) {
      vec_push(out, sc_intern("--dep=+gcc"));
      vec_push(out, sc_printf("--depfile=%s", g_rules));
      cmdline_set_finish(zir_bridge_finish);
    }
  }
  DB_EXIT("%s", g_rules ? g_rules : "no rules asked for");
}

int zir_bridge_finish(int status) {
  DB_ENTER("%d", status);
  if (status != 0 || !g_rules) {
    DB_EXIT("%d", status);
    return status;
  }
  std::string text;
  std::vector<depfile_rule> rules;
  if (!read_whole(g_rules, &text) || !depfile_parse(text, &rules) || !rules_match_inputs(rules)) {
    alert_raise(kMsgDriverDepfile, g_rules);
    DB_EXIT("1");
    return 1;
  }
  bool ok = true;
  for (const depfile_output& out : depfile_outputs(request_from_state(), rules)) ok = write_output(out) && ok;
  DB_EXIT("%d", ok ? 0 : 1);
  return ok ? 0 : 1;
}
