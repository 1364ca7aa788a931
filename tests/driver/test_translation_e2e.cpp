// The translation of every option row, end to end: the built program runs in
// a throw-away installation whose drivers record what they receive, and the
// command file must hold exactly the expected lines, for a ZIR and for a TEV
// device. A case that stops the run names its status; the driver must then
// not have run.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunResult;
using testutil::TestInstall;
using Texts = std::vector<std::string>;

struct Case {
  Texts args;  // after the device option
  Texts out;   // the translation, between the leading and the closing options
  std::string messages = "";        // the message numbers on standard error, in order
  int status = 0;                   // non-zero: the run stops and no driver runs
  std::optional<Texts> closing = {};  // replaces the family's default closing options
  Texts after = {};                 // ZIR: after the message formats
};

// The closing options that do not depend on the command line.
const Texts kZirClosing = {"-L--fixupoverflow=error", "--std=c99", "--callgraph=none", "--warn=-3"};
const Texts kZirFormats = {
    "\"--errformat=%f:%l:%c:\\ error:\\ (%n)\\ %s\"",
    "\"--warnformat=%f:%l:%c:\\ warning:\\ (%n)\\ %s\"",
    "\"--msgformat=%f:%l:%c:\\ advisory:\\ (%n)\\ %s\"",
};
// What a dependency option adds for ZIR: the legacy driver writes its rules
// into the temporary root, and this program makes the GNU files from them.
const Texts kRules = {"--dep=+gcc", "--depfile=" + testutil::cmdfile_path(testutil::native("<tmp>/lumo8-cc_tmp_0.d"))};
const Texts kTevMacros = {"-D__LUMO", "-D__LUMO8", "-D__LUMO__", "-D__LUMO8__", "-D__LUMO8_VERSION=2500"};
const Texts kTevClosing = {"-Wl,--info-linker", "-mdevice=kx32m2", "-mconst-data-in-progmem"};

Texts cat(std::initializer_list<Texts> parts) {
  Texts all;
  for (const Texts& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::string lines(const Texts& texts) {
  std::string s;
  for (const std::string& t : texts) s += t + "\n";
  return s;
}

// "(1234)" numbers of the messages on standard error, space-separated.
std::string message_numbers(const std::string& err) {
  std::string numbers;
  static const std::regex number(R"(\((\d{3,5})\) )");
  for (auto it = std::sregex_iterator(err.begin(), err.end(), number); it != std::sregex_iterator(); ++it)
    numbers += (numbers.empty() ? "" : " ") + (*it)[1].str();
  return numbers;
}

std::string describe(const Texts& args) {
  std::string s;
  for (const std::string& a : args) s += (s.empty() ? "" : " ") + a;
  return s;
}

class TranslationE2E : public ::testing::Test {
 protected:
  // Runs each case in the same installation; the record of the previous
  // run is removed first so that "the driver did not run" can be seen.
  void check(const std::string& device, const Texts& head, const std::vector<Case>& cases,
             const std::function<Texts(const Case&)>& tail) {
    for (const Case& c : cases) {
      SCOPED_TRACE(device + " " + describe(c.args));
      fs::remove(inst_.record_dir() + "/argv");
      fs::remove(inst_.record_dir() + "/cmdfile");
      Texts args = cat({{device}, c.args});
      RunResult r = inst_.run(args);
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_EQ(message_numbers(r.err), c.messages) << r.err;
      if (c.status != 0) {
        EXPECT_TRUE(inst_.driver_argv().empty()) << "the driver ran";
        continue;
      }
      // The temporary root's name is new in every run (the base is taken
      // literally: a Windows path holds backslashes).
      static const std::regex special(R"([\^$.|?*+()\[\]{}\\])");
      const std::string base = std::regex_replace(testutil::cmdfile_path(inst_.temp_dir()), special, "\\$&");
      const std::regex root(base + R"([\\/]+lumo[A-Z][^\\/\s]+)");
      EXPECT_EQ(std::regex_replace(inst_.command_file(), root, "<tmp>"),
                testutil::text_bytes(lines(cat({head, c.out, tail(c)}))));
    }
    EXPECT_EQ(testutil::list_dir(inst_.temp_dir()), Texts{});
  }

  void check_zir(const std::vector<Case>& cases) {
    check("-mcpu=zir16c401", {"--lumo8cc", "-q", "--opt=none", "--chip=16c401"}, cases,
          [](const Case& c) { return cat({c.closing.value_or(kZirClosing), kZirFormats, c.after}); });
  }
  void check_tev(const std::vector<Case>& cases) {
    check("-mcpu=kx32m2", {"-mmcu=kx32m2"}, cases,
          [](const Case& c) { return cat({c.closing.value_or(kTevClosing), kTevMacros}); });
  }
  // A TEV case whose translation is the arguments themselves.
  static Case same(Texts args, std::string messages = "") { return {args, args, messages}; }
  // A case whose option is not supported for the family.
  static Case unsupported(Texts args) { return {args, {}, "1428"}; }

  TestInstall inst_;
};

TEST_F(TranslationE2E, StagesOutputAndPreprocessor) {
  check_zir({
      {{"-c", "x.c"}, {"x.c"}, "", 0,
       Texts{"-L--fixupoverflow=error", "--pass1", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {{"-c", "start.as"}, {"start.as"}, "", 0,
       Texts{"-L--fixupoverflow=error", "-c", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {{"-c", "x.S"}, {"x.S"}, "", 0,
       Texts{"-L--fixupoverflow=error", "-c", "-P", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {{"x.S"}, {"x.S"}, "", 0, Texts{"-L--fixupoverflow=error", "-P", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {{"-S"}, {"-S"}},
      {{"-E"}, {"--pre"}},
      {{"-C"}, {}, "1428"},
      {{"-o", "out.hex"}, {"-oout.hex"}},
      {{"-oout.hex"}, {"-oout.hex"}},
      {{"-o", "build/out.hex"}, {"-oout.hex", "--objdir=build", "--outdir=build"}},
      {{"-D", "X=1", "-DY", "-U", "Z", "-I", "inc", "-Iinc2"}, {"-DX=1", "-DY", "-UZ", "-Iinc", "-Iinc2"}},
      {{"-H"}, {"-Z-H"}},
      {{"-dM"}, {"--info=defvals"}},
      {{"-M"}, {"--dep=+gcc,+stop"}, "", 0, std::nullopt, kRules},
      {{"-MD"}, {"--dep=+gcc,+sys,-stop"}, "", 0, std::nullopt, kRules},
      {{"-MM"}, {"--dep=+gcc,+stop,-sys"}, "", 0, std::nullopt, kRules},
      {{"-MMD"}, {"--dep=+gcc,-sys,-stop"}, "", 0, std::nullopt, kRules},
      // The targets and phony rules are this program's to write.
      {{"-MMD", "-MT", "a b", "-MQ", "c", "-MP"}, {"--dep=+gcc,-sys,-stop"}, "", 0, std::nullopt, kRules},
      {{"-MF", "x.d"}, {"--dep=+gcc", "--depfile=x.d"}},
      {{"-x", "assembler-with-cpp"}, {"-P"}},
      {{"-x", "assembler", "-x", "c"}, {}},
      {{"-x", "pascal"}, {}, "1428"},
      {{"-xassembler-with-cpp"}, {"-P"}},
      {{"-save-temps"}, {"--nodel"}},
      {{"-###"}, {}, "1428"},
      {{"-v", "-V"}, {"-v", "-V"}},
  });
  check_tev({
      {{"-c", "x.c"}, {"-c", "x.c"}},
      same({"-S"}),
      same({"-E"}),
      same({"-C"}),
      {{"-o", "out.elf"}, {"-oout.elf"}},
      same({"-obuild/out.elf"}),
      {{"-D", "X=1", "-DY", "-U", "Z", "-I", "inc"}, {"-DX=1", "-DY", "-UZ", "-Iinc"}},
      same({"-H", "-dM", "-M", "-MD", "-MM", "-MMD"}),
      same({"-MF", "x.d"}),
      same({"-MT", "a", "-MQ", "c", "-MP"}),
      same({"-x", "assembler-with-cpp", "-x", "pascal"}),
      same({"-xassembler-with-cpp", "-save-temps", "-###"}),
      same({"-v", "-V"}),
  });
}

TEST_F(TranslationE2E, LanguageAndOptimisation) {
  const Texts std_given = {"-L--fixupoverflow=error", "--callgraph=none", "--warn=-3"};
  check_zir({
      {{"-ansi"}, {"--std=c90"}, "", 0, std_given},
      {{"-std=c89"}, {"--std=c90"}, "", 0, std_given},
      {{"-std=ISO9899:199409"}, {"--std=c90"}, "", 0, std_given},
      {{"-std=C9X"}, {"--std=c99"}, "", 0, std_given},
      {{"-std=iso9899:1999"}, {"--std=c99"}, "", 0, std_given},
      {{"-std=gnu99"}, {"--std=c99"}, "2054", 0, std_given},
      {{"-std"}, {}, "1195", 1},
      {{"-std="}, {}, "1195", 1},
      {{"-funsigned-char", "-fno-signed-char"}, {"--char=unsigned", "--char=unsigned"}},
      {{"-fsigned-char", "-fno-unsigned-char"}, {"--char=signed", "--char=signed"}},
      {{"-fshort-double", "-fno-short-double"}, {"--double=24", "--double=32"}},
      {{"-fshort-float", "-fno-short-float"}, {"--float=24", "--float=32"}},
      {{"-fcp=ram"}, {"--cp=ram"}},
      {{"-fcp"}, {}, "1195", 1},
      {{"-O0", "-O1", "-O2", "-O3", "-Os", "-Og"}, {"--opt=+1", "--opt=+2", "--opt=+3", "--opt=+s", "--opt=+debug"}},
      {{"-flocal", "-fasmfile"}, {"--opt=+local", "--opt=+asmfile"}},
      {{"-fcacheconst=on"}, {"--cacheconst=on"}},
      {{"-finstrument-functions", "-fno-instrument-functions"}, {"--runtime=+flp", "--runtime=-flp"}},
      {{"-fmax-errors=5"}, {"--errors=5"}},
      {{"-fmax-errors"}, {}, "1195", 1},
      {{"-gdwarf-3", "-gcoff", "-ginhx32", "-ginhx032"},
       {"--output=+elf:multilocs", "--output=+mcoff", "--output=+inhx32", "--output=+inhx032"}},
      {{"-nostdlib"}, {"--runtime=-clib", "--runtime=+no_startup"}},
      {{"-nodefaultlibs", "-nostartfiles", "-nostdinc"}, {"--runtime=-clib", "--runtime=+no_startup", "--runtime=-cinc"}},
  });
  check_tev({
      same({"-ansi"}),
      same({"-std=gnu99"}),
      same({"-funsigned-char", "-fno-signed-char", "-fsigned-char", "-fno-unsigned-char"}),
      unsupported({"-fshort-double"}),
      unsupported({"-fno-short-float"}),
      unsupported({"-fcp=ram"}),
      same({"-O0", "-O1", "-O2", "-O3", "-Os", "-Og", "-flocal", "-fasmfile"}),
      unsupported({"-fcacheconst=on"}),
      same({"-finstrument-functions", "-fno-instrument-functions", "-fmax-errors=5", "-gdwarf-3", "-gcoff"}),
      unsupported({"-ginhx32"}),
      unsupported({"-ginhx032"}),
      same({"-nostdlib", "-nodefaultlibs", "-nostartfiles", "-nostdinc"}),
  });
}

TEST_F(TranslationE2E, WarningsAndMessages) {
  check_zir({
      {{"-w"}, {"--msgdisable=0"}, "", 0, cat({kZirClosing, {"-R-w"}})},
      {{"-w", "-ansi"}, {"--msgdisable=0", "--std=c90"}, "", 0,
       Texts{"-L--fixupoverflow=error", "--callgraph=none", "--warn=-3"}},
      {{"-Wpedantic"}, {}, "", 0, cat({kZirClosing, {"-R-pedantic", "--strict"}})},
      {{"-w", "-Wpedantic", "-ansi"}, {"--msgdisable=0", "--std=c90"}, "", 0,
       Texts{"-L--fixupoverflow=error", "--callgraph=none", "--warn=-3", "--strict"}},
      {{"-Werror", "-Wno-error=2044"}, {"--Werror", "--Wno-error=2044"}},
      {{"-Wall", "-Wno-unused"}, {"-R-Wall", "-R-Wno-unused"}},
      {{"-Wno-2044", "-Wno-1428"}, {}, "", 0, {}, {"--msgdisable=1428:off", "--msgdisable=2044:off"}},
      {{"-Wno-2044", "-W2044"}, {}},
      {{"-Wno-2044", "-Wall"}, {"-R-Wall"}},
      {{"-Wno-all"}, {"-R-Wno-all"}, "", 0, {}, {"--msgdisable=0"}},
      // Numbers beyond the catalogue change no state and pass nothing.
      {{"-W12345"}, {}},
      {{"-W"}, {}, "1195", 1},
      {{"-Wno-"}, {}, "1195", 1},
      {{"-Wno-1195"}, {}, "1607", 1},
  });
  check_tev({
      same({"-w", "-Wpedantic", "-Werror", "-Wno-error=2044", "-Wall", "-Wno-unused", "-Wno-2044", "-W"}),
  });
}

TEST_F(TranslationE2E, PassThroughToTheTools) {
  check_zir({
      {{"-Wl,--gc-sections"}, {"-L--gc-sections"}},
      {{"-Wl,a,b"}, {"-La", "-Lb"}},
      {{"-Wl,"}, {}},
      {{"-Wl,-Map=out.map"}, {"-Mout.map"}},
      {{"-Wl,-Map,out.map"}, {"-Mout.map"}},
      {{"-Wl,--memorysummary,sum"}, {"--summary=+xml", "--summarydir=sum"}},
      {{"-Wl,--fixupoverflow=warn"}, {"-L--fixupoverflow=warn"}, "", 0,
       Texts{"--std=c99", "--callgraph=none", "--warn=-3"}},
      {{"-Wl,--data-init", "-Wl,--no-data-init"},
       {"--runtime=+clear", "--runtime=+init", "--runtime=-clear", "--runtime=-init"}},
      {{"-Wl,-nostdlib,-nostartfiles"}, {"--runtime=-clib", "--runtime=+no_startup", "--runtime=+no_startup"}},
      {{"-Xlinker", "--gc-sections", "-Xlinker", "-Map=x.map"}, {"-L--gc-sections", "-Mx.map"}},
      {{"-Xlinker", "--memorysummary=sum"}, {"--summary=+xml", "--summarydir=sum"}},
      {{"-Wa,-a"}, {"--asmlist"}},
      {{"-Wa,-adhln,-x"}, {"--asmlist", "-A-x"}},
      {{"-Xassembler", "-a", "-Xassembler", "-x"}, {"--asmlist", "-A-x"}},
      {{"-Wp,-DX,,-DY"}, {"-Z-DX", "-Z-DY"}},
      {{"-Xpreprocessor", "-P"}, {"-Z-P"}},
      {{"-Xparser", "-Wx", "-Xp1", "-a", "-Xclang", "-b"}, {"-R-Wx", "-R-a", "-R-b"}},
      {{"-Xlumo8", "--opt=+speed"}, {"--opt=+speed"}},
  });
  check_tev({
      same({"-Wl,--gc-sections"}),
      {{"-Wl,a,b"}, {"-Wl,a", "-Wl,b"}},
      same({"-Wl,"}),
      same({"-Wl,-Map=out.map"}),
      {{"-Wl,-Map,out.map"}, {"-Wl,-Map=out.map"}},
      same({"-Wl,--memorysummary,sum"}),
      // Nothing came of the piece: the whole argument is passed on.
      {{"-Wl,--fixupoverflow=warn"}, {"-Wl,--fixupoverflow=warn"}, "1428"},
      same({"-Wl,--data-init", "-Wl,--no-data-init"}),
      {{"-Wl,-nostdlib"}, {"-nostdlib"}},
      same({"-Xlinker", "--gc-sections", "-Xlinker", "-Map=x.map"}),
      same({"-Wa,-a", "-Wa,-adhln,-x", "-Xassembler", "-x"}),
      same({"-Wp,-DX,,-DY", "-Xpreprocessor", "-P"}),
      // The parser is not the tool's: its value is an argument of its own.
      {{"-Xparser", "-Wx", "-Xclang", "foo.c"}, {"-Wx", "foo.c"}, "1428 1428"},
      {{"-Xlumo8", "--fill=0"}, {"--fill=0"}, "1428"},
  });
}

// The whole closing line of a ZIR run whose "-Xlumo8" options replaced two
// of the message formats.
TEST_F(TranslationE2E, UserMessageFormatsAreNotRepeated) {
  RunResult r = inst_.run({"-mcpu=zir16c401", "-Xlumo8", "--errformat=E", "-Xlumo8", "--msgformat=M", "x.c"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(inst_.command_file(),
            testutil::text_bytes(
                lines(cat({{"--lumo8cc", "-q", "--opt=none", "--chip=16c401", "--errformat=E", "--msgformat=M", "x.c"},
                           kZirClosing,
                           {kZirFormats[1]}}))));
}

TEST_F(TranslationE2E, Libraries) {
  const std::string work = inst_.work_dir();
  // A library found in the work directory, as the command file names it.
  auto found = [&work](const std::string& name) { return testutil::cmdfile_path(work + testutil::native("/" + name)); };
  fs::create_directories(work + "/lib");
  for (const char* f : {"lib/libfoo.a", "lib/bar.lpp", "baz.lib", "lib/libq.x.lib", "lib/q.x"})
    testutil::write_file(work + "/" + f, "");
  check_zir({
      // Without "-L" the names are passed as they are.
      {{"-lfoo", "-l", "m"}, {}, "", 0, cat({kZirClosing, {"foo", "m"}})},
      // The current directory first, then each "-L" directory in order.
      {{"-L", "lib", "-lfoo", "-lbar", "-lbaz", "-lnone"}, {}, "", 0,
       cat({kZirClosing, {found("lib/libfoo.a"), found("lib/bar.lpp"), found("baz.lib"), "none"}})},
      {{"-Lnowhere", "-Llib", "-lq.x"}, {}, "", 0, cat({kZirClosing, {found("lib/q.x")}})},
      {{"-Llib", "-l/abs/libz.a"}, {}, "", 0, cat({kZirClosing, {"/abs/libz.a"}})},
  });
  check_tev({
      same({"-lfoo", "-Llib"}),
      {{"-l", "m", "-L", "lib"}, {"-lm", "-Llib"}},
  });
}

TEST_F(TranslationE2E, TargetOptions) {
  testutil::TempDir packs;
  fs::create_directories(packs.path() + "/p/zir");
  fs::create_directories(packs.path() + "/t/tev");
  const std::string zir_pack = packs.path() + "/p";
  const std::string tev_pack = packs.path() + "/t";
  const Texts no_mwarn = {"-L--fixupoverflow=error", "--std=c99", "--callgraph=none"};
  check_zir({
      {{"-mcpu=ZIR16C401"}, {"--chip=16c401"}},
      {{"-mdevice=x"}, {}},
      {{"-mdfp=" + zir_pack}, {"--dfp=" + testutil::cmdfile_path(zir_pack)}},
      {{"-maddrqual=ignore", "-memi=wordwrite", "-merrata=all"}, {"--addrqual=ignore", "--emi=wordwrite", "--errata=all"}},
      {{"-mwarn=2"}, {"--warn=2"}, "", 0, no_mwarn},
      {{"-mundefints=0", "-mstack=compiled", "-mheap=100", "-msummary=mem"},
       {"--undefints=0", "--stack=compiled", "--heap=100", "--summary=mem"}},
      {{"-mchecksum=0-ff@100", "-mcodeoffset=100", "-mdebugger=none", "-mserial=1@2"},
       {"--checksum=0-ff@100", "--codeoffset=100", "--debugger=none", "--serial=1@2"}},
      {{"-mcodecov=ram", "-metadata=on", "-msmart-io-format=x", "-mrom=0-fff", "-mram=default"},
       {"--codecov=ram", "--metadata=on", "--smartioformat=x", "--rom=0-fff", "--ram=default"}},
      {{"-mstack"}, {}, "1195", 1},
      {{"-mcodeoffset"}, {}, "1195", 1},
      {{"-mc90lib", "-mno-plib", "-mplib"}, {"--runtime=+c90lib", "--runtime=-plib", "--runtime=+plib"}},
      {{"-mkeep-startup", "-mno-clink", "-mcmacros"}, {"--runtime=+keep", "--runtime=-clink", "--runtime=+cmacros"}},
      {{"-mresetbits", "-mno-save-resetbits"}, {"--runtime=+resetbits", "--runtime=-resetbits"}},
      {{"-mdownload-hex", "-mno-stackcall", "-mno-default-config-bits", "-mosccal"},
       {"--runtime=+download", "--runtime=-stackcall", "--runtime=-config", "--runtime=+osccal"}},
      {{"-moscval=0x3400", "-moscval=", "-mno-oscval"},
       {"--runtime=+oscval:0x3400", "--runtime=+oscval:", "--runtime=-oscval"}},
      {{"-mivt=0x100", "-mno-use-ivt"}, {"--runtime=+ivt:0x100", "--runtime=-ivt"}},
      {{"-mno-keep-startup", "-mclink", "-mno-cmacros", "-mno-resetbits", "-msave-resetbits"},
       {"--runtime=-keep", "--runtime=+clink", "--runtime=-cmacros", "--runtime=-resetbits", "--runtime=+resetbits"}},
      {{"-mno-download", "-mdownload", "-mno-download-hex", "-mstackcall", "-mno-config", "-mconfig"},
       {"--runtime=-download", "--runtime=+download", "--runtime=-download", "--runtime=+stackcall", "--runtime=-config",
        "--runtime=+config"}},
      {{"-mdefault-config-bits", "-mno-osccal", "-mno-ivt", "-muse-ivt=4"},
       {"--runtime=+config", "--runtime=-osccal", "--runtime=-ivt", "--runtime=+ivt:4"}},
      {{"-mmaxichip", "-mmaxizir", "-mshroud", "-morv-stack-usage"},
       {"--maxizir", "--maxizir", "--shroud", "--summary=+stack,+stackfull"}},
      {{"-mconst-data-in-progmem"}, {}},
      {{"-mno-const-data-in-progmem"}, {}, "1428"},
      {{"--fill=0xff"}, {"--fill=0xff"}},
      {{"-mcci"}, {"--ext=cci"}, "2050"},
      {{"-mext=LUMO8", "-mext=gnu"}, {"--ext=gnu"}, "2044"},  // the own extension is the default
      {{"-mext=IAR"}, {}, "2048"},
      {{"-mext"}, {}, "1195", 1},
      {{"-mreserve=ram@0x100:0x1ff", "-mreserve=rom@0:8:0xff"}, {"--ram=-0x100-0x1ff", "--rom=-0-0xff"}},
      {{"-mreserve=rom@0x100"}, {}, "1195", 1},
      {{"-mreserve=eeprom@0:1"}, {}, "1195", 1},
      // Rows that are not registered, and device options without a row.
      {{"-misa=x", "-mcallgraph=std", "-mmcu=zir16c401"}, {"-misa=x", "-mcallgraph=std", "-mmcu=zir16c401"},
       "2044 2044 2044"},
  });
  check_tev({
      {{"-mdevice=kx32m4"}, {"-mdevice=kx32m4"}, "", 0,
       Texts{"-Wl,--info-linker", "-mconst-data-in-progmem"}},
      {{"-mdfp=" + tev_pack}, {"-mdfp=" + testutil::cmdfile_path(tev_pack)}},
      unsupported({"-maddrqual=ignore"}),
      unsupported({"-memi=wordwrite"}),
      {{"-merrata=anything"}, {"-mskip-bug"}},
      unsupported({"-mwarn=2"}),
      unsupported({"-mstack=compiled"}),
      unsupported({"-mserial=1@2"}),
      unsupported({"-mrom=0-fff"}),
      same({"-mcodeoffset", "-mcodecov=ram", "-msmart-io-format=x"}),
      {{"-msmart-io-format"}, {}, "1195", 1},
      unsupported({"-mc90lib"}),
      unsupported({"-mno-plib"}),
      unsupported({"-mresetbits"}),
      same({"-mdownload", "-mno-stackcall", "-mconfig", "-mosccal", "-moscval=1", "-mivt=0x100"}),
      same({"-mno-download-hex", "-mstackcall", "-mno-default-config-bits", "-mno-osccal", "-mno-oscval", "-muse-ivt"}),
      unsupported({"-mno-keep-startup"}),
      unsupported({"-mclink"}),
      unsupported({"-mno-save-resetbits"}),
      unsupported({"-mmaxizir"}),
      unsupported({"-mshroud"}),
      same({"-morv-stack-usage", "--fill=0xff"}),
      {{"-mconst-data-in-progmem"}, {"-mconst-data-in-progmem"}, "", 0, Texts{"-Wl,--info-linker", "-mdevice=kx32m2"}},
      {{"-mno-const-data-in-progmem"}, {"-mno-const-data-in-progmem"}, "", 0,
       Texts{"-Wl,--info-linker", "-mdevice=kx32m2"}},
      {{"-mcci"}, {"-mext=cci"}, "2050"},
      {{"-mext=gnu"}, {"-mext=gnu"}, "2044"},
      {{"-mext=iar"}, {}, "2048"},
      same({"-mreserve=anything"}),
  });
}

TEST_F(TranslationE2E, SpecialOptions) {
  check_zir({
      {{"--sivt=on", "--hexwright=x", "--imgconv=y", "--pragmaconfig=z"}, {"--sivt=on", "--hexwright=x", "--imgconv=y",
                                                                           "--pragmaconfig=z"}},
      {{"--memorysummary", "-O2"}, {"--summary=+xml", "--opt=+2"}},
  });
  check_tev({
      {{"--sivt=on", "--hexwright=x", "--imgconv=y", "--pragmaconfig=z"}, {}},
  });
}

// What the user wrote wrongly is reported, never passed on misread.
TEST_F(TranslationE2E, ArgumentsThatAreReported) {
  const std::vector<Case> both = {
      {{"-Wl"}, {}, "1195", 1},
      {{"-Wa"}, {}, "1195", 1},
      {{"-Wl,-Map,-Map"}, {}, "2041", 1},
      {{"-Wl,-Map"}, {}, "2041", 1},
      {{"-Wl,-Map="}, {}, "1195", 1},
      {{"-o"}, {}, "2041", 1},
      {{"-D"}, {}, "2041", 1},
      {{"-I"}, {}, "2041", 1},
      {{"-x"}, {}, "2041", 1},
      {{"-MF"}, {}, "2041", 1},
      {{"-MT"}, {}, "2041", 1},
      {{"-MQ"}, {}, "2041", 1},
      {{"-l"}, {}, "2041", 1},
      {{"-L"}, {}, "2041", 1},
      {{"-Xlinker"}, {}, "2041", 1},
      {{"-Xassembler"}, {}, "2041", 1},
      {{"-Xpreprocessor"}, {}, "2041", 1},
      {{"--memorysummary"}, {}, "2041", 1},
      {{"-mcpu="}, {}, "1195", 1},
  };
  check_zir(both);
  check_zir({
      {{"-Xlinker", "-Map"}, {}, "1195", 1},
      {{"-Xlinker", "--memorysummary"}, {}, "1195", 1},
      {{"-Xparser"}, {}, "2041", 1},
      {{"-Xlumo8"}, {}, "2041", 1},
      {{"-Wl,-Map,--data-init"}, {}, "2041", 1},
  });
  check_tev(both);
}

// Without a family the run stops; options with a separate value still take
// it, so that the value is never taken for an input file or a device.
TEST_F(TranslationE2E, NoFamily) {
  struct C {
    Texts args;
    std::string err;
  };
  const std::vector<C> cases = {
      {{}, "(2042)"},
      {{"-O2", "-o", "x.hex", "x.c"}, "(2042)"},
      {{"-mcpu=zz9", "-x", "c", "-l", "m", "-L", "lib", "x.c"}, "(2043)"},
      {{"-o"}, "(2042)"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(describe(c.args));
    fs::remove(inst_.record_dir() + "/argv");
    RunResult r = inst_.run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_TRUE(inst_.driver_argv().empty());
  }
}

}  // namespace
