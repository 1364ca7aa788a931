// Machine-dependent facts the program answers itself: the built-in
// functions of the TEV compiler.
#pragma once

// Prints the TEV built-in function names, one a line, ordered by the name
// without its leading underscores.
void print_builtins_list();
// The order of print_builtins_list over two list slots; never 0. A sort
// comparator, not traced.
int builtin_compare(const void* a, const void* b);
