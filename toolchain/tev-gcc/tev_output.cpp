// Collected outputs and their careful writing.
#include "toolchain/tev-gcc/tev_output.h"

#include <cstdio>

#include "common/msgnum.h"
#include "common/osdep_path.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_host.h"
#include "toolchain/support/tc_partial.h"

namespace {

// Where the last component of a path starts; both separators on Windows,
// where "/" also separates.
size_t base_start(const std::string& path) {
  size_t sep = path.find_last_of(kNativePathStyle == PathStyle::windows ? "\\/" : "/");
  return sep == std::string::npos ? 0 : sep + 1;
}

// Where the extension of the last component starts; npos for none (a
// leading dot names a hidden file, not an extension).
size_t extension_start(const std::string& path) {
  size_t base = base_start(path);
  size_t dot = path.rfind('.');
  return dot == std::string::npos || dot <= base ? std::string::npos : dot;
}

}  // namespace

std::string tev_stem(const std::string& path) {
  size_t base = base_start(path);
  size_t dot = extension_start(path);
  return path.substr(base, dot == std::string::npos ? std::string::npos : dot - base);
}

std::string tev_without_extension(const std::string& path) { return path.substr(0, extension_start(path)); }

void tev_outputs::add(const std::string& path, std::string contents) {
  for (File& f : files_)
    if (f.path == path && path != kTevStdout) {
      f.contents = std::move(contents);
      return;
    }
  files_.push_back({path, std::move(contents)});
}

bool tev_outputs::commit() {
  bool ok = true;
  for (const File& f : files_) {
    if (f.path == kTevStdout) {
      fwrite(f.contents.data(), 1, f.contents.size(), stdout);
      fflush(stdout);
    } else if (!tc_write_output(f.path, f.contents, ".tev" + std::to_string(tc_pid()) + ".tmp")) {
      tc_raise(kMsgCannotWriteOutput, f.path.c_str());
      ok = false;
    }
  }
  return ok;
}
