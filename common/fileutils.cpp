// File identification and copying.
#include "common/fileutils.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/objformat.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Files to read must be regular files: a FIFO would block the open.
File open_file(const char* path, const char* mode) {
  if (!path) return nullptr;
  return File(mode[0] == 'r' ? osd_fopen_regular(path, mode) : fopen(path, mode));
}

const char* shown(const char* text) { return text ? text : "(null)"; }
const char* shown(bool value) { return value ? "true" : "false"; }

// Extension lists of the content tests: a content test only looks into
// files that carry one of its own extensions (compared case-sensitively).
constexpr const char* kP1Extensions = "p1:o";
constexpr const char* kObjExtensions = "obj:o";
constexpr const char* kLibExtensions = "lib:lpp:a";

// ---- The extension table ----

using Decide = uint64_t (*)(const char* path);

enum class Rule {
  plain,       // letter case ignored, kFileIdMissing added for a missing file
  exact_case,  // "s" and "S" are different kinds
  always,      // the kind alone, whether or not the file exists
};

struct ExtensionKind {
  const char* ext;
  uint64_t kind;  // the result unless decide looks into the file
  Rule rule = Rule::plain;
  Decide decide = nullptr;
};

uint64_t decide_a(const char* path) {
  switch (fileid_is_library(path)) {
    case FILEID_LIB_OBJ: return FID_LIB_OBJ;
    case FILEID_LIB_P1: return FID_LIB_P1;
    case FILEID_LIB_OBJ | FILEID_LIB_P1: return FID_LIB_MIXED;
    default: return FID_LIB_UNKNOWN;
  }
}
// A "lib" or "lpp" library keeps the kind its extension promises unless its
// modules are all of the other kind.
uint64_t decide_lib(const char* path) { return fileid_is_library(path) == FILEID_LIB_P1 ? FID_LIB_P1 : FID_LIB_OBJ; }
uint64_t decide_lpp(const char* path) { return fileid_is_library(path) == FILEID_LIB_OBJ ? FID_LIB_OBJ : FID_LIB_P1; }
uint64_t decide_o(const char* path) {
  if (fileid_is_p1(path)) return FID_O_P1;
  return fileid_is_obj(path) ? FID_OBJ : FID_OBJ_OTHER;
}
uint64_t decide_obj(const char* path) { return fileid_is_obj(path) ? FID_OBJ : FID_OBJ_OTHER; }
uint64_t decide_p1(const char* path) { return fileid_is_p1(path) ? FID_P1 : scan(path); }

constexpr ExtensionKind kExtensions[] = {
    {"a", 0, Rule::plain, decide_a},
    {"as", FID_AS},
    {"asm", FID_ASM},
    {"c", FID_C, Rule::always},
    {"cfgmap", FID_CFGMAP},
    {"cfgdata", FID_CFGDATA},
    {"cmf", FID_CMF},
    {"cof", FID_COF},
    {"crf", FID_CRF},
    {"dep", FID_DEP},
    {"dmp", FID_DMP},
    {"elf", 0, Rule::plain, which_elf},
    {"hex", FID_HEX},
    {"hxl", FID_HXL},
    {"h", FID_H},
    {"i", FID_I},
    {"inc", FID_INC},
    {"ini", FID_INI},
    {"lib", 0, Rule::plain, decide_lib},
    {"lkr", FID_LKR},
    {"lpp", 0, Rule::plain, decide_lpp},
    {"lst", FID_LST},
    {"map", FID_MAP},
    {"o", 0, Rule::plain, decide_o},
    {"obj", 0, Rule::plain, decide_obj},
    {"pre", FID_PRE},
    {"p1", 0, Rule::plain, decide_p1},
    {"rlf", FID_RLF},
    {"s", FID_S, Rule::exact_case},
    {"S", FID_ASM_PREPROCESSED, Rule::exact_case},
    {"sx", FID_ASM_PREPROCESSED},
    {"sym", FID_SYM},
    {"sdb", FID_SDB},
    {"usb", FID_USB, Rule::always},
    {"xml", FID_XML},
    {"lumo8app", FID_LUMO8APP},
};

// ASCII letters only, so that the host's locale cannot change which kind an
// extension names.
bool same_nocase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

const ExtensionKind* find_extension(const char* ext) {
  for (const ExtensionKind& k : kExtensions) {
    bool same = k.rule == Rule::exact_case ? strcmp(k.ext, ext) == 0 : same_nocase(k.ext, ext);
    if (same) return &k;
  }
  return nullptr;
}

// The text after the last "." of the file name, "" when there is none.
const char* extension_of(const char* path) {
  const char* dot = path ? path_extension(path) : "";
  return *dot ? dot + 1 : dot;
}

uint64_t identify(const char* path) {
  uint64_t missing = path_exists(path) ? 0 : kFileIdMissing;
  const ExtensionKind* k = find_extension(extension_of(path));
  if (!k) return scan(path) | missing;
  uint64_t kind = k->decide ? k->decide(path) : k->kind;
  return k->rule == Rule::always ? kind : kind | missing;
}

uint64_t scan_content(const char* path) {
  if (fileid_is_p1(path)) return FID_P1_CONTENT;
  if (fileid_is_obj(path)) return FID_OBJ;
  if (uint64_t elf = which_elf(path)) return elf;
  switch (fileid_is_library(path)) {
    case FILEID_LIB_P1:
      DB_NOTE("found .LPP library file");
      return FID_LIB_P1;
    case FILEID_LIB_OBJ:
      DB_NOTE("found .LIB library file");
      return FID_LIB_OBJ;
    case FILEID_LIB_OBJ | FILEID_LIB_P1:
      // Found by content alone, a mixed library reports the kind of an
      // unrecognised one: only the extension "a" promises both kinds.
      DB_NOTE("found .A library file");
      return FID_LIB_UNKNOWN;
    default:
      DB_NOTE("did not recognize file");
      return FID_NONE;
  }
}

// ---- ELF ----

constexpr size_t kElfHeaderSize = 52;  // the 32-bit header
constexpr size_t kElfClassOffset = 4;
constexpr unsigned char kElfClass32 = 1;
constexpr size_t kElfMachineOffset = 18;
constexpr unsigned char kElfMagic[] = {0x7F, 'E', 'L', 'F'};

struct ElfFamily {
  uint16_t machine;
  uint64_t kind;
  const char* note;
};

constexpr ElfFamily kElfFamilies[] = {
    {ELF_MACHINE_ZIR, FID_ELF_ZIR, "found ZIR ELF file"},
    {ELF_MACHINE_TEV, FID_ELF_TEV, "found TEV ELF file"},
    {ELF_MACHINE_DSZIR, FID_ELF_DSZIR, "found DSZIR ELF file"},
    {ELF_MACHINE_MIPS, FID_ELF_MIPS, "found MIPS ELF file"},
    {ELF_MACHINE_ARM, FID_ELF_ARM, "found ARM ELF file"},
};

uint64_t elf_kind(const char* path) {
  File f = open_file(path, "rb");
  if (!f) {
    DB_NOTE("could not open input file \"%s\"", shown(path));
    return 0;
  }
  unsigned char h[kElfHeaderSize];
  if (fread(h, 1, sizeof h, f.get()) != sizeof h) {
    DB_NOTE("could not read input file \"%s\"", path);
    return 0;
  }
  if (memcmp(h, kElfMagic, sizeof kElfMagic) != 0) {
    DB_NOTE("did not recognize ELF magic number");
    return 0;
  }
  if (h[kElfClassOffset] != kElfClass32) {
    DB_NOTE("did not recognize ELF class");
    return 0;
  }
  uint16_t machine = obj_get_u16(h + kElfMachineOffset);
  for (const ElfFamily& e : kElfFamilies) {
    if (e.machine != machine) continue;
    DB_NOTE("%s", e.note);
    return e.kind;
  }
  DB_NOTE("found ELF file");
  return FID_ELF;
}

// ---- p1 files ----

// The marker line must lie in the first bytes: "Version", at least one
// separating character and the marker make the least that can hold it.
constexpr size_t kP1ProbeSize = 60;
constexpr size_t kP1MinimumRead = 42;
static_assert(std::string_view(kFileIdP1Version).size() + 1 + std::string_view(kFileIdP1Marker).size() ==
              kP1MinimumRead);

bool has_p1_marker(std::string_view text) {
  if (!text.starts_with(kFileIdP1Version)) return false;
  size_t i = std::string_view(kFileIdP1Version).size();
  while (i < text.size() && !isalpha(static_cast<unsigned char>(text[i]))) ++i;
  return text.substr(i).starts_with(kFileIdP1Marker);
}

bool p1_stream(FILE* stream) {
  char buf[kP1ProbeSize];
  size_t n = stream ? fread(buf, 1, sizeof buf, stream) : 0;
  if (n < kP1MinimumRead) {
    DB_NOTE("short read from file");
    return false;
  }
  bool marked = has_p1_marker(std::string_view(buf, n));
  DB_NOTE("%s", marked ? "file identified as a p1 file" : "file doesn't have p1 markers");
  return marked;
}

bool p1_file(const char* path) {
  if (!valid_ext(path, kP1Extensions)) {
    DB_NOTE("file \"%s\" does not have a valid extention", shown(path));
    return false;
  }
  File f = open_file(path, "r");
  return f && fileid_is_p1_fp(f.get());
}

// ---- Object files ----

unsigned g_last_record_type = 0;

bool read_record(FILE* stream) {
  obj_record_header h;
  if (!obj_read_record_header(stream, &h)) return false;
  if (!obj_rectype_valid(h.type)) {
    DB_NOTE("Unknown record type: %d", h.type);
    return false;
  }
  if (h.length > kObjMaxRecordLength) {
    DB_NOTE("Record too long: \"%s\" (%d)", obj_rectype_name(h.type), h.length);
    return false;
  }
  unsigned char data[kObjMaxRecordLength];
  if (fread(data, 1, h.length, stream) != h.length) {
    DB_NOTE("Incomplete record: \"%s\" (%d)", obj_rectype_name(h.type), h.length);
    return false;
  }
  g_last_record_type = h.type;
  return true;
}

bool obj_stream(FILE* stream) {
  while (getrec(stream)) {
    DB_NOTE("\tRECORD: %s", obj_rectype_name(g_last_record_type));
    if (g_last_record_type == static_cast<unsigned>(obj_rectype::END)) {
      DB_NOTE("Identified file as an object file");
      return true;
    }
  }
  return false;
}

bool obj_file(const char* path) {
  if (!valid_ext(path, kObjExtensions)) {
    DB_NOTE("file \"%s\" doe not have a known extension", shown(path));
    return false;
  }
  File f = open_file(path, "rb");
  return f && fileid_is_obj_fp(f.get());
}

// ---- Libraries ----

bool read_nonempty_name(FILE* f, std::string* name) {
  return obj_read_name(f, name) == obj_name_status::complete && !name->empty();
}

// One directory entry: adds its size to *dir_size and gives its module size.
bool read_dir_entry(FILE* f, uint64_t* dir_size, uint32_t* module_size) {
  obj_lib_entry_fixed e;
  std::string name;
  if (!obj_read_lib_entry_fixed(f, &e) || !read_nonempty_name(f, &name)) return false;
  DB_NOTE("Found module: \"%s\"", name.c_str());
  *dir_size += kObjLibEntryFixedSize + name.size() + 1;
  for (uint16_t i = 0; i < e.symbol_count; ++i) {
    uint8_t flags;
    if (!obj_read_u8(f, &flags) || !read_nonempty_name(f, &name)) return false;
    *dir_size += 1 + name.size() + 1;
  }
  *module_size = e.size;
  return true;
}

// Where each module starts in the file, in directory order.
bool read_directory(FILE* f, uint16_t count, std::vector<uint64_t>* starts) {
  std::vector<uint64_t> offsets;
  uint64_t dir_size = 0, offset = 0;
  for (uint16_t i = 0; i < count; ++i) {
    uint32_t size;
    if (!read_dir_entry(f, &dir_size, &size)) return false;
    offsets.push_back(offset);
    offset += size;
  }
  for (uint64_t o : offsets) starts->push_back(kObjLibHeaderSize + dir_size + o);
  return true;
}

bool seek_to(FILE* f, uint64_t position) {
  return position <= static_cast<uint64_t>(LONG_MAX) && fseek(f, static_cast<long>(position), SEEK_SET) == 0;
}

unsigned module_kinds(FILE* f, const std::vector<uint64_t>& starts) {
  unsigned kinds = 0;
  for (uint64_t start : starts) {
    if (!seek_to(f, start)) continue;
    if (fileid_is_obj_fp(f))
      kinds |= FILEID_LIB_OBJ;
    else if (seek_to(f, start) && fileid_is_p1_fp(f))
      kinds |= FILEID_LIB_P1;
    if (kinds == (FILEID_LIB_OBJ | FILEID_LIB_P1)) break;
  }
  return kinds;
}

unsigned library_stream_kinds(FILE* f) {
  obj_lib_header header;
  std::vector<uint64_t> starts;
  if (!obj_read_lib_header(f, &header) || !read_directory(f, header.module_count, &starts)) return 0;
  return module_kinds(f, starts);
}

unsigned library_kinds(const char* path) {
  if (!valid_ext(path, kLibExtensions)) return 0;
  File f = open_file(path, "rb");
  if (!f) {
    DB_NOTE("Cannot open file: \"%s\"", path);
    return 0;
  }
  return library_stream_kinds(f.get());
}

void note_library(unsigned kinds) {
  switch (kinds) {
    case FILEID_LIB_OBJ | FILEID_LIB_P1: DB_NOTE("Identified as a library containing p1 and obj files"); break;
    case FILEID_LIB_P1: DB_NOTE("Identified as a library containing p1 files"); break;
    case FILEID_LIB_OBJ: DB_NOTE("Identified as a library containing obj files"); break;
    default: break;
  }
}

// ---- Extensions ----

constexpr const char* kExtSeparators = ",;:";

const char* matching_ext(const char* path, const char* list) {
  const char* dot = path ? path_extension(path) : "";
  if (!*dot || !dot[1]) {
    DB_NOTE("file \"%s\" has no extension", shown(path));
    return nullptr;
  }
  std::string_view ext(dot + 1);
  for (const char* s = list ? list : ""; *s;) {
    size_t n = strcspn(s, kExtSeparators);
    if (n > 0) {
      const char* entry = sc_substr(s, n);
      if (ext == entry) {
        DB_NOTE("found extension \"%s\"", entry);
        return entry;
      }
      DB_NOTE("file \"%s\" does not match extension \"%s\"", path, entry);
    }
    s += n;
    if (*s) ++s;
  }
  return nullptr;
}

// ---- Copying ----

constexpr size_t kCopyBlockSize = 512;

bool copy_contents(FILE* from, FILE* to) {
  char block[kCopyBlockSize];
  for (size_t n; (n = fread(block, 1, sizeof block, from)) > 0;)
    if (fwrite(block, 1, n, to) != n) return false;
  return !ferror(from);
}

bool copy_files(const char* source, const char* destination) {
  if (!source || !destination) return false;
  if (strcmp(source, destination) == 0) {
    DB_NOTE("source and destination files seem to be the same");
    return false;
  }
  File from = open_file(source, "r");
  if (!from) {
    int err = errno;
    DB_NOTE("could not open source file \"%s\", error: %d", source, err);
    return false;
  }
  File to = open_file(destination, "w");
  if (!to) {
    int err = errno;
    DB_NOTE("could not open destination file \"%s\", error: %d", destination, err);
    return false;
  }
  if (!copy_contents(from.get(), to.get())) {
    DB_NOTE("error copying file");
    return false;
  }
  // A failing close of the source still closes the destination (on return).
  if (fclose(from.release()) != 0) {
    int err = errno;
    DB_NOTE("could not close source file \"%s\", error: %d", source, err);
    return false;
  }
  if (fclose(to.release()) != 0) {
    int err = errno;
    DB_NOTE("could not close destination file \"%s\", error: %d", destination, err);
    return false;
  }
  DB_NOTE("file \"%s\" was successfully copied to \"%s\"", source, destination);
  return true;
}

}  // namespace

// ---- Identification ----

uint64_t fileid(const char* path) {
  DB_ENTER("\"%s\"", shown(path));
  uint64_t flags = identify(path);
  DB_EXIT("%#" PRIx64, flags);
  return flags;
}

bool fileid_is_c(uint64_t flags) {
  DB_ENTER("%#" PRIx64, flags);
  return (flags & kFileIdCBit) != 0;
}

bool fileid_is_asm_fid(uint64_t flags) {
  DB_ENTER("%#" PRIx64, flags);
  uint64_t masked = flags & kFileIdAsmMask;
  return masked == FID_AS || masked == FID_ASM || masked == FID_S || masked == FID_ASM_PREPROCESSED;
}

uint64_t scan(const char* path) {
  DB_ENTER("\"%s\"", shown(path));
  uint64_t flags = scan_content(path);
  DB_EXIT("%#" PRIx64, flags);
  return flags;
}

uint64_t which_elf(const char* path) {
  DB_ENTER("\"%s\"", shown(path));
  uint64_t flags = elf_kind(path);
  DB_EXIT("%#" PRIx64, flags);
  return flags;
}

bool fileid_is_p1(const char* path) {
  DB_ENTER("\"%s\"", shown(path));
  bool p1 = p1_file(path);
  DB_EXIT("%s", shown(p1));
  return p1;
}

bool fileid_is_p1_fp(FILE* stream) {
  DB_ENTER();
  bool p1 = p1_stream(stream);
  DB_EXIT("%s", shown(p1));
  return p1;
}

bool fileid_is_obj(const char* path) {
  DB_ENTER("\"%s\"", shown(path));
  bool obj = obj_file(path);
  DB_EXIT("%s", shown(obj));
  return obj;
}

bool fileid_is_obj_fp(FILE* stream) {
  DB_ENTER();
  bool obj = obj_stream(stream);
  DB_EXIT("%s", shown(obj));
  return obj;
}

unsigned fileid_is_library(const char* path) {
  DB_ENTER("\"%s\"", shown(path));
  unsigned kinds = library_kinds(path);
  note_library(kinds);
  DB_EXIT("%u", kinds);
  return kinds;
}

unsigned fileid_is_library_fp(FILE* stream) {
  DB_ENTER();
  unsigned kinds = stream ? library_stream_kinds(stream) : 0;
  note_library(kinds);
  DB_EXIT("%u", kinds);
  return kinds;
}

const char* valid_ext(const char* path, const char* list) {
  DB_ENTER("\"%s\", \"%s\"", shown(path), shown(list));
  const char* entry = matching_ext(path, list);
  DB_EXIT("\"%s\"", shown(entry));
  return entry;
}

// ---- Record and name readers ----

bool getrec(FILE* stream) {
  DB_ENTER();
  bool ok = stream && read_record(stream);
  DB_EXIT("%s", shown(ok));
  return ok;
}

// ---- Copying ----

bool copyfile(const char* source, const char* destination) {
  DB_ENTER("\"%s\", \"%s\"", shown(source), shown(destination));
  bool ok = copy_files(source, destination);
  DB_EXIT("%s", shown(ok));
  return ok;
}
