// The option table: every option lumo8-cc recognises, in the order the help
// lists them. A row says how the option takes its value and what each
// family's driver gets for it; a handler appears only where the
// translation is more than data.
//
// "-misa" and "-mcallgraph" are rows without OPT_ENABLED: they are never
// registered, so both are unknown options.
#include "driver/option_handlers.h"
#include "driver/option_state.h"
#include "driver/options.h"

namespace {

using enum Action;
using S = OptionState;

constexpr Translation no{};                       // nothing
constexpr Translation same{unchanged};            // the argument as typed
constexpr Translation refused{unsupported};       // kMsgNotSupported
constexpr Translation call{handler};              // the row's handler
constexpr Translation taken{take};                // the value is taken and dropped
constexpr Translation with_value{checked};        // as typed, once its value is there
constexpr Translation fixed(const char* a, const char* b = nullptr) { return {text, {a, b}}; }
constexpr Translation fixed_flag(bool S::*flag, const char* a = nullptr) { return {a ? text : nothing, {a, nullptr}, flag}; }
constexpr Translation same_flag(bool S::*flag) { return {unchanged, {}, flag}; }
constexpr Translation prefixed(const char* prefix) { return {value, {prefix, nullptr}}; }
constexpr Translation prefixed_flag(const char* prefix, bool S::*flag) { return {value, {prefix, nullptr}, flag}; }
// "--runtime=<sign><keyword>", with ":value" when the argument has "=value".
constexpr Translation runtime_value(const char* with, const char* without) { return {value_or_text, {with, without}}; }

constexpr uint32_t C = OPT_COMMON, O = OPT_OPTIMIZERS, T = OPT_TARGET, W = OPT_WARNINGS, H = OPT_HIDDEN,
                   P = OPT_PREFIX, J = OPT_JOINED, SEP = OPT_SEPARATE, E = OPT_ENABLED, F = OPT_CASEFOLD,
                   L = OPT_SUBOPTIONS, SUB = OPT_SUBOPTION, A = OPT_ALTSET, REQ = OPT_LIST_REQUIRED;
constexpr Takes n = Takes::nothing, eq = Takes::equals, glued = Takes::glued, next = Takes::next,
                either = Takes::either, eq_next = Takes::equals_or_next, file_next = Takes::file_or_next,
                list = Takes::list, self = Takes::self;

}  // namespace

// clang-format off
const option_row option_table[] = {
//   flags            name                 group   help                                                    takes  ZIR                       TEV              no family  always / handler
    {H|J|E|A,         "--lumodebug",       nullptr, "turns on lumo debug features",                      n,     call,                     no,              no,        nullptr, opt_lumodebug},
    {H|J|E,           "--selfinit",        nullptr, "generate hashes for compiler installation",         eq,    call,                     call,            call,      nullptr, opt_installation},
    {H|J|E,           "--selftest",        nullptr, "perform basic installation/integrity tests",        eq,    call,                     call,            call,      nullptr, opt_installation},
    {H|J|E,           "--nodel",           nullptr, "do not remove temporary files",                     n,     call,                     no,              no,        nullptr, opt_nodel},
    {H|J|E,           "--pragmaconfig",    nullptr, "select pragma config implementation",               n,     same,                     no,              no},
    {C|E,             "-c",                nullptr, "Compile/assemble to intermediate/object file",      n,     fixed_flag(&S::compile_only), same,        same},
    {C|E,             "-C",                nullptr, "Tell the preprocessor not to discard comments",     n,     refused,                  same,            no},
    {C|E,             "-S",                nullptr, "Compile to assembly file",                          n,     same,                     same,            same,      &S::assembly_only},
    {C|E|F|A,         "-v",                nullptr, "Verbose",                                           n,     call,                     call,            call,      nullptr, opt_verbose},
    {C|E|A,           "-E",                nullptr, "Preprocess only",                                   n,     fixed("--pre"),           same,            no,        &S::preprocess_only},
    {C|P|SEP|E|A,     "-o",                nullptr, "Specify output file",                               either, call,                    prefixed("-o"),  no,        nullptr, opt_output},
    {C|P|SEP|E|A,     "-D",                nullptr, "Define preprocessor symbol",                        either, prefixed("-D"),          prefixed("-D"),  prefixed("-D")},
    {C|P|SEP|E|A,     "-U",                nullptr, "Undefine preprocessor symbol",                      either, prefixed("-U"),          prefixed("-U"),  prefixed("-U")},
    {C|P|SEP|E|A,     "-I",                nullptr, "Specify include path",                              either, prefixed("-I"),          prefixed("-I"),  prefixed("-I")},
    {C|P|SEP|E|A,     "-l",                nullptr, "Specify library",                                   either, call,                    prefixed("-l"),  taken,     nullptr, opt_library},
    {C|P|E|A,         "-L",                nullptr, "Specify library search path",                       either, call,                    prefixed("-L"),  taken,     nullptr, opt_library_dir},
    {C|E|A,           "-H",                nullptr, "List included header files",                        n,     fixed("-Z-H"),            same,            no},
    {C|E|A,           "-dM",               nullptr, "List all defined macros",                           n,     fixed("--info=defvals"),  same,            no},
    // A list row: a sub-option without a row of its own gets the row's
    // translation with the sub-option as the value.
    {C|E|L|A|REQ,     "-Wl",               "LKR:,", "Pass comma-separated options directly to the linker", list, prefixed("-L"),         prefixed("-Wl,"), no},
    {P|E|SUB|A,       "--memorysummary",   "LKR",  "Create an XML file containing a summary of program and data memory spaces", file_next, call, call, taken, nullptr, opt_memorysummary},
    {P|E|SUB|A,       "--fixupoverflow",   "LKR",  "Control how the linker handles a fixup overflow",    self,  prefixed_flag("-L", &S::fixupoverflow_given), refused, no},
    {E|SUB,           "--data-init",       "LKR",  "Initialize data psects",                             self,  fixed("--runtime=+clear", "--runtime=+init"), prefixed("-Wl,"), no},
    {E|SUB,           "--no-data-init",    "LKR",  "Don't initialize data psects",                       self,  fixed("--runtime=-clear", "--runtime=-init"), prefixed("-Wl,"), no},
    {J|E|SUB|A,       "-Map",              "LKR",  "Generate linker map file",                           eq_next, prefixed("-M"),         prefixed("-Wl,-Map="), no},
    {C|SEP|E|A,       "-Xlinker",          nullptr, "Pass option directly to the linker",                next,  call,                     same,            no,        nullptr, opt_xlinker},
    {C|E|L|A|REQ,     "-Wa",               "ASM:,", "Pass comma-separated options on to the assembler",  list,  prefixed("-A"),           no,              no},
    {P|E|SUB|A,       "-a",                "ASM",  "Generate assembler listing",                         n,     fixed("--asmlist"),       no,              no},
    {C|SEP|E,         "-Xparser",          nullptr, "Pass option directly to the parser",                next,  prefixed("-R"),           refused,         no},
    {C|H|SEP|E|A,     "-Xlumo8",           nullptr, "Pass option directly to the lumo8 super-driver",    next,  call,                     refused,         no,        nullptr, opt_lumo8},
    {C|SEP|E,         "-Xp1",              nullptr, "Pass option directly to the parser",                next,  prefixed("-R"),           refused,         no},
    {C|SEP|E,         "-Xclang",           nullptr, "Pass option directly to the parser",                next,  prefixed("-R"),           refused,         no},
    {C|SEP|E|A,       "-Xassembler",       nullptr, "Pass option directly to the assembler",             next,  call,                     same,            no,        nullptr, opt_xassembler},
    {C|E|A,           "-x",                nullptr, "Specify the language of the input files",           next,  call,                     call,            call,      nullptr, opt_language},
    {C|E|A,           "-xassembler-with-cpp", nullptr, "Request that assembly source files be preprocessed", n,  fixed("-P"),              same,            no},
    {C|E|L|A,         "-Wp",               "PRE:,", "Pass comma-separated options directly to the preprocessor", list, prefixed("-Z"),       no,              no},
    {C|SEP|E|A,       "-Xpreprocessor",    nullptr, "Pass option directly to the preprocessor",          next,  prefixed("-Z"),           same,            no},
    {C|E|A,           "-###",              nullptr, "Show command lines but do not execute",             n,     refused,                  same,            no},
    {C|J|E|A,         "--help",            nullptr, "Help",                                              eq,    call,                     same,            call,      nullptr, opt_help},
    {C|E,             "--target-help",     nullptr, "Target help",                                       n,     call,                     call,            call,      nullptr, opt_target_help},
    {C|E,             "-mprint-devices",   nullptr, "List supported devices",                            n,     call,                     call,            call,      nullptr, opt_print_devices},
    {C|H|E|A,         "-mprint-zir-devices", nullptr, "List supported ZIR devices",                      n,     call,                     call,            call,      nullptr, opt_print_devices},
    {C|E,             "-mprint-builtins",  nullptr, "List built in functions",                           n,     fixed("--info=builtins"), fixed_flag(&S::print_builtins), no},
    {C|E,             "--version",         nullptr, "Show version information",                          n,     fixed("--ver"),           same,            fixed("--ver")},
    {C|J|E|A,         "-mcpu",             nullptr, "Select device",                                     eq,    call,                     call,            no,        nullptr, opt_mcpu},
    {C|T|J|E,         "-maddrqual",        nullptr, "Specify address space qualifier handling",          eq,    prefixed("--addrqual="),  refused,         no},
    {C|E,             "-M",                nullptr, "Generate make dependencies",                        n,     {text, {"--dep=+gcc,+stop"}, &S::depend_only}, same, no},
    {C|E,             "-MD",               nullptr, "Generate make dependencies",                        n,     {text, {"--dep=+gcc,+sys,-stop"}, &S::depend_side}, same, no},
    {C|SEP|E,         "-MF",               nullptr, "Generate make dependencies",                        next,  call,                     same,            no,        nullptr, opt_depend_file},
    {C|E,             "-MM",               nullptr, "Generate make dependencies",                        n,     {text, {"--dep=+gcc,+stop,-sys"}, &S::depend_only}, same, no},
    {C|E,             "-MMD",              nullptr, "Generate make dependencies",                        n,     {text, {"--dep=+gcc,-sys,-stop"}, &S::depend_side}, same, no},
    {C|SEP|E,         "-MT",               nullptr, "Specify the target of the dependency rule",         next,  call,                     same,            taken,     nullptr, opt_depend_target},
    {C|SEP|E,         "-MQ",               nullptr, "Specify the target of the dependency rule, quoted for make", next, call,             same,            taken,     nullptr, opt_depend_target},
    {C|E,             "-MP",               nullptr, "Add a phony target for each header of the dependency rule", n, fixed_flag(&S::depend_phony), same,   no},
    {C|T|J|E,         "-memi",             nullptr, "Specify external memory interface mode",            eq,    prefixed("--emi="),       refused,         no},
    // TEV has one errata switch; whatever was asked for, it is that one.
    {C|T|J|E,         "-merrata",          nullptr, "Apply errata work-arounds",                         eq,    prefixed("--errata="),    fixed("-mskip-bug"), no},
    {C|J|E|A,         "-fmax-errors",      nullptr, "Specify the maximum number of errors to report",    eq,    prefixed("--errors="),    same,            no},
    {C|E,             "-mcci",             nullptr, "Use CCI Language extension",                        eq,    call,                     call,            call,      nullptr, opt_extension},
    {C|T|J|E,         "-mext",             nullptr, "Use specified language extensions",                 eq,    call,                     call,            call,      nullptr, opt_extension},
    {C|T|J|E|A,       "-mwarn",            nullptr, "Set warning level",                                 eq,    prefixed_flag("--warn=", &S::mwarn_given), refused, no},
    {C|T|E|A,         "-mmaxichip",        nullptr, "Build for hyperthetical maximized-resource device", n,     fixed("--maxizir"),       refused,         no},
    {C|T|E|A,         "-mmaxizir",         nullptr, "Build for hyperthetical maximized-resource device", n,     fixed("--maxizir"),       refused,         no},
    {C|T|E,           "-mc90lib",          nullptr, "Link in standard C90 libraries",                    n,     fixed("--runtime=+c90lib"), refused,       no},
    {C|E,             "-nostdlib",         nullptr, "Do not link the standard system startup or C library", n,  fixed("--runtime=-clib", "--runtime=+no_startup"), same, no},
    // The three linker-related ones are also sub-options of "-Wl", so for
    // TEV "-Wl,-nostdlib" reaches the driver as "-nostdlib".
    {E|SUB,           "-nostdlib",         "LKR",  "Do not link the standard system startup or C library", n,   fixed("--runtime=-clib", "--runtime=+no_startup"), same, no},
    {C|E,             "-nostdinc",         nullptr, "Do not search the standard C library include directories for headers", n, fixed("--runtime=-cinc"), same, no},
    {C|E,             "-nodefaultlibs",    nullptr, "Do not link the standard C library",                n,     fixed("--runtime=-clib"), same,            no},
    {E|SUB,           "-nodefaultlibs",    "LKR",  "Do not link the standard C library",                 n,     fixed("--runtime=-clib"), same,            no},
    {C|E,             "-nostartfiles",     nullptr, "Do not link the standard system startup module",    n,     fixed("--runtime=+no_startup"), same,      no},
    {E|SUB,           "-nostartfiles",     "LKR",  "Do not link the standard system startup module",     n,     fixed("--runtime=+no_startup"), same,      no},
    {C|W|E|A,         "-w",                nullptr, "Suppress all warnings",                             n,     {text, {"--msgdisable=0"}, &S::nowarn_given}, same, no},
    {C|J|E|A,         "-save-temps",       nullptr, "Do not delete intermediate files",                  n,     fixed("--nodel"),         same,            no},
    // The legacy driver always gets "--opt=none" first, so "-O0" adds nothing.
    {C|O|E,           "-Og",               nullptr, "Favor accurate debug over optimization",            n,     fixed("--opt=+debug"),    same,            no},
    {C|O|E,           "-Os",               nullptr, "Optimize for space rather than speed",              n,     fixed("--opt=+s"),        same,            no},
    {C|O|E,           "-O0",               nullptr, "Optimize level 0 (default)",                        n,     no,                       same,            no},
    {C|O|E,           "-O1",               nullptr, "Optimize level 1",                                  n,     fixed("--opt=+1"),        same,            no},
    {C|O|E,           "-O2",               nullptr, "Optimize level 2",                                  n,     fixed("--opt=+2"),        same,            no},
    {C|O|E,           "-O3",               nullptr, "Optimize level 3",                                  n,     fixed("--opt=+3"),        same,            no},
    {O|T|E,           "-flocal",           nullptr, "Localized optimizations",                           n,     fixed("--opt=+local"),    same,            no},
    {O|T|J|E,         "-fcacheconst",      nullptr, "Cached constants optimizations",                    eq,    prefixed("--cacheconst="), refused,        no},
    {O|T|E,           "-fasmfile",         nullptr, "Optimize assembler source files",                   n,     fixed("--opt=+asmfile"),  same,            no},
    {C|T|J|E,         "-mundefints",       nullptr, "Program unassigned interrupt vectors",              eq,    prefixed("--undefints="), refused,         no},
    {C|E,             "-ansi",             nullptr, "Use the C90 language standard",                     n,     {text, {"--std=c90"}, &S::c90_selected}, same, no, &S::std_given},
    {C|J|E,           "-std",              nullptr, "Specify language standard",                         eq,    call,                     same,            no,        &S::std_given, opt_std},
    // The legacy driver is made strict by the closing options, which know
    // whether C90 was selected.
    {C|W|E,           "-Wpedantic",        nullptr, "Flag use of non-standard keywords",                 n,     fixed_flag(&S::pedantic_given), same,      no},
    {C|T|J|E,         "-mstack",           nullptr, "Specify default stack model and size",              eq,    prefixed("--stack="),     refused,         no},
    {C|T|J|E,         "-mheap",            nullptr, "Specify maximum heap size",                         eq,    prefixed("--heap="),      refused,         no},
    {C|T|J|E|A,       "-msummary",         nullptr, "Specify compilation summary information",           eq,    prefixed("--summary="),   refused,         no},
    {C|T|E,           "-mshroud",          nullptr, "Shroud (obfuscate) generated intermediate files",   n,     fixed("--shroud"),        refused,         no},
    {C|T|E,           "-finstrument-functions", nullptr, "Instrument functions for profiling",           n,     fixed("--runtime=+flp"),  same,            no},
    {C|T|E,           "-fno-instrument-functions", nullptr, "Instrument functions for profiling",        n,     fixed("--runtime=-flp"),  same,            no},
    // The run-time options: one "--runtime=" option of the legacy driver
    // each, in command-line order, "-" for the "-mno" forms.
    {C|T|E,           "-mplib",            nullptr, "Link in Peripheral Libraries (18xxxx devices only)", n,    fixed("--runtime=+plib"), refused,         no},
    {C|T|E,           "-mno-plib",         nullptr, "Don't link in Peripheral Libraries (18xxxx devices only)", n, fixed("--runtime=-plib"), refused,      no},
    {C|T|J|E,         "-mivt",             nullptr, "Select the initial IVT",                            eq,    runtime_value("--runtime=+ivt:", "--runtime=+ivt"), same, no},
    {C|T|J|E,         "-mno-ivt",          nullptr, "Select the initial IVT",                            eq,    runtime_value("--runtime=-ivt:", "--runtime=-ivt"), same, no},
    {C|T|J|E,         "-muse-ivt",         nullptr, "Select the initial IVT",                            eq,    runtime_value("--runtime=+ivt:", "--runtime=+ivt"), same, no},
    {C|T|J|E,         "-mno-use-ivt",      nullptr, "Select the initial IVT",                            eq,    runtime_value("--runtime=-ivt:", "--runtime=-ivt"), same, no},
    {C|T|E|A,         "-mdownload-hex",    nullptr, "Make the HEX file compatible with bootloaders",     n,     fixed("--runtime=+download"), same,        no},
    {C|T|E|A,         "-mno-download-hex", nullptr, "Don't make the HEX file compatible with bootloaders", n,   fixed("--runtime=-download"), same,        no},
    {C|T|E|A,         "-mdownload",        nullptr, "Make the HEX file compatible with bootloaders",     n,     fixed("--runtime=+download"), same,        no},
    {C|T|E|A,         "-mno-download",     nullptr, "Don't make the HEX file compatible with bootloaders", n,   fixed("--runtime=-download"), same,        no},
    {C|T|E,           "-mstackcall",       nullptr, "Use non-stack calls where call depth exceeds hardware limitation", n, fixed("--runtime=+stackcall"), same, no},
    {C|T|E,           "-mno-stackcall",    nullptr, "Don't use non-stack calls where call depth exceeds hardware limitation", n, fixed("--runtime=-stackcall"), same, no},
    {C|T|E,           "-mresetbits",       nullptr, "Preserve Power-down & Time-out status bits at start up", n, fixed("--runtime=+resetbits"), refused,   no},
    {C|T|E,           "-mno-resetbits",    nullptr, "Don't preserve Power-down & Time-out status bits at start up", n, fixed("--runtime=-resetbits"), refused, no},
    {C|T|E,           "-msave-resetbits",  nullptr, "Preserve Power-down & Time-out status bits at start up", n, fixed("--runtime=+resetbits"), refused,   no},
    {C|T|E,           "-mno-save-resetbits", nullptr, "Don't preserve Power-down & Time-out status bits at start up", n, fixed("--runtime=-resetbits"), refused, no},
    {C|T|E,           "-mconfig",          nullptr, "Program the device with default configuration bits", n,    fixed("--runtime=+config"), same,          no},
    {C|T|E,           "-mno-config",       nullptr, "Don't program the device with default configuration bits", n, fixed("--runtime=-config"), same,     no},
    {C|T|E,           "-mdefault-config-bits", nullptr, "Program the device with default configuration bits", n, fixed("--runtime=+config"), same,         no},
    {C|T|E,           "-mno-default-config-bits", nullptr, "Don't program the device with default configuration bits", n, fixed("--runtime=-config"), same, no},
    {C|T|E,           "-mosccal",          nullptr, "Initialize the oscillator with the calibration constant", n, fixed("--runtime=+osccal"), same,        no},
    {C|T|E,           "-mno-osccal",       nullptr, "Don't initialize the oscillator with the calibration constant", n, fixed("--runtime=-osccal"), same,  no},
    {C|T|E,           "-moscval",          nullptr, "Initialize the oscillator with the calibration constant", eq, runtime_value("--runtime=+oscval:", "--runtime=+oscval"), same, no},
    {C|T|E,           "-mno-oscval",       nullptr, "Don't initialize the oscillator with the calibration constant", eq, runtime_value("--runtime=-oscval:", "--runtime=-oscval"), same, no},
    {C|T|E,           "-mno-keep-startup", nullptr, "Don't keep generated assembly runtime startup and program code", n, fixed("--runtime=-keep"), refused, no},
    {C|T|E,           "-mkeep-startup",    nullptr, "Keep generated assembly runtime startup and program code", n, fixed("--runtime=+keep"), refused,     no},
    {C|E|A,           "-gdwarf-3",         nullptr, "Produce ELF/Dwarf output",                          n,     fixed("--output=+elf:multilocs"), same,    no},
    {C|E,             "-gcoff",            nullptr, "Produce COFF output",                               n,     fixed("--output=+mcoff"), same,            no},
    {C|E|A,           "-ginhx32",          nullptr, "Produce Intel Hex output",                          n,     fixed("--output=+inhx32"), refused,        no},
    {C|E|A,           "-ginhx032",         nullptr, "Produce Intel Hex extended address zero output",    n,     fixed("--output=+inhx032"), refused,       no},
    {C|T|E,           "-funsigned-char",   nullptr, "Specify the type for a plain char",                 n,     fixed("--char=unsigned"), same,            no},
    {C|T|E,           "-fno-unsigned-char", nullptr, "Specify the type for a plain char",                n,     fixed("--char=signed"),   same,            no},
    {C|T|E,           "-fno-signed-char",  nullptr, "Specify the type for a plain char",                 n,     fixed("--char=unsigned"), same,            no},
    {C|T|E,           "-fsigned-char",     nullptr, "Specify the type for a plain char",                 n,     fixed("--char=signed"),   same,            no},
    {C|T|J|E|A,       "-mchecksum",        nullptr, "Calculate and store a checksum in program memory",  eq,    prefixed("--checksum="),  refused,         no},
    {C|T|J|E,         "-mcodeoffset",      nullptr, "Specify the offset applied to reset and interrupt vectors", eq, prefixed("--codeoffset="), same,     no},
    {C|T|J|E,         "-fcp",              nullptr, "Specify pointer size",                              eq,    prefixed("--cp="),        refused,         no},
    {C|T|J|E,         "-mdebugger",        nullptr, "Set debugger environment",                          eq,    prefixed("--debugger="),  refused,         no},
    {C|T|E,           "-fshort-double",    nullptr, "Set the size of double types to 24 bits",           n,     fixed("--double=24"),     refused,         no},
    {C|T|E,           "-fno-short-double", nullptr, "Set the size of double types to 32 bits",           n,     fixed("--double=32"),     refused,         no},
    {C|T|E,           "-fshort-float",     nullptr, "Set the size of float types to 24 bits",            n,     fixed("--float=24"),      refused,         no},
    {C|T|E,           "-fno-short-float",  nullptr, "Set the size of float types to 32 bits",            n,     fixed("--float=32"),      refused,         no},
    {C|T|J|E|A,       "--fill",            nullptr, "Specify a fill value for unused program memory",    n,     same,                     same,            same},
    {C|T|J|E|A,       "-mserial",          nullptr, "Insert a hexadecimal code or serial number",        eq,    prefixed("--serial="),    refused,         no},
    {C|T|J|E|A,       "-mreserve",         nullptr, "Reserve memory range",                              eq,    call,                     same,            no,        nullptr, opt_reserve},
    {C|T|J|E|A,       "-mrom",             nullptr, "Adjust program memory ranges",                      eq,    prefixed("--rom="),       refused,         no},
    {C|T|J|E|A,       "-mram",             nullptr, "Adjust data memory ranges",                         eq,    prefixed("--ram="),       refused,         no},
    {C|T|J|E|A,       "-mdfp",             nullptr, "Select device family pack",                         eq,    prefixed("--dfp="),       same_flag(&S::dfp_given), no},
    {H|J|E|A,         "-mdevice",          nullptr, "Select device",                                     n,     no,                       same_flag(&S::mdevice_given), no},
    {C|P|E,           "--memorysummary",   nullptr, "Create an XML file containing a summary of program and data memory spaces", file_next, call, call, taken, nullptr, opt_memorysummary},
    // The legacy driver always keeps constant data in program memory, so
    // only the request to copy it to RAM is refused. For TEV the closing
    // options add "-mconst-data-in-progmem" unless either form was given.
    {C|T|E,           "-mconst-data-in-progmem", nullptr, "Keep constant data in progra memory, do not copy to RAM", n, no, same_flag(&S::const_data_given), no},
    {C|T|E,           "-mno-const-data-in-progmem", nullptr, "Copy constant data to RAM",                n,     refused,                  same_flag(&S::const_data_given), no},
    {C|T|J|E,         "-mcodecov",         nullptr, "Set code coverage instrumentation",                 eq,    prefixed("--codecov="),   same,            no},
    {C|T|J|A,         "-misa",             nullptr, "Set instruction set architecture",                  n,     no,                       no,              no},
    {C|H|J|E,         "--sivt",            nullptr, "Enable/disable SIVT feature",                       n,     same,                     no,              no},
    {C|T|J|A,         "-mcallgraph",       nullptr, "Style of call graph listing in map file",           n,     no,                       no,              no},
    {C|T|J|E,         "-mclink",           nullptr, "Generate and use linker options needed for C programs", n, fixed("--runtime=+clink"), refused,        no},
    {C|T|J|E,         "-mno-clink",        nullptr, "Don't generate and use linker options needed for C programs", n, fixed("--runtime=-clink"), refused, no},
    {C|T|J|E,         "-mcmacros",         nullptr, "Predefine macros for C programs",                   n,     fixed("--runtime=+cmacros"), refused,      no},
    {C|T|J|E,         "-mno-cmacros",      nullptr, "Don't predefine macros for C programs",             n,     fixed("--runtime=-cmacros"), refused,      no},
    {H|J|E|A,         "--hexwright",       nullptr, "Select HEXWRIGHT implementation",                   n,     same,                     no,              no},
    {H|J|E|A,         "--imgconv",         nullptr, "Select IMGCONV implementation",                     n,     same,                     no,              no},
    // The legacy driver's stack guidance is part of its summary.
    {C|T|E,           "-morv-stack-usage", nullptr, "Enable stack usage guidance",                       n,     fixed("--summary=+stack,+stackfull"), same, no},
    {H|J|E,           "-metadata",         nullptr, "Specify metadata file name",                        eq,    prefixed("--metadata="),  refused,         no},
    {C|T|J|E,         "-msmart-io-format", nullptr, "Default Smart IO specifiers",                       eq,    prefixed("--smartioformat="), with_value,  taken},
    {C|W|J|E|A,       "-Werror",           nullptr, "Convert warnings to errors",                        n,     call,                     same,            call,      nullptr, opt_werror},
    {C|W|J|E|A,       "-Wno-error",        nullptr, "Prevent conversion of warnings to errors",          n,     call,                     same,            call,      nullptr, opt_werror},
    {C|W|P|E|A,       "-Wno-",             nullptr, "Disable warnings or messages",                      glued, call,                     same,            call,      nullptr, opt_warning},
    {C|W|P|E|A,       "-W",                nullptr, "Enable warnings or messages",                       glued, call,                     same,            call,      nullptr, opt_warning},
    {0, nullptr, nullptr, nullptr, n, no, no, no},
};
// clang-format on

static_assert(sizeof option_table / sizeof option_table[0] == kOptionTableRows + 1);
