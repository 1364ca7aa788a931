// One argument and what it must give: the translation, the number of
// following arguments consumed, the messages raised, the option state left
// and the exit status (a handler that ends the program is checked on its
// messages and status alone).
#pragma once

#include <gtest/gtest.h>

#include "tests/driver/option_runner.h"

namespace optrun {

struct Case {
  DeviceType family;
  Texts args;
  Texts out;
  uint32_t consumed = 0;
  std::string messages = "";
  std::string state = "";
  int status = 0;
};

inline void check(const Case& c) {
  SCOPED_TRACE(std::string(family_name(c.family)) + " [" + join(c.args) + "]");
  Outcome o = run(c.family, Step{c.args});
  EXPECT_EQ(o.status, c.status) << o.stderr_text;
  EXPECT_EQ(o.messages, c.messages) << o.stderr_text;
  if (c.status != 0) return;
  EXPECT_EQ(o.out, c.out);
  EXPECT_EQ(o.consumed, c.consumed);
  EXPECT_EQ(o.state, c.state);
}

inline void check_all(const std::vector<Case>& cases) {
  for (const Case& c : cases) check(c);
}

}  // namespace optrun
