// The option language of lumo8: exactly the options lumo8-cc writes for ZIR
// devices, as one table of forms with the values each form allows, and the
// settings a run takes from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class l8_stage : uint8_t {
  link,      // a HEX image (the default)
  pre,       // --pre: preprocessed output only
  assembly,  // -S: an assembler file per C input
  early,     // -c and/or --pass1: p1 and object files
};

struct l8_define {
  bool undefine;
  std::string name;   // "NAME" or "NAME(params)"
  std::string value;  // the text after "=", "1" when none was given
};

struct l8_config {
  bool from_lumo8cc = false;  // --lumo8cc
  bool quiet = false;         // -q
  int verbose = 0;            // -v, -V
  bool version = false;       // --ver
  bool builtins = false;      // --info=builtins
  bool defvals = false;       // --info=defvals, -Z-dM
  bool pre = false;           // --pre
  bool pass1 = false;         // --pass1
  bool compile = false;       // -c
  bool assembly = false;      // -S
  bool asm_cpp = false;       // -P: every assembler source is preprocessed
  bool list_search = false;   // -Z-v
  bool list_headers = false;  // -Z-H
  bool asmlist = false;
  bool nodel = false;
  bool strict = false;
  bool no_startup = false;  // --runtime=+no_startup
  bool no_cinc = false;     // --runtime=-cinc: no installation headers
  bool c90 = false;         // --std=c90 (c99 is the default)
  bool char_unsigned = false;
  bool summary_xml = false;
  bool dep = false;       // --dep=+gcc
  bool dep_stop = false;  // +stop: the dependencies are the only output of every stage
  bool dep_sys = true;    // -sys leaves system headers out
  bool werror = false;  // --Werror: shown warnings fail the run
  int warn_level = 0;   // --warn=: warnings below this level are not shown
  std::string chip;  // as given, without a family prefix
  std::string output, objdir, outdir, summarydir, depfile, mapfile;
  std::string errformat, warnformat, msgformat;
  std::vector<l8_define> defines;  // -D, -U, -Z-D, -Z-U in order
  std::vector<std::string> include_dirs;  // -I, -Z-I in order
  std::vector<uint32_t> disabled;        // --msgdisable (0: all warnings)
  std::vector<std::string> inputs;
};

// Arguments that begin with "-" go through the table; the others, and "-"
// (standard input), are inputs. Every refused argument is reported (kMsgUnknownOption, kMsgBadValueInOption,
// kMsgCannotReadCommandFile for a command file that could not be read); false when any
// was. Checks across options (a chip named, inputs) are the caller's.
bool l8_parse_options(const std::vector<const char*>& args, l8_config* config);

// The message-format options among the arguments, applied before anything
// else is reported so that every message of the run has the asked-for form.
void l8_apply_formats(const std::vector<const char*>& args);
