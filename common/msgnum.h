// The catalogue rows that lumo8-cc and the programs of its installation
// raise, each named once. The comment after a name is its row's text in
// common/messages_en.msgs: the build checks every line against the
// catalogue (cmake/check_catalogue.cmake), so that a row that is renumbered
// or reworded cannot keep a name that no longer fits it.
//
// A row that several programs raise has one name. The rows of one tool's
// own range carry it in the name: Pre the preprocessor of the compiler
// drivers, As the assemblers, Ar the librarian, Audit the installation
// checker, Zircc the ZIR compilers' device listings.
#pragma once

#include <cstdint>

inline constexpr uint32_t kMsgTooManyErrors = 1;  // too many errors (%u)
inline constexpr uint32_t kMsgMalformedMessageFile = 3;  // malformed error information on line * in file *

inline constexpr uint32_t kMsgPreNoMatchingIf = 100;  // #%s without matching #if
inline constexpr uint32_t kMsgPreMacroRedefined = 101;  // macro "%s" redefined
inline constexpr uint32_t kMsgPreElseAfterElse = 102;  // #else after #else in the same conditional block
inline constexpr uint32_t kMsgPreIncludeNotFound = 103;  // can't find include file "%s" in the search path
inline constexpr uint32_t kMsgPreElifAfterElse = 104;  // #elif after #else in the same conditional block
inline constexpr uint32_t kMsgPreExtraTokens = 106;  // extra tokens after #%s directive ignored
inline constexpr uint32_t kMsgPreUnterminatedIf = 108;  // unterminated #if or #ifdef, started on line %d
inline constexpr uint32_t kMsgPreUnknownDirective = 109;  // unknown directive "#%s"
inline constexpr uint32_t kMsgPreIncludeSyntax = 111;  // #include syntax error; expected "file" or <file>
inline constexpr uint32_t kMsgPreDefineSyntax = 113;  // #define syntax error; macro name expected
inline constexpr uint32_t kMsgPreIncludeDepth = 115;  // include files nested too deeply (limit %d)
inline constexpr uint32_t kMsgPreParameterList = 117;  // missing ")" in macro parameter list
inline constexpr uint32_t kMsgPreWarningDirective = 118;  // #warning: %s
inline constexpr uint32_t kMsgCannotOpenFile = 141;  // can't open %s file "%s": %m
inline constexpr uint32_t kMsgPreUnterminatedComment = 153;  // unterminated comment at end of file
inline constexpr uint32_t kMsgPreErrorDirective = 159;  // #error %s
inline constexpr uint32_t kMsgPreCannotRead = 179;  // preprocessor: error reading "%s": %m
inline constexpr uint32_t kMsgPreBadExpression = 182;  // #if expression "%s" cannot be evaluated
inline constexpr uint32_t kMsgPreIdentifierExpected = 185;  // identifier expected after #%s
inline constexpr uint32_t kMsgPreUnknownOption = 191;  // "%s" is not a valid preprocessor option

inline constexpr uint32_t kMsgUnbalanced = 213;  // unbalanced "%s"
inline constexpr uint32_t kMsgOutOfMemory = 296;  // out of memory
inline constexpr uint32_t kMsgUnterminated = 297;  // unterminated %s
inline constexpr uint32_t kMsgBadP1File = 405;  // "%s" is not a valid intermediate (p1) file

inline constexpr uint32_t kMsgAsUndefinedSymbol = 800;  // undefined symbol "%s"
inline constexpr uint32_t kMsgAsSymbolRedefined = 801;  // symbol "%s" defined more than once
inline constexpr uint32_t kMsgAsCannotOpen = 805;  // cannot open "%s"
inline constexpr uint32_t kMsgAsIncludeNotFound = 806;  // cannot find include file "%s"
inline constexpr uint32_t kMsgAsIncludeDepth = 807;  // includes nested deeper than %d levels
inline constexpr uint32_t kMsgAsUnsupportedDirective = 809;  // unsupported preprocessor directive "#%s"
inline constexpr uint32_t kMsgAsIncludeSyntax = 810;  // #include expects <file> or "file"
inline constexpr uint32_t kMsgAsBadOperand = 811;  // invalid operand "%s" for "%s"
inline constexpr uint32_t kMsgAsSyntax = 813;  // syntax error: %s
inline constexpr uint32_t kMsgAsUnknownInstruction = 815;  // unknown instruction or directive "%s"
inline constexpr uint32_t kMsgAsWrongOperands = 816;  // wrong operands: %s
inline constexpr uint32_t kMsgAsBadExpression = 817;  // bad expression: %s
inline constexpr uint32_t kMsgAsDivisionByZero = 819;  // division by zero in expression
inline constexpr uint32_t kMsgAsOutOfRange = 826;  // %s %ld out of range (%ld to %ld)
inline constexpr uint32_t kMsgAsNoStartLabel = 839;  // start label "%s" is not defined
inline constexpr uint32_t kMsgAsNameTooLong = 841;  // name longer than %u characters
inline constexpr uint32_t kMsgAsUnknownDirective = 847;  // unknown assembler directive "%s"
inline constexpr uint32_t kMsgAsUnterminatedString = 866;  // unterminated string
inline constexpr uint32_t kMsgAsBadCharacter = 869;  // character constant must be one character in quotes
inline constexpr uint32_t kMsgAsNameMissing = 899;  // %s needs a name before it
inline constexpr uint32_t kMsgAsUnknownOption = 904;  // %s: unknown option "%s"
inline constexpr uint32_t kMsgAsNoOutputName = 906;  // %s: -o needs a file name
inline constexpr uint32_t kMsgAsNoIncludeDir = 908;  // %s: -I needs a directory
inline constexpr uint32_t kMsgAsTwoSources = 909;  // %s: only one source file may be given ("%s")
inline constexpr uint32_t kMsgAsNoSource = 911;  // %s: no source file given
inline constexpr uint32_t kMsgAsNoDevice = 913;  // %s: no device given (-mcpu=)
inline constexpr uint32_t kMsgArgumentTooLong = 917;  // argument too long
inline constexpr uint32_t kMsgAsNoDeviceFile = 918;  // %s: cannot read the device file "%s"
inline constexpr uint32_t kMsgAsUnknownDevice = 919;  // %s: unknown ZIR device "%s"
inline constexpr uint32_t kMsgAsForwardReference = 921;  // the value must be defined before this line
inline constexpr uint32_t kMsgAsCannotWrite = 924;  // %s: cannot write "%s": %s
inline constexpr uint32_t kMsgAsBadRomRanges = 927;  // %s: malformed ROM ranges "%s"
inline constexpr uint32_t kMsgAsCannotRead = 930;  // assembler: can't read "%s": %m
inline constexpr uint32_t kMsgAsNoEnd = 933;  // no END directive; end of file assumed
inline constexpr uint32_t kMsgUnknownAssemblerOption = 980;  // unknown assembler option "%s"

inline constexpr uint32_t kMsgMultipleDefinition = 1004;  // symbol "%s" is defined in more than one object file
inline constexpr uint32_t kMsgProgramMemoryOverflow = 1007;  // program needs %u bytes of program memory; %s has %u
inline constexpr uint32_t kMsgDataMemoryOverflow = 1008;  // program needs %u bytes of data memory; %s has %u
inline constexpr uint32_t kMsgNoEntryPoint = 1052;  // entry point "%s" not defined
inline constexpr uint32_t kMsgUnknownLinkerOption = 1100;  // unknown linker option "%s"
inline constexpr uint32_t kMsgBadSyntax = 1195;  // invalid syntax for "%s" option

inline constexpr uint32_t kMsgArNoModules = 1205;  // %s: no modules named for "%s"
inline constexpr uint32_t kMsgArModuleMissing = 1208;  // %s: module "%s" is not in library "%s"
inline constexpr uint32_t kMsgBadLibrary = 1209;  // "%s" is not a valid library
inline constexpr uint32_t kMsgArNoOperation = 1214;  // %s: no operation given (one of -r, -x, -t, -d)
inline constexpr uint32_t kMsgArModuleTooLarge = 1218;  // %s: module "%s": %s
inline constexpr uint32_t kMsgArNoLibrary = 1221;  // %s: no library named
inline constexpr uint32_t kMsgArUnknownOption = 1223;  // %s: unknown option "%s"
inline constexpr uint32_t kMsgArCannotOpenLibrary = 1226;  // %s: cannot open library "%s": %s
inline constexpr uint32_t kMsgArTwoOperations = 1228;  // %s: only one operation may be given ("%s")
inline constexpr uint32_t kMsgArCannotReadModule = 1230;  // %s: cannot read module "%s": %s
inline constexpr uint32_t kMsgArBadLibrary = 1238;  // %s: "%s" is not a valid library: %s
inline constexpr uint32_t kMsgArNotAModule = 1240;  // %s: "%s" is neither an object file nor a p1 file
inline constexpr uint32_t kMsgArBadModuleName = 1245;  // %s: "%s" is not a module name
inline constexpr uint32_t kMsgBadObjectFile = 1246;  // "%s" is not a valid object file
inline constexpr uint32_t kMsgArLibraryTooLarge = 1248;  // %s: library "%s": %s
inline constexpr uint32_t kMsgArExtraArguments = 1251;  // %s: -t takes only the library, not "%s"
inline constexpr uint32_t kMsgArCannotWriteModule = 1253;  // %s: cannot write module "%s": %s
inline constexpr uint32_t kMsgArCannotWriteLibrary = 1293;  // %s: cannot write library "%s": %s

inline constexpr uint32_t kMsgNotSupported = 1428;  // "%s" is not supported; this feature will be ignored
inline constexpr uint32_t kMsgAuditCannotWriteManifest = 1473;  // %s: cannot write manifest "%s"
inline constexpr uint32_t kMsgAuditUnknownOption = 1475;  // %s: unknown option "%s"
inline constexpr uint32_t kMsgAuditCannotReadManifest = 1477;  // %s: cannot read manifest "%s": %s
inline constexpr uint32_t kMsgAuditNotADirectory = 1479;  // %s: "%s" is not a directory
inline constexpr uint32_t kMsgAuditEmptyManifest = 1481;  // %s: manifest "%s" lists no files
inline constexpr uint32_t kMsgAuditCannotRead = 1483;  // %s: cannot read "%s"
inline constexpr uint32_t kMsgAuditBadManifestLine = 1485;  // %s: manifest "%s", line %d: %s
inline constexpr uint32_t kMsgAuditNoInstdir = 1488;  // %s: no installation directory given (--instdir=)
inline constexpr uint32_t kMsgAuditNothingToDo = 1490;  // %s: nothing to do (-c checks, --generate writes the manifest)
inline constexpr uint32_t kMsgAuditTwoActions = 1492;  // %s: "%s": -c and --generate exclude each other

inline constexpr uint32_t kMsgAssertionWarning = 1501;  // assertion failure: %s (%s:%d)
inline constexpr uint32_t kMsgAssertionError = 1502;  // assertion failure: %s (%s:%d)
inline constexpr uint32_t kMsgAssertionFatal = 1503;  // assertion failure: %s (%s:%d)
inline constexpr uint32_t kMsgBadWerrorNumber = 1606;  // w[no-]error option has been passed an invalid or missing message identifier
inline constexpr uint32_t kMsgCannotDisable = 1607;  // cannot disable message (%u); only advisory or warning messages can be disabled

inline constexpr uint32_t kMsgUnknownOption = 2000;  // unknown option "%s"
inline constexpr uint32_t kMsgBadValueForOption = 2003;  // "%s" is not a valid value for option "%s"
inline constexpr uint32_t kMsgCannotExecute = 2015;  // can't execute "%s": %m
inline constexpr uint32_t kMsgZirccBadDeviceLine = 2017;  // %s: malformed device line %u in "%s"
inline constexpr uint32_t kMsgZirccNoDeviceFile = 2019;  // %s: cannot read the device file "%s"
inline constexpr uint32_t kMsgZirccUsage = 2021;  // %s: unsupported option "%s"; this program only lists devices (try --help)
inline constexpr uint32_t kMsgNoInputFiles = 2023;  // no input files specified; nothing to do
inline constexpr uint32_t kMsgWarningsAreErrors = 2024;  // %u warning(s) treated as errors (--Werror)
inline constexpr uint32_t kMsgInputMissing = 2027;  // input file "%s" does not exist
inline constexpr uint32_t kMsgInputNotUsed = 2029;  // input file "%s" is not used when stopping before the link
inline constexpr uint32_t kMsgCannotOpenInput = 2030;  // can't open input file "%s"
inline constexpr uint32_t kMsgCannotWriteOutput = 2032;  // can't write output file "%s"
inline constexpr uint32_t kMsgNoChip = 2033;  // no device selected; name one with --chip=<device>
inline constexpr uint32_t kMsgStdinNeedsLanguage = 2035;  // -E or -x required when input is from standard input
inline constexpr uint32_t kMsgBadDeviceList = 2036;  // can't read the device list "%s" (line %u)
inline constexpr uint32_t kMsgMissingValue = 2037;  // option "%s" needs a value
inline constexpr uint32_t kMsgStdinIsTerminal = 2039;  // standard input is a terminal; give the input through a pipe or as a file
inline constexpr uint32_t kMsgMissingArgument = 2041;  // missing argument after "%s"
inline constexpr uint32_t kMsgNoDevice = 2042;  // no target device specified; use the -mcpu option to specify a target device
inline constexpr uint32_t kMsgUnknownDevice = 2043;  // target device was not recognized
inline constexpr uint32_t kMsgUnrecognized = 2044;  // unrecognized option "%s"
inline constexpr uint32_t kMsgNoDriver = 2045;  // could not find executable "%s"
inline constexpr uint32_t kMsgNoDeviceList = 2046;  // can't read the device list "%s"
inline constexpr uint32_t kMsgExtensionNotSupported = 2048;  // C language extension "%s" is not supported and will be ignored
inline constexpr uint32_t kMsgCciDeprecated = 2050;  // use of the -mcci option is deprecated; use -mext=cci to avoid this warning
inline constexpr uint32_t kMsgDeviceNotKnown = 2053;  // device "%s" is not known to this installation
inline constexpr uint32_t kMsgStandardNotSupported = 2054;  // the language standard "%s" is not supported; using C99
inline constexpr uint32_t kMsgDriverDepfile = 2056;  // the dependency file "%s" of the compiler driver is missing or damaged
inline constexpr uint32_t kMsgUnusableInput = 2057;  // input file "%s" is of a type this driver can't use
inline constexpr uint32_t kMsgLibraryNotFound = 2071;  // library "-l%s" not found in the search path
inline constexpr uint32_t kMsgOutputOverwritesInput = 2075;  // output file "%s" would overwrite input file
inline constexpr uint32_t kMsgUncarried = 2077;  // %s "%s" can't be passed to the compiler driver: a command file can't hold a tab, line feed or carriage return
inline constexpr uint32_t kMsgRomFull = 2079;  // program of %u words does not fit the %u words of program memory
inline constexpr uint32_t kMsgNoTempFile = 2082;  // can't create temporary file
inline constexpr uint32_t kMsgDeviceConflict = 2085;  // conflicting devices "%s" and "%s"
inline constexpr uint32_t kMsgOneOutput = 2087;  // "-o%s" names one output, but %u would be written
inline constexpr uint32_t kMsgCannotReadCommandFile = 2088;  // can't read command file "%s"
inline constexpr uint32_t kMsgBadValueInOption = 2099;  // invalid value in option "%s"
inline constexpr uint32_t kMsgCommandFileLoop = 2103;  // command file "%s" includes itself; not expanded again
inline constexpr uint32_t kMsgNoPack = 2204;  // pack path "%s" does not exist
inline constexpr uint32_t kMsgPackLacksFamily = 2206;  // pack "%s" does not contain "%s"
