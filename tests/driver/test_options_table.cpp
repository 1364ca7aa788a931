// The option table: which row an argument reaches, the masks, the rows'
// consistency and the help classes. What each row translates to, and the
// help and listings it prints, are checked against the option record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/help.h"
#include "driver/option_state.h"
#include "driver/options.h"

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
      {"-V", nullptr, "-v"},                       // registered in both cases
      {"-Wno-unused-variable", nullptr, "-Wno-"},  // the 5-character prefix first
      {"-Wall", nullptr, "-W"},                    // then the 2-character one
      {"-Werror=1234", nullptr, "-Werror"},        // cut at "="
      {"-Wl,-Map=x.map", nullptr, "-Wl"},          // cut at a list separator
      {"-O", nullptr, nullptr},                    // no prefix row
      {"-misa=x", nullptr, nullptr},               // a row never registered
      {"-Map=x", nullptr, nullptr},                // only a sub-option of the linker group
      {"-Map=out.map", "LKR", "-Map"},
      {"-nostdlib", "LKR", "-nostdlib"},
      {"-adhln", "ASM", "-a"},
      {"-v", "LKR", nullptr},
      {"=,", nullptr, nullptr},                    // no token to cut
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
  option_state().verbosity = 3;
  options_initialize(OPT_ENABLED);
  EXPECT_EQ(option_state().verbosity, 0);
  options_initialize(OPT_WARNINGS);
  EXPECT_EQ(option_lookup(options_table(), "-c", nullptr), nullptr);
  EXPECT_NE(option_lookup(options_table(), "-Wall", nullptr), nullptr);
  options_initialize(OPT_ENABLED);
  EXPECT_NE(option_lookup(options_table(), "-c", nullptr), nullptr);
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

TEST(OptionHelp, Classes) {
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
}

}  // namespace
