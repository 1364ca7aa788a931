// Product registry: the catalogue identity the build number gives.
#include "common/registry.h"

#include <gtest/gtest.h>

#include "common/messages.h"

namespace {

TEST(Registry, CatalogueIdentity) {
  EXPECT_STREQ(kEmbeddedCatalogueName, "20240725155939_en.msgs");
  EXPECT_EQ(kEmbeddedCatalogueVersion, 20240725155939ULL);
}

}  // namespace
