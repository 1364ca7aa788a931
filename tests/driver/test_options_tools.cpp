// The warning, pass-through and library handlers, and the disabled
// messages they leave for the closing options.
#include <gtest/gtest.h>

#include "common/alert_msgstate.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/option_handlers.h"
#include "tests/driver/option_cases.h"
#include "tests/support/testutil.h"

namespace {

using namespace optrun;

// 2044 is a warning and 1 an advisory message of the catalogue; 1195 is an
// error and 9999 has no record.
constexpr uint32_t kWarning = 2044;

TEST(OptionsTools, WarningOptions) {
  check_all({
      {Z, opt_nowarn, {"-w"}, {"--msgdisable=0"}, 0, "", "nowarn_given"},
      {T, opt_nowarn, {"-w"}, {"-w"}},
      {N, opt_nowarn, {"-w"}, {}},
      {Z, opt_pedantic, {"-Wpedantic"}, {}, 0, "", "pedantic_given"},
      {T, opt_pedantic, {"-Wpedantic"}, {"-Wpedantic"}},
      {Z, opt_werror, {"-Werror"}, {"--Werror"}},
      {Z, opt_werror, {"-Werror=1234"}, {"--Werror=1234"}},
      {N, opt_werror, {"-Wno-error=2044"}, {"--Wno-error=2044"}},
      // Reached by the cut at ",": not a form the message facility takes.
      {Z, opt_werror, {"-Werror,2044"}, {}, 0, "1195"},
      {T, opt_werror, {"-Werror=1234"}, {"-Werror=1234"}},
      {Z, opt_warning, {"-Wall"}, {"-R-Wall"}},
      {N, opt_warning, {"-Wunused"}, {"-R-Wunused"}},
      {Z, opt_warning, {"-WERROR"}, {"--WERROR"}},
      {Z, opt_warning, {"-W2044"}, {}},
      {Z, opt_warning, {"-W"}, {}, 0, "1195"},
      {T, opt_warning, {"-Wall"}, {"-Wall"}},
      {T, opt_warning, {"-W"}, {"-W"}},
      {Z, opt_nowarning, {"-Wno-unused"}, {"-R-Wno-unused"}},
      {Z, opt_nowarning, {"-Wno-ERROR=2044"}, {"--Wno-ERROR=2044"}},
      {Z, opt_nowarning, {"-Wno-"}, {}, 0, "1195"},
      {Z, opt_nowarning, {"-Wno-1195"}, {}, 0, "1607"},
      {T, opt_nowarning, {"-Wno-unused"}, {"-Wno-unused"}},
  });
}

// What "-W<number>", "-Wno-<number>" and "all" leave in the disabled
// messages, which the closing options pass on as "--msgdisable=" options.
TEST(OptionsTools, DisabledMessages) {
  struct Sequence {
    DeviceType family;
    Texts args;  // each handled by "-W" or "-Wno-" as its prefix says
    Texts msgdisable;
    std::string messages = "";
    Texts out = {};
  };
  const std::vector<Sequence> sequences = {
      {Z, {"-Wno-2044"}, {"--msgdisable=2044:off"}},
      {Z, {"-Wno-2044", "-Wno-1"}, {"--msgdisable=1:off", "--msgdisable=2044:off"}},
      {Z, {"-Wno-2044", "-W2044"}, {}},
      {Z, {"-Wno-all"}, {"--msgdisable=0"}, "", {"-R-Wno-all"}},
      {Z, {"-Wno-2044", "-Wno-all", "-Wno-1"},
       {"--msgdisable=1:off", "--msgdisable=2044:off", "--msgdisable=0"}, "", {"-R-Wno-all"}},
      {Z, {"-Wno-2044", "-Wno-all", "-Wall"}, {}, "", {"-R-Wno-all", "-R-Wall"}},
      {Z, {"-Wno-all", "-W0"}, {}, "", {"-R-Wno-all"}},
      {Z, {"-Wno-2044", "-Wno-1195", "-Wno-9999"}, {"--msgdisable=2044:off"}, "1607,1607"},
      {N, {"-Wno-2044"}, {"--msgdisable=2044:off"}},
      {T, {"-Wno-2044"}, {}, "", {"-Wno-2044"}},
  };
  for (const Sequence& s : sequences) {
    SCOPED_TRACE(std::string(family_name(s.family)) + " [" + join(s.args) + "]");
    std::vector<Step> steps;
    for (const std::string& a : s.args)
      steps.push_back(Step{a.rfind("-Wno-", 0) == 0 ? opt_nowarning : opt_warning, {a}});
    Outcome o = run(s.family, steps);
    EXPECT_EQ(o.msgdisable, s.msgdisable);
    EXPECT_EQ(o.messages, s.messages) << o.stderr_text;
    EXPECT_EQ(o.out, s.out);
  }
}

TEST(OptionsTools, MessageEnableRefusesErrorsAndUnknownNumbers) {
  auto disable = [](uint32_t number) {
    return run(Z, {}, [number] { message_enable(number, false); });
  };
  EXPECT_EQ(disable(kWarning).msgdisable, (Texts{"--msgdisable=2044:off"}));
  EXPECT_EQ(disable(1).msgdisable, (Texts{"--msgdisable=1:off"}));
  EXPECT_EQ(disable(0).msgdisable, (Texts{"--msgdisable=0"}));
  for (uint32_t refused : {1195u, 2041u, 9999u}) {
    Outcome o = disable(refused);
    EXPECT_TRUE(o.msgdisable.empty()) << refused;
    EXPECT_EQ(o.messages, "1607") << refused;
    EXPECT_NE(o.stderr_text.find("(" + std::to_string(refused) + ")"), std::string::npos) << o.stderr_text;
  }
}

// The message states the warning options set for the message facility.
TEST(OptionsTools, MessageStates) {
  struct StateCase {
    Texts args;
    uint32_t state;  // of the warning kWarning afterwards
  };
  const std::vector<StateCase> cases = {
      {{"-Wno-2044"}, MSGSTATE_OFF},
      {{"-Wno-2044", "-W2044"}, MSGSTATE_NONE},
      {{"-Wno-all"}, MSGSTATE_QUIET},
      {{"-Wno-all", "-Wall"}, MSGSTATE_NONE},
      {{"-Wno-2044", "-Wall"}, MSGSTATE_NONE},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(join(c.args));
    auto r = testutil::in_child([&c] {
      vector* out = vec_new();
      for (const std::string& a : c.args) {
        vector* args = vec_new();
        vec_push(args, sc_intern(a.c_str()));
        (a.rfind("-Wno-", 0) == 0 ? opt_nowarning : opt_warning)(Z, vec_get_as<const char*>(args, 0), out, args, 0);
      }
      return static_cast<int>(alert_msgstate_get(kWarning));
    });
    EXPECT_EQ(r.status, static_cast<int>(c.state)) << r.err;
  }
}

TEST(OptionsTools, Linker) {
  check_all({
      // One sub-option without a row of its own.
      {Z, opt_linker, {"--gc-sections"}, {"-L--gc-sections"}},
      {T, opt_linker, {"--gc-sections"}, {"-Wl,--gc-sections"}},
      {N, opt_linker, {"--gc-sections"}, {}},
      // The whole argument, when its sub-options produced nothing.
      {Z, opt_linker, {"-Wl,"}, {}},
      {Z, opt_linker, {"-Wl,a,,b"}, {"-La", "-Lb"}},
      // Nothing behind the name names no linker option.
      {Z, opt_linker, {"-Wl"}, {}, 0, "1195"},
      {T, opt_linker, {"-Wl"}, {}, 0, "1195"},
      {N, opt_linker, {"-Wl"}, {}},
      {T, opt_linker, {"-Wl,a,b"}, {"-Wl,a,b"}},
      {T, opt_linker, {"-Wl,"}, {"-Wl,"}},
      {N, opt_linker, {"-Wl,a"}, {}},
      // "-Xlinker" and its value.
      {Z, opt_linker, {"-Xlinker", "-Map=out.map"}, {"-Mout.map"}, 1},
      // The bare names would leave the next "-Xlinker" value misread.
      {Z, opt_linker, {"-Xlinker", "-Map"}, {}, 1, "1195"},
      {Z, opt_linker, {"-Xlinker", "--memorysummary=sum"}, {"--summary=+xml", "--summarydir=sum"}, 1},
      {Z, opt_linker, {"-Xlinker", "--memorysummary"}, {}, 1, "1195"},
      {Z, opt_linker, {"-Xlinker", "--memorysummary:sum"}, {"--summary=+xml", "--summarydir=sum"}, 1},
      {Z18, opt_linker, {"-Xlinker", "--gc-sections"}, {"-L--gc-sections"}, 1},
      {T, opt_linker, {"-Xlinker", "-Map=out.map"}, {"-Xlinker", "-Map=out.map"}, 1},
      {N, opt_linker, {"-Xlinker", "x"}, {}, 0},
      {Z, opt_linker, {"-Xlinker"}, {}, 0, "2041", "", 1},
      {T, opt_linker, {"-Xlinker"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsTools, LinkerSubOptions) {
  check_all({
      {Z, opt_linker_map, {"-Map=out.map"}, {"-Mout.map"}},
      {T, opt_linker_map, {"-Map=out.map"}, {"-Wl,-Map=out.map"}},
      {Z, opt_linker_map, {"-Map", "out.map"}, {"-Mout.map"}, 1},
      {T, opt_linker_map, {"-Map", "out.map"}, {"-Wl,-Map=out.map"}, 1},
      // A following sub-option is not a file name: the name is missing.
      {Z, opt_linker_map, {"-Map", "--data-init"}, {}, 0, "2041", "", 1},
      {T, opt_linker_map, {"-Map", "--data-init"}, {}, 0, "2041", "", 1},
      {N, opt_linker_map, {"-Map=out.map"}, {}},
      {Z, opt_linker_map, {"-Map"}, {}, 0, "2041", "", 1},
      {Z, opt_linker_map, {"-Map="}, {}, 0, "1195", "", 1},
      {T, opt_linker_map, {"-Mapfile"}, {}, 0, "1195", "", 1},
      {Z, opt_fixupoverflow, {"--fixupoverflow=error"}, {"-L--fixupoverflow=error"}, 0, "", "fixupoverflow_given"},
      {Z, opt_fixupoverflow, {"--fixupoverflow"}, {"-L--fixupoverflow"}, 0, "", "fixupoverflow_given"},
      {T, opt_fixupoverflow, {"--fixupoverflow=error"}, {}, 0, "1428"},
      {Z, opt_data_init, {"--data-init"}, {"--runtime=+clear", "--runtime=+init"}},
      {Z, opt_data_init, {"--no-data-init"}, {"--runtime=-clear", "--runtime=-init"}},
      {T, opt_data_init, {"--no-data-init"}, {"-Wl,--no-data-init"}},
      {N, opt_data_init, {"--data-init"}, {}},
  });
}

TEST(OptionsTools, AssemblerPreprocessorParserAndLegacyDriver) {
  check_all({
      {Z, opt_assembler, {"-x"}, {"-A-x"}},
      {T, opt_assembler, {"-x"}, {}},
      {Z, opt_assembler, {"-Wa,-x,,-y"}, {"-A-x", "-A-y"}},
      {T, opt_assembler, {"-Wa,-a,-x"}, {"-Wa,-a,-x"}},
      {Z, opt_assembler, {"-Wa"}, {}, 0, "1195"},
      {T, opt_assembler, {"-Wa"}, {}, 0, "1195"},
      {N, opt_assembler, {"-Wa"}, {}},
      {Z, opt_asm_list, {"-adhln"}, {"--asmlist"}},
      {T, opt_asm_list, {"-a"}, {}},
      {Z, opt_xassembler, {"-Xassembler", "-al"}, {"--asmlist"}, 1},
      {Z, opt_xassembler, {"-Xassembler", "-x"}, {"-A-x"}, 1},
      {T, opt_xassembler, {"-Xassembler", "-al"}, {"-Xassembler", "-al"}, 1},
      {N, opt_xassembler, {"-Xassembler", "-al"}, {}, 0},
      {Z, opt_xassembler, {"-Xassembler"}, {}, 0, "2041", "", 1},
      {Z, opt_preprocessor, {"-Wp,-DX,,-UY"}, {"-Z-DX", "-Z-UY"}},
      {Z, opt_preprocessor, {"-Wp"}, {}},
      {T, opt_preprocessor, {"-Wp,-DX"}, {"-Wp,-DX"}},
      {Z, opt_xpreprocessor, {"-Xpreprocessor", "-DX"}, {"-Z-DX"}, 1},
      {T, opt_xpreprocessor, {"-Xpreprocessor", "-DX"}, {"-Xpreprocessor", "-DX"}, 1},
      {T, opt_xpreprocessor, {"-Xpreprocessor"}, {}, 0, "2041", "", 1},
      {Z, opt_parser, {"-Xparser", "-w"}, {"-R-w"}, 1},
      {Z, opt_parser, {"-Xp1", "-w"}, {"-R-w"}, 1},
      {Z, opt_parser, {"-Xclang", "-w"}, {"-R-w"}, 1},
      {T, opt_parser, {"-Xparser", "foo.c"}, {}, 0, "1428"},
      {Z, opt_parser, {"-Xclang"}, {}, 0, "2041", "", 1},
      {Z, opt_lumo8, {"-Xlumo8", "--chipinfo"}, {"--chipinfo"}, 1},
      {Z, opt_lumo8, {"-Xlumo8", "--errformat=%f %s"}, {"--errformat=%f %s"}, 1, "", "errformat_given"},
      {Z, opt_lumo8, {"-Xlumo8", "--warnformat=%s"}, {"--warnformat=%s"}, 1, "", "warnformat_given"},
      {Z, opt_lumo8, {"-Xlumo8", "--msgformat=%s"}, {"--msgformat=%s"}, 1, "", "msgformat_given"},
      {T, opt_lumo8, {"-Xlumo8", "--errformat=%s"}, {}, 0, "1428"},
      {Z, opt_lumo8, {"-Xlumo8"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsTools, Libraries) {
  check_all({
      {Z, opt_library, {"-lfoo"}, {}, 0, "", "l:foo"},
      {Z, opt_library, {"-l", "m"}, {}, 1, "", "l:m"},
      {T, opt_library, {"-lfoo"}, {"-lfoo"}},
      {T, opt_library, {"-l", "m"}, {"-lm"}, 1},
      {N, opt_library, {"-l", "m"}, {}, 1},
      {N, opt_library, {"-lm"}, {}, 0},
      {Z, opt_library, {"-l"}, {}, 0, "2041", "", 1},
      {T, opt_library, {"-l"}, {}, 0, "2041", "", 1},
      {Z, opt_library_dir, {"-Llib"}, {}, 0, "", "L: L:lib"},
      {Z18, opt_library_dir, {"-L", "lib"}, {}, 1, "", "L: L:lib"},
      {T, opt_library_dir, {"-Llib"}, {"-Llib"}},
      {T, opt_library_dir, {"-L", "lib"}, {"-Llib"}, 1},
      {N, opt_library_dir, {"-L", "lib"}, {}, 1},
      {Z, opt_library_dir, {"-L"}, {}, 0, "2041", "", 1},
  });
  // Libraries and directories keep their command-line order.
  Outcome o = run(Z, {Step{opt_library, {"-lb"}}, Step{opt_library_dir, {"-Lx"}}, Step{opt_library, {"-la"}},
                      Step{opt_library_dir, {"-L", "y"}}});
  EXPECT_EQ(o.state, "l:b l:a L: L:x L:y");
}

}  // namespace
