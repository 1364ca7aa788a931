// The stages of a run and the files they produce.
#include "toolchain/tev-gcc/tev_driver.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "common/alert.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/tev-gcc/tev_code.h"
#include "toolchain/tev-gcc/tev_deps.h"
#include "toolchain/tev-gcc/tev_devices.h"
#include "toolchain/tev-gcc/tev_elf.h"
#include "toolchain/tev-gcc/tev_help.h"
#include "toolchain/tev-gcc/tev_link.h"
#include "toolchain/tev-gcc/tev_output.h"
#include "toolchain/support/tc_pre.h"

namespace {

// Libraries every installation provides inside the start-up code.
constexpr const char* kBuiltinLibraries[] = {"c", "m"};

// "<family>/<name>": the family directory is the parent of the program's
// own directory (tev/bin/tev-gcc -> tev/include).
std::string family_path(const char* name) {
  char* exe = osd_progname();
  std::string result;
  if (exe) {
    char* bin = path_dirname(exe);
    char* family = bin ? path_dirname(bin) : nullptr;
    if (family) result = std::string(family) + path_separator() + name;
    free(family);
    free(bin);
    free(exe);
  }
  return result;
}

bool read_file(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

// Only the header is read: a file of any size is identified at once.
bool is_tev_object_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(kTevElfHeaderSize, '\0');
  return in.read(head.data(), static_cast<std::streamsize>(head.size())) && tev_elf_is_object(head);
}

// The name messages and listings give an input.
const char* shown_name(const tev_input& in) { return in.path == kTcStdin ? kTcStdinName : in.path.c_str(); }

// The source preprocessed text came from, named by its first line marker
// as every preprocessor writes one.
std::string marked_source(const std::string& text, const std::string& otherwise) {
  int line = 0;
  std::string file;
  return tc_pre_marker(text.substr(0, text.find('\n')), &line, &file) && !file.empty() ? file : otherwise;
}

const char* standard_version(const std::string& standard) {
  struct Version {
    const char* digits;
    const char* value;
  };
  constexpr Version kVersions[] = {{"99", "199901L"}, {"9x", "199901L"}, {"1999", "199901L"}, {"199x", "199901L"},
                                   {"11", "201112L"}, {"1x", "201112L"}, {"2011", "201112L"}, {"17", "201710L"},
                                   {"18", "201710L"}, {"2017", "201710L"}, {"2018", "201710L"}};
  for (const Version& v : kVersions)
    if (standard.ends_with(v.digits)) return v.value;
  return nullptr;
}

class Run {
 public:
  explicit Run(const tev_request& request) : r_(request), inputs_(request.inputs) {}

  int go() {
    if (r_.help || r_.version) return listings();
    if (!tev_devices_load(devices_)) return 1;
    if (r_.target_help) {
      tev_print_target_help(devices_);
      return 0;
    }
    if (!select_device()) return 1;
    search_list();
    if (r_.verbose) show_version_and_search_list();
    if (inputs_.empty()) {
      if (r_.verbose) return 0;
      tc_raise(kMsgNoInputFiles);
      return 1;
    }
    if (!inputs_usable() || !one_output_for_o()) return 1;
    if (r_.show_only) return show_steps();
    predefine();
    for (const tev_input& in : inputs_) input(in);
    if (r_.stage == tev_stage::link && !r_.deps_only && failed() == 0) link();
    if (failed()) return 1;
    return outputs_.commit() ? 0 : 1;
  }

 private:
  const tev_request& r_;
  std::vector<tev_input> inputs_;  // the request's, each with its language settled
  std::vector<tev_device> devices_;
  const tev_device* device_ = nullptr;
  tc_pre_config pp_;
  tc_pre_macros base_macros_;
  std::vector<tev_link_input> objects_;
  tev_outputs outputs_;

  static uint32_t failed() { return tc_diag_errors() + (alert_has_errors() ? 1 : 0); }

  int listings() {
    if (r_.version)
      tev_print_version();
    else
      tev_print_help(r_.help_class);
    return 0;
  }

  bool select_device() {
    for (const std::string& n : {r_.mcu, r_.mdevice}) {
      if (!n.empty() && !tev_device_find(devices_, n)) {
        tc_raise(kMsgDeviceNotKnown, n.c_str());
        return false;
      }
    }
    if (!r_.mcu.empty() && !r_.mdevice.empty() && tev_device_find(devices_, r_.mcu) != tev_device_find(devices_, r_.mdevice)) {
      tc_raise(kMsgDeviceConflict, r_.mcu.c_str(), r_.mdevice.c_str());
      return false;
    }
    std::string name = !r_.mcu.empty() ? r_.mcu : !r_.mdevice.empty() ? r_.mdevice : kTevGenericCore;
    device_ = tev_device_find(devices_, name);
    if (!device_) tc_raise(kMsgDeviceNotKnown, name.c_str());
    return device_ != nullptr;
  }

  void search_list() {
    for (const std::string& dir : r_.include_dirs)
      if (path_is_dir(dir.c_str())) pp_.user_dirs.push_back(dir);
    std::string system = family_path("include");
    if (!r_.nostdinc && !system.empty() && path_is_dir(system.c_str())) pp_.system_dirs = {system};
    pp_.here = "";  // "h.h" beside "x.c" is named "h.h", as gcc names it
    pp_.keep_comments = r_.keep_comments;
    pp_.line_markers = !r_.no_line_markers;
    pp_.copied = {"pragma"};
    pp_.dropped = {"", "line"};
    pp_.unclosed_at_if = true;
    pp_.report_open_comment = true;
    if (r_.list_headers)
      pp_.list_header = [](int depth, const std::string& path) {
        fprintf(stderr, "%s %s\n", std::string(static_cast<size_t>(depth + 1), '.').c_str(), path.c_str());
      };
  }

  void show_version_and_search_list() {
    fprintf(stderr, "tev-gcc %s for %s\n", kTevVersion, device_->name.c_str());
    for (const std::string& dir : r_.include_dirs)
      if (!path_is_dir(dir.c_str())) fprintf(stderr, "ignoring nonexistent directory \"%s\"\n", dir.c_str());
    std::string system = family_path("include");
    if (!r_.nostdinc && pp_.system_dirs.empty()) fprintf(stderr, "ignoring nonexistent directory \"%s\"\n", system.c_str());
    fprintf(stderr, "#include \"...\" search starts here:\n#include <...> search starts here:\n");
    for (const std::string& dir : pp_.user_dirs) fprintf(stderr, " %s\n", dir.c_str());
    for (const std::string& dir : pp_.system_dirs) fprintf(stderr, " %s\n", dir.c_str());
    fprintf(stderr, "End of search list.\n");
  }

  bool inputs_usable() {
    bool ok = true;
    for (tev_input& in : inputs_) ok = (in.path == kTcStdin ? stdin_usable(in) : file_usable(in)) && ok;
    return ok;
  }

  // A file whose name does not tell its type is an object when its contents
  // say so (build systems name objects "x.c.obj"), else of no use here.
  // Only a regular file is read for that: a FIFO without a writer would
  // never answer.
  bool file_usable(tev_input& in) {
    const char* path = in.path.c_str();
    if (in.lang == tev_lang::none && path_exists(path)) {
      if (path_is_file(path) && is_tev_object_file(in.path)) {
        in.lang = tev_lang::object;
        return true;
      }
      tc_raise(kMsgUnusableInput, path);
      return false;
    }
    FILE* f = fopen(path, "rb");
    const bool ok = f && !path_is_dir(path);
    if (f) fclose(f);
    if (!ok) tc_raise(kMsgCannotOpenInput, path);
    return ok;
  }

  // Standard input has no name to tell its language: -x gives it, or -E
  // makes it C. Read now, so that a terminal is refused before anything runs.
  bool stdin_usable(tev_input& in) {
    if (in.lang == tev_lang::none) {
      if (r_.stage != tev_stage::preprocess) {
        tc_raise(kMsgStdinNeedsLanguage);
        return false;
      }
      in.lang = tev_lang::c;
    }
    std::string text;
    if (!tc_read_stdin(&text)) {
      tc_raise(kMsgStdinIsTerminal);
      return false;
    }
    // A closed standard input reads as empty: a build that meant to give
    // a source would get an empty object without a word.
    if (ferror(stdin)) {
      tc_raise(kMsgCannotOpenInput, kTcStdin);
      return false;
    }
    return true;
  }

  size_t sources() const {
    size_t n = 0;
    for (const tev_input& in : inputs_) n += in.lang != tev_lang::object;
    return n;
  }

  // The same file by its real path, when both exist.
  static bool same_file(const std::string& a, const std::string& b) {
    char* ra = path_real(a.c_str());
    char* rb = path_real(b.c_str());
    bool same = ra && rb && std::string(ra) == rb;
    free(ra);
    free(rb);
    return same;
  }

  bool one_output_for_o() {
    for (const tev_input& in : inputs_)
      if (!r_.output.empty() && in.path != kTcStdin && same_file(in.path, r_.output)) {
        tc_raise(kMsgOutputOverwritesInput, r_.output.c_str());
        return false;
      }
    bool per_source = r_.stage == tev_stage::compile || r_.stage == tev_stage::assembly;
    if (r_.output.empty() || !per_source || sources() <= 1) return true;
    tc_raise(kMsgOneOutput, r_.output.c_str(), static_cast<unsigned>(sources()));
    return false;
  }

  int show_steps() {
    for (const tev_input& in : inputs_)
      fprintf(stderr, " \"tev-gcc\" \"-mmcu=%s\" \"%s\"\n", device_->name.c_str(), in.path.c_str());
    if (r_.stage == tev_stage::link)
      fprintf(stderr, " \"tev-gcc\" \"link\" \"-o\" \"%s\"\n", r_.output.empty() ? "a.out" : r_.output.c_str());
    return 0;
  }

  void predefine() {
    tc_pre_macros& m = base_macros_;
    auto def = [&](const std::string& name, const std::string& value) { tc_pre_define(m, name, value); };
    def("__TEV__", "1");
    def("__LUMO8__", "1");
    def(tev_device_macro(device_->name), "1");
    def("__TEV_DEVICE__", "\"" + device_->name + "\"");
    def("__TEV_FLASH_SIZE__", std::to_string(device_->flash));
    def("__TEV_RAM_SIZE__", std::to_string(device_->ram));
    def("__TEV_EEPROM_SIZE__", std::to_string(device_->eeprom));
    def("__STDC__", "1");
    def("__STDC_HOSTED__", "0");
    if (const char* version = standard_version(r_.standard)) def("__STDC_VERSION__", version);
    def("__CHAR_BIT__", "8");
    def("__SIZEOF_INT__", "2");
    def("__SIZEOF_LONG__", "4");
    def("__SIZEOF_POINTER__", "2");
    if (r_.optimize != '0') def("__OPTIMIZE__", "1");
    if (r_.optimize == 's') def("__OPTIMIZE_SIZE__", "1");
    if (r_.unsigned_char) def("__CHAR_UNSIGNED__", "1");
    if (r_.const_in_progmem) def("__TEV_CONST_IN_PROGMEM__", "1");
    for (const tev_macro_op& op : r_.macros) {
      if (op.define)
        tc_pre_define_option(m, op.text);
      else
        tc_pre_undefine(m, op.text);
    }
  }

  std::string output_for(const tev_input& in, const char* extension) const {
    return r_.output.empty() ? tev_stem(in.path) + extension : r_.output;
  }

  std::string comment() const {
    return std::string("tev-gcc ") + kTevVersion + " -mmcu=" + device_->name + " -O" + r_.optimize;
  }

  void input(const tev_input& in) {
    if (in.lang == tev_lang::object) {
      object_input(in);
    } else if (in.lang == tev_lang::c || in.lang == tev_lang::assembler_cpp) {
      preprocess(in);
    } else if (r_.stage == tev_stage::preprocess || r_.deps_only) {
      tc_raise(kMsgInputNotUsed, shown_name(in));
    } else {
      std::string text;
      if (read_input(in, text)) translate(in, text);
    }
  }

  bool read_input(const tev_input& in, std::string& text) {
    if (in.path == kTcStdin ? tc_read_stdin(&text) : read_file(in.path, text)) return true;
    tc_raise(kMsgCannotOpenInput, in.path.c_str());
    return false;
  }

  void preprocess(const tev_input& in) {
    tc_pre_macros macros = base_macros_;
    if (in.lang == tev_lang::assembler_cpp) tc_pre_define(macros, "__ASSEMBLER__", "1");
    tc_pre_result pp;
    if (!tc_preprocess(pp_, macros, in.path, pp)) return;
    if (r_.deps_only || r_.deps_write)
      outputs_.add(tev_deps_destination(r_, in.path), tev_deps_rule(r_, in.path, pp.headers));
    if (r_.deps_only) return;
    if (r_.stage == tev_stage::preprocess) {
      std::string out = r_.dump_macros ? tc_pre_listing(macros, tc_pre_order::name) : std::move(pp.text);
      outputs_.add(r_.output.empty() ? kTevStdout : r_.output, std::move(out));
      return;
    }
    translate(in, pp.text);
  }

  void translate(const tev_input& in, const std::string& text) {
    tev_code_options options{r_.const_in_progmem, comment()};
    tev_object object;
    const bool is_c = in.lang == tev_lang::c || in.lang == tev_lang::preprocessed;
    if (r_.stage == tev_stage::assembly && !is_c) {
      tc_raise(kMsgInputNotUsed, shown_name(in));
      return;
    }
    const char* name = shown_name(in);
    bool ok = is_c ? tev_compile_c(name, text, options, object) : tev_assemble(name, text, options, object);
    if (!ok) return;
    if (r_.stage == tev_stage::assembly)
      outputs_.add(output_for(in, ".s"), tev_object_to_asm(object, comment() + " " + marked_source(text, name)));
    else if (r_.stage == tev_stage::compile)
      outputs_.add(output_for(in, ".o"), tev_elf_object(object));
    else
      objects_.push_back({name, std::move(object)});
  }

  bool read_object(const std::string& path, tev_object& object) {
    std::string bytes;
    return read_file(path, bytes) && tev_elf_read_object(bytes, object);
  }

  void object_input(const tev_input& in) {
    if (r_.stage != tev_stage::link) {
      tc_raise(kMsgInputNotUsed, in.path.c_str());
      return;
    }
    tev_object object;
    if (!read_object(in.path, object)) {
      tc_raise(kMsgBadObjectFile, in.path.c_str());
      return;
    }
    objects_.push_back({in.path, std::move(object)});
  }

  void library(const std::string& name) {
    for (const char* builtin : kBuiltinLibraries)
      if (name == builtin) return;
    std::vector<std::string> dirs = r_.library_dirs;
    dirs.push_back(family_path("lib"));
    for (const std::string& dir : dirs) {
      std::string path = dir + "/lib" + name + ".a";
      if (!path_exists(path.c_str())) continue;
      tev_object object;
      if (!read_object(path, object)) {
        tc_raise(kMsgBadLibrary, path.c_str());
        return;
      }
      objects_.push_back({path, std::move(object)});
      return;
    }
    tc_raise(kMsgLibraryNotFound, name.c_str());
  }

  void link() {
    for (const std::string& name : r_.libraries) library(name);
    if (failed()) return;
    tev_link_result result;
    if (!tev_link(objects_, *device_, {!r_.nostartfiles}, result)) return;
    outputs_.add(r_.output.empty() ? "a.out" : r_.output, tev_elf_executable(result.linked, result.layout));
    if (!r_.map_file.empty()) outputs_.add(r_.map_file, result.map);
    if (!r_.summary_file.empty()) outputs_.add(r_.summary_file, result.summary);
  }
};

}  // namespace

int tev_run(const tev_request& request) { return Run(request).go(); }
