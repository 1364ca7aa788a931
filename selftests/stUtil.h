// What the self tests share: the gated console output of the self-test
// commands, and small text helpers for tool output and commands.
#pragma once

#include <cstdio>

#include "common/vector.h"

// The verbose count of the self-test commands: console output is printed
// only while it is not 0.
void st_verbose_add();
int st_verbose();  // a getter, not traced
// Prints with format to stream and flushes it, when the verbose count is
// not 0.
void st_print(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Every line of the stream joined, each "%d: " numbered when asked; null
// for a null stream.
const char* fpString(FILE* stream, bool numbered);
// fpString of a file; null when it cannot be opened or closed.
const char* fileString(const char* path, bool numbered);
// Each text followed by one blank.
const char* vecString(const vector* list);
// The program and its arguments up to a null, and that null, as a new
// vector: the form the process layer takes commands in. Null for a null
// program.
vector* vecCommand(const char* program, ...) __attribute__((sentinel));
