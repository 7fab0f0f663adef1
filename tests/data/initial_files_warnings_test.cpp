#include <gtest/gtest.h>

#include <string>

#include "ShippedOverlay.h"
#include "app/SheetTree.h"
#include "base/ScopedInstall.h"
#include "mkinitial/FactoryPlan.h"
#include "radio/AddressRange.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "radio/SettingsCells.h"
#include "radio/cmcClnFile.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChoiceLists.h"
#include "support/CellDoubles.h"
#include "text/cmcGTex.h"

namespace {

// A radio programmed from a factory image must not be refused for its own data: the warning
// check list, run by the dispatcher over each shipped image, finds nothing.
TEST(InitialFiles, ShowNothingInTheWarningCheckList) {
    FactoryPlan plan;
    std::string error;
    ASSERT_TRUE(LoadFactoryPlan(std::string(KELDA_SOURCE_DIR) + "/data/plans", &plan, &error))
        << error;
    cmcGTex text;
    ASSERT_TRUE(text.BindFile(shipped::OverlayPath()));
    ScopedInstall<InstallGTex> textSlot(&text);
    ChoiceLists choices{&text};
    ScopedInstall<InstallChoiceTable> choicesSlot(&choices);
    test::RecordingHost host;
    ScopedInstall<InstallCellHost> hostSlot(&host);
    auto check = [](cmcCellObj& cell) {
        cmcCellCapsule req;
        req.cell = &cell;
        DispatchCell(req, false);
        return static_cast<int>(req.resultFlags);
    };
    for (const PlanModel& m : plan.models) {
        cmcClnFile file;
        file.Attach(&host.image);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
        ASSERT_EQ(
            file.Read(std::string(KELDA_SOURCE_DIR) + "/data/initial/" + m.file, kDocumentRanges),
            FileError::kNone);
        host.modelType = m.type;
        WarningLists lists = RunWarningCheckList(text, check);
        std::string found;
        for (const auto& s : lists.errors) found += " error:" + s;
        for (const auto& s : lists.warnings) found += " warning:" + s;
        EXPECT_EQ(found, "") << m.file;
    }
    // Every settings cell shows a value of its own over every factory image: no "error" (a
    // choice item the list lacks), no error mark (a value out of range or against a rule).
    for (const PlanModel& m : plan.models) {
        cmcClnFile file;
        file.Attach(&host.image);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
        ASSERT_EQ(
            file.Read(std::string(KELDA_SOURCE_DIR) + "/data/initial/" + m.file, kDocumentRanges),
            FileError::kNone);
        for (int label = 0; label < kCellLabelCount; ++label) {
            if (!IsSettingsLabel(label)) continue;
            const std::string name = LabelName(label);
            int rows = 1;
            if (name.rfind("CL_DscCall_", 0) == 0) rows = 65;
            if (name == "CL_ComConf_KeyAssign_SoftKey") rows = 20;
            if (name == "CL_ComConf_KeyAssign_Dial") rows = 4;
            if (name == "CL_ComCom_LcdSymbol") rows = 3;
            for (int r = 0; r < rows; ++r) {
                cmcCellObj cell;
                ParseCell("{(%" + name + "[" + std::to_string(r) + "])}", cell, nullptr, nullptr);
                cmcCellCapsule req;
                req.cell = &cell;
                SettingsCellContext context;
                context.image = &host.image;
                context.modelType = m.type;
                ASSERT_TRUE(DispatchSettingsCell(req, context)) << name;
                EXPECT_TRUE(req.displayText != "error" &&
                            req.displayText.find("*Yet*") == std::string::npos &&
                            !(req.resultFlags & cmcCellCapsule::kError))
                    << m.file << " " << name << "[" << r << "] shows '" << req.displayText << "'";
            }
        }
    }

    // The check does see faults: with every weather channel unused it reports an error.
    datCh c(&host.image);
    for (int r = 0; r < 10; ++r) {
        c.Load(mm::kWxCh, r);
        c.flags |= datCh::kUnused;
        c.Store();
    }
    EXPECT_FALSE(RunWarningCheckList(text, check).errors.empty());
}

}  // namespace
