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
      {Z, {"-w"}, {"--msgdisable=0"}, 0, "", "nowarn_given"},
      {T, {"-w"}, {"-w"}},
      {N, {"-w"}, {}},
      {Z, {"-Wpedantic"}, {}, 0, "", "pedantic_given"},
      {T, {"-Wpedantic"}, {"-Wpedantic"}},
      {Z, {"-Werror"}, {"--Werror"}},
      {Z, {"-Werror=1234"}, {"--Werror=1234"}},
      {N, {"-Wno-error=2044"}, {"--Wno-error=2044"}},
      // Reached by the cut at ",": not a form the message facility takes.
      {Z, {"-Werror,2044"}, {}, 0, "1195"},
      {T, {"-Werror=1234"}, {"-Werror=1234"}},
      {Z, {"-Wall"}, {"-R-Wall"}},
      {N, {"-Wunused"}, {"-R-Wunused"}},
      {Z, {"-WERROR"}, {"--WERROR"}},
      {Z, {"-W2044"}, {}},
      {Z, {"-W"}, {}, 0, "1195"},
      {T, {"-Wall"}, {"-Wall"}},
      {T, {"-W"}, {"-W"}},
      {Z, {"-Wno-unused"}, {"-R-Wno-unused"}},
      {Z, {"-Wno-ERROR=2044"}, {"--Wno-ERROR=2044"}},
      {Z, {"-Wno-"}, {}, 0, "1195"},
      {Z, {"-Wno-1195"}, {}, 0, "1607"},
      {T, {"-Wno-unused"}, {"-Wno-unused"}},
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
      steps.push_back(Step{{a}});
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
      options_initialize(OPT_ENABLED);
      vector* out = vec_new();
      vector* args = vec_new();
      for (const std::string& a : c.args) vec_push(args, sc_intern(a.c_str()));
      for (uint32_t i = 0; i < vec_size(args); ++i) option_translate(args, i, Z, out);
      return static_cast<int>(alert_msgstate_get(kWarning));
    });
    EXPECT_EQ(r.status, static_cast<int>(c.state)) << r.err;
  }
}

// A list row: each sub-option by its own row or, without one, by the
// list's translation; when nothing came of them, the whole argument.
TEST(OptionsTools, LinkerAndItsSubOptions) {
  check_all({
      {Z, {"-Wl,--gc-sections"}, {"-L--gc-sections"}},
      {T, {"-Wl,--gc-sections"}, {"-Wl,--gc-sections"}},
      {N, {"-Wl,--gc-sections"}, {}},
      {Z, {"-Wl,"}, {}},
      {Z, {"-Wl,a,,b"}, {"-La", "-Lb"}},
      {T, {"-Wl,a,b"}, {"-Wl,a", "-Wl,b"}},
      {T, {"-Wl,"}, {"-Wl,"}},
      // Nothing behind the name names no linker option.
      {Z, {"-Wl"}, {}, 0, "1195"},
      {T, {"-Wl"}, {}, 0, "1195"},
      {N, {"-Wl"}, {}},
      {Z, {"-Wl,-Map=out.map"}, {"-Mout.map"}},
      {T, {"-Wl,-Map,out.map"}, {"-Wl,-Map=out.map"}},
      // A following sub-option is not a file name: the name is missing.
      {Z, {"-Wl,-Map,--data-init"}, {}, 0, "2041", "", 1},
      {Z, {"-Wl,-Map"}, {}, 0, "2041", "", 1},
      {Z, {"-Wl,-Map="}, {}, 0, "1195", "", 1},
      {T, {"-Wl,-Mapfile"}, {"-Wl,-Mapfile"}},  // no row of its own
      {Z, {"-Wl,--fixupoverflow=error"}, {"-L--fixupoverflow=error"}, 0, "", "fixupoverflow_given"},
      // Refused, and then passed on whole: nothing came of the list.
      {T, {"-Wl,--fixupoverflow=error"}, {"-Wl,--fixupoverflow=error"}, 0, "1428"},
      {Z, {"-Wl,--data-init,--no-data-init"}, {"--runtime=+clear", "--runtime=+init", "--runtime=-clear", "--runtime=-init"}},
      {T, {"-Wl,--no-data-init=1"}, {"-Wl,--no-data-init=1"}},
      {Z, {"-Wl,--memorysummary,sum"}, {"--summary=+xml", "--summarydir=sum"}},
      {T, {"-Wl,--memorysummary,-x"}, {"-Wl,--memorysummary,memoryfile.xml", "-Wl,-x"}},
      // "-Xlinker" and its value.
      {Z, {"-Xlinker", "-Map=out.map"}, {"-Mout.map"}, 1},
      // The bare names would leave the next "-Xlinker" value misread.
      {Z, {"-Xlinker", "-Map"}, {}, 1, "1195"},
      {Z, {"-Xlinker", "--memorysummary"}, {}, 1, "1195"},
      {Z, {"-Xlinker", "--memorysummary:sum"}, {"--summary=+xml", "--summarydir=sum"}, 1},
      {Z18, {"-Xlinker", "--gc-sections"}, {"-L--gc-sections"}, 1},
      {T, {"-Xlinker", "-Map=out.map"}, {"-Xlinker", "-Map=out.map"}, 1},
      {N, {"-Xlinker", "x"}, {}, 0},
      {T, {"-Xlinker"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsTools, AssemblerPreprocessorParserAndLegacyDriver) {
  check_all({
      {Z, {"-Wa,-x,,-y"}, {"-A-x", "-A-y"}},
      {T, {"-Wa,-a,-x"}, {"-Wa,-a,-x"}},
      {Z, {"-Wa,-adhln"}, {"--asmlist"}},
      {Z, {"-Wa"}, {}, 0, "1195"},
      {N, {"-Wa"}, {}},
      {Z, {"-Xassembler", "-al"}, {"--asmlist"}, 1},
      {Z, {"-Xassembler", "-x"}, {"-A-x"}, 1},
      {T, {"-Xassembler", "-al"}, {"-Xassembler", "-al"}, 1},
      {N, {"-Xassembler", "-al"}, {}, 0},
      {Z, {"-Wp,-DX,,-UY"}, {"-Z-DX", "-Z-UY"}},
      {Z, {"-Wp"}, {}},
      {T, {"-Wp,-DX"}, {"-Wp,-DX"}},
      {T, {"-Wp"}, {"-Wp"}},
      {Z, {"-Xpreprocessor", "-DX"}, {"-Z-DX"}, 1},
      {T, {"-Xpreprocessor", "-DX"}, {"-Xpreprocessor", "-DX"}, 1},
      {Z, {"-Xparser", "-w"}, {"-R-w"}, 1},
      // Refused for TEV, so the value is an argument of its own.
      {T, {"-Xparser", "foo.c"}, {}, 0, "1428"},
      {Z, {"-Xclang"}, {}, 0, "2041", "", 1},
      {Z, {"-Xlumo8", "--errformat=%f %s"}, {"--errformat=%f %s"}, 1, "", "errformat_given"},
      {Z, {"-Xlumo8", "--warnformat=%s"}, {"--warnformat=%s"}, 1, "", "warnformat_given"},
      {Z, {"-Xlumo8", "--msgformat=%s"}, {"--msgformat=%s"}, 1, "", "msgformat_given"},
      {T, {"-Xlumo8", "--errformat=%s"}, {}, 0, "1428"},
  });
}

TEST(OptionsTools, Libraries) {
  check_all({
      {Z, {"-lfoo"}, {}, 0, "", "l:foo"},
      {Z, {"-l", "m"}, {}, 1, "", "l:m"},
      {T, {"-lfoo"}, {"-lfoo"}},
      {T, {"-l", "m"}, {"-lm"}, 1},
      {N, {"-l", "m"}, {}, 1},
      {N, {"-lm"}, {}, 0},
      {Z, {"-l"}, {}, 0, "2041", "", 1},
      {T, {"-l"}, {}, 0, "2041", "", 1},
      {Z, {"-Llib"}, {}, 0, "", "L: L:lib"},
      {Z18, {"-L", "lib"}, {}, 1, "", "L: L:lib"},
      {T, {"-Llib"}, {"-Llib"}},
      {T, {"-L", "lib"}, {"-Llib"}, 1},
      {N, {"-L", "lib"}, {}, 1},
      {Z, {"-L"}, {}, 0, "2041", "", 1},
  });
  // Libraries and directories keep their command-line order.
  Outcome o = run(Z, {Step{{"-lb"}}, Step{{"-Lx"}}, Step{{"-la"}},
                      Step{{"-L", "y"}}});
  EXPECT_EQ(o.state, "l:b l:a L: L:x L:y");
}

}  // namespace
