// The target option handlers: device selection, the options with a value,
// the legacy driver's run-time options, language extensions, memory
// reservation and the built-in listing, for ZIR, TEV and no family.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/option_cases.h"

namespace {

using namespace optrun;

TEST(OptionsTarget, DeviceSelection) {
  check_all({
      // The legacy driver gets the name in lower case without its family prefix.
      {Z, {"-mcpu=ZIR16F877A"}, {"--chip=16f877a"}},
      {Z18, {"-mcpu=zir18f4520"}, {"--chip=18f4520"}},
      {Z, {"-mcpu=16F84"}, {"--chip=16f84"}},
      // TEV keeps the whole name and remembers it for the closing options.
      {T, {"-mcpu=TEV32DA"}, {"-mmcu=tev32da"}, 0, "", "mdevice:-mdevice=tev32da"},
      {T, {"-mcpu=ZIR16F84"}, {"-mmcu=zir16f84"}, 0, "", "mdevice:-mdevice=zir16f84"},
      {N, {"-mcpu=zir16f84"}, {}},
      {Z, {"-mcpu"}, {}, 0, "1195", "", 1},
      {T, {"-mcpu="}, {}, 0, "1195", "", 1},
      {Z, {"-mdevice=x"}, {}},
      {T, {"-mdevice=tev32da"}, {"-mdevice=tev32da"}, 0, "", "mdevice_given"},
      {N, {"-mdevice=x"}, {}},
      {Z, {"-mdfp=/packs/zir"}, {"--dfp=/packs/zir"}},
      {T, {"-mdfp=/packs/tev"}, {"-mdfp=/packs/tev"}, 0, "", "dfp_given"},
      {T, {"-mdfp"}, {"-mdfp"}, 0, "", "dfp_given"},
      {N, {"-mdfp=/packs"}, {}},
      {Z, {"-mdfp="}, {}, 0, "1195", "", 1},
  });
}

// Every option of the value table, with what each family makes of it.
struct ValueRow {
  const char* name;
  const char* zir;  // the legacy option before "=value"
  const char* tev;  // "" for warning 1428, "=" for the argument unchanged, else the text
};

const ValueRow kValueRows[] = {
    {"-maddrqual", "--addrqual", ""},   {"-memi", "--emi", ""},
    {"-merrata", "--errata", "-mskip-bug"}, {"-mwarn", "--warn", ""},
    {"-mundefints", "--undefints", ""}, {"-mstack", "--stack", ""},
    {"-mheap", "--heap", ""},           {"-msummary", "--summary", ""},
    {"-mchecksum", "--checksum", ""},   {"-mcodeoffset", "--codeoffset", "="},
    {"-mdebugger", "--debugger", ""},   {"-mserial", "--serial", ""},
    {"-mcodecov", "--codecov", "="},    {"-metadata", "--metadata", ""},
    {"-msmart-io-format", "--smartioformat", "="},
    {"-mrom", "--rom", ""},             {"-mram", "--ram", ""},
};

TEST(OptionsTarget, OptionsWithAValue) {
  std::vector<Case> cases;
  for (const ValueRow& row : kValueRows) {
    std::string arg = std::string(row.name) + "=a,-b";
    std::string state = std::string(row.name) == "-mwarn" ? "mwarn_given" : "";
    cases.push_back({Z, {arg}, {std::string(row.zir) + "=a,-b"}, 0, "", state});
    cases.push_back({Z, {row.name}, {}, 0, "1195", "", 1});
    std::string tev = row.tev;
    if (tev.empty())
      cases.push_back({T, {arg}, {}, 0, "1428"});
    else
      cases.push_back({T, {arg}, {tev == "=" ? arg : tev}});
    if (std::string(row.name) != "-msmart-io-format") cases.push_back({N, {arg}, {}});
  }
  check_all(cases);
}

TEST(OptionsTarget, ValueChecksThatDifferByFamily) {
  check_all({
      // TEV passes these on without looking at the value.
      {T, {"-mcodeoffset"}, {"-mcodeoffset"}},
      {T, {"-mcodecov="}, {"-mcodecov="}},
      {T, {"-merrata"}, {"-mskip-bug"}},
      {T, {"-mstack"}, {}, 0, "1428"},
      // The smart IO value is checked before the family is.
      {T, {"-msmart-io-format"}, {}, 0, "1195", "", 1},
      {N, {"-msmart-io-format="}, {}, 0, "1195", "", 1},
      {N, {"-msmart-io-format=x"}, {}},
      {N, {"-mstack"}, {}},
      {Z, {"-mstack="}, {}, 0, "1195", "", 1},
  });
}

// Every run-time option name, with the keyword and sign the legacy driver
// gets and whether TEV takes it.
struct RuntimeRow {
  const char* arg;
  const char* zir;
  bool tev_unchanged;
};

const RuntimeRow kRuntimeRows[] = {
    {"-mc90lib", "--runtime=+c90lib", false},
    {"-mplib", "--runtime=+plib", false},
    {"-mno-plib", "--runtime=-plib", false},
    {"-mkeep-startup", "--runtime=+keep", false},
    {"-mno-keep-startup", "--runtime=-keep", false},
    {"-mclink", "--runtime=+clink", false},
    {"-mno-clink", "--runtime=-clink", false},
    {"-mcmacros", "--runtime=+cmacros", false},
    {"-mno-cmacros", "--runtime=-cmacros", false},
    {"-mresetbits", "--runtime=+resetbits", false},
    {"-mno-resetbits", "--runtime=-resetbits", false},
    {"-msave-resetbits", "--runtime=+resetbits", false},
    {"-mno-save-resetbits", "--runtime=-resetbits", false},
    {"-mdownload", "--runtime=+download", true},
    {"-mno-download", "--runtime=-download", true},
    {"-mdownload-hex", "--runtime=+download", true},
    {"-mno-download-hex", "--runtime=-download", true},
    {"-mstackcall", "--runtime=+stackcall", true},
    {"-mno-stackcall", "--runtime=-stackcall", true},
    {"-mconfig", "--runtime=+config", true},
    {"-mno-config", "--runtime=-config", true},
    {"-mdefault-config-bits", "--runtime=+config", true},
    {"-mno-default-config-bits", "--runtime=-config", true},
    {"-mosccal", "--runtime=+osccal", true},
    {"-mno-osccal", "--runtime=-osccal", true},
    {"-moscval", "--runtime=+oscval", true},
    {"-mno-oscval", "--runtime=-oscval", true},
    {"-mivt", "--runtime=+ivt", true},
    {"-mno-ivt", "--runtime=-ivt", true},
    {"-muse-ivt", "--runtime=+ivt", true},
    {"-mno-use-ivt", "--runtime=-ivt", true},
    // A value is passed on only where the keyword takes one.
    {"-mivt=0x100", "--runtime=+ivt:0x100", true},
    {"-mno-use-ivt=2", "--runtime=-ivt:2", true},
    {"-moscval=0x3400", "--runtime=+oscval:0x3400", true},
    {"-moscval=", "--runtime=+oscval:", true},
    {"-mno-oscval=a=b", "--runtime=-oscval:a=b", true},
    {"-mplib=1", "--runtime=+plib", false},
};

TEST(OptionsTarget, RuntimeOptions) {
  std::vector<Case> cases;
  for (const RuntimeRow& row : kRuntimeRows) {
    cases.push_back({Z, {row.arg}, {row.zir}});
    cases.push_back({Z18, {row.arg}, {row.zir}});
    if (row.tev_unchanged)
      cases.push_back({T, {row.arg}, {row.arg}});
    else
      cases.push_back({T, {row.arg}, {}, 0, "1428"});
    cases.push_back({N, {row.arg}, {}});
  }
  check_all(cases);
}

TEST(OptionsTarget, EveryRuntimeOptionGivesItsOwnOption) {
  Outcome o = run(Z, {Step{{"-mno-plib"}}, Step{{"-mplib"}},
                      Step{{"-mno-plib"}}});
  EXPECT_EQ(o.status, 0) << o.stderr_text;
  EXPECT_EQ(o.out, (Texts{"--runtime=-plib", "--runtime=+plib", "--runtime=-plib"}));
}

TEST(OptionsTarget, OtherTargetOptions) {
  check_all({
      {Z, {"-mmaxizir"}, {"--maxizir"}},
      {Z18, {"-mmaxichip"}, {"--maxizir"}},
      {T, {"-mmaxichip"}, {}, 0, "1428"},
      {N, {"-mmaxizir"}, {}},
      {Z, {"-mshroud"}, {"--shroud"}},
      {T, {"-mshroud"}, {}, 0, "1428"},
      {N, {"-mshroud"}, {}},
      {Z, {"-morv-stack-usage"}, {"--summary=+stack,+stackfull"}},
      {T, {"-morv-stack-usage"}, {"-morv-stack-usage"}},
      {N, {"-morv-stack-usage"}, {}},
      {Z, {"-mconst-data-in-progmem"}, {}},
      {Z, {"-mno-const-data-in-progmem"}, {}, 0, "1428"},
      {T, {"-mconst-data-in-progmem"}, {"-mconst-data-in-progmem"}, 0, "", "const_data_given"},
      {T, {"-mno-const-data-in-progmem"}, {"-mno-const-data-in-progmem"}, 0, "", "const_data_given"},
      {N, {"-mno-const-data-in-progmem"}, {}},
      {Z, {"--fill=0xffff@0x100:0x1ff"}, {"--fill=0xffff@0x100:0x1ff"}},
      {T, {"--fill=0"}, {"--fill=0"}},
      {N, {"--fill=0"}, {"--fill=0"}},
      {Z, {"-mprint-builtins"}, {"--info=builtins"}},
      {T, {"-mprint-builtins"}, {}, 0, "", "print_builtins"},
      {N, {"-mprint-builtins"}, {}},
  });
}

TEST(OptionsTarget, LanguageExtensions) {
  check_all({
      {Z, {"-mext=cci"}, {"--ext=cci"}},
      {Z, {"-mext=CCI"}, {"--ext=CCI"}},
      {T, {"-mext=cci"}, {"-mext=cci"}},
      // "-mcci" is the deprecated spelling of "-mext=cci".
      {Z, {"-mcci"}, {"--ext=cci"}, 0, "2050"},
      {T, {"-mcci"}, {"-mext=cci"}, 0, "2050"},
      {N, {"-mcci"}, {}, 0, "2050"},
      // The compiler's own dialect is the default: nothing to pass on.
      {Z, {"-mext=LUMO8"}, {}},
      {T, {"-mext=lumo8"}, {}},
      {Z, {"-mext=IAR"}, {}, 0, "2048"},
      {T, {"-mext=iar"}, {}, 0, "2048"},
      // Unknown extensions are warned about and still passed on.
      {Z, {"-mext=gnu"}, {"--ext=gnu"}, 0, "2044"},
      {T, {"-mext=gnu"}, {"-mext=gnu"}, 0, "2044"},
      {N, {"-mext=gnu"}, {}, 0, "2044"},
      {Z, {"-mext"}, {}, 0, "1195", "", 1},
      {T, {"-mext="}, {}, 0, "1195", "", 1},
      {N, {"-mext="}, {}, 0, "1195", "", 1},
  });
  // 2048 names the extension, 2044 the whole argument.
  Outcome iar = run(Z, Step{{"-mext=IAR"}});
  EXPECT_NE(iar.stderr_text.find("\"IAR\""), std::string::npos) << iar.stderr_text;
  Outcome gnu = run(Z, Step{{"-mext=gnu"}});
  EXPECT_NE(gnu.stderr_text.find("\"-mext=gnu\""), std::string::npos) << gnu.stderr_text;
}

TEST(OptionsTarget, MemoryReservation) {
  check_all({
      {Z, {"-mreserve=ram@0x100:0x1ff"}, {"--ram=-0x100-0x1ff"}},
      {Z18, {"-mreserve=rom@0x2000:0x2fff"}, {"--rom=-0x2000-0x2fff"}},
      // The end is what follows the last ":".
      {Z, {"-mreserve=ram@0x100:0x1ff:0x2ff"}, {"--ram=-0x100-0x2ff"}},
      // A missing end address or an unknown space is an error; the run goes on.
      {Z, {"-mreserve=rom@0x100"}, {}, 0, "1195"},
      {Z, {"-mreserve=flash@0x100:0x1ff"}, {}, 0, "1195"},
      {Z, {"-mreserve=RAM@0x100:0x1ff"}, {}, 0, "1195"},
      // Without an address, or without "=", the run ends.
      {Z, {"-mreserve=ram"}, {}, 0, "1195", "", 1},
      {Z, {"-mreserve=ram@"}, {}, 0, "1195", "", 1},
      {Z, {"-mreserve"}, {}, 0, "1195", "", 1},
      {T, {"-mreserve=ram@0x100:0x1ff"}, {"-mreserve=ram@0x100:0x1ff"}},
      {T, {"-mreserve"}, {"-mreserve"}},
      {N, {"-mreserve=ram@0x100:0x1ff"}, {}},
  });
}

// Through the option table: each argument reaches its row and the row's
// handler, in command-line order.
TEST(OptionsTarget, ACommandLineThroughTheTable) {
  Outcome z = run_line(Z,
                       {"-mcpu=ZIR16F877A", "-mno-plib", "-mplib", "-mstack=compiled", "-mno-download-hex",
                        "-mdownload", "-mno-use-ivt", "-mivt=0x100", "-mrom=default,-100-1ff",
                        "-mreserve=ram@0x20:0x2f", "-mcci"},
                       false);
  EXPECT_EQ(z.status, 0) << z.stderr_text;
  EXPECT_EQ(z.messages, "2050");
  EXPECT_EQ(z.out, (Texts{"--chip=16f877a", "--runtime=-plib", "--runtime=+plib", "--stack=compiled",
                          "--runtime=-download", "--runtime=+download", "--runtime=-ivt", "--runtime=+ivt:0x100",
                          "--rom=default,-100-1ff", "--ram=-0x20-0x2f", "--ext=cci"}));
  Outcome t = run_line(T, {"-mcpu=TEV32DA", "-merrata=all", "-mstack=compiled", "-mno-use-ivt"}, false);
  EXPECT_EQ(t.status, 0) << t.stderr_text;
  EXPECT_EQ(t.messages, "1428");
  EXPECT_EQ(t.out, (Texts{"-mmcu=tev32da", "-mskip-bug", "-mno-use-ivt"}));
}

}  // namespace
