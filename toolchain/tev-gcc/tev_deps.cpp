// Dependency rules of tev-gcc: the request's options in the GNU driver's
// terms, and the prerequisites a preprocessed input gives.
#include "toolchain/tev-gcc/tev_deps.h"

#include <set>

#include "common/gnudeps.h"
#include "toolchain/tev-gcc/tev_output.h"

namespace {

gnudeps_request gnu_request(const tev_request& r) {
  gnudeps_request g;
  g.deps_only = r.deps_only;
  g.stage = r.stage == tev_stage::preprocess ? gnudeps_stage::preprocess
            : r.stage == tev_stage::assembly ? gnudeps_stage::assembly
            : r.stage == tev_stage::compile  ? gnudeps_stage::compile
                                             : gnudeps_stage::link;
  g.output = r.output;
  g.file = r.deps_file;
  g.targets = r.deps_targets;
  g.quoted_targets = r.deps_quoted_targets;
  g.phony = r.deps_phony;
  return g;
}

// The main source first, then each header once; -MM and -MMD leave out the
// headers of the system directories.
std::vector<std::string> prerequisites(const tev_request& r, const std::string& input,
                                       const std::vector<tc_pre_header>& headers) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  if (input != kTcStdin) {
    names.push_back(input);
    seen.insert(input);
  }
  for (const tc_pre_header& h : headers)
    if (!(h.system && r.deps_user_only) && seen.insert(h.path).second) names.push_back(h.path);
  return names;
}

}  // namespace

std::string tev_deps_rule(const tev_request& request, const std::string& input,
                          const std::vector<tc_pre_header>& headers) {
  return gnudeps_rule(gnu_request(request), input, prerequisites(request, input, headers));
}

std::string tev_deps_destination(const tev_request& request, const std::string& input) {
  const std::string path = gnudeps_destination(gnu_request(request), input);
  return path.empty() ? kTevStdout : path;
}
