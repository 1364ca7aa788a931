// What the tests of the installation's programs share: where the staged
// programs are, and small object files and p1 files to feed them.
#pragma once

#include <string>
#include <vector>

namespace tools_test {

// ${LUMO_STAGE} joined with rel.
std::string staged(const std::string& rel);

// Object records: each (type, data), closed by an END record.
std::string object_bytes(const std::vector<std::pair<int, std::string>>& records);
// A p1 intermediate file whose body mentions tag.
std::string p1_bytes(const std::string& tag);

// Entries of a directory other than the ones named.
std::vector<std::string> others_in(const std::string& dir, const std::vector<std::string>& expected);

}  // namespace tools_test
