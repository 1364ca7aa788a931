// The command file carries any argument list through the reader unchanged:
// random lists (seeded, bounded) go through the real writer of the command
// line (cmdline_spawn, to a stand-in driver that keeps the file) and come
// back through getargs as the same list.
//
// The writer's two documented limits are kept out of the lists: a tab, a
// line feed or a carriage return cannot be carried at all, and a backslash
// directly before a quote is written as it stands, so the reader takes it
// for an escaped backslash. An empty argument is dropped by every reader,
// so the lists hold none.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/vector.h"
#include "driver/cmdline.h"
#include "driver/getargs.h"
#include "tests/support/testutil.h"

namespace {

using List = std::vector<std::string>;

constexpr unsigned kSeed = 20261206;
constexpr int kLists = 400;

// Characters the quoting rules care about, drawn far more often than the
// rest of the byte range.
const std::string kSpecial = " \"'\\@#=-$`;|&*?()<>{}[]!~%";

class ArgumentSource {
 public:
  explicit ArgumentSource(unsigned seed) : rng_(seed) {}

  List list() {
    List args(pick(0, 12));
    for (std::string& a : args) a = argument();
    return args;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  char character() {
    int kind = pick(0, 9);
    if (kind < 4) return kSpecial[pick(0, static_cast<int>(kSpecial.size()) - 1)];
    if (kind < 8) return static_cast<char>(pick('a', 'z'));
    for (;;) {
      char c = static_cast<char>(pick(1, 255));
      if (c != '\t' && c != '\n' && c != '\r') return c;
    }
  }

  std::string argument() {
    // Mostly short, now and then up to the reader's limit.
    int length = pick(0, 20) == 0 ? pick(1, static_cast<int>(kGetargsTokenMax)) : pick(1, 24);
    std::string a;
    while (static_cast<int>(a.size()) < length) {
      char c = character();
      if ((c == '"' || c == '\'') && !a.empty() && a.back() == '\\') continue;
      a += c;
    }
    return a;
  }

  std::mt19937 rng_;
};

// One argument, printable, cut to a readable length.
std::string shown(const std::string& a) {
  std::string s;
  for (unsigned char c : a.substr(0, 80)) {
    if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02x", c);
      s += hex;
    }
  }
  return "[" + s + (a.size() > 80 ? "...(" + std::to_string(a.size()) + " bytes)]" : "]");
}

// The first argument where the two lists part.
std::string first_difference(const List& wrote, const List& read) {
  size_t i = 0;
  while (i < wrote.size() && i < read.size() && wrote[i] == read[i]) ++i;
  return "argument " + std::to_string(i) + " of " + std::to_string(wrote.size()) + " (read " +
         std::to_string(read.size()) + "): wrote " + (i < wrote.size() ? shown(wrote[i]) : "nothing") +
         ", read " + (i < read.size() ? shown(read[i]) : "nothing");
}

// What the reader makes of a command file's bytes, entry 0 left out.
List read_back(const std::string& bytes) {
  FILE* in = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
  if (!in) return {"<fmemopen failed>"};
  char** entries = getargs_from(in, 0, "reader");
  List list(entries + 1, entries + getargs_count());
  fclose(in);
  return list;
}

TEST(CmdfileRoundTrip, RandomListsReadBackUnchanged) {
  testutil::TempDir temp, record;
  const std::string cmdfile = record.file("cmdfile");
  testutil::RunResult r = testutil::in_child(
      [&cmdfile]() -> int {
        ArgumentSource source(kSeed);
        int failures = 0;
        for (int i = 0; i < kLists && failures < 5; ++i) {
          const List args = source.list();
          vector* options = vec_new();
          vec_push(options, RECORD_DRIVER_PATH);
          for (const std::string& a : args) vec_push(options, a.c_str());
          remove(cmdfile.c_str());
          int status = cmdline_spawn(options, CMDLINE_FILE_ALWAYS, 0);
          vec_free(options);
          if (status != 0) {
            fprintf(stderr, "list %d: driver status %d\n", i, status);
            ++failures;
            continue;
          }
          const List back = read_back(testutil::read_file(cmdfile));
          if (back != args) {
            fprintf(stderr, "list %d: %s\n", i, first_difference(args, back).c_str());
            ++failures;
          }
        }
        fflush(stderr);
        exit(failures);  // through the exit handlers, which remove the temporary root
      },
      ".", {"TEMP=" + temp.path(), "-TMP", "LUMO_RECORD=" + record.path()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(testutil::list_dir(temp.path()), std::vector<std::string>{});
}

}  // namespace
