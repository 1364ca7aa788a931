// The target option handlers: device selection, the options with a value,
// the legacy driver's run-time options, language extensions, memory
// reservation and the built-in listing, for ZIR, TEV and no family.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/option_handlers.h"
#include "tests/driver/option_cases.h"

namespace {

using namespace optrun;

TEST(OptionsTarget, DeviceSelection) {
  check_all({
      // The legacy driver gets the name in lower case without its family prefix.
      {Z, opt_mcpu, {"-mcpu=ZIR16F877A"}, {"--chip=16f877a"}},
      {Z18, opt_mcpu, {"-mcpu=zir18f4520"}, {"--chip=18f4520"}},
      {Z, opt_mcpu, {"-mcpu=16F84"}, {"--chip=16f84"}},
      // TEV keeps the whole name and remembers it for the closing options.
      {T, opt_mcpu, {"-mcpu=TEV32DA"}, {"-mmcu=tev32da"}, 0, "", "mdevice:-mdevice=tev32da"},
      {T, opt_mcpu, {"-mcpu=ZIR16F84"}, {"-mmcu=zir16f84"}, 0, "", "mdevice:-mdevice=zir16f84"},
      {N, opt_mcpu, {"-mcpu=zir16f84"}, {}},
      {Z, opt_mcpu, {"-mcpu"}, {}, 0, "1195", "", 1},
      {T, opt_mcpu, {"-mcpu="}, {}, 0, "1195", "", 1},
      {Z, opt_mdevice, {"-mdevice=x"}, {}},
      {T, opt_mdevice, {"-mdevice=tev32da"}, {"-mdevice=tev32da"}, 0, "", "mdevice_given"},
      {N, opt_mdevice, {"-mdevice=x"}, {}},
      {Z, opt_mdfp, {"-mdfp=/packs/zir"}, {"--dfp=/packs/zir"}},
      {T, opt_mdfp, {"-mdfp=/packs/tev"}, {"-mdfp=/packs/tev"}, 0, "", "dfp_given"},
      {T, opt_mdfp, {"-mdfp"}, {"-mdfp"}, 0, "", "dfp_given"},
      {N, opt_mdfp, {"-mdfp=/packs"}, {}},
      {Z, opt_mdfp, {"-mdfp="}, {}, 0, "1195", "", 1},
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
    cases.push_back({Z, opt_target_value, {arg}, {std::string(row.zir) + "=a,-b"}, 0, "", state});
    cases.push_back({Z, opt_target_value, {row.name}, {}, 0, "1195", "", 1});
    std::string tev = row.tev;
    if (tev.empty())
      cases.push_back({T, opt_target_value, {arg}, {}, 0, "1428"});
    else
      cases.push_back({T, opt_target_value, {arg}, {tev == "=" ? arg : tev}});
    if (std::string(row.name) != "-msmart-io-format") cases.push_back({N, opt_target_value, {arg}, {}});
  }
  check_all(cases);
}

TEST(OptionsTarget, ValueChecksThatDifferByFamily) {
  check_all({
      // TEV passes these on without looking at the value.
      {T, opt_target_value, {"-mcodeoffset"}, {"-mcodeoffset"}},
      {T, opt_target_value, {"-mcodecov="}, {"-mcodecov="}},
      {T, opt_target_value, {"-merrata"}, {"-mskip-bug"}},
      {T, opt_target_value, {"-mstack"}, {}, 0, "1428"},
      // The smart IO value is checked before the family is.
      {T, opt_target_value, {"-msmart-io-format"}, {}, 0, "1195", "", 1},
      {N, opt_target_value, {"-msmart-io-format="}, {}, 0, "1195", "", 1},
      {N, opt_target_value, {"-msmart-io-format=x"}, {}},
      {N, opt_target_value, {"-mstack"}, {}},
      {Z, opt_target_value, {"-mstack="}, {}, 0, "1195", "", 1},
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
    cases.push_back({Z, opt_runtime, {row.arg}, {row.zir}});
    cases.push_back({Z18, opt_runtime, {row.arg}, {row.zir}});
    if (row.tev_unchanged)
      cases.push_back({T, opt_runtime, {row.arg}, {row.arg}});
    else
      cases.push_back({T, opt_runtime, {row.arg}, {}, 0, "1428"});
    cases.push_back({N, opt_runtime, {row.arg}, {}});
  }
  check_all(cases);
}

TEST(OptionsTarget, EveryRuntimeOptionGivesItsOwnOption) {
  Outcome o = run(Z, {Step{opt_runtime, {"-mno-plib"}}, Step{opt_runtime, {"-mplib"}},
                      Step{opt_runtime, {"-mno-plib"}}});
  EXPECT_EQ(o.status, 0) << o.stderr_text;
  EXPECT_EQ(o.out, (Texts{"--runtime=-plib", "--runtime=+plib", "--runtime=-plib"}));
}

TEST(OptionsTarget, OtherTargetOptions) {
  check_all({
      {Z, opt_maxizir, {"-mmaxizir"}, {"--maxizir"}},
      {Z18, opt_maxizir, {"-mmaxichip"}, {"--maxizir"}},
      {T, opt_maxizir, {"-mmaxichip"}, {}, 0, "1428"},
      {N, opt_maxizir, {"-mmaxizir"}, {}},
      {Z, opt_shroud, {"-mshroud"}, {"--shroud"}},
      {T, opt_shroud, {"-mshroud"}, {}, 0, "1428"},
      {N, opt_shroud, {"-mshroud"}, {}},
      {Z, opt_stack_usage, {"-morv-stack-usage"}, {"--summary=+stack,+stackfull"}},
      {T, opt_stack_usage, {"-morv-stack-usage"}, {"-morv-stack-usage"}},
      {N, opt_stack_usage, {"-morv-stack-usage"}, {}},
      {Z, opt_const_data, {"-mconst-data-in-progmem"}, {}},
      {Z, opt_const_data, {"-mno-const-data-in-progmem"}, {}, 0, "1428"},
      {T, opt_const_data, {"-mconst-data-in-progmem"}, {"-mconst-data-in-progmem"}, 0, "", "const_data_given"},
      {T, opt_const_data, {"-mno-const-data-in-progmem"}, {"-mno-const-data-in-progmem"}, 0, "", "const_data_given"},
      {N, opt_const_data, {"-mno-const-data-in-progmem"}, {}},
      {Z, opt_fill, {"--fill=0xffff@0x100:0x1ff"}, {"--fill=0xffff@0x100:0x1ff"}},
      {T, opt_fill, {"--fill=0"}, {"--fill=0"}},
      {N, opt_fill, {"--fill=0"}, {"--fill=0"}},
      {Z, opt_print_builtins, {"-mprint-builtins"}, {"--info=builtins"}},
      {T, opt_print_builtins, {"-mprint-builtins"}, {}, 0, "", "print_builtins"},
      {N, opt_print_builtins, {"-mprint-builtins"}, {}},
  });
}

TEST(OptionsTarget, LanguageExtensions) {
  check_all({
      {Z, opt_extension, {"-mext=cci"}, {"--ext=cci"}},
      {Z, opt_extension, {"-mext=CCI"}, {"--ext=CCI"}},
      {T, opt_extension, {"-mext=cci"}, {"-mext=cci"}},
      // "-mcci" is the deprecated spelling of "-mext=cci".
      {Z, opt_extension, {"-mcci"}, {"--ext=cci"}, 0, "2050"},
      {T, opt_extension, {"-mcci"}, {"-mext=cci"}, 0, "2050"},
      {N, opt_extension, {"-mcci"}, {}, 0, "2050"},
      // The compiler's own dialect is the default: nothing to pass on.
      {Z, opt_extension, {"-mext=LUMO8"}, {}},
      {T, opt_extension, {"-mext=lumo8"}, {}},
      {Z, opt_extension, {"-mext=IAR"}, {}, 0, "2048"},
      {T, opt_extension, {"-mext=iar"}, {}, 0, "2048"},
      // Unknown extensions are warned about and still passed on.
      {Z, opt_extension, {"-mext=gnu"}, {"--ext=gnu"}, 0, "2044"},
      {T, opt_extension, {"-mext=gnu"}, {"-mext=gnu"}, 0, "2044"},
      {N, opt_extension, {"-mext=gnu"}, {}, 0, "2044"},
      {Z, opt_extension, {"-mext"}, {}, 0, "1195", "", 1},
      {T, opt_extension, {"-mext="}, {}, 0, "1195", "", 1},
      {N, opt_extension, {"-mext="}, {}, 0, "1195", "", 1},
  });
  // 2048 names the extension, 2044 the whole argument.
  Outcome iar = run(Z, Step{opt_extension, {"-mext=IAR"}});
  EXPECT_NE(iar.stderr_text.find("\"IAR\""), std::string::npos) << iar.stderr_text;
  Outcome gnu = run(Z, Step{opt_extension, {"-mext=gnu"}});
  EXPECT_NE(gnu.stderr_text.find("\"-mext=gnu\""), std::string::npos) << gnu.stderr_text;
}

TEST(OptionsTarget, MemoryReservation) {
  check_all({
      {Z, opt_reserve, {"-mreserve=ram@0x100:0x1ff"}, {"--ram=-0x100-0x1ff"}},
      {Z18, opt_reserve, {"-mreserve=rom@0x2000:0x2fff"}, {"--rom=-0x2000-0x2fff"}},
      // The end is what follows the last ":".
      {Z, opt_reserve, {"-mreserve=ram@0x100:0x1ff:0x2ff"}, {"--ram=-0x100-0x2ff"}},
      // A missing end address or an unknown space is an error; the run goes on.
      {Z, opt_reserve, {"-mreserve=rom@0x100"}, {}, 0, "1195"},
      {Z, opt_reserve, {"-mreserve=flash@0x100:0x1ff"}, {}, 0, "1195"},
      {Z, opt_reserve, {"-mreserve=RAM@0x100:0x1ff"}, {}, 0, "1195"},
      // Without an address, or without "=", the run ends.
      {Z, opt_reserve, {"-mreserve=ram"}, {}, 0, "1195", "", 1},
      {Z, opt_reserve, {"-mreserve=ram@"}, {}, 0, "1195", "", 1},
      {Z, opt_reserve, {"-mreserve@0x100:0x1ff"}, {}, 0, "1195", "", 1},
      {T, opt_reserve, {"-mreserve=ram@0x100:0x1ff"}, {"-mreserve=ram@0x100:0x1ff"}},
      {T, opt_reserve, {"-mreserve"}, {"-mreserve"}},
      {N, opt_reserve, {"-mreserve=ram@0x100:0x1ff"}, {}},
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
