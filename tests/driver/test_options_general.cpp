// The general option handlers: compile stages and output, preprocessor,
// language, optimisation and code generation, for ZIR, TEV and no family.
#include <gtest/gtest.h>

#include "tests/driver/option_cases.h"

namespace {

using namespace optrun;

TEST(OptionsGeneral, CompileStagesAndPreprocessor) {
  check_all({
      {Z, {"-c"}, {}, 0, "", "compile_only"},
      {Z18, {"-c"}, {}, 0, "", "compile_only"},
      {T, {"-c"}, {"-c"}},
      {N, {"-c"}, {"-c"}},
      {Z, {"-S"}, {"-S"}},
      {T, {"-S"}, {"-S"}},
      {N, {"-S"}, {"-S"}},
      {Z, {"-E"}, {"--pre"}},
      {T, {"-E"}, {"-E"}},
      {N, {"-E"}, {}},
      {Z, {"-C"}, {}, 0, "1428"},
      {T, {"-C"}, {"-C"}},
      {Z, {"-H"}, {"-Z-H"}},
      {T, {"-H"}, {"-H"}},
      {Z, {"-dM"}, {"--info=defvals"}},
      {T, {"-dM"}, {"-dM"}},
      {Z, {"-xassembler-with-cpp"}, {"-P"}},
      {T, {"-xassembler-with-cpp"}, {"-xassembler-with-cpp"}},
      {Z, {"-save-temps"}, {"--nodel"}},
      {T, {"-save-temps"}, {"-save-temps"}},
      {Z, {"-###"}, {}, 0, "1428"},
      {T, {"-###"}, {"-###"}},
      {Z, {"--version"}, {"--ver"}},
      {N, {"--version"}, {"--ver"}},
      {T, {"--version"}, {"--version"}},
      {Z, {"-v"}, {"-v"}, 0, "", "v:1"},
      {T, {"-V"}, {"-V"}, 0, "", "v:1"},
      {N, {"-v"}, {"-v"}, 0, "", "v:1"},
  });
}

TEST(OptionsGeneral, DependencyForms) {
  check_all({
      {Z, {"-M"}, {"--dep=+gcc,+stop"}},
      {Z, {"-MD"}, {"--dep=+gcc,+sys,-stop"}},
      {Z, {"-MM"}, {"--dep=+gcc,+stop,-sys"}},
      {Z, {"-MMD"}, {"--dep=+gcc,-sys,-stop"}},
      {Z, {"-MF", "deps.d"}, {"--dep=+gcc", "--depfile=deps.d"}, 1},
      {T, {"-MMD"}, {"-MMD"}},
      {T, {"-MF", "deps.d"}, {"-MF", "deps.d"}, 1},
      {N, {"-MF", "deps.d"}, {}, 0},
      {N, {"-MD"}, {}},
      {Z, {"-MF"}, {}, 0, "2041", "", 1},
      {T, {"-MF"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsGeneral, OutputFileAndItsDirectory) {
  check_all({
      {Z, {"-o", "out.hex"}, {"-oout.hex"}, 1},
      {Z, {"-oout.hex"}, {"-oout.hex"}},
      {Z, {"-o", "build\\out.hex"}, {"-oout.hex", "--objdir=build", "--outdir=build"}, 1},
      {Z, {"-obuild/sub/out.hex"}, {"-oout.hex", "--objdir=build/sub", "--outdir=build/sub"}},
      {Z, {"-oC:out.hex"}, {"-oout.hex", "--objdir=C", "--outdir=C"}},
      // A backslash wins over a later "/", and "/" over a later ":".
      {Z18, {"-o", "a\\b/c.hex"}, {"-ob/c.hex", "--objdir=a", "--outdir=a"}, 1},
      {Z, {"-oa/b:c.hex"}, {"-ob:c.hex", "--objdir=a", "--outdir=a"}},
      {T, {"-o", "build/out.elf"}, {"-obuild/out.elf"}, 1},
      {T, {"-obuild/out.elf"}, {"-obuild/out.elf"}},
      {N, {"-o", "out.hex"}, {}, 0},
      {Z, {"-o"}, {}, 0, "2041", "", 1},
      {T, {"-o"}, {}, 0, "2041", "", 1},
  });
}

TEST(OptionsGeneral, DefinesUndefinesAndIncludesAreTheSameForEveryFamily) {
  for (DeviceType family : {Z, T, N}) {
    check_all({
        {family, {"-DNAME=1"}, {"-DNAME=1"}},
        {family, {"-D", "NAME=1"}, {"-DNAME=1"}, 1},
        {family, {"-U", "NAME"}, {"-UNAME"}, 1},
        {family, {"-I", "inc dir"}, {"-Iinc dir"}, 1},
        {family, {"-Iinc"}, {"-Iinc"}},
        {family, {"-I"}, {}, 0, "2041", "", 1},
    });
  }
}

TEST(OptionsGeneral, InputLanguage) {
  check_all({
      {Z, {"-x", "assembler-with-cpp"}, {"-P"}, 1},
      {Z, {"-x", "assembler"}, {}, 1},
      {Z, {"-x", "c"}, {}, 1},
      {Z, {"-x", "c++"}, {}, 1, "1428"},
      {T, {"-x", "c"}, {"-x", "c"}, 1},
      {N, {"-x", "c"}, {}, 1},
      {Z, {"-x"}, {}, 0, "2041", "", 1},
  });
  // The warning names the option, not the language.
  Outcome o = run(Z, Step{{"-x", "c++"}});
  EXPECT_NE(o.stderr_text.find("\"-x\""), std::string::npos) << o.stderr_text;
}

TEST(OptionsGeneral, LanguageStandard) {
  check_all({
      {Z, {"-ansi"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {T, {"-ansi"}, {"-ansi"}, 0, "", "std_given"},
      {N, {"-ansi"}, {}, 0, "", "std_given"},
      {Z, {"-std=c99"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, {"-std=C9X"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, {"-std=iso9899:1999"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, {"-std=ISO9899:199x"}, {"--std=c99"}, 0, "", "std_given"},
      {Z, {"-std=c90"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z, {"-std=C89"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z, {"-std=iso9899:1990"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z18, {"-std=iso9899:199409"}, {"--std=c90"}, 0, "", "std_given c90_selected"},
      {Z, {"-std=gnu99"}, {"--std=c99"}, 0, "2054", "std_given"},
      {Z, {"-std=c11"}, {"--std=c99"}, 0, "2054", "std_given"},
      {T, {"-std=gnu99"}, {"-std=gnu99"}, 0, "", "std_given"},
      {N, {"-std=c99"}, {}, 0, "", "std_given"},
      {Z, {"-std"}, {}, 0, "1195", "", 1},
      {Z, {"-std="}, {}, 0, "1195", "", 1},
  });
  Outcome o = run(Z, Step{{"-std=gnu99"}});
  EXPECT_NE(o.stderr_text.find("\"gnu99\""), std::string::npos) << o.stderr_text;
}

TEST(OptionsGeneral, CharFloatDoubleAndPointerSizes) {
  check_all({
      {Z, {"-funsigned-char"}, {"--char=unsigned"}},
      {Z, {"-fno-signed-char"}, {"--char=unsigned"}},
      {Z, {"-fsigned-char"}, {"--char=signed"}},
      {Z, {"-fno-unsigned-char"}, {"--char=signed"}},
      {T, {"-fno-unsigned-char"}, {"-fno-unsigned-char"}},
      {N, {"-fsigned-char"}, {}},
      {Z, {"-fshort-double"}, {"--double=24"}},
      {Z, {"-fno-short-double"}, {"--double=32"}},
      {T, {"-fshort-double"}, {}, 0, "1428"},
      {Z, {"-fshort-float"}, {"--float=24"}},
      {Z, {"-fno-short-float"}, {"--float=32"}},
      {T, {"-fno-short-float"}, {}, 0, "1428"},
      {Z, {"-fcp=24"}, {"--cp=24"}},
      {T, {"-fcp=24"}, {}, 0, "1428"},
      {Z, {"-fcp"}, {}, 0, "1195", "", 1},
      {Z, {"-fcp="}, {}, 0, "1195", "", 1},
  });
}

TEST(OptionsGeneral, OptimisationLevels) {
  check_all({
      {Z, {"-O0"}, {}},
      {Z, {"-O1"}, {"--opt=+1"}},
      {Z, {"-O2"}, {"--opt=+2"}},
      {Z, {"-O3"}, {"--opt=+3"}},
      {Z, {"-Os"}, {"--opt=+s"}},
      {Z18, {"-Og"}, {"--opt=+debug"}},
      {Z, {"-flocal"}, {"--opt=+local"}},
      {Z, {"-fasmfile"}, {"--opt=+asmfile"}},
      // Reached by the cut at "=": what follows the name is ignored.
      {Z, {"-flocal=1"}, {"--opt=+local"}},
      {Z, {"-M=1"}, {"--dep=+gcc,+stop"}},
      {T, {"-O0"}, {"-O0"}},
      {T, {"-Os"}, {"-Os"}},
      {T, {"-flocal"}, {"-flocal"}},
      {N, {"-O2"}, {}},
  });
  // Several levels give several options, in command-line order.
  Outcome o = run(Z, {Step{{"-O2"}}, Step{{"-Os"}}});
  EXPECT_EQ(o.out, (Texts{"--opt=+2", "--opt=+s"}));
}

TEST(OptionsGeneral, CodeGeneration) {
  check_all({
      {Z, {"-fcacheconst=2"}, {"--cacheconst=2"}},
      {T, {"-fcacheconst=2"}, {}, 0, "1428"},
      {Z, {"-fcacheconst"}, {}, 0, "1195", "", 1},
      {Z, {"-finstrument-functions"}, {"--runtime=+flp"}},
      {Z, {"-fno-instrument-functions"}, {"--runtime=-flp"}},
      {T, {"-fno-instrument-functions"}, {"-fno-instrument-functions"}},
      {Z, {"-fmax-errors=20"}, {"--errors=20"}},
      {T, {"-fmax-errors=20"}, {"-fmax-errors=20"}},
      {Z, {"-fmax-errors"}, {}, 0, "1195", "", 1},
      {Z, {"-gdwarf-3"}, {"--output=+elf:multilocs"}},
      {Z, {"-gcoff"}, {"--output=+mcoff"}},
      {Z, {"-ginhx32"}, {"--output=+inhx32"}},
      {Z, {"-ginhx032"}, {"--output=+inhx032"}},
      {T, {"-gdwarf-3"}, {"-gdwarf-3"}},
      {T, {"-gcoff"}, {"-gcoff"}},
      {T, {"-ginhx32"}, {}, 0, "1428"},
      {T, {"-ginhx032"}, {}, 0, "1428"},
      {Z, {"-nostdlib"}, {"--runtime=-clib", "--runtime=+no_startup"}},
      {Z, {"-nodefaultlibs"}, {"--runtime=-clib"}},
      {Z, {"-nostartfiles"}, {"--runtime=+no_startup"}},
      {Z, {"-nostdinc"}, {"--runtime=-cinc"}},
      {T, {"-nostdlib"}, {"-nostdlib"}},
      {T, {"-nodefaultlibs"}, {"-nodefaultlibs"}},
      {T, {"-nostartfiles"}, {"-nostartfiles"}},
      {T, {"-nostdinc"}, {"-nostdinc"}},
      {N, {"-nostdlib"}, {}},
  });
}

}  // namespace
