// The kinds of option values tev-gcc accepts and the check of each: the
// standards, warnings, numbers, ranges and names that mean something here.
#pragma once

#include <cstdint>
#include <string>

// What a value must look like.
enum class tev_value : uint8_t {
  none,
  text,        // anything but empty
  macro,       // NAME or NAME=VALUE
  identifier,  // NAME
  number,      // decimal or 0x hexadecimal
  decimal,
  standard,
  language,
  warning,
  device,
  extension,
  coverage,
  smart_io,
  reserve,     // ram@START:END or rom@START:END
  fill,        // NUMBER or NUMBER@START:END
  help_class,
  listing,     // the letters of an assembler listing, optionally =FILE
  library,
};

bool tev_value_ok(tev_value kind, const std::string& value);
