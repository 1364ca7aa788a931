// The command line: expanding the process's arguments (command files given
// as "@file", unescaping), handing them to the options callback, and running
// the compiler driver that the callback chose with the translated options,
// through a command file.
//
// The layer takes the callback, the command-file mode and the verbosity as
// parameters, so that other programs of the tool chain can drive their own
// option processing through it.
#pragma once

#include <cstdint>

struct vector;

// Takes the expanded arguments and returns the options vector: element 0
// the driver's path, then the driver's options in its own language; null
// when there is nothing to run.
using cmdline_options_fn = vector* (*)(vector* args);
// Called with the driver's status after it ran; returns the run's status.
using cmdline_finish_fn = int (*)(int status);
// Called with each argument before it is examined.
using cmdline_argument_fn = void (*)(const char* arg);
// Whether args[index], an expanded argument as the user gave it, is an input
// file rather than an option or an option's value (for the messages that
// name it).
using cmdline_input_fn = bool (*)(const vector* args, uint32_t index);

enum CmdlineMode : uint32_t {
  CMDLINE_FILE_IF_LONG = 0,  // a command file only when the line is too long
  CMDLINE_FILE_ALWAYS = 1,
  CMDLINE_FILE_NEVER = 2,
};

// The whole run: the signal handlers, the expansion, the callback, then the
// driver unless an error was reported. The driver's status, or 1.
int cmdline_driver(int argc, char** argv, cmdline_options_fn options_process, uint32_t mode,
                   const int* verbosity);
// The arguments after argv[0], with "@file" arguments replaced by the
// arguments read from the file (recursively), empty ones dropped and the
// others unescaped. The first call takes the program name from argv[0].
vector* cmdline_args(int argc, char** argv, cmdline_argument_fn per_argument);
// Runs options[0] with the other elements, through a command file as mode
// says; verbosity > 0 echoes the command. The driver's status; 1 when there
// is nothing to run, an option cannot go into the command file (a tab, line
// feed or carriage return: kMsgUncarried names the argument as typed) or no
// command file can be written; -1 when the driver cannot be started
// (kMsgCannotExecute, reported as an error so that the status stays the
// driver's).
int cmdline_spawn(vector* options, uint32_t mode, int verbosity);
// Registers the step that finishes the run after the driver (the last
// registration wins; null removes it).
void cmdline_set_finish(cmdline_finish_fn finish);
// Registers the test that tells input files from other arguments in
// messages (null: none is called an input file).
void cmdline_set_input_test(cmdline_input_fn is_input);
// The program name: argv[0] after its last directory separator (a getter,
// not traced).
const char* cmdline_progname();
