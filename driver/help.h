// Option help printed from the option table itself, so that it lists
// exactly the options the program recognises.
#pragma once

#include <cstdint>

struct vector;

// Help class names ("common", "optimizers", "params", "target", "warnings",
// "undocumented", "joined", "separate") of a comma-separated list as a flag
// mask; names that match no class are ignored.
uint32_t option_help_classes(const char* list);
// A line for every registered, listed row whose flags share a bit with mask.
void options_print(uint32_t mask);
// Prints the texts one a line, or four a line right-aligned in 20 columns;
// frees the vector (not its texts).
void print_list(vector* list, bool one_per_line);
