// Reading, changing and writing libraries.
#include "toolchain/tools/arlib.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/fileutils.h"
#include "common/osdep_path.h"
#include "toolchain/support/tc_host.h"
#include "toolchain/support/tc_partial.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

ar_result fail(ar_status status, std::string detail) { return {status, std::move(detail)}; }

// The directory entry of one module as it stands in the file.
struct Entry {
  std::string name;
  std::vector<ar_symbol> symbols;
  uint32_t size = 0;
  uint16_t reserved16 = 0;
  uint32_t reserved32 = 0;
};

ar_result read_name(FILE* f, std::string* out, const char* what, size_t index) {
  switch (obj_read_name(f, out)) {
    case obj_name_status::complete:
      if (!out->empty()) return {};
      return fail(ar_status::garbled, std::string("empty ") + what + " in directory entry " + std::to_string(index + 1));
    case obj_name_status::at_end:
      return fail(ar_status::garbled, std::string("directory ends inside a ") + what);
    case obj_name_status::too_long:
      break;
  }
  return fail(ar_status::garbled, std::string(what) + " too long in directory entry " + std::to_string(index + 1));
}

ar_result read_entry(FILE* f, size_t index, Entry* entry) {
  obj_lib_entry_fixed fixed;
  if (!obj_read_lib_entry_fixed(f, &fixed))
    return fail(ar_status::garbled, "directory entry " + std::to_string(index + 1) + " is incomplete");
  entry->size = fixed.size;
  entry->reserved16 = fixed.reserved16;
  entry->reserved32 = fixed.reserved32;
  if (ar_result r = read_name(f, &entry->name, "module name", index); !r) return r;
  if (!ar_valid_name(entry->name))
    return fail(ar_status::garbled, "module name \"" + entry->name + "\" is not a plain file name");
  for (uint16_t s = 0; s < fixed.symbol_count; ++s) {
    ar_symbol symbol{};
    if (!obj_read_u8(f, &symbol.flags)) return fail(ar_status::garbled, "directory ends inside a symbol");
    if (ar_result r = read_name(f, &symbol.name, "symbol name", index); !r) return r;
    entry->symbols.push_back(std::move(symbol));
  }
  return {};
}

bool is_module_content(FILE* f) {
  rewind(f);
  if (fileid_is_obj_fp(f)) return true;
  rewind(f);
  return fileid_is_p1_fp(f);
}

bool read_all(FILE* f, std::vector<unsigned char>* out) {
  unsigned char buffer[8192];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) out->insert(out->end(), buffer, buffer + n);
  return !ferror(f);
}

// A temporary file beside path, removed unless it was renamed into place.
class TempBeside {
 public:
  explicit TempBeside(const char* path) {
    file_ = tc_create_beside(path, &name_);
    if (!file_) return;
    tc_partial_add(name_);
    created_ = true;
  }
  ~TempBeside() {
    if (file_) fclose(file_);
    if (created_) remove(name_.c_str());
    tc_partial_done(name_);
  }
  TempBeside(const TempBeside&) = delete;
  TempBeside& operator=(const TempBeside&) = delete;

  FILE* file() const { return file_; }
  const std::string& name() const { return name_; }
  // Closes the file and moves it to path.
  bool commit(const char* path) {
    FILE* f = file_;
    file_ = nullptr;
    if (fclose(f) != 0) return false;
    if (!tc_replace(name_.c_str(), path)) return false;
    created_ = false;
    return true;
  }

 private:
  std::string name_;
  FILE* file_ = nullptr;
  bool created_ = false;
};

}  // namespace

bool ar_valid_name(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\") == std::string::npos;
}

ar_result ar_read(const char* path, ar_library* lib) {
  File f(fopen(path, "rb"));
  if (!f) return fail(ar_status::cannot_open, strerror(errno));
  obj_lib_header header;
  if (!obj_read_lib_header(f.get(), &header)) return fail(ar_status::garbled, "the header is incomplete");
  std::vector<Entry> entries(header.module_count);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (ar_result r = read_entry(f.get(), i, &entries[i]); !r) return r;
    for (size_t j = 0; j < i; ++j)
      if (entries[j].name == entries[i].name)
        return fail(ar_status::garbled, "module \"" + entries[i].name + "\" is listed twice");
  }
  // The sizes must account for exactly the bytes after the directory; this
  // is checked before any module is read into memory.
  long data_start = ftell(f.get());
  if (data_start < 0 || fseek(f.get(), 0, SEEK_END) != 0) return fail(ar_status::cannot_open, "cannot seek");
  long file_end = ftell(f.get());
  if (file_end < data_start || fseek(f.get(), data_start, SEEK_SET) != 0)
    return fail(ar_status::cannot_open, "cannot seek");
  uint64_t total = 0;
  for (const Entry& e : entries) total += e.size;
  const auto available = static_cast<uint64_t>(file_end - data_start);
  if (total > available) return fail(ar_status::garbled, "the module data is incomplete");
  if (total < available) return fail(ar_status::garbled, "bytes follow the last module");
  lib->reserved = header.reserved;
  lib->modules.clear();
  for (Entry& e : entries) {
    ar_module m;
    m.name = std::move(e.name);
    m.symbols = std::move(e.symbols);
    m.reserved16 = e.reserved16;
    m.reserved32 = e.reserved32;
    m.data.resize(e.size);
    if (e.size && fread(m.data.data(), 1, e.size, f.get()) != e.size)
      return fail(ar_status::garbled, "the data of module \"" + m.name + "\" is incomplete");
    lib->modules.push_back(std::move(m));
  }
  if (fgetc(f.get()) != EOF) return fail(ar_status::garbled, "bytes follow the last module");
  if (ferror(f.get())) return fail(ar_status::cannot_open, "read error");
  return {};
}

std::vector<ar_symbol> ar_object_symbols(const std::vector<unsigned char>& data) {
  std::vector<ar_symbol> symbols;
  size_t pos = 0;
  while (pos + kObjRecordHeaderSize <= data.size()) {
    uint16_t length = obj_get_u16(&data[pos]);
    unsigned type = data[pos + 2];
    const unsigned char* body = &data[pos + kObjRecordHeaderSize];
    pos += kObjRecordHeaderSize + length;
    if (pos > data.size() || type == static_cast<unsigned>(obj_rectype::END)) break;
    if (type != static_cast<unsigned>(obj_rectype::SYM) || length < 7 || body[length - 1] != '\0') continue;
    if (!(body[0] & kObjSymGlobal)) continue;
    std::string name(reinterpret_cast<const char*>(body + 5));
    if (name.empty() || name.size() != length - 6u) continue;
    symbols.push_back({kArSymDefined, std::move(name)});
  }
  return symbols;
}

ar_result ar_load_module(const char* path, ar_module* module) {
  File f(fopen(path, "rb"));
  if (!f) return fail(ar_status::cannot_open, strerror(errno));
  if (!is_module_content(f.get())) return fail(ar_status::not_a_module, "");
  rewind(f.get());
  module->data.clear();
  if (!read_all(f.get(), &module->data)) return fail(ar_status::cannot_open, "read error");
  if (module->data.size() > UINT32_MAX) return fail(ar_status::too_many, "the module is too large");
  module->name = path_basename_ptr(path);
  if (!ar_valid_name(module->name)) return fail(ar_status::not_a_module, "no file name");
  module->symbols.clear();
  rewind(f.get());
  if (fileid_is_obj_fp(f.get())) module->symbols = ar_object_symbols(module->data);
  if (module->symbols.size() > UINT16_MAX) return fail(ar_status::too_many, "too many symbols");
  return {};
}

long ar_find(const ar_library& lib, const std::string& name) {
  for (size_t i = 0; i < lib.modules.size(); ++i)
    if (lib.modules[i].name == name) return static_cast<long>(i);
  return -1;
}

bool ar_put(ar_library* lib, ar_module module) {
  long at = ar_find(*lib, module.name);
  if (at < 0) {
    lib->modules.push_back(std::move(module));
    return false;
  }
  lib->modules[static_cast<size_t>(at)] = std::move(module);
  return true;
}

ar_result ar_write(const char* path, const ar_library& lib) {
  if (lib.modules.size() > UINT16_MAX) return fail(ar_status::too_many, "more than 65535 modules");
  // The writer takes the format's own view of a module.
  std::vector<std::vector<obj_lib_symbol>> symbols(lib.modules.size());
  std::vector<obj_lib_module> modules;
  for (size_t i = 0; i < lib.modules.size(); ++i) {
    const ar_module& m = lib.modules[i];
    for (const ar_symbol& s : m.symbols) symbols[i].push_back({s.flags, s.name.c_str()});
    modules.push_back({m.name.c_str(), symbols[i].data(), static_cast<uint16_t>(m.symbols.size()), m.data.data(),
                       static_cast<uint32_t>(m.data.size()), m.reserved16, m.reserved32});
  }
  TempBeside temp(path);
  if (!temp.file()) return fail(ar_status::cannot_write, "cannot create \"" + temp.name() + "\": " + strerror(errno));
  if (!obj_write_library(temp.file(), modules.data(), modules.size(), lib.reserved))
    return fail(ar_status::cannot_write, "cannot write \"" + temp.name() + "\"");
  if (!temp.commit(path)) return fail(ar_status::cannot_write, strerror(errno));
  return {};
}

ar_result ar_write_file(const char* path, const void* data, size_t size) {
  TempBeside temp(path);
  if (!temp.file()) return fail(ar_status::cannot_write, "cannot create \"" + temp.name() + "\": " + strerror(errno));
  if (size && fwrite(data, 1, size, temp.file()) != size)
    return fail(ar_status::cannot_write, "cannot write \"" + temp.name() + "\"");
  if (!temp.commit(path)) return fail(ar_status::cannot_write, strerror(errno));
  return {};
}
