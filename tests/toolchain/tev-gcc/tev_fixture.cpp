#include "tests/toolchain/tev-gcc/tev_fixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace tevtest {

std::string stage() {
  const char* s = getenv("LUMO_STAGE");
  return s ? s : "";
}

std::string tev_gcc() { return stage() + "/tev/bin/tev-gcc"; }

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

namespace {
uint16_t u16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t u32(const std::string& b, size_t at) { return u16(b, at) | static_cast<uint32_t>(u16(b, at + 2)) << 16; }
}  // namespace

ElfHeader elf_header(const std::string& b) {
  ElfHeader h;
  if (b.size() < 52 || b.compare(0, 4, "\x7f" "ELF") != 0) return h;
  h.valid = true;
  h.elf_class = static_cast<uint8_t>(b[4]);
  h.data = static_cast<uint8_t>(b[5]);
  h.type = u16(b, 16);
  h.machine = u16(b, 18);
  h.phnum = u16(b, 44);
  h.shnum = u16(b, 48);
  h.shstrndx = u16(b, 50);
  return h;
}

std::vector<std::string> elf_section_names(const std::string& b) {
  std::vector<std::string> names;
  ElfHeader h = elf_header(b);
  uint32_t shoff = h.valid ? u32(b, 32) : 0;
  if (!h.valid || h.shstrndx >= h.shnum || shoff + h.shnum * 40u > b.size()) return names;
  uint32_t strings = u32(b, shoff + h.shstrndx * 40u + 16);
  for (uint16_t i = 0; i < h.shnum; ++i) {
    uint32_t at = strings + u32(b, shoff + i * 40u);
    names.push_back(at < b.size() ? std::string(b.c_str() + at) : "?");
  }
  return names;
}

std::string number(uint32_t n) { return "(" + std::to_string(n) + ")"; }

}  // namespace tevtest
