#include <gtest/gtest.h>

#include <string>

#include "ShippedOverlay.h"
#include "mkinitial/FactoryPlan.h"

namespace {

const std::string kPlans = std::string(KELDA_SOURCE_DIR) + "/data/plans";

TEST(FactoryRoster, ShippedPlanTablesAreValid) {
    FactoryPlan plan;
    std::string error;
    ASSERT_TRUE(LoadFactoryPlan(kPlans, &plan, &error)) << error;
    EXPECT_EQ(plan.models.size(), 8u);
}

// The overlay names the models and their initial files; both lists follow the roster.
TEST(FactoryRoster, OverlayListsEveryModelInTypeOrder) {
    FactoryPlan plan;
    std::string error;
    ASSERT_TRUE(LoadFactoryPlan(kPlans, &plan, &error)) << error;
    auto entries = shipped::Entries(shipped::ReadLines(shipped::OverlayPath()));
    const auto& names = entries["GI_AppInd_Model"];
    const auto& files = entries["GI_App_InitialFile"];
    ASSERT_GE(names.size(), plan.models.size());
    ASSERT_EQ(files.size(), plan.models.size());
    for (const auto& m : plan.models) {
        EXPECT_EQ(names[m.type], m.name) << "model " << m.type;
        EXPECT_EQ(files[m.type], m.file) << "model " << m.type;
    }
}

}  // namespace
