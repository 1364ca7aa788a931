// File identification and copying.
//
// fileid() tells what kind of file an input is, as a 64-bit set of file-kind
// flags: by the extension where that decides, else by looking into the file
// (the ELF header, the p1 marker line, the object records, the library
// directory). The same module copies and appends files.
//
// Nothing here raises an alert: a file that cannot be opened or read is
// simply not of the kind tested for, and the reason goes to the debug trace.
// Texts returned are string-cache texts.
#pragma once

#include <cstdint>
#include <cstdio>

// ---- File-kind flags ----

// Bits and masks the program tests.
inline constexpr uint64_t kFileIdCBit = 0x2;          // C source
inline constexpr uint64_t kFileIdMissing = 0x1000;    // the file does not exist
inline constexpr uint64_t kFileIdAsmMask = 0x4000E0020D;

// The kinds fileid() returns (kFileIdMissing may be added).
enum : uint64_t {
  FID_NONE = 0,
  // sources
  FID_C = 0x1203,  // carries kFileIdMissing whether or not the file exists
  FID_USB = 0x80000001203,
  FID_AS = 0x200209,
  FID_ASM = 0x400209,
  FID_S = 0x800209,
  FID_ASM_PREPROCESSED = 0x400000020D,  // "S" and "sx": assembler run through the preprocessor
  FID_I = 0x100205,
  FID_PRE = 0x80205,
  FID_INC = 0x800000209,
  FID_H = 0x8000000000A00,
  // intermediate and object files
  FID_P1_CONTENT = 0x40,  // a p1 file found by content alone
  FID_P1 = 0x40240,
  FID_O_P1 = 0x20060,
  FID_OBJ = 0x10020,        // object records up to END
  FID_OBJ_OTHER = 0x20020,  // an object extension without object records
  // libraries
  FID_LIB_P1 = 0x2010,
  FID_LIB_OBJ = 0x4010,
  FID_LIB_MIXED = 0x6010,
  FID_LIB_UNKNOWN = 0x8010,
  // images
  FID_ELF = 0x2000180,
  FID_ELF_ZIR = 0x400002000180,
  FID_ELF_TEV = 0x800002000180,
  FID_ELF_DSZIR = 0x1000002000180,
  FID_ELF_MIPS = 0x2000002000180,
  FID_ELF_ARM = 0x4000002000180,
  FID_HEX = 0x1000280,
  FID_COF = 0x4000180,
  FID_LUMO8APP = 0x200000000180,
  // auxiliary files of the tool chain
  FID_CRF = 0x8000000500,
  FID_RLF = 0x20000000500,
  FID_CFGMAP = 0x20000600,
  FID_CFGDATA = 0x40000600,
  FID_CMF = 0x80000600,
  FID_DEP = 0x400000600,
  FID_DMP = 0x40000000600,
  FID_HXL = 0x2000000600,
  FID_INI = 0x10000600,
  FID_LKR = 0x8000600,
  FID_LST = 0x10000000600,
  FID_MAP = 0x1000000600,
  FID_SYM = 0x100000600,
  FID_SDB = 0x200000600,
  FID_XML = 0x100000000200,
};

// Bits of fileid_is_library().
enum : unsigned { FILEID_LIB_OBJ = 1, FILEID_LIB_P1 = 2 };

// The text that makes a file a p1 intermediate file: its first line is
// "Version", non-letters (a version number and blanks), then the marker.
inline constexpr const char* kFileIdP1Version = "Version";
inline constexpr const char* kFileIdP1Marker = "HALDRIN Software Intermediate Code";

// ELF machine numbers the identification tells apart.
enum : uint16_t {
  ELF_MACHINE_MIPS = 8,
  ELF_MACHINE_ARM = 40,
  ELF_MACHINE_TEV = 83,
  ELF_MACHINE_DSZIR = 118,
  ELF_MACHINE_ZIR = 204,
};

// ---- Identification ----

uint64_t fileid(const char* path);
bool fileid_is_c(uint64_t flags);
// Plain or preprocessed assembler source.
bool fileid_is_asm_fid(uint64_t flags);

// Flags from the content alone; each content test needs one of its own
// extensions (p1 "p1:o", object "obj:o", library "lib:lpp:a"), so a file
// with none of them is only tested as ELF.
uint64_t scan(const char* path);
// FID_ELF_* or FID_ELF for a 32-bit ELF file, else 0.
uint64_t which_elf(const char* path);
bool fileid_is_p1(const char* path);
// Reads from the current position.
bool fileid_is_p1_fp(FILE* stream);
bool fileid_is_obj(const char* path);
// Reads records from the current position up to END.
bool fileid_is_obj_fp(FILE* stream);
// FILEID_LIB_OBJ and FILEID_LIB_P1 for the kinds of modules found; 0 when
// nothing was recognised or the file is no library.
unsigned fileid_is_library(const char* path);
// The same from the current position of a stream, whatever the file's name.
unsigned fileid_is_library_fp(FILE* stream);

// The entry of list (split at ",", ";" and ":") that equals the text after
// the last "." of path, case-sensitively; null when none does.
const char* valid_ext(const char* path, const char* list);

// ---- Record reader ----

// One object record of a known type and length, read whole.
bool getrec(FILE* stream);

// ---- Copying ----

// Opens the files in text mode and gives false, without a message, when a
// name is null, both names are equal, or a file cannot be opened, written or
// closed.
bool copyfile(const char* source, const char* destination);
