// The closing options, library resolution, and whole command lines through
// the option table where the translation depends on several handlers.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/lumoinstdir.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/option_handlers.h"
#include "tests/driver/option_runner.h"
#include "tests/support/testutil.h"

namespace {

using namespace optrun;
using SetState = std::function<void(OptionState&)>;

const Texts kZirDefaults = {"-L--fixupoverflow=error", "--std=c99", "--callgraph=none", "--warn=-3"};

Texts with(Texts texts, std::initializer_list<std::string> more) {
  texts.insert(texts.end(), more);
  return texts;
}

TEST(OptionsClosing, ZirOptionsInTheirOrder) {
  struct C {
    const char* name;
    SetState set;
    Texts expected;
    DeviceType family = Z;
  };
  const std::vector<C> cases = {
      {"defaults", [](OptionState&) {}, kZirDefaults},
      {"ZIR18 the same", [](OptionState&) {}, kZirDefaults, Z18},
      {"fixupoverflow given", [](OptionState& s) { s.fixupoverflow_given = true; },
       {"--std=c99", "--callgraph=none", "--warn=-3"}},
      {"-c with C sources", [](OptionState& s) { s.compile_only = s.c_source_seen = true; },
       {"-L--fixupoverflow=error", "--pass1", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {"-c with both kinds",
       [](OptionState& s) { s.compile_only = s.c_source_seen = s.asm_source_seen = s.asm_cpp_seen = true; },
       {"-L--fixupoverflow=error", "-c", "--pass1", "-P", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {"sources without -c", [](OptionState& s) { s.c_source_seen = s.asm_source_seen = s.asm_cpp_seen = true; },
       {"-L--fixupoverflow=error", "-P", "--std=c99", "--callgraph=none", "--warn=-3"}},
      {"-c without sources", [](OptionState& s) { s.compile_only = true; }, kZirDefaults},
      {"std and mwarn given", [](OptionState& s) { s.std_given = s.mwarn_given = true; },
       {"-L--fixupoverflow=error", "--callgraph=none"}},
      {"-w", [](OptionState& s) { s.nowarn_given = true; }, with(kZirDefaults, {"-R-w"})},
      {"-w with C90", [](OptionState& s) { s.nowarn_given = s.c90_selected = s.std_given = true; },
       {"-L--fixupoverflow=error", "--callgraph=none", "--warn=-3"}},
      {"-Wpedantic", [](OptionState& s) { s.pedantic_given = true; },
       with(kZirDefaults, {"-R-pedantic", "--strict"})},
      {"-w -Wpedantic", [](OptionState& s) { s.pedantic_given = s.nowarn_given = true; },
       with(kZirDefaults, {"-R-w", "-R-pedantic", "--strict"})},
      {"-Wpedantic with C90", [](OptionState& s) { s.pedantic_given = s.c90_selected = s.std_given = true; },
       {"-L--fixupoverflow=error", "--callgraph=none", "--warn=-3", "--strict"}},
      {"libraries without -L",
       [](OptionState& s) {
         s.libraries = vec_new();
         vec_push(s.libraries, sc_intern("foo"));
         vec_push(s.libraries, sc_intern("/abs/libbar.a"));
       },
       with(kZirDefaults, {"foo", "/abs/libbar.a"})},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o = run_closing(c.family, c.set);
    EXPECT_EQ(o.out, c.expected);
  }
}

TEST(OptionsClosing, NoFamilyGetsNone) {
  EXPECT_TRUE(run_closing(N, [](OptionState& s) { s.pedantic_given = true; }).out.empty());
}

// A version directory in a scratch directory, with or without the
// installation's device family pack.
class TevClosing : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(version_ + "/zir"); }
  Outcome closing(const SetState& set) {
    return run_closing(T, set, [this] { lumoinstdir_set(version_.c_str()); });
  }
  std::string dfp() const { return version_ + "/dfp/lumo8"; }

  testutil::TempDir dir_;
  std::string version_ = dir_.path() + "/v2.50";
};

TEST_F(TevClosing, WithoutTheInstallationPack) {
  EXPECT_EQ(closing([](OptionState&) {}).out, (Texts{"-Wl,--info-linker", "-mconst-data-in-progmem"}));
  EXPECT_EQ(closing([](OptionState& s) { s.mdevice_option = sc_intern("-mdevice=kx40"); }).out,
            (Texts{"-Wl,--info-linker", "-mdevice=kx40", "-mconst-data-in-progmem"}));
  EXPECT_EQ(closing([](OptionState& s) {
              s.mdevice_option = sc_intern("-mdevice=kx40");
              s.mdevice_given = s.const_data_given = true;
            }).out,
            (Texts{"-Wl,--info-linker"}));
}

TEST_F(TevClosing, WithTheInstallationPack) {
  std::filesystem::create_directories(dfp());
  EXPECT_EQ(closing([](OptionState&) {}).out,
            (Texts{"-Wl,--info-linker", "-mconst-data-in-progmem", "-mdfp=" + dfp()}));
  EXPECT_EQ(closing([](OptionState& s) { s.dfp_given = true; }).out,
            (Texts{"-Wl,--info-linker", "-mconst-data-in-progmem"}));
}

// "-l" names resolved against "" (the current directory) and the "-L"
// directories, in the scratch directory as the current directory.
class LibraryResolution : public ::testing::Test {
 protected:
  void touch(const std::string& name) {
    std::filesystem::create_directories(std::filesystem::path(dir_.file(name)).parent_path());
    testutil::write_file(dir_.file(name), "");
  }
  std::string absolute(const std::string& name) const {
    return std::filesystem::canonical(dir_.path()).string() + "/" + name;
  }
  // The last closing option for the libraries and directories given.
  Texts resolved(const Texts& libraries, const Texts& dirs) {
    Outcome o = run_closing(
        Z,
        [&](OptionState& s) {
          s.libraries = vec_new();
          for (const std::string& l : libraries) vec_push(s.libraries, sc_intern(l.c_str()));
          if (dirs.empty()) return;
          s.library_dirs = vec_new();
          vec_push(s.library_dirs, sc_intern(""));
          for (const std::string& d : dirs) vec_push(s.library_dirs, sc_intern(d.c_str()));
        },
        {}, dir_.path());
    return Texts(o.out.end() - static_cast<long>(libraries.size()), o.out.end());
  }

  testutil::TempDir dir_;
};

TEST_F(LibraryResolution, CandidatesInOrder) {
  touch("lib/libfoo.a");
  EXPECT_EQ(resolved({"foo"}, {"lib"}), (Texts{absolute("lib/libfoo.a")}));
  touch("lib/foo.a");
  EXPECT_EQ(resolved({"foo"}, {"lib"}), (Texts{absolute("lib/foo.a")}));
  // The current directory comes before every "-L" directory.
  touch("libfoo.lpp");
  EXPECT_EQ(resolved({"foo"}, {"lib"}), (Texts{absolute("libfoo.lpp")}));
  touch("other/bar.lib");
  touch("later/libbar.a");
  EXPECT_EQ(resolved({"bar"}, {"other", "later"}), (Texts{absolute("other/bar.lib")}));
}

TEST_F(LibraryResolution, NamesWithAnExtensionAreFileNames) {
  touch("lib/libm.o");
  touch("lib/m.o.a");
  EXPECT_EQ(resolved({"m.o"}, {"lib"}), (Texts{absolute("lib/libm.o")}));
}

TEST_F(LibraryResolution, UnresolvedAbsoluteAndUnsearchedNamesStayAsGiven) {
  touch("lib/libfoo.a");
  EXPECT_EQ(resolved({"nothere", "/abs/libfoo.a", "foo"}, {"lib"}),
            (Texts{"nothere", "/abs/libfoo.a", absolute("lib/libfoo.a")}));
  EXPECT_EQ(resolved({"foo"}, {}), (Texts{"foo"}));
}

// Whole command lines through the option table.
struct Line {
  DeviceType family;
  Texts args;
  Texts out;
  std::string messages = "";
  bool final = false;
};

void check_lines(const std::vector<Line>& lines) {
  for (const Line& l : lines) {
    SCOPED_TRACE(std::string(family_name(l.family)) + " [" + join(l.args) + "]");
    Outcome o = run_line(l.family, l.args, l.final);
    EXPECT_EQ(o.status, 0) << o.stderr_text;
    EXPECT_EQ(o.out, l.out);
    EXPECT_EQ(o.messages, l.messages) << o.stderr_text;
  }
}

TEST(OptionLines, SubOptionsOfTheLinkerAndAssembler) {
  check_lines({
      {Z, {"-Wl,-Map=out.map,--data-init"}, {"-Mout.map", "--runtime=+clear", "--runtime=+init"}},
      {T, {"-Wl,-Map=out.map,--data-init"}, {"-Wl,-Map=out.map", "-Wl,--data-init"}},
      {Z, {"-Wl,-Map,out.map"}, {"-Mout.map"}},
      {Z, {"-Wl,a,,b"}, {"-La", "-Lb"}},
      {T, {"-Wl,a,b"}, {"-Wl,a", "-Wl,b"}},
      {T, {"-Wl,-nostdlib"}, {"-nostdlib"}},
      {Z, {"-Wl,-nostdlib"}, {"--runtime=-clib", "--runtime=+no_startup"}},
      {Z, {"-Wl,--fixupoverflow=warn"}, {"-L--fixupoverflow=warn"}},
      {Z, {"-Wl,--memorysummary,sum"}, {"--summary=+xml", "--summarydir=sum"}},
      {Z, {"-Wa,-a,-x"}, {"--asmlist", "-A-x"}},
      {Z, {"-Wa,-adhln"}, {"--asmlist"}},
      {T, {"-Wa,-a,-x"}, {"-Wa,-a,-x"}},
      {T, {"-Wa,-x"}, {"-Wa,-x"}},
  });
}

TEST(OptionLines, ValuesAndOrder) {
  check_lines({
      {Z, {"-O2", "-Os"}, {"--opt=+2", "--opt=+s"}},
      {Z, {"-o", "build\\out.hex", "-DX"}, {"-oout.hex", "--objdir=build", "--outdir=build", "-DX"}},
      {T, {"-Xparser", "foo.c"}, {"foo.c"}, "1428"},
      {T, {"-Xlumo8", "-O2"}, {"-O2"}, "1428"},
      {Z, {"-Xlinker", "-Map=a.map", "-O1"}, {"-Ma.map", "--opt=+1"}},
      {Z, {"-Wall", "-Wno-unused", "-Werror=2044"}, {"-R-Wall", "-R-Wno-unused", "--Werror=2044"}},
      {Z, {"-Wno-error=2044"}, {"--Wno-error=2044"}},
  });
}

TEST(OptionLines, ClosingOptionsFollowTheTranslation) {
  check_lines({
      {Z, {"-w", "-Wpedantic"}, with({"--msgdisable=0"}, {"-L--fixupoverflow=error", "--std=c99",
                                      "--callgraph=none", "--warn=-3", "-R-w", "-R-pedantic", "--strict"}),
       "", true},
      {Z, {"-ansi", "-w", "-Wpedantic"},
       {"--std=c90", "--msgdisable=0", "-L--fixupoverflow=error", "--callgraph=none", "--warn=-3", "--strict"},
       "", true},
      {Z, {"-std=gnu99"}, {"--std=c99", "-L--fixupoverflow=error", "--callgraph=none", "--warn=-3"}, "2054", true},
      {Z, {"-c", "main.c"}, {"main.c", "-L--fixupoverflow=error", "--pass1", "--std=c99", "--callgraph=none",
                             "--warn=-3"}, "", true},
      {Z, {"-c", "start.as"}, {"start.as", "-L--fixupoverflow=error", "-c", "--std=c99", "--callgraph=none",
                               "--warn=-3"}, "", true},
      {Z, {"-c", "x.S"}, {"x.S", "-L--fixupoverflow=error", "-c", "-P", "--std=c99", "--callgraph=none",
                          "--warn=-3"}, "", true},
      {Z, {"-Wl,--fixupoverflow=warn"}, {"-L--fixupoverflow=warn", "--std=c99", "--callgraph=none", "--warn=-3"},
       "", true},
      {N, {"-Wpedantic", "-O2"}, {}, "", true},
  });
}

TEST(OptionLines, LibrariesComeLast) {
  testutil::TempDir dir;
  std::filesystem::create_directories(dir.file("lib"));
  testutil::write_file(dir.file("lib/libfoo.a"), "");
  std::string resolved = std::filesystem::canonical(dir.path()).string() + "/lib/libfoo.a";
  Outcome o = run_line(Z, {"-lfoo", "-L", "lib", "-O2"}, true, {}, dir.path());
  ASSERT_FALSE(o.out.empty()) << o.stderr_text;
  EXPECT_EQ(o.out.front(), "--opt=+2");
  EXPECT_EQ(o.out.back(), resolved);
  o = run_line(Z, {"-lfoo", "-O2"}, true, {}, dir.path());
  ASSERT_FALSE(o.out.empty()) << o.stderr_text;
  EXPECT_EQ(o.out.back(), "foo");
}

}  // namespace
