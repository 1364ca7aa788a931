// The help texts, one row per option in one table.
//
// The front end reads --target-help: it prints the part from the line that
// begins "The following" to the line that begins "Assembler", and it takes
// the device names from the lines between "Known MCU names:" and the line
// that begins "Linker". The layout below keeps to that.
#include "toolchain/tev-gcc/tev_help.h"

#include <cstdio>
#include <cstring>

namespace {

enum class Section { common, optimizers, warnings, target, assembler, linker };

struct HelpRow {
  Section section;
  const char* form;
  const char* text;
};

using enum Section;

// clang-format off
constexpr HelpRow kHelpRows[] = {
    {common,     "-c",                        "Stop after making an object file for each source"},
    {common,     "-S",                        "Stop after writing TEV assembler source for each C file"},
    {common,     "-E",                        "Only preprocess; the result goes to -o or standard output"},
    {common,     "-o FILE",                   "Name the output file"},
    {common,     "-x LANGUAGE",               "Read the following inputs as c, cpp-output, assembler or assembler-with-cpp"},
    {common,     "-D NAME[=VALUE]",           "Define a macro (the value is 1 when none is given)"},
    {common,     "-U NAME",                   "Forget a macro"},
    {common,     "-I DIR",                    "Look for include files in DIR before the system directory"},
    {common,     "-nostdinc",                 "Leave the system include directory out of the search"},
    {common,     "-C",                        "Keep comments in preprocessed output"},
    {common,     "-P",                        "Write no line markers in preprocessed output"},
    {common,     "-H",                        "Name every included file on standard error"},
    {common,     "-dM",                       "With -E: list the macro definitions instead of the text"},
    {common,     "-M, -MM",                   "Write make rules for the sources (-MM: without system headers)"},
    {common,     "-MD, -MMD",                 "Write make rules beside the outputs while compiling"},
    {common,     "-MF FILE",                  "Write the make rules to FILE"},
    {common,     "-MT TARGET, -MQ TARGET",    "Name the rules' target (-MQ: quoted for make)"},
    {common,     "-MP",                       "Add an empty rule for each header"},
    {common,     "-Wp,OPTION[,...]",          "Hand options to the preprocessor"},
    {common,     "-std=STANDARD",             "Select the C standard (c90, c99, c11, c17, gnu99, ...)"},
    {common,     "-ansi",                     "Same as -std=c90"},
    {common,     "-funsigned-char",           "Make plain char unsigned"},
    {common,     "-fsigned-char",             "Make plain char signed (the default)"},
    {common,     "-g",                        "Record debugging information"},
    {common,     "-l NAME, -L DIR",           "Link library NAME; look for libraries in DIR"},
    {common,     "-nostdlib",                 "Link neither the start-up code nor the standard libraries"},
    {common,     "-nostartfiles",             "Link no start-up code"},
    {common,     "-nodefaultlibs",            "Link no standard libraries"},
    {common,     "-Wl,OPTION[,...]",          "Hand options to the linker (see --target-help)"},
    {common,     "-Wa,OPTION[,...]",          "Hand options to the assembler (see --target-help)"},
    {common,     "-v",                        "Show the version and the include search list"},
    {common,     "--help[=CLASS]",            "Show this summary, or one class: common, optimizers, warnings, target"},
    {common,     "--target-help",             "Show the TEV options and the known devices"},
    {common,     "--version",                 "Show the version"},
    {optimizers, "-O0",                       "Do not optimize (the default)"},
    {optimizers, "-O1, -O2, -O3",             "Optimize more with each level"},
    {optimizers, "-Os",                       "Optimize for size"},
    {optimizers, "-Og",                       "Optimize without hurting debugging"},
    {warnings,   "-w",                        "Show no warnings"},
    {warnings,   "-Wall, -Wextra",            "Turn on the usual, or more, warnings"},
    {warnings,   "-WNAME, -Wno-NAME",         "Turn one warning on or off"},
    {warnings,   "-Werror[=NAME]",            "Treat warnings (or one of them) as errors"},
    {target,     "-mmcu=DEVICE",              "Compile for DEVICE, one of the known MCU names"},
    {target,     "-mdfp=DIR",                 "Take the device support from the pack in DIR"},
    {target,     "-mconst-data-in-progmem",   "Keep constant data in program memory (the default)"},
    {target,     "-mno-const-data-in-progmem","Copy constant data to data memory at start-up"},
    {target,     "-mcodeoffset=ADDRESS",      "Move the reset and interrupt vectors by ADDRESS"},
    {target,     "-mcodecov=ram",             "Record code coverage in data memory"},
    {target,     "-mext=cci",                 "Accept the common C interface language extensions"},
    {target,     "-mreserve=ram@A:B",         "Keep data memory A to B free (rom@A:B: program memory)"},
    {target,     "--fill=VALUE[@A:B]",        "Fill unused program memory with VALUE"},
    {target,     "-msmart-io-format=\"LIST\"",  "Printf conversions the formatted-output library must support"},
    {target,     "-mivt=ADDRESS",             "Place the interrupt vector table at ADDRESS"},
    {target,     "-mno-ivt",                  "Use the default interrupt vector table"},
    {target,     "-mstackcall",               "Call through the software stack when the hardware one is full"},
    {target,     "-mconfig",                  "Program the default configuration bits"},
    {target,     "-mosccal",                  "Load the oscillator calibration at start-up"},
    {target,     "-moscval[=VALUE]",          "Load the oscillator calibration VALUE at start-up"},
    {target,     "-mdownload",                "Make the output suitable for a boot loader"},
    {target,     "-mskip-bug",                "Work around the skip instruction erratum"},
    {target,     "-morv-stack-usage",         "Report the stack usage"},
    {assembler,  "-a[cdghlmns][=FILE]",       "Write a listing"},
    {assembler,  "--fatal-warnings",          "Treat assembler warnings as errors"},
    {assembler,  "--warn, --no-warn, -W",     "Show or hide assembler warnings"},
    {assembler,  "-g",                        "Record debugging information for the source"},
    {linker,     "-Map=FILE",                 "Write a link map to FILE"},
    {linker,     "--memorysummary FILE",      "Write the memory use as XML to FILE"},
    {linker,     "--info-linker",             "Report the linker's decisions in the map file"},
    {linker,     "--data-init, --no-data-init", "Initialize data memory at start-up, or do not"},
    {linker,     "--gc-sections",             "Drop code that nothing refers to"},
};
// clang-format on

struct SectionTitle {
  Section section;
  const char* name;   // for --help=NAME
  const char* title;
};

constexpr SectionTitle kTitles[] = {
    {common, "common", "General options:"},
    {optimizers, "optimizers", "Optimization options:"},
    {warnings, "warnings", "Warning options:"},
    {target, "target", "The following options are specific to TEV targets:"},
};

constexpr int kFormWidth = 28;
constexpr size_t kDeviceLineWidth = 72;

void print_rows(Section section) {
  for (const HelpRow& row : kHelpRows) {
    if (row.section != section) continue;
    if (strlen(row.form) >= static_cast<size_t>(kFormWidth))
      printf("  %s\n  %-*s %s\n", row.form, kFormWidth, "", row.text);
    else
      printf("  %-*s %s\n", kFormWidth, row.form, row.text);
  }
}

}  // namespace

void tev_print_help(const std::string& class_name) {
  printf("Usage: tev-gcc [options] file...\n");
  for (const SectionTitle& t : kTitles) {
    if (class_name.empty() ? t.section == target : class_name != t.name) continue;
    printf("\n%s\n", t.title);
    print_rows(t.section);
  }
  if (class_name.empty()) printf("\nThe TEV options and the known devices: tev-gcc --target-help\n");
}

void tev_print_target_help(const std::vector<tev_device>& devices) {
  printf("Usage: tev-gcc [options] file...\n\n");
  printf("The following options are specific to TEV targets:\n");
  print_rows(target);
  printf("\nAssembler options for TEV targets (behind -Wa, or -Xassembler):\n");
  print_rows(assembler);
  printf("\nKnown MCU names:\n");
  size_t width = 0;
  for (const tev_device& d : devices) {
    if (width > 0 && width + d.name.size() + 1 > kDeviceLineWidth) {
      printf("\n");
      width = 0;
    }
    width += printf(" %s", d.name.c_str()) > 0 ? d.name.size() + 1 : 0;
  }
  if (width > 0) printf("\n");
  printf("\nLinker options for TEV targets (behind -Wl, or -Xlinker):\n");
  print_rows(linker);
}

void tev_print_version() {
  printf("tev-gcc %s, the TEV compiler driver of the lumo8 tool chain\n", kTevVersion);
}
