// Files the tool-chain programs write beside their place and then rename
// into it: while one is not yet in its place, a signal that ends the program
// from outside (tc_on_end_signals) removes it before the program ends by
// that signal, and so does an exit in between (a fatal message), so that an
// interrupted build leaves no partial output behind.
#pragma once

#include <string>

// From now on the file at path is a partial output. A program writes a few
// at a time; beyond that many a file is written unguarded.
void tc_partial_add(const std::string& path);
// The file is in its place, or removed: no longer a partial output.
void tc_partial_done(const std::string& path);

// Writes contents to path: into path + temp_suffix, a partial output until
// it is renamed into its place. A device such as /dev/null is written
// straight into, as a file moved into its place would replace it. False
// when the file cannot be written.
bool tc_write_output(const std::string& path, const std::string& contents, const std::string& temp_suffix);
