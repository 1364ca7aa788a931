// "--selftest[=list]": the catalogue of self-test options and tests, the
// list that selects from it, the suite that runs the selection and the
// reports it writes into the current directory.
#pragma once

// Runs the selected tests; always 0 (failures show in the display and the
// reports). "help" in the list prints the catalogue and ends the program.
int selftest(const char* list);
