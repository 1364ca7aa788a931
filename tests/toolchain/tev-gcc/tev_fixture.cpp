#include "tests/toolchain/tev-gcc/tev_fixture.h"

#include <sys/stat.h>

#include <algorithm>

namespace tevtest {

std::string tev_gcc() { return testutil::stage() + "/tev/bin/tev-gcc"; }

Sources::Sources() {
  write("x.c",
        "#include \"one.h\"\n"
        "#include <sys.h>\n"
        "int counter = 5;\n"
        "static char buffer[8];\n"
        "static int twice(int a) { return a * ONE; }\n"
        "int main(void) { counter = twice(counter); return 0; }\n");
  write("y.c", "int helper(void) { return 7; }\n");
  write("a.s",
        "; plain assembler\n"
        "\t.text\n"
        "\t.global start\n"
        "start:\tldi r16, 1\n"
        "\tcall main\n"
        "\tret\n"
        "\t.data\n"
        "flag:\t.byte 1, 2\n");
  write("b.S",
        "#define VALUE 3\n"
        "\t.text\n"
        "\t.global entry\n"
        "entry:\tldi r16, VALUE\n"
        "\tret\n");
  mkdir(file("inc").c_str(), 0700);
  write("inc/one.h", "#define ONE 1\n");
  write("inc/sys.h", "#define SYS 1\n");
  // A command file that is not a regular file: reading it would block.
  mkfifo(file("fifo.cmd").c_str(), 0600);
  initial_ = testutil::list_dir(path());
}

void Sources::write(const std::string& name, const std::string& text) const { testutil::write_file(file(name), text); }

namespace {
testutil::RunResult run_in(const std::string& dir, std::vector<std::string> argv, const std::vector<std::string>& args) {
  argv.insert(argv.end(), args.begin(), args.end());
  return testutil::run(argv, dir, {std::string("ZOT_ERR_FORMAT=") + kErrorFormat, "-ZOT_WARN_FORMAT"});
}
}  // namespace

testutil::RunResult Sources::run(const std::vector<std::string>& args) const { return run_in(path(), {tev_gcc()}, args); }

testutil::RunResult Sources::run_with_stdin(const std::vector<std::string>& args, const std::string& redirect) const {
  return run_in(path(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" " + redirect, tev_gcc()}, args);
}

std::vector<std::string> Sources::new_files() const {
  std::vector<std::string> now = testutil::list_dir(path()), added;
  std::set_difference(now.begin(), now.end(), initial_.begin(), initial_.end(), std::back_inserter(added));
  return added;
}

std::string number(uint32_t n) { return "(" + std::to_string(n) + ")"; }

}  // namespace tevtest
