// A service installed through ScopedInstall comes back out on every exit of its scope, also
// when a failed assertion ends a test early.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"

namespace {

cmcEvMan* gDouble = nullptr;

void InstallTheDoubleThenFail() {
    ScopedInstall<InstallEvMan> hub(gDouble);
    ASSERT_EQ(&EvMan(), gDouble);
    ASSERT_TRUE(false) << "an assertion that fails returns at once";
}

TEST(ScopedInstall, AnEarlyReturnPutsBackTheServiceInstalledBefore) {
    cmcEvMan outer, inner;
    ScopedInstall<InstallEvMan> first(&outer);
    gDouble = &inner;
    EXPECT_FATAL_FAILURE(InstallTheDoubleThenFail(), "returns at once");
    // The one before, not an empty slot, and certainly not the gone double.
    EXPECT_EQ(&EvMan(), &outer);
}

}  // namespace
