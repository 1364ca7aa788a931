// The integer expressions of "#if" and "#elif", after "defined" and the
// macros have been replaced: C's operators on long long values with the
// usual precedence, parentheses and the conditional operator.
#pragma once

#include <string>

// False when the text is not one whole expression or divides by zero.
bool tc_pre_evaluate(const std::string& text, long long* result);
