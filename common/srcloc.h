// Source locations for creation sites and trace records.
//
// Containers remember where they were created and trace records name the
// line that wrote them. Both take the location as defaulted arguments, so a
// call site writes nothing extra. The compiler builtins are used because
// clang 14 with libstdc++ 12 has no std::source_location.
#pragma once

#define LUMO_HERE_FILE __builtin_FILE()
#define LUMO_HERE_LINE __builtin_LINE()
