// The build tests: the installation's own tools really assemble, compile,
// preprocess and archive, for every supported device.
#pragma once

#include "common/vector.h"

vector* stBuildDeviceSupport_tests();
vector* stBuildAssemble_tests();
vector* stBuildC90_tests();
vector* stBuildC99_tests();
vector* stBuildCPP_tests();
vector* stBuildLib_tests();
vector* stBuildTEV_tests();
vector* stBuild_tests();
