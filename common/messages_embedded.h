// The rows of the embedded message catalogue, ready when the program starts.
// Row access for the lookups of the message table: not traced.
#pragma once

#include <cstdint>
#include <span>

#include "common/messages.h"

// Every row in catalogue order.
std::span<const msg> embedded_rows();
// The row of a number, or null.
const msg* embedded_row(uint32_t number);
// The highest number of a row, plus one.
uint32_t embedded_table_size();
