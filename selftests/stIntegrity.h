// The integrity tests of the installation against its hash manifest, and
// the command that writes the manifest.
#pragma once

#include "common/vector.h"

vector* stIntegrityManifest_tests();
vector* stIntegritySHA_tests();
vector* stIntegritySHAdetailed_tests();
vector* stIntegrityExtra_tests();
vector* stIntegrity_tests();

// "--selfinit[=path]": writes the manifest of the installation (at path
// when given); 0 on success, 1 on failure.
int selfinit(const char* path);
