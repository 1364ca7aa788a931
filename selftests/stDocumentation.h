// The documentation tests: the installation's docs directory holds a
// readme and a user guide.
#pragma once

#include "common/vector.h"

vector* stDocsReadme_tests();
vector* stDocsUG_tests();
vector* stDocs_tests();
