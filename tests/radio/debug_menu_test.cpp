// The debug menu of the main menu shows and works only in manufacturer mode.
#include <gtest/gtest.h>

#include <vector>

#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatcher.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "support/CellDoubles.h"

namespace {

// Only the events of the debug tools (a key also clears the bottom bar with event 4).
void Record(void* user, HubEvent& event) {
    if (event.code >= ev::kOpenFreeDebug && event.code <= ev::kCopyCompareBase)
        static_cast<std::vector<int>*>(user)->push_back(event.code);
}

TEST(DebugMenu, HiddenAndInertOutsideManufacturerMode) {
    cmcEvMan hub;
    std::vector<int> events;
    hub.Subscribe(&Record, &events);
    ScopedInstall<InstallEvMan> hubSlot(&hub);
    test::RecordingHost host;
    ScopedInstall<InstallCellHost> hostSlot(&host);
    const struct {
        int label, event;
    } items[] = {{CL_Menu_Debug_Compare, ev::kDebugCompare},
                 {CL_Menu_Debug_CorrectComp, ev::kCopyCompareBase},
                 {CL_Menu_Debug_Window, ev::kOpenFreeDebug},
                 {CL_Menu_Debug_EeWindow, ev::kOpenEepromDebug}};
    for (bool maker : {false, true}) {
        host.manufacturer = maker;
        for (const auto& item : items) {
            events.clear();
            cmcCellObj cell;
            cell.Category = CT_Null;
            cell.Label = item.label;
            cmcCellCapsule state;  // the menu refreshing its states
            state.cell = &cell;
            DispatchCell(state, false);
            EXPECT_EQ(cell.Flag(1), !maker) << item.label;
            CellRun(cell, 13);
            hub.Pass();
            EXPECT_EQ(events, maker ? std::vector<int>{item.event} : std::vector<int>{})
                << item.label;
        }
    }
}

}  // namespace
