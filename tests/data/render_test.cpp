// Every cell of every shipped sheet, drawn over the factory image of every model, shows a value:
// never "error" (a value its choice list lacks) and never "*Yet*" (a label without behaviour).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ShippedOverlay.h"
#include "app/SheetTree.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcClnFile.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChannelSheetDef.h"
#include "sheet/ChoiceLists.h"
#include "support/CellDoubles.h"
#include "text/OverlayKeys.h"

namespace {

class ShippedRendering : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(store_.BindFile(shipped::OverlayPath())); }

    // The factory image of a model, as the program loads it at start-up.
    void LoadFactoryImage(int model) {
        std::string path = std::string(KELDA_SOURCE_DIR) + "/data/initial/" +
                           store_.GetLine(keys::kAppInitialFile, model);
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        cmcClnFile file;
        file.Attach(&host_.image);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
        ASSERT_EQ(file.Read(path, nullptr), FileError::kNone) << path;
        host_.modelType = model;
    }

    // Sheets the program opens: the tree's, and the clone information dialog.
    std::vector<std::string> ShownSheets() {
        std::vector<std::string> out = {keys::kSheetCloneInfo};
        cmcCellObj basic;
        ParseCell(store_.GetLine("GI_Tree_Main_BasicCell"), basic, nullptr, nullptr);
        for (int n = 0;; ++n) {
            std::string line = store_.GetLine("GI_Tree_Main_Body", n);
            if (!line.empty() && line[0] == '#') break;
            cmcCellObj node;
            ParseCell(line.substr(line.find('+') + 1), node, nullptr, &basic);
            if (node.Argument && *node.Argument != keys::kSheetEeDebugWin)
                out.push_back(*node.Argument);
        }
        return out;
    }

    cmcGTex store_;
    ScopedInstall<InstallGTex> storeSlot_{&store_};
    ChoiceLists choices_{&store_};
    ScopedInstall<InstallChoiceTable> choicesSlot_{&choices_};
    cmcEvMan hub_;
    ScopedInstall<InstallEvMan> hubSlot_{&hub_};
    test::RecordingHost host_;
    ScopedInstall<InstallCellHost> hostSlot_{&host_};
};

TEST_F(ShippedRendering, EveryCellOfEverySheetShowsAValueOnEveryFactoryImage) {
    const int models =
        int(shipped::ListLines(shipped::Entries(shipped::ReadLines(shipped::OverlayPath())),
                               keys::kAppInitialFile)
                .size());
    ASSERT_GE(models, 8);
    const std::vector<std::string> sheets = ShownSheets();
    for (int model = 0; model < models; ++model) {
        LoadFactoryImage(model);
        host_.infoModel = model;
        for (bool usable : {false, true}) {
            host_.usableOnly = usable;
            ChannelSheetContext context;
            context.modelVariant = model;
            context.usableOnly = usable;
            context.usable = [this](int category, int row) {
                return ChannelUsable(host_.image, CategoryTable(category), row);
            };
            for (const std::string& key : sheets) {
                ChannelSheetDef sheet(store_, key, context);
                sheet.Build();
                int bad = 0;
                for (int r = 0; r < sheet.RowCount() && bad < 5; ++r)
                    for (int c = 0; c < sheet.ColumnCount(); ++c) {
                        cmcCellObj cell = sheet.Cell(c, r);
                        if (!cell.IsBound()) continue;
                        std::string text = CellText(cell, 0);
                        if (text == "error" || text.find("*Yet*") != std::string::npos) {
                            ADD_FAILURE() << "model " << model << (usable ? " usable " : " all ")
                                          << key << " row " << r << " " << LabelName(cell.Label)
                                          << "[" << cell.Index << "] shows '" << text << "'";
                            ++bad;
                        }
                    }
            }
        }
    }
}

// Drawing is looking: every cell of every sheet (the service sheets and the byte grid too),
// painted as the current cell, and every check of the warning list leave the image exactly as
// it was, over every factory image and over images of random bytes.
TEST_F(ShippedRendering, DrawingEveryCellNeverChangesTheImage) {
    struct NullCanvas : CellCanvas {
        void SetFontColor(uint32_t) override {}
        void FillRect(const CellRectangle&, uint32_t) override {}
        void DrawLine(int, int, int, int, uint32_t) override {}
    } canvas;
    std::vector<std::string> sheets = ShownSheets();
    sheets.push_back(keys::kSheetEeDebugWin);
    auto drawAll = [&](int model, bool usable, const std::string& what) {
        cmcEeprom before;
        before.Assign(host_.image);
        host_.modelType = model;
        host_.usableOnly = usable;
        ChannelSheetContext context;
        context.modelVariant = model;
        context.usableOnly = usable;
        context.usable = [this](int category, int row) {
            return ChannelUsable(host_.image, CategoryTable(category), row);
        };
        for (const std::string& key : sheets) {
            ChannelSheetDef sheet(store_, key, context);
            sheet.Build();
            for (int r = 0; r < sheet.RowCount(); ++r)
                for (int c = 0; c < sheet.ColumnCount(); ++c) {
                    cmcCellObj cell = sheet.Cell(c, r);
                    if (!cell.IsBound()) continue;
                    cmcCellCapsule req;
                    req.cell = &cell;
                    req.canvas = &canvas;
                    req.resultFlags = cmcCellCapsule::kSelected;
                    DispatchCell(req, false);
                }
        }
        for (int label = 0; label < kCellLabelCount; ++label)
            if (LabelName(label).rfind("CL_Check_", 0) == 0) CellError(CT_Null, label, 0);
        for (int a = 0; a < host_.image.Size(); ++a)
            ASSERT_EQ(host_.image.GetByte(a), before.GetByte(a))
                << what << " model " << model << (usable ? " usable" : "") << " byte " << std::hex
                << a;
    };
    for (int model = 0; model < 8; ++model) {
        LoadFactoryImage(model);
        for (bool usable : {false, true}) drawAll(model, usable, "factory image");
    }
    std::mt19937 random(20261210);
    for (int pattern : {0x00, 0xFF, -1, -1, -1, -1}) {
        for (int a = 0; a < host_.image.Size(); ++a)
            host_.image.SetByte(a, static_cast<uint8_t>(pattern >= 0 ? pattern : random()));
        for (int model : {0, 2, 6, 7}) drawAll(model, false, "pattern " + std::to_string(pattern));
    }
}

// Channel 16 is the P and the C channel of the international list: both marks follow the word.
TEST_F(ShippedRendering, ChannelAttributeShowsTheMarksAfterTheWord) {
    LoadFactoryImage(2);
    cmcCellObj cell;
    ParseCell("{(%CT_IntCh.CL_ChList_Atr[32])}", cell, nullptr, nullptr);
    EXPECT_EQ(CellText(cell, 0), "Used PC");
}

// The shipped tree over each factory image shows the regional lists the model has, in order
// after the international list, and the service sheets only in manufacturer mode.
TEST_F(ShippedRendering, TreeShowsEachModelsRegionalListsAndServiceSheetsInManufacturerMode) {
    const size_t models =
        shipped::ListLines(shipped::Entries(shipped::ReadLines(shipped::OverlayPath())),
                           keys::kAppInitialFile)
            .size();
    for (int model = 0; model < int(models); ++model) {
        LoadFactoryImage(model);
        const int availability = host_.image.GetByte(3000);
        for (bool maker : {false, true}) {
            SheetTree tree;
            tree.Build(store_, keys::kTreeMain);
            tree.ApplyRegional(availability, model, maker);
            std::vector<std::string> expected = {keys::kSheetIntCh};
            if (availability & 1) expected.push_back(keys::kSheetUsaCh);
            if (availability & 4) expected.push_back(keys::kSheetCanCh);
            if (availability & 2) expected.push_back(keys::kSheetWxCh);
            int at = tree.FindByReference(keys::kSheetIntCh);
            ASSERT_GE(at, 0);
            for (size_t i = 0; i < expected.size(); ++i)
                EXPECT_EQ(tree.Nodes()[at + i].SheetReference(), expected[i]) << "model " << model;
            EXPECT_EQ(tree.FindByReference(keys::kSheetEeDebugWin) >= 0, maker) << model;
            EXPECT_EQ(tree.FindByReference("GI_Sheet_Maker") >= 0, maker) << model;
        }
    }
}

}  // namespace
