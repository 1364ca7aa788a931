// The alert facility: what a raised message prints, counts and ends, in
// plain and format mode, with message states and the -Werror rules. Every
// case runs in a child process: the facility's state is process-wide and
// fatal messages end the program.
#include "common/alert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "common/alert_msgstate.h"
#include "common/messages.h"
#include "common/vector.h"
#include "tests/support/testutil.h"

namespace {

using testutil::in_child;

constexpr const char* kGnuError = "%f:%l:%c: error: (%n) %s";
constexpr const char* kGnuWarning = "%f:%l:%c: warning: (%n) %s";
constexpr const char* kGnuMessage = "%f:%l:%c: advisory: (%n) %s";

// No format variables from the test's own environment.
const std::vector<std::string> kCleanEnv = {"-ZOT_ERR_FORMAT", "-ZOT_WARN_FORMAT", "-ZOT_MSG_FORMAT"};

testutil::RunResult child(const std::function<int()>& body, std::vector<std::string> env = {}) {
  env.insert(env.begin(), kCleanEnv.begin(), kCleanEnv.end());
  return in_child(body, ".", env);
}

void gnu_formats() {
  alert_init();
  alert_override_formats(kGnuError, kGnuWarning, kGnuMessage);
  alert_use_formats(true);
}

TEST(Alert, LinesOfEachKindAndMode) {
  struct Case {
    const char* name;
    std::function<void()> setup;
    uint32_t number;
    const char* arg;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"default formats", [] { alert_init(); alert_use_formats(true); }, 2044, "-y",
       ": : (2044) unrecognized option \"-y\" (warning)\n"},
      {"plain with file and line",
       [] {
         static int line = 12;
         alert_set_context("main.c", &line, nullptr, nullptr);
       },
       2044, "-z", "main.c: 12: (2044) unrecognized option \"-z\" (warning)\n"},
      {"every placeholder",
       [] {
         alert_init();
         alert_override_formats("[%a|%n|%s|%q|%%]", nullptr, nullptr);
         alert_use_formats(true);
       },
       1195, "p", "[lumo8-cc|1195|invalid syntax for \"p\" option|q|%]\n"},
      {"format ending in a percent sign",
       [] {
         alert_init();
         alert_override_formats("E%n:%", nullptr, nullptr);
         alert_use_formats(true);
       },
       1195, "x", "E1195:\n"},
  };
  for (const Case& c : cases) {
    auto r = child([&c] {
      c.setup();
      return alert_raise(c.number, c.arg) == 1 ? 0 : 3;
    });
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.err, c.expected) << c.name;
  }
}

TEST(Alert, EnvironmentFormatsAndTheirPrecedence) {
  auto set = child(
      [] {
        alert_init();
        alert_use_formats(true);
        alert_raise(1195, "x");
        alert_set_formats("given %s", nullptr, nullptr);  // the environment still wins
        alert_raise(1195, "y");
        alert_override_formats("given %n", nullptr, nullptr);  // the given format wins
        alert_raise(2045, "z");
        return 0;
      },
      {"ZOT_ERR_FORMAT=E%n:%s"});
  EXPECT_EQ(set.err,
            "E1195:invalid syntax for \"x\" option\n"
            "E1195:invalid syntax for \"y\" option\n"
            "given 2045\n");
}

TEST(Alert, NoLineAndNoFileForms) {
  auto r = child([] {
    gnu_formats();
    alert_raise_noline(1502, "x > 0", "a.cpp", 10);
    alert_raise_nofile(1606);
    alert_use_formats(false);
    alert_raise_nofile(1606);
    static int line = 3;
    alert_set_context("f.c", &line, nullptr, nullptr);
    alert_raise_noline(1502, "y", "b.cpp", 2);
    alert_use_formats(true);
    alert_override_formats("%f: %l: (%n) %s (error)", nullptr, nullptr);
    alert_raise_nofile(1606);
    return 0;
  });
  EXPECT_EQ(r.err,
            "Non line specific message::: error: (1502) assertion failure: x > 0 (a.cpp:10) \n"
            "error: (1606) w[no-]error option has been passed an invalid or missing message identifier\n"
            "(1606) w[no-]error option has been passed an invalid or missing message identifier\n"
            "Non line specific message: (1502) assertion failure: y (b.cpp:2) \n"
            "(1606) w[no-]error option has been passed an invalid or missing message identifier (error)\n");
}

TEST(Alert, WarningLevelThreshold) {
  auto r = child([] {
    int below = alert_typed(2044, "-1", "level minus one");
    int at = alert_typed(2044, "0", "level zero");
    alert_set_warnlevel(1);
    int catalogue = alert_raise(2044, "-w");  // level 0 is now below
    alert_print("%d %d %d", below, at, catalogue);
    return 0;
  });
  EXPECT_EQ(r.err, "(2044) level zero (warning)\n0 1 0\n");
}

TEST(Alert, TooManyErrorsStopsAtTheTwentyFirst) {
  auto r = child([] {
    for (int i = 0; i < 30; ++i) alert_raise(1195, "x");
    return 0;
  });
  EXPECT_EQ(r.status, 1);
  std::string expected;
  for (int i = 0; i < 20; ++i) expected += "(1195) invalid syntax for \"x\" option\n";
  expected += "too many errors (21)\n";
  EXPECT_EQ(r.err, expected);

  auto raised = child([] {
    set_maxerrors(2);
    for (int i = 0; i < 5; ++i) alert_typed(917, "E", "typed error");
    return 0;
  });
  EXPECT_EQ(raised.status, 1);
  EXPECT_EQ(raised.err, "(917) typed error\n(917) typed error\ntoo many errors (3)\n");
}

TEST(Alert, SystemErrorText) {
  auto r = child([] {
    alert_init();
    alert_override_formats("%s|%m", nullptr, nullptr);
    alert_use_formats(true);
    errno = 0;
    alert_raise(141, "debug-out", "x.out");
    return 0;
  });
  EXPECT_EQ(r.status, 1);  // 141 is fatal
  EXPECT_EQ(r.err, "can't open debug-out file \"x.out\": |\n");
  auto plain = child([] {
    errno = ENOENT;
    alert_raise(141, "debug-out", "y.out");
    return 0;
  });
  EXPECT_EQ(plain.err, "(141) can't open debug-out file \"y.out\": No such file or directory\n");
}

// Which of the warnings 2044 and 2048 the options make errors: the mark
// each line keeps.
TEST(Alert, WerrorRules) {
  const char* const kWarning = " (warning)";
  struct Case {
    std::vector<const char*> options;
    const char *mark2044, *mark2048;
  };
  const Case cases[] = {
      {{"--Werror"}, "", ""},
      {{"--Werror", "--Wno-error=2044"}, kWarning, ""},
      {{"--Werror=2048"}, kWarning, ""},
      {{"--Werror=ALL", "--Wno-error"}, kWarning, kWarning},
  };
  const std::string first = "(2044) unrecognized option \"-x\"";
  const std::string second =
      "(2048) C language extension \"-x\" is not supported and will be ignored";
  for (const Case& c : cases) {
    auto r = child([&c] {
      for (const char* o : c.options)
        if (werr_process(o, 1) != 1) return 3;
      alert_raise(2044, "-x");
      alert_raise(2048, "-x");
      return alert_has_errors();
    });
    EXPECT_EQ(r.status, *c.mark2048 ? 0 : 1) << c.options.back();
    EXPECT_EQ(r.err, first + c.mark2044 + "\n" + second + c.mark2048 + "\n") << c.options.back();
  }
}

TEST(Alert, WerrorOptionTest) {
  struct Case {
    const char* text;
    bool is_option;
  };
  const Case cases[] = {
      {"-Werror", true},       {"---werror", true},   {"-Werror=", true},  {"-Wno-error=all", true},
      {"-WNo-Error", true},    {"Werror", false},     {"-Werrors", false}, {"-Wno-errors=1", false},
      {"-W", false},           {"", false},           {"-Werror-x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(werr_isOption(c.text), c.is_option) << c.text;
  EXPECT_FALSE(werr_isOption(nullptr));
}

TEST(Alert, MessageStates) {
  // 2044 and 1428 are warnings, 1195 an error.
  const std::string w2044 = "(2044) unrecognized option \"x\" (warning)\n";
  const std::string w1428 = "(1428) \"x\" is not supported; this feature will be ignored (warning)\n";
  const std::string e1428 = "(1428) \"x\" is not supported; this feature will be ignored\n";
  const std::string e1195 = "(1195) invalid syntax for \"x\" option\n";
  const std::string w1195 = "(1195) invalid syntax for \"x\" option (warning)\n";
  struct Case {
    const char* name;
    std::function<void()> setup;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"quiet",
       [] {
         alert_msgstate(2044, MSGSTATE_QUIET);
         alert_msgstate(1195, MSGSTATE_QUIET);
       },
       w1428 + e1195},
      {"suppress",
       [] {
         alert_msgstate(1195, MSGSTATE_SUPPRESS);
         alert_msgstate(1428, MSGSTATE_OFF);
       },
       w2044},
      {"error to warning", [] { alert_msgstate(1195, MSGSTATE_TO_WARNING); }, w2044 + w1428 + w1195},
      {"warning to error", [] { alert_msgstate(1428, MSGSTATE_TO_ERROR); }, w2044 + e1428 + e1195},
      {"quiet all warnings, then reset",
       [] {
         alert_msgstate(0, MSGSTATE_QUIET_WARNINGS);
         alert_msgstate(0, MSGSTATE_RESET);
       },
       w2044 + w1428 + e1195},
      {"quiet all warnings", [] { alert_msgstate(0, MSGSTATE_QUIET_WARNINGS); }, e1195},
      {"suppress everything not fatal", [] { alert_msgstate(0, MSGSTATE_SUPPRESS_ALL); }, ""},
      {"push, change, pop",
       [] {
         alert_msgstate(2044, MSGSTATE_OFF);
         alert_msgstate(0, MSGSTATE_PUSH);
         alert_msgstate(1428, MSGSTATE_OFF);
         alert_msgstate(0, MSGSTATE_POP);
         alert_msgstate(0, MSGSTATE_POP);  // the last level stays
       },
       w1428 + e1195},
  };
  for (const Case& c : cases) {
    auto r = child([&c] {
      c.setup();
      alert_raise(2044, "x");
      alert_raise(1428, "x");
      alert_raise(1195, "x");
      return 0;
    });
    EXPECT_EQ(r.err, c.expected) << c.name;
  }
  auto fatal = child([] {
    alert_msgstate(0, MSGSTATE_SUPPRESS_ALL);
    alert_msgstate(2042, MSGSTATE_OFF);
    alert_raise(2042);
    return 0;
  });
  EXPECT_EQ(fatal.status, 1) << "a fatal message cannot be suppressed";
}

TEST(Alert, TypedMessages) {
  auto r = child([] {
    alert_typed(3, "M", "advisory %d", 1);
    alert_typed(7, "e", "error %s", "two");
    alert_typed(8, "2", "warning level two");
    alert_typed(9, "X", "unknown type");
    alert_print("errors %d", alert_has_errors());
    alert_typed(10, "F", "fatal");
    return 0;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "advisory 1\n(7) error two\n(8) warning level two (warning)\n(9) unknown type (warning)\n"
            "errors 1\n(10) fatal\n");
}

TEST(Alert, OutputHookAndCutting) {
  auto r = child([] {
    alert_set_output([](const char* line) { fprintf(stderr, "<%s>", line); });
    alert_print("a%d", 1);
    alert_set_output(nullptr);
    std::string longer(9000, 'x');
    alert_print("%s", longer.c_str());
    alert_raise(2044, std::string(600, 'y').c_str());
    return 0;
  });
  std::string expected = "<a1\n>" + std::string(kAlertLineMax - 1, 'x') + "\n" + "(2044) unrecognized option \"" +
                         std::string(kAlertTextMax - 28, 'y') + " (warning)\n";
  EXPECT_EQ(r.err, expected);
}

}  // namespace
