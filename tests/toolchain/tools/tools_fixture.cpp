#include "tests/toolchain/tools/tools_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/testutil.h"

namespace tools_test {

std::string staged(const std::string& rel) {
  const char* s = getenv("LUMO_STAGE");
  return std::string(s ? s : ".") + "/" + rel;
}

std::string object_bytes(const std::vector<std::pair<int, std::string>>& records) {
  std::string out;
  auto add = [&out](int type, const std::string& data) {
    out += static_cast<char>(data.size() & 0xFF);
    out += static_cast<char>(data.size() >> 8);
    out += static_cast<char>(type);
    out += data;
  };
  for (const auto& [type, data] : records) add(type, data);
  add(6, "");
  return out;
}

std::string p1_bytes(const std::string& tag) {
  return "Version 2.50    HALDRIN Software Intermediate Code\n[v _" + tag + " `(v ~T0 @X0 1 ef ]\n";
}

std::vector<std::string> others_in(const std::string& dir, const std::vector<std::string>& expected) {
  std::vector<std::string> out;
  for (const std::string& n : testutil::list_dir(dir))
    if (std::find(expected.begin(), expected.end(), n) == expected.end()) out.push_back(n);
  return out;
}

}  // namespace tools_test
