// The option table: which row an argument reaches, the walk over an
// argument vector, and the help printed from the rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/help.h"
#include "driver/option_state.h"
#include "driver/options.h"
#include "tests/support/testutil.h"

namespace {

class OptionTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { options_initialize(OPT_ENABLED); }
};

TEST_F(OptionTable, ArgumentsReachTheirRows) {
  struct Case {
    const char* key;
    const char* group;  // sub-option group tag, or null
    const char* row;    // null: no row
  };
  const Case cases[] = {
      {"-v", nullptr, "-v"},
      {"-V", nullptr, "-v"},
      {"-Wall", nullptr, "-W"},
      {"-Wno-unused-variable", nullptr, "-Wno-"},
      {"-Wno-error", nullptr, "-Wno-error"},
      {"-Wno-error=1234", nullptr, "-Wno-error"},
      {"-Werror=1234", nullptr, "-Werror"},
      {"-mcpu=16f877", nullptr, "-mcpu"},
      {"-DNAME=1", nullptr, "-D"},
      {"-ofile.hex", nullptr, "-o"},
      {"-Wl,-Map=x.map", nullptr, "-Wl"},
      {"-Wa,-a", nullptr, "-Wa"},
      {"-O0", nullptr, "-O0"},
      {"-O", nullptr, nullptr},
      {"-O4", nullptr, nullptr},
      {"-misa=x", nullptr, nullptr},
      {"-mcallgraph=x", nullptr, nullptr},
      {"main.c", nullptr, nullptr},
      {"-a", nullptr, nullptr},       // only a sub-option of the assembler group
      {"-Map=x", nullptr, nullptr},   // only a sub-option of the linker group
      {"-Map=out.map", "LKR", "-Map"},
      {"--data-init", "LKR", "--data-init"},
      {"-nostdlib", "LKR", "-nostdlib"},
      {"-nostdlib", nullptr, "-nostdlib"},
      {"-adhln", "ASM", "-a"},
      {"-x", "ASM", nullptr},
      {"-v", "LKR", nullptr},
      {"=,", nullptr, nullptr},       // no token to cut
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + (c.group ? std::string(" in ") + c.group : ""));
    const option_row* row = option_lookup(options_table(), c.key, c.group);
    if (!c.row) {
      EXPECT_EQ(row, nullptr) << row->name;
      continue;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->name, c.row);
    // Inside a group only its sub-option rows are found, outside only the others.
    EXPECT_EQ((row->flags & OPT_SUBOPTION) != 0, c.group != nullptr);
  }
}

TEST_F(OptionTable, EveryCallRegistersItsMask) {
  EXPECT_STREQ(options_separators(), "=,");
  option_state().verbosity = 3;
  options_initialize(OPT_ENABLED);
  EXPECT_EQ(option_state().verbosity, 0);
  options_initialize(OPT_WARNINGS);
  EXPECT_EQ(option_lookup(options_table(), "-c", nullptr), nullptr);
  EXPECT_NE(option_lookup(options_table(), "-Wall", nullptr), nullptr);
  EXPECT_STREQ(options_separators(), "=");  // no list row among the warnings
  options_initialize(OPT_ENABLED);
  EXPECT_NE(option_lookup(options_table(), "-c", nullptr), nullptr);
  EXPECT_STREQ(options_separators(), "=,");
}

// What the walk relies on: a row that calls its handler has one and the
// other way round, a list row names its group's separators, a sub-option's
// group has a list row, and no translation needs a value its row cannot take.
TEST(OptionRows, AreConsistent) {
  for (const option_row* row = option_table; row->name; ++row) {
    SCOPED_TRACE(row->name);
    bool calls = false;
    for (const Translation* t : {&row->zir, &row->tev, &row->none}) {
      calls |= t->action == Action::handler;
      const bool prefix = t->action == Action::value || t->action == Action::value_or_text || t->action == Action::text;
      EXPECT_TRUE(!prefix || t->text[0]);
      EXPECT_TRUE(t->action != Action::value_or_text || t->text[1]);
      const bool value = t->action == Action::value || t->action == Action::take || t->action == Action::checked;
      EXPECT_TRUE(!value || row->takes != Takes::nothing);
    }
    EXPECT_EQ(calls, row->handler != nullptr);
    EXPECT_TRUE(row->takes != Takes::list || strchr(row->group, ':'));
    if (row->flags & OPT_SUBOPTION) {
      bool has_list = false;
      for (const option_row* list = option_table; list->name; ++list)
        has_list |= list->takes == Takes::list && strncmp(list->group, row->group, strlen(row->group)) == 0;
      EXPECT_TRUE(has_list);
    }
  }
}

TEST_F(OptionTable, PrefixLookupNeedsALongerKeyAndThePrefixFlag) {
  EXPECT_EQ(option_prefix_lookup(options_table(), "-Wno-", nullptr, 5), nullptr);
  ASSERT_NE(option_prefix_lookup(options_table(), "-Wno-x", nullptr, 5), nullptr);
  EXPECT_EQ(option_prefix_lookup(options_table(), "-Sx", nullptr, 2), nullptr);  // "-S" has no prefix flag
  ASSERT_NE(option_prefix_lookup(options_table(), "-Ifoo", nullptr, 2), nullptr);
}

// Runs the top-level walk for TEV, where almost every option stays as it
// is, and returns what it produced.
std::vector<std::string> walk(std::vector<std::string> args, DeviceType type = DEVICE_TEV) {
  vector* in = vec_new();
  for (const std::string& a : args) vec_push(in, sc_intern(a.c_str()));
  vector* out = options_handler(in, type, false);
  std::vector<std::string> result;
  for (const char* o : VecItems<const char*>(out)) result.emplace_back(o);
  vec_free(in);
  vec_free(out);
  return result;
}

TEST_F(OptionTable, WalkKeepsArgumentOrderAndConsumedValues) {
  option_state_reset();
  EXPECT_EQ(walk({"-o", "out.elf", "main.c", "-Wl,a,,b", "-Wa,-a,-x", "-l", "m"}),
            (std::vector<std::string>{"-oout.elf", "main.c", "-Wl,a", "-Wl,b", "-Wa,-a,-x", "-lm"}));
}

TEST(OptionHelp, ClassesAndLines) {
  struct Case {
    const char* list;
    uint32_t mask;
  };
  const Case cases[] = {
      {"warnings", OPT_WARNINGS},
      {"target,common", OPT_TARGET | OPT_COMMON},
      {"joined,separate", OPT_JOINED | OPT_SEPARATE},
      {"Warnings,bogus", 0},
      {",,", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(option_help_classes(c.list), c.mask) << c.list;

  testutil::RunResult r = testutil::in_child([] {
    options_initialize(OPT_ENABLED);
    options_print(OPT_WARNINGS);
    return 0;
  });
  EXPECT_EQ(r.out,
            "  -w                        Suppress all warnings\n"
            "  -Wpedantic                Flag use of non-standard keywords\n"
            "  -Werror                   Convert warnings to errors\n"
            "  -Wno-error                Prevent conversion of warnings to errors\n"
            "  -Wno-                     Disable warnings or messages\n"
            "  -W                        Enable warnings or messages\n");
  r = testutil::in_child([] {
    options_initialize(OPT_ENABLED);
    options_print(OPT_COMMON);
    return 0;
  });
  EXPECT_EQ(r.out.rfind("  -c                        Compile/assemble to intermediate/object file\n"
                        "  -C                        Tell the preprocessor not to discard comments\n",
                        0),
            0u);
  EXPECT_EQ(r.out.find("--lumodebug"), std::string::npos);  // hidden
  EXPECT_EQ(r.out.find("-Map"), std::string::npos);         // a sub-option
  r = testutil::in_child([] {
    options_initialize(OPT_ENABLED);
    options_print(OPT_TARGET);
    return 0;
  });
  EXPECT_NE(r.out.find("  -mno-const-data-in-progmem\n                            Copy constant data to RAM\n"),
            std::string::npos);
}

TEST(OptionHelp, ListsFourALineOrOneALine) {
  testutil::RunResult r = testutil::in_child([] {
    for (bool one : {false, true}) {
      vector* list = vec_new();
      for (const char* name : {"a", "b", "c", "d", "e"}) vec_push(list, name);
      print_list(list, one);
    }
    vector* four = vec_new();
    for (const char* name : {"a", "b", "c", "d"}) vec_push(four, name);
    print_list(four, false);
    print_list(vec_new(), false);
    return 0;
  });
  const std::string pad(19, ' ');
  EXPECT_EQ(r.out, pad + "a " + pad + "b " + pad + "c " + pad + "d \n" + pad + "e \n" + "a\nb\nc\nd\ne\n" + pad +
                       "a " + pad + "b " + pad + "c " + pad + "d \n\n");
}

}  // namespace
