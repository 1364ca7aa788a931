// lumo8-ar: the librarian of the tool chain. Puts object modules and p1
// intermediate modules into libraries, lists, extracts and deletes them.
//
//   lumo8-ar [-v] -r library module...   add or replace (creates the library)
//   lumo8-ar [-v] -x library [module...] extract, all when none is named
//   lumo8-ar [-v] -t library             list the module names
//   lumo8-ar [-v] -d library module...   delete
//
// Exit status 0 on success, 1 after any error; a library is only ever
// replaced whole, so a failing run leaves it as it was.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/msgnum.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/tools/arlib.h"

namespace {

constexpr const char* kProgram = "lumo8-ar";
constexpr const char* kVersion = "2.50";

enum class Operation { none, replace, extract, list, remove };

struct Command {
  Operation op = Operation::none;
  bool verbose = false;
  const char* library = nullptr;
  std::vector<const char*> modules;
};

void print_help() {
  printf("Usage: %s [-v] -r|-x|-t|-d library [module...]\n"
         "  -r  add the modules to the library, replacing modules of the same name;\n"
         "      the library is created when it does not exist\n"
         "  -x  extract the named modules (all when none is named) into the current directory\n"
         "  -t  list the modules of the library\n"
         "  -d  delete the named modules from the library\n"
         "  -v  report each module handled\n"
         "Modules are object files or p1 intermediate files.\n",
         kProgram);
}

Operation operation_of(const char* arg) {
  if (strcmp(arg, "-r") == 0) return Operation::replace;
  if (strcmp(arg, "-x") == 0) return Operation::extract;
  if (strcmp(arg, "-t") == 0) return Operation::list;
  if (strcmp(arg, "-d") == 0) return Operation::remove;
  return Operation::none;
}

// False after a message.
bool parse(int argc, char** argv, Command* cmd) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (cmd->op != Operation::none && cmd->library == nullptr) {
      cmd->library = arg;
    } else if (cmd->library) {
      cmd->modules.push_back(arg);
    } else if (strcmp(arg, "-v") == 0) {
      cmd->verbose = true;
    } else if (Operation op = operation_of(arg); op != Operation::none) {
      cmd->op = op;
    } else {
      tc_raise(kMsgArUnknownOption, kProgram, arg);
      return false;
    }
  }
  if (cmd->op == Operation::none) {
    tc_raise(kMsgArNoOperation, kProgram);
    return false;
  }
  if (!cmd->library) {
    tc_raise(kMsgArNoLibrary, kProgram);
    return false;
  }
  // An operation letter after the library would be taken as a module name.
  for (const char* m : cmd->modules)
    if (operation_of(m) != Operation::none) {
      tc_raise(kMsgArTwoOperations, kProgram, m);
      return false;
    }
  if ((cmd->op == Operation::replace || cmd->op == Operation::remove) && cmd->modules.empty()) {
    tc_raise(kMsgArNoModules, kProgram, cmd->library);
    return false;
  }
  if (cmd->op == Operation::list && !cmd->modules.empty()) {
    tc_raise(kMsgArExtraArguments, kProgram, cmd->modules[0]);
    return false;
  }
  return true;
}

bool library_exists(const char* path) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  fclose(f);
  return true;
}

// Reads the library; false after a message.
bool load_library(const char* path, ar_library* lib) {
  ar_result r = ar_read(path, lib);
  if (r) return true;
  if (r.status == ar_status::garbled)
    tc_raise(kMsgArBadLibrary, kProgram, path, r.detail.c_str());
  else
    tc_raise(kMsgArCannotOpenLibrary, kProgram, path, r.detail.c_str());
  return false;
}

bool save_library(const char* path, const ar_library& lib) {
  ar_result r = ar_write(path, lib);
  if (r) return true;
  if (r.status == ar_status::too_many)
    tc_raise(kMsgArLibraryTooLarge, kProgram, path, r.detail.c_str());
  else
    tc_raise(kMsgArCannotWriteLibrary, kProgram, path, r.detail.c_str());
  return false;
}

// Every named module must be in the library; reports each one that is not.
bool all_present(const ar_library& lib, const Command& cmd) {
  bool ok = true;
  for (const char* name : cmd.modules)
    if (ar_find(lib, name) < 0) {
      tc_raise(kMsgArModuleMissing, kProgram, name, cmd.library);
      ok = false;
    }
  return ok;
}

int run_replace(const Command& cmd) {
  ar_library lib;
  if (library_exists(cmd.library) && !load_library(cmd.library, &lib)) return 1;
  bool ok = true;
  for (const char* path : cmd.modules) {
    ar_module module;
    ar_result r = ar_load_module(path, &module);
    if (r.status == ar_status::not_a_module)
      tc_raise(kMsgArNotAModule, kProgram, path);
    else if (r.status == ar_status::too_many)
      tc_raise(kMsgArModuleTooLarge, kProgram, path, r.detail.c_str());
    else if (!r)
      tc_raise(kMsgArCannotReadModule, kProgram, path, r.detail.c_str());
    if (!r) {
      ok = false;
      continue;
    }
    std::string name = module.name;
    bool replaced = ar_put(&lib, std::move(module));
    if (cmd.verbose) printf("%c - %s\n", replaced ? 'r' : 'a', name.c_str());
  }
  return ok && save_library(cmd.library, lib) ? 0 : 1;
}

int run_extract(const Command& cmd) {
  ar_library lib;
  if (!load_library(cmd.library, &lib) || !all_present(lib, cmd)) return 1;
  bool ok = true;
  for (const ar_module& m : lib.modules) {
    bool wanted = cmd.modules.empty();
    for (const char* name : cmd.modules) wanted = wanted || m.name == name;
    if (!wanted) continue;
    ar_result r = ar_write_file(m.name.c_str(), m.data.data(), m.data.size());
    if (!r) {
      tc_raise(kMsgArCannotWriteModule, kProgram, m.name.c_str(),
               r.detail.c_str());
      ok = false;
    } else if (cmd.verbose) {
      printf("x - %s\n", m.name.c_str());
    }
  }
  return ok ? 0 : 1;
}

int run_list(const Command& cmd) {
  ar_library lib;
  if (!load_library(cmd.library, &lib)) return 1;
  for (const ar_module& m : lib.modules) {
    if (cmd.verbose)
      printf("%10zu %s\n", m.data.size(), m.name.c_str());
    else
      printf("%s\n", m.name.c_str());
  }
  return 0;
}

int run_remove(const Command& cmd) {
  ar_library lib;
  if (!load_library(cmd.library, &lib) || !all_present(lib, cmd)) return 1;
  for (const char* name : cmd.modules) {
    long at = ar_find(lib, name);
    if (at < 0) continue;  // named twice
    lib.modules.erase(lib.modules.begin() + at);
    if (cmd.verbose) printf("d - %s\n", name);
  }
  return save_library(cmd.library, lib) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  tc_diag_init();
  if (argc == 2 && strcmp(argv[1], "--help") == 0) {
    print_help();
    return 0;
  }
  if (argc == 2 && strcmp(argv[1], "--version") == 0) {
    printf("%s %s\n", kProgram, kVersion);
    return 0;
  }
  Command cmd;
  if (!parse(argc, argv, &cmd)) return 1;
  for (const char* name : cmd.modules)
    if (cmd.op != Operation::replace && !ar_valid_name(name)) {
      tc_raise(kMsgArBadModuleName, kProgram, name);
      return 1;
    }
  int status = 1;
  switch (cmd.op) {
    case Operation::replace: status = run_replace(cmd); break;
    case Operation::extract: status = run_extract(cmd); break;
    case Operation::list: status = run_list(cmd); break;
    case Operation::remove: status = run_remove(cmd); break;
    case Operation::none: break;
  }
  if (fflush(stdout) != 0) status = 1;
  return status;
}
