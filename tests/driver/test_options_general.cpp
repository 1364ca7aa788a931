// The general option handlers: compile stages and output, preprocessor,
// language, optimisation and code generation, for ZIR, TEV and no family.
#include <gtest/gtest.h>

#include "driver/option_handlers.h"
#include "tests/driver/option_cases.h"

namespace {

using namespace optrun;

TEST(OptionsGeneral, CompileStagesAndPreprocessor) {
  check_all({
      {Z, opt_compile, {"-c"}, {}, 0, "", "compile_only"},
      {Z18, opt_compile, {"-c"}, {}, 0, "", "compile_only"},
      {T, opt_compile, {"-c"}, {"-c"}},
      {N, opt_compile, {"-c"}, {"-c"}},
      {Z, opt_assembly, {"-S"}, {"-S"}},
      {T, opt_assembly, {"-S"}, {"-S"}},
      {N, opt_assembly, {"-S"}, {"-S"}},
      {Z, opt_preprocess, {"-E"}, {"--pre"}},
      {T, opt_preprocess, {"-E"}, {"-E"}},
      {N, opt_preprocess, {"-E"}, {}},
      {Z, opt_comments, {"-C"}, {}, 0, "1428"},
      {T, opt_comments, {"-C"}, {"-C"}},
      {Z, opt_list_headers, {"-H"}, {"-Z-H"}},
      {T, opt_list_headers, {"-H"}, {"-H"}},
      {Z, opt_list_macros, {"-dM"}, {"--info=defvals"}},
      {T, opt_list_macros, {"-dM"}, {"-dM"}},
      {Z, opt_asm_cpp, {"-xassembler-with-cpp"}, {"-P"}},
      {T, opt_asm_cpp, {"-xassembler-with-cpp"}, {"-xassembler-with-cpp"}},
      {Z, opt_save_temps, {"-save-temps"}, {"--nodel"}},
      {T, opt_save_temps, {"-save-temps"}, {"-save-temps"}},
      {Z, opt_show_commands, {"-###"}, {}, 0, "1428"},
      {T, opt_show_commands, {"-###"}, {"-###"}},
      {Z, opt_version, {"--version"}, {"--ver"}},
      {N, opt_version, {"--version"}, {"--ver"}},
      {T, opt_version, {"--version"}, {"--version"}},
      {Z, opt_verbose, {"-v"}, {"-v"}, 0, "", "v:1"},
      {T, opt_verbose, {"-V"}, {"-V"}, 0, "", "v:1"},
      {N, opt_verbose, {"-v"}, {"-v"}, 0, "", "v:1"},
  });
}

TEST(OptionsGeneral, DependencyForms) {
  check_all({
      {Z, opt_depend, {"-M"}, {"--dep=+gcc,+stop"}},
      {Z, opt_depend, {"-MD"}, {"--dep=+gcc,+sys,-stop"}},
      {Z, opt_depend, {"-MM"}, {"--dep=+gcc,+stop,-sys"}},
      {Z, opt_depend, {"-MMD"}, {"--dep=+gcc,-sys,-stop"}},
      {Z, opt_depend, {"-MF", "deps.d"}, {"--dep=+gcc", "--depfile=deps.d"}, 1},
      {T, opt_depend, {"-MMD"}, {"-MMD"}},
      {T, opt_depend, {"-MF", "deps.d"}, {"-MF", "deps.d"}, 1},
      {N, opt_depend, {"-MF", "deps.d"}, {}, 0},
      {N, opt_depend, {"-MD"}, {}},
      {Z, opt_depend, {"-MF"}, {}, 0, "2041", "", 1},
      {T, opt_depend, {"-MF"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsGeneral, OutputFileAndItsDirectory) {
  check_all({
      {Z, opt_output, {"-o", "out.hex"}, {"-oout.hex"}, 1},
      {Z, opt_output, {"-oout.hex"}, {"-oout.hex"}},
      {Z, opt_output, {"-o", "build\\out.hex"}, {"-oout.hex", "--objdir=build", "--outdir=build"}, 1},
      {Z, opt_output, {"-obuild/sub/out.hex"}, {"-oout.hex", "--objdir=build/sub", "--outdir=build/sub"}},
      {Z, opt_output, {"-oC:out.hex"}, {"-oout.hex", "--objdir=C", "--outdir=C"}},
      // A backslash wins over a later "/", and "/" over a later ":".
      {Z18, opt_output, {"-o", "a\\b/c.hex"}, {"-ob/c.hex", "--objdir=a", "--outdir=a"}, 1},
      {Z, opt_output, {"-oa/b:c.hex"}, {"-ob:c.hex", "--objdir=a", "--outdir=a"}},
      {T, opt_output, {"-o", "build/out.elf"}, {"-obuild/out.elf"}, 1},
      {T, opt_output, {"-obuild/out.elf"}, {"-obuild/out.elf"}},
      {N, opt_output, {"-o", "out.hex"}, {}, 0},
      {Z, opt_output, {"-o"}, {}, 0, "2041", "", 1},
      {T, opt_output, {"-o"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsGeneral, DefinesUndefinesAndIncludesAreTheSameForEveryFamily) {
  for (DeviceType family : {Z, T, N}) {
    check_all({
        {family, opt_define, {"-DNAME=1"}, {"-DNAME=1"}},
        {family, opt_define, {"-D", "NAME=1"}, {"-DNAME=1"}, 1},
        {family, opt_define, {"-U", "NAME"}, {"-UNAME"}, 1},
        {family, opt_define, {"-I", "inc dir"}, {"-Iinc dir"}, 1},
        {family, opt_define, {"-Iinc"}, {"-Iinc"}},
        {family, opt_define, {"-I"}, {}, 0, "2041", "", 1},
    });
  }
}

TEST(OptionsGeneral, InputLanguage) {
  check_all({
      {Z, opt_language, {"-x", "assembler-with-cpp"}, {"-P"}, 1},
      {Z, opt_language, {"-x", "assembler"}, {}, 1},
      {Z, opt_language, {"-x", "c"}, {}, 1},
      {Z, opt_language, {"-x", "c++"}, {}, 1, "1428"},
      {T, opt_language, {"-x", "c"}, {"-x", "c"}, 1},
      {N, opt_language, {"-x", "c"}, {}, 1},
      {Z, opt_language, {"-x"}, {}, 0, "2041", "", 1},
  });
  // The warning names the option, not the language.
  Outcome o = run(Z, Step{opt_language, {"-x", "c++"}});
  EXPECT_NE(o.stderr_text.find("\"-x\""), std::string::npos) << o.stderr_text;
}

TEST(OptionsGeneral, LanguageStandard) {
  check_all({
      {Z, opt_ansi, {"-ansi"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {T, opt_ansi, {"-ansi"}, {"-ansi"}, 0, "", "std_given"},
      {N, opt_ansi, {"-ansi"}, {}, 0, "", "std_given"},
      {Z, opt_std, {"-std=c99"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, opt_std, {"-std=C9X"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, opt_std, {"-std=iso9899:1999"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, opt_std, {"-std=ISO9899:199x"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, opt_std, {"-std=c90"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z, opt_std, {"-std=C89"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z, opt_std, {"-std=iso9899:1990"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z18, opt_std, {"-std=iso9899:199409"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z, opt_std, {"-std=gnu99"}, {"--std=c99"}, 0, "2054", "std_given"},
      {Z, opt_std, {"-std=c11"}, {"--std=c99"}, 0, "2054", "std_given"},
      {T, opt_std, {"-std=gnu99"}, {"-std=gnu99"}, 0, "", "std_given"},
      {N, opt_std, {"-std=c99"}, {}, 0, "", "std_given"},
      {Z, opt_std, {"-std"}, {}, 0, "1195", "", 1},
      {Z, opt_std, {"-std="}, {}, 0, "1195", "", 1},
  });
  Outcome o = run(Z, Step{opt_std, {"-std=gnu99"}});
  EXPECT_NE(o.stderr_text.find("\"gnu99\""), std::string::npos) << o.stderr_text;
}

TEST(OptionsGeneral, CharFloatDoubleAndPointerSizes) {
  check_all({
      {Z, opt_char, {"-funsigned-char"}, {"--char=unsigned"}},
      {Z, opt_char, {"-fno-signed-char"}, {"--char=unsigned"}},
      {Z, opt_char, {"-fsigned-char"}, {"--char=signed"}},
      {Z, opt_char, {"-fno-unsigned-char"}, {"--char=signed"}},
      {T, opt_char, {"-fno-unsigned-char"}, {"-fno-unsigned-char"}},
      {N, opt_char, {"-fsigned-char"}, {}},
      {Z, opt_short_double, {"-fshort-double"}, {"--double=24"}},
      {Z, opt_short_double, {"-fno-short-double"}, {"--double=32"}},
      {T, opt_short_double, {"-fshort-double"}, {}, 0, "1428"},
      {Z, opt_short_float, {"-fshort-float"}, {"--float=24"}},
      {Z, opt_short_float, {"-fno-short-float"}, {"--float=32"}},
      {T, opt_short_float, {"-fno-short-float"}, {}, 0, "1428"},
      {Z, opt_pointer_size, {"-fcp=24"}, {"--cp=24"}},
      {T, opt_pointer_size, {"-fcp=24"}, {}, 0, "1428"},
      {Z, opt_pointer_size, {"-fcp"}, {}, 0, "1195", "", 1},
      {Z, opt_pointer_size, {"-fcp="}, {}, 0, "1195", "", 1},
  });
}

TEST(OptionsGeneral, OptimisationLevels) {
  check_all({
      {Z, opt_optimize, {"-O0"}, {}},
      {Z, opt_optimize, {"-O1"}, {"--opt=+1"}},
      {Z, opt_optimize, {"-O2"}, {"--opt=+2"}},
      {Z, opt_optimize, {"-O3"}, {"--opt=+3"}},
      {Z, opt_optimize, {"-Os"}, {"--opt=+s"}},
      {Z18, opt_optimize, {"-Og"}, {"--opt=+debug"}},
      {Z, opt_optimize, {"-flocal"}, {"--opt=+local"}},
      {Z, opt_optimize, {"-fasmfile"}, {"--opt=+asmfile"}},
      // Reached by the cut at "=": compared whole, so it is no "-flocal".
      {Z, opt_optimize, {"-flocal=1"}, {}},
      {T, opt_optimize, {"-O0"}, {"-O0"}},
      {T, opt_optimize, {"-Os"}, {"-Os"}},
      {T, opt_optimize, {"-flocal"}, {"-flocal"}},
      {N, opt_optimize, {"-O2"}, {}},
  });
  // Several levels give several options, in command-line order.
  Outcome o = run(Z, {Step{opt_optimize, {"-O2"}}, Step{opt_optimize, {"-Os"}}});
  EXPECT_EQ(o.out, (Texts{"--opt=+2", "--opt=+s"}));
}

TEST(OptionsGeneral, CodeGeneration) {
  check_all({
      {Z, opt_cacheconst, {"-fcacheconst=2"}, {"--cacheconst=2"}},
      {T, opt_cacheconst, {"-fcacheconst=2"}, {}, 0, "1428"},
      {Z, opt_cacheconst, {"-fcacheconst"}, {}, 0, "1195", "", 1},
      {Z, opt_instrument, {"-finstrument-functions"}, {"--runtime=+flp"}},
      {Z, opt_instrument, {"-fno-instrument-functions"}, {"--runtime=-flp"}},
      {T, opt_instrument, {"-fno-instrument-functions"}, {"-fno-instrument-functions"}},
      {Z, opt_max_errors, {"-fmax-errors=20"}, {"--errors=20"}},
      {T, opt_max_errors, {"-fmax-errors=20"}, {"-fmax-errors=20"}},
      {Z, opt_max_errors, {"-fmax-errors"}, {}, 0, "1195", "", 1},
      {Z, opt_output_format, {"-gdwarf-3"}, {"--output=+elf:multilocs"}},
      {Z, opt_output_format, {"-gcoff"}, {"--output=+mcoff"}},
      {Z, opt_output_format, {"-ginhx32"}, {"--output=+inhx32"}},
      {Z, opt_output_format, {"-ginhx032"}, {"--output=+inhx032"}},
      {T, opt_output_format, {"-gdwarf-3"}, {"-gdwarf-3"}},
      {T, opt_output_format, {"-gcoff"}, {"-gcoff"}},
      {T, opt_output_format, {"-ginhx32"}, {}, 0, "1428"},
      {T, opt_output_format, {"-ginhx032"}, {}, 0, "1428"},
      {Z, opt_nostdlib, {"-nostdlib"}, {"--runtime=-clib", "--runtime=+no_startup"}},
      {Z, opt_nodefaultlibs, {"-nodefaultlibs"}, {"--runtime=-clib"}},
      {Z, opt_nostartfiles, {"-nostartfiles"}, {"--runtime=+no_startup"}},
      {Z, opt_nostdinc, {"-nostdinc"}, {"--runtime=-cinc"}},
      {T, opt_nostdlib, {"-nostdlib"}, {"-nostdlib"}},
      {T, opt_nodefaultlibs, {"-nodefaultlibs"}, {"-nodefaultlibs"}},
      {T, opt_nostartfiles, {"-nostartfiles"}, {"-nostartfiles"}},
      {T, opt_nostdinc, {"-nostdinc"}, {"-nostdinc"}},
      {N, opt_nostdlib, {"-nostdlib"}, {}},
  });
}

}  // namespace
