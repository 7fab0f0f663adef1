// The one wiring function of the programs: it installs a program's parts and the core services,
// and puts back what was installed before when its object goes.
#include "app/Services.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/ScopedInstall.h"
#include "support/ManualClock.h"
#include "support/MemoryInstanceLock.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedPrompter.h"

namespace {

int gWrapped = 0;

std::unique_ptr<platform::SerialDevice> CountWrapped(std::unique_ptr<platform::SerialDevice> d) {
    ++gWrapped;
    return d;
}

ServiceSetup ShippedData() {
    ServiceSetup setup;
    setup.dataFolder = KELDA_BIN_DIR;
    return setup;
}

TEST(WireServices, InstallsTheProgramsPartsAndTheCoreThenPutsBackWhatWasThereBefore) {
    test::ManualClock clock;
    test::ScriptedPrompter testPrompts;
    cmcEvMan testHub;
    ScopedInstall<InstallEvMan> hubBefore(&testHub);
    {
        platform::StderrPrompter programPrompts;
        ServiceSetup setup = ShippedData();
        setup.prompter = &programPrompts;
        setup.serialDeviceWrapper = &CountWrapped;
        std::unique_ptr<Services> services = WireServices(std::move(setup));
        ASSERT_TRUE(services->FirstInstance());
        EXPECT_EQ(&platform::GetPrompter(), &programPrompts);
        EXPECT_EQ(&platform::GetClock(), &clock);  // a part not given stays as it was
        EXPECT_EQ(&EvMan(), &services->Hub());
        EXPECT_EQ(&Environ(), &services->Settings());
        EXPECT_EQ(&CellHost(), static_cast<CellDispatchHost*>(&services->App()));
        EXPECT_EQ(GTex().GetLine("GI_Sys_AppTitle", 0), "KELDA");
        EXPECT_EQ(services->App().CurrentModelType(), 2);  // the start model's factory image
        EXPECT_EQ(gWrapped, 1);  // the clone manager's port, made with the application object
    }
    platform::CreateSerialDevice();
    EXPECT_EQ(gWrapped, 1);
    EXPECT_EQ(&platform::GetPrompter(), &testPrompts);
    EXPECT_EQ(&EvMan(), &testHub);
    EXPECT_FALSE(HasCellHost());
}

// The window program installs its clock through the setup, with none installed before: the
// hub's queue runs on that clock, so a posted event (the channel list's view switch, a repaint
// after a paste) reaches its subscribers.
TEST(WireServices, PostedEventsRunOnTheClockTheProgramGives) {
    test::ManualClock clock;
    ScopedInstall<platform::InstallClock> noClockBefore(nullptr);
    ServiceSetup setup = ShippedData();
    setup.clock = &clock;
    std::unique_ptr<Services> services = WireServices(std::move(setup));
    ASSERT_TRUE(services->FirstInstance());
    constexpr int kCode = 4242;
    int delivered = 0;
    HubCallback count = [](void* user, HubEvent& event) {
        if (event.code == kCode) ++*static_cast<int*>(user);
    };
    EvMan().Subscribe(count, &delivered);
    EvMan().Post(kCode);
    clock.Advance(50);
    EXPECT_EQ(delivered, 1);
    EvMan().Unsubscribe(count, &delivered);
}

TEST(WireServices, ASecondInstanceStopsAfterItsSettingsAndLeavesTheFirstInstalled) {
    test::ManualClock clock;
    test::MemorySettingsStore store;
    auto settings = [&store] {
        return std::make_unique<indEnviron>("wire-services-test", indEnviron::kKeyPath, 1280, 800,
                                            store, std::make_unique<test::MemoryInstanceLock>());
    };
    ServiceSetup firstSetup = ShippedData();
    firstSetup.settings = settings;
    std::unique_ptr<Services> first = WireServices(std::move(firstSetup));
    ASSERT_TRUE(first->FirstInstance());

    ServiceSetup secondSetup = ShippedData();
    secondSetup.settings = settings;
    std::unique_ptr<Services> second = WireServices(std::move(secondSetup));
    EXPECT_FALSE(second->FirstInstance());
    EXPECT_EQ(&Environ(), &first->Settings());
    EXPECT_EQ(&CellHost(), static_cast<CellDispatchHost*>(&first->App()));
}

}  // namespace
