// The stages of a run: preprocessing (--pre), dependencies (--dep=),
// assembler output (-S), intermediate and object files (--pass1, -c), and
// the link into a HEX image with its map and memory summary.
#include "toolchain/lumo8/lumo8_build.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "common/alert.h"
#include "common/gnudeps.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "toolchain/lumo8/lumo8_inputs.h"
#include "toolchain/lumo8/lumo8_outputs.h"
#include "toolchain/support/tc_pre.h"
#include "toolchain/support/tc_diag.h"

namespace {

constexpr const char* kSummaryFile = "memoryfile.xml";
constexpr uint32_t kConfigAddress18 = 0x300000;  // byte addresses of the configuration word
constexpr uint32_t kConfigAddress = 0x400E;
constexpr uint16_t kConfigWord = 0x3FFF;
constexpr uint32_t kSeries18 = 18;
// The start-up code every image begins with unless "--runtime=+no_startup".
constexpr uint16_t kStartup[] = {0x0183, 0x018A, 0x2804, 0x0000};

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty() || path_is_absolute(name.c_str())) return name;
  return sc_pathJoin(dir.c_str(), name.c_str());
}

std::string stem_of(const std::string& path) {
  char* s = path_stem(path.c_str());
  std::string stem = s ? s : path;
  free(s);
  return stem;
}

bool read_source(const std::string& path, std::string* text) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  if (!file) {
    tc_raise(kMsgAsCannotRead, path.c_str());
    return false;
  }
  *text = all.str();
  return true;
}

// The inputs the preprocessor reads, and so the ones with dependencies.
bool preprocessed_kind(l8_kind kind) { return kind == l8_kind::c || kind == l8_kind::asm_cpp; }
bool c_kind(l8_kind kind) { return kind == l8_kind::c || kind == l8_kind::c_pre; }

bool same_file(const std::string& a, const std::string& b) {
  char* x = path_absolute(a.c_str());
  char* y = path_absolute(b.c_str());
  bool same = x && y && strcmp(x, y) == 0;
  free(x);
  free(y);
  return same;
}

class Build {
 public:
  Build(const l8_config& config, const l8_chip& chip) : c_(config), chip_(chip) {}
  int run();

 private:
  const l8_config& c_;
  const l8_chip& chip_;
  std::vector<l8_input> inputs_;
  std::vector<l8_output> outputs_;
  std::string deps_;  // the rules of every input, for one --depfile or standard output

  // The -o name when given (with ext added when it has none), else the
  // input's stem with ext; in dir.
  std::string named(const std::string& dir, const std::string& input, const char* ext) const {
    std::string name = c_.output;
    if (name.empty())
      name = stem_of(input) + ext;
    else if (!*path_extension(name.c_str()) && !path_is_special(join(dir, name).c_str()))
      name += ext;  // a device such as /dev/null is the output as it stands
    return join(dir, name);
  }
  // One translation unit's preprocessor state.
  struct Pre {
    tc_pre_macros macros;
    tc_pre_result result;
  };
  bool preprocessed(const std::string& path, Pre* pp, std::string* text) const;
  tc_pre_config pre_config() const;
  Pre make_pre() const;
  bool unit_of(const l8_input& in, l8_unit* unit, Pre* pp);
  void dependencies(const l8_input& in, const Pre& pp, const std::string& target);
  void nothing_to_do(const l8_input& in) const {
    tc_raise(kMsgInputNotUsed, in.path.c_str());
  }
  std::string target(const l8_input& in) const;
  void stage_dependencies();
  void stage_pre();
  void stage_early();
  void stage_assembly();
  void stage_link();
  void listing(const l8_input& in, const l8_unit& unit);
  bool one_output(size_t count) const {
    if (c_.output.empty() || count <= 1) return true;
    tc_raise(kMsgOneOutput, c_.output.c_str(), static_cast<unsigned>(count));
    return false;
  }
  bool replaces_input() const {
    for (const l8_output& out : outputs_)
      for (const l8_input& in : inputs_)
        if (!out.path.empty() && in.path != kTcStdin && same_file(out.path, in.path)) {
          tc_raise(kMsgOutputOverwritesInput, out.path.c_str());
          return true;
        }
    return false;
  }
  void verbose(const char* what, const std::string& file) const {
    if (c_.verbose > 0) fprintf(stderr, "lumo8: %s %s\n", what, file.c_str());
  }
};

// lumo8's directives and header listing; its headers are searched in the
// -I directories, then in the installation's.
tc_pre_config Build::pre_config() const {
  tc_pre_config config;
  config.user_dirs = c_.include_dirs;
  if (!c_.no_cinc) config.system_dirs = l8_system_include_dirs(c_.c90);
  config.copied = {"pragma", "line", "ident", "", "0"};
  if (c_.list_headers)
    config.list_header = [](int depth, const std::string& path) { fprintf(stderr, "%*s%s\n", depth + 1, "", path.c_str()); };
  return config;
}

Build::Pre Build::make_pre() const {
  Pre pre;
  tc_pre_macros& pp = pre.macros;
  const std::string& name = chip_.name;
  for (const char* macro : {"__LUMO", "__LUMO__", "__LUMO8", "__LUMO8__"}) tc_pre_define(pp, macro, "1");
  tc_pre_define(pp, "__LUMO8_VERSION", "2500");
  tc_pre_define(pp, "_" + name, "1");
  tc_pre_define(pp, "__" + name + "__", "1");
  tc_pre_define(pp, "__ZIR_SERIES", std::to_string(chip_.series));
  tc_pre_define(pp, "_ZIR" + std::to_string(chip_.series), "1");
  tc_pre_define(pp, "_ROMSIZE", std::to_string(chip_.program_words));
  tc_pre_define(pp, "_RAMSIZE", std::to_string(chip_.data_bytes));
  tc_pre_define(pp, "_EEPROMSIZE", std::to_string(chip_.eeprom_bytes));
  tc_pre_define(pp, "__STDC__", "1");
  if (!c_.c90) tc_pre_define(pp, "__STDC_VERSION__", "199901L");
  if (c_.char_unsigned) tc_pre_define(pp, "__CHAR_UNSIGNED__", "1");
  for (const l8_define& d : c_.defines) {
    if (d.undefine)
      tc_pre_undefine(pp, d.name);
    else
      tc_pre_define(pp, d.name, d.value);
  }
  return pre;
}

bool Build::preprocessed(const std::string& path, Pre* pp, std::string* text) const {
  verbose("preprocessing", path);
  const bool ok = tc_preprocess(pre_config(), pp->macros, path, pp->result);
  *text = pp->result.text;
  return ok;
}

// The code of an input; preprocessed C is compiled as it stands, a p1 or
// object input is read back.
bool Build::unit_of(const l8_input& in, l8_unit* unit, Pre* pp) {
  std::string text;
  switch (in.kind) {
    case l8_kind::c:
      if (!preprocessed(in.path, pp, &text)) return false;
      verbose("compiling", in.path);
      return l8_compile_c(in.path, text, unit);
    case l8_kind::c_pre:
      verbose("compiling", in.path);
      return read_source(in.path, &text) && l8_compile_c(in.path, text, unit);
    case l8_kind::asm_cpp:
      if (!preprocessed(in.path, pp, &text)) return false;
      *unit = l8_assemble(l8_marked_source(text, in.path), text);
      return true;
    case l8_kind::asm_plain:
      if (!read_source(in.path, &text)) return false;
      *unit = l8_assemble(in.path, text);
      return true;
    case l8_kind::p1:
      return l8_read_p1(in.path, unit);
    case l8_kind::object:
      return l8_read_object(in.path, unit);
    case l8_kind::library:
      return false;
  }
  return false;
}

// One rule per preprocessed input, its first prerequisite the input as
// given, so that whoever rewrites the rules can tell them apart; a header
// included twice is named once.
void Build::dependencies(const l8_input& in, const Pre& pp, const std::string& target) {
  if (!c_.dep || !preprocessed_kind(in.kind)) return;
  std::string rule = gnudeps_quote(target) + ": " + gnudeps_quote(in.path);
  std::set<std::string> listed;
  for (const tc_pre_header& h : pp.result.headers)
    if ((c_.dep_sys || !h.system) && listed.insert(h.path).second) rule += " \\\n  " + gnudeps_quote(h.path);
  rule += "\n";
  if (c_.dep_stop || !c_.depfile.empty())
    deps_ += rule;
  else
    outputs_.push_back({join(c_.objdir, stem_of(in.path) + ".d"), rule});
}

// Preprocessed C is not preprocessed again: like any input that is no
// source, it has nothing to give here.
void Build::stage_pre() {
  size_t count = 0;
  for (const l8_input& in : inputs_) count += preprocessed_kind(in.kind);
  if (!one_output(count)) return;
  std::string out;
  for (const l8_input& in : inputs_) {
    if (!preprocessed_kind(in.kind)) {
      nothing_to_do(in);
      continue;
    }
    Pre pp = make_pre();
    std::string text;
    if (!preprocessed(in.path, &pp, &text)) continue;
    // With the macro listing asked for, the listing is the output.
    out += c_.defvals ? tc_pre_listing(pp.macros, tc_pre_order::definition) : text;
    dependencies(in, pp, target(in));
  }
  outputs_.push_back({c_.output.empty() ? "" : join(c_.outdir, c_.output), out});
}

// What the stage makes of the input: the target of its rule.
std::string Build::target(const l8_input& in) const {
  if (c_.pre) return join(c_.objdir, stem_of(in.path) + ".p1");
  if (c_.assembly) return named(c_.objdir, in.path, ".as");
  if (c_.compile || c_.pass1) return named(c_.objdir, in.path, c_kind(in.kind) && c_.pass1 ? ".p1" : ".o");
  return named(c_.outdir, inputs_.front().path, ".hex");
}

// With +stop the rules are the whole output of every stage, and, as for a
// build system's scan of the headers, only the preprocessor runs.
void Build::stage_dependencies() {
  for (const l8_input& in : inputs_) {
    if (!preprocessed_kind(in.kind)) continue;
    Pre pp = make_pre();
    std::string text;
    if (preprocessed(in.path, &pp, &text)) dependencies(in, pp, target(in));
  }
}

void Build::listing(const l8_input& in, const l8_unit& unit) {
  if (!c_.asmlist || (in.kind != l8_kind::asm_plain && in.kind != l8_kind::asm_cpp)) return;
  std::string text = "; lumo8 V2.50 assembler listing of " + unit.source + "\n";
  for (size_t i = 0; i < unit.words.size(); ++i) text += sc_printf("%06zX  %04X\n", i * 2, unit.words[i]);
  outputs_.push_back({join(c_.objdir, stem_of(in.path) + ".lst"), text});
}

// C sources stop as p1 files under --pass1; everything that can become an
// object file does under -c.
void Build::stage_early() {
  std::vector<l8_output> made;
  for (const l8_input& in : inputs_) {
    const bool to_p1 = c_kind(in.kind) && c_.pass1;
    const bool to_object = !to_p1 && in.kind != l8_kind::library && in.kind != l8_kind::object &&
                           (c_.compile || in.kind != l8_kind::p1);
    if (!to_p1 && !to_object) {
      nothing_to_do(in);
      continue;
    }
    Pre pp = make_pre();
    l8_unit unit;
    if (!unit_of(in, &unit, &pp)) continue;
    const std::string made_as = target(in);
    dependencies(in, pp, made_as);
    listing(in, unit);
    made.push_back({made_as, to_p1 ? l8_p1_text(unit, chip_.name) : l8_object_bytes(unit, chip_.name)});
  }
  if (one_output(made.size())) outputs_.insert(outputs_.end(), made.begin(), made.end());
}

void Build::stage_assembly() {
  std::vector<l8_output> made;
  for (const l8_input& in : inputs_) {
    if (!c_kind(in.kind)) {
      nothing_to_do(in);
      continue;
    }
    Pre pp = make_pre();
    l8_unit unit;
    if (!unit_of(in, &unit, &pp)) continue;
    const std::string made_as = target(in);
    dependencies(in, pp, made_as);
    std::string text = "; lumo8 V2.50 for " + chip_.name + " from " + unit.source + "\n\tpsect text\n";
    for (const std::string& s : unit.symbols) text += s + ":\n";
    for (uint16_t w : unit.words) text += sc_printf("\tdw\t0x%04X\n", w);
    made.push_back({made_as, text});
  }
  if (one_output(made.size())) outputs_.insert(outputs_.end(), made.begin(), made.end());
}

void Build::stage_link() {
  std::vector<l8_placed> placed;
  std::vector<uint16_t> words;
  if (!c_.no_startup) {
    words.assign(std::begin(kStartup), std::end(kStartup));
    placed.push_back({"(start-up code)", 0, static_cast<uint32_t>(words.size()), {"start"}});
  }
  for (const l8_input& in : inputs_) {
    if (in.kind == l8_kind::library) continue;  // nothing refers to its modules
    Pre pp = make_pre();
    l8_unit unit;
    if (!unit_of(in, &unit, &pp)) continue;
    listing(in, unit);
    dependencies(in, pp, target(in));
    placed.push_back({unit.source, static_cast<uint32_t>(words.size()), static_cast<uint32_t>(unit.words.size()),
                      unit.symbols});
    words.insert(words.end(), unit.words.begin(), unit.words.end());
  }
  if (tc_diag_errors()) return;
  if (words.size() > chip_.program_words) {
    tc_raise(kMsgRomFull, static_cast<unsigned>(words.size()), chip_.program_words);
    return;
  }
  l8_segment code{0, {}};
  for (uint16_t w : words) {
    code.bytes.push_back(static_cast<uint8_t>(w));
    code.bytes.push_back(static_cast<uint8_t>(w >> 8));
  }
  l8_segment config{chip_.series == kSeries18 ? kConfigAddress18 : kConfigAddress,
                    {static_cast<uint8_t>(kConfigWord), static_cast<uint8_t>(kConfigWord >> 8)}};
  const std::string image = named(c_.outdir, inputs_.front().path, ".hex");
  verbose("linking", image);
  outputs_.push_back({image, l8_hex_image({code, config})});
  if (!c_.mapfile.empty()) outputs_.push_back({c_.mapfile, l8_map_text(chip_.name, placed, chip_.program_words, image)});
  if (c_.summary_xml) {
    const std::string& dir = c_.summarydir.empty() ? c_.outdir : c_.summarydir;
    outputs_.push_back({join(dir, kSummaryFile), l8_summary_xml(chip_.name, static_cast<uint32_t>(words.size()),
                                                                chip_.program_words, chip_.data_bytes,
                                                                chip_.eeprom_bytes)});
  }
}

int Build::run() {
  for (const std::string& arg : c_.inputs) {
    l8_input in;
    if (l8_classify(arg, c_.asm_cpp, &in)) inputs_.push_back(in);
  }
  if (tc_diag_errors()) return 1;
  if (inputs_.empty()) {  // only the run time's own libraries were named
    tc_raise(kMsgNoInputFiles);
    return 1;
  }
  if (c_.dep && c_.dep_stop)
    stage_dependencies();
  else if (c_.pre)
    stage_pre();
  else if (c_.assembly)
    stage_assembly();
  else if (c_.compile || c_.pass1)
    stage_early();
  else
    stage_link();
  if (c_.dep && (c_.dep_stop || !c_.depfile.empty())) outputs_.push_back({c_.depfile, deps_});
  if (c_.werror && tc_diag_warnings())
    tc_raise(kMsgWarningsAreErrors, tc_diag_warnings());
  if (tc_diag_errors() || alert_has_errors() || replaces_input()) return 1;
  return l8_write_outputs(outputs_) ? 0 : 1;
}

}  // namespace

std::vector<std::string> l8_system_include_dirs(bool c90) {
  std::vector<std::string> dirs;
  char* exe = osd_progname();
  char* bin = exe ? path_dirname(exe) : nullptr;
  char* family = bin ? path_dirname(bin) : nullptr;
  if (family) {
    std::string include = sc_pathJoin(family, "include");
    dirs.push_back(include);
    dirs.emplace_back(sc_pathJoin(include.c_str(), c90 ? "c90" : "c99"));
  }
  free(family);
  free(bin);
  free(exe);
  return dirs;
}

int l8_build(const l8_config& config, const l8_chip& chip) { return Build(config, chip).run(); }
