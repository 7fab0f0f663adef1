// Every sheet, chooser, menu, toolbar, tree and list of the shipped overlay builds, names only
// labels that have behaviour, and every label with behaviour can be reached from somewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ShippedOverlay.h"
#include "base/ScopedInstall.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChannelSheetDef.h"
#include "sheet/ChoiceLists.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

using Entries = std::map<std::string, std::vector<std::string>>;

// Labels the catalogue knows but the dispatcher gives no behaviour: a cell bound to one shows
// "%d *Yet*", which no shipped sheet may do.
std::set<int> LabelsWithoutBehaviour() {
    std::set<int> out;
    for (int l = 0; l < kCellLabelCount; ++l) {
        std::string name = LabelName(l);
        for (const char* prefix : {"CL_INT_", "CL_USA_", "CL_CANADA_"})
            if (name.rfind(prefix, 0) == 0) out.insert(l);
    }
    for (int l = CL_ComDsc_CallRepeatF; l <= CL_ComDsc_GroupCall_Routine_Pow; ++l) out.insert(l);
    for (int l = CL_ComCom_InterComF; l <= CL_ComCom_AquaQuakeF; ++l) out.insert(l);
    for (int l :
         {CL_Fch_WN, CL_ComSet_Light, CL_ComConf_RxSpeaker, CL_Menu_Port_SpeedHigh, CL_Free_DscId})
        out.insert(l);
    return out;
}

class ShippedSheets : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(store_.BindFile(shipped::OverlayPath()));
        entries_ = shipped::Entries(shipped::ReadLines(shipped::OverlayPath()));
    }

    // Sheet keys the tree opens, in tree order.
    std::vector<std::string> TreeSheets() {
        std::vector<std::string> out;
        for (const cmcCellObj& node : TreeNodes()) out.push_back(node.Argument.value_or(""));
        return out;
    }
    std::vector<cmcCellObj> TreeNodes() {
        cmcCellObj basic;
        ParseCell(store_.GetLine("GI_Tree_Main_BasicCell"), basic, nullptr, nullptr);
        std::vector<cmcCellObj> nodes;
        for (const std::string& line : shipped::ListLines(entries_, "GI_Tree_Main_Body")) {
            size_t plus = line.find('+');
            EXPECT_NE(plus, std::string::npos) << line;
            if (plus == std::string::npos) continue;
            cmcCellObj cell;
            ParseCell(line.substr(plus + 1), cell, nullptr, &basic);
            nodes.push_back(std::move(cell));
        }
        return nodes;
    }
    // Every key that has a cell entry: the sheets and the choosers.
    std::vector<std::string> SheetKeys() {
        std::vector<std::string> out;
        for (const auto& [key, body] : entries_) {
            const std::string suffix = "_Cells";
            if (key.size() > suffix.size() &&
                key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0)
                out.push_back(key.substr(0, key.size() - suffix.size()));
        }
        return out;
    }
    // Parses the items of a menu body (depth = characters before '+').
    std::vector<cmcCellObj> MenuItems(const std::string& menu) {
        cmcCellObj basic;
        ParseCell(store_.GetLine(menu + "_BasicCell"), basic, nullptr, nullptr);
        std::vector<cmcCellObj> items;
        for (const std::string& line : shipped::ListLines(entries_, menu + "_Body")) {
            size_t plus = line.find('+');
            EXPECT_NE(plus, std::string::npos) << menu << ": " << line;
            if (plus == std::string::npos) continue;
            cmcCellObj item;
            ParseCell(line.substr(plus + 1), item, nullptr, &basic);
            EXPECT_FALSE(item.Text.empty()) << menu << ": " << line;
            items.push_back(std::move(item));
        }
        EXPECT_FALSE(items.empty()) << menu;
        return items;
    }

    cmcGTex store_;
    ScopedInstall<InstallGTex> storeSlot_{&store_};
    Entries entries_;
};

// Builds a sheet the way the program can meet it: every model variant (some skip lines) and
// both channel-list views, with a few channels marked unused.
std::vector<std::unique_ptr<ChannelSheetDef>> BuildAllWays(cmcGTex& store, const std::string& key) {
    std::vector<std::unique_ptr<ChannelSheetDef>> out;
    for (int model : {0, 2, 6, 7}) {
        for (bool usable : {false, true}) {
            ChannelSheetContext context;
            context.modelVariant = model;
            context.usableOnly = usable;
            context.usable = [](int, int row) { return row % 3 != 1; };
            auto sheet = std::make_unique<ChannelSheetDef>(store, key, context);
            sheet->Build();
            out.push_back(std::move(sheet));
        }
    }
    return out;
}

TEST_F(ShippedSheets, EverySheetAndChooserBuildsWithLabelsThatHaveBehaviour) {
    const std::set<int> yet = LabelsWithoutBehaviour();
    std::vector<std::string> keys = SheetKeys();
    ASSERT_GT(keys.size(), 40u);
    for (const std::string& key : keys) {
        for (const auto& sheet : BuildAllWays(store_, key)) {
            EXPECT_GT(sheet->RowCount(), 0) << key;
            // A style group ends at the first ')', so a bracket inside a title cuts it short.
            const std::string& title = sheet->Style().title;
            EXPECT_EQ(std::count(title.begin(), title.end(), '('),
                      std::count(title.begin(), title.end(), ')'))
                << key << " title: " << title;
            for (int r = 0; r < sheet->RowCount(); ++r)
                for (int c = 0; c < sheet->ColumnCount(); ++c) {
                    const cmcCellObj& cell = sheet->Cell(c, r);
                    EXPECT_FALSE(cell.IsBound() && yet.count(cell.Label))
                        << key << " shows *Yet* for " << LabelName(cell.Label);
                }
        }
    }
}

TEST_F(ShippedSheets, ChannelListsHaveOneRowPerChannelOrPerUsableChannel) {
    for (const char* key : {keys::kSheetIntCh, keys::kSheetUsaCh, keys::kSheetCanCh}) {
        ChannelSheetContext all;
        ChannelSheetDef full(store_, key, all);
        full.Build();
        EXPECT_EQ(full.RowCount(), 1 + 418) << key;
        EXPECT_EQ(full.Cell(1, 418).Index, 417) << key;
        EXPECT_EQ(full.FixedRows(), 1);

        ChannelSheetContext usable;
        usable.usableOnly = true;
        usable.usable = [](int, int row) { return row == 32 || row == 18; };
        ChannelSheetDef compact(store_, key, usable);
        compact.Build();
        ASSERT_EQ(compact.RowCount(), 1 + 2) << key;
        EXPECT_EQ(compact.Cell(1, 1).Index, 18);
        EXPECT_EQ(compact.Cell(1, 2).Index, 32);
        EXPECT_NE(compact.Style().title, full.Style().title);
    }
}

// The debug grid puts the byte at address a in column (a mod 16) * 2 + 3, row a / 16 + 3.
TEST_F(ShippedSheets, EepromGridPlacesEveryByteWhereTheDebugWindowLooksForIt) {
    ChannelSheetDef grid(store_, keys::kSheetEeDebugWin, ChannelSheetContext{});
    grid.Build();
    ASSERT_EQ(grid.RowCount(), 3 + 1024);
    for (int a : {0x0000, 0x0001, 0x000F, 0x0BB8, 0x3FFF}) {
        const cmcCellObj& cell = grid.Cell((a % 16) * 2 + 3, a / 16 + 3);
        EXPECT_EQ(cell.Label, CL_EeDebugWin_0 + a % 16) << a;
        EXPECT_EQ(cell.Index, a / 16) << a;
        EXPECT_TRUE(cell.Selectable);
    }
    EXPECT_EQ(grid.Cell(1, 3 + 0x0BB).Label, CL_EeDebugWin_Adr);
    EXPECT_EQ(grid.FixedCols(), 3);
    EXPECT_EQ(grid.FixedRows(), 3);
}

TEST_F(ShippedSheets, DscChannelRowsAreTheChannelNumbersTheRadioUses) {
    ChannelSheetDef sheet(store_, "GI_Sheet_DscCh", ChannelSheetContext{});
    sheet.Build();
    std::vector<int> numbers;
    for (int r = 1; r < sheet.RowCount(); ++r) numbers.push_back(sheet.Cell(1, r).Index);
    std::vector<int> expected;
    for (int first : {1, 60, 1001, 1060, 2001, 2060})
        for (int n = first; n <= first + (first % 1000 == 1 ? 27 : 28); ++n) expected.push_back(n);
    EXPECT_EQ(numbers, expected);
}

TEST_F(ShippedSheets, TreeNamesSheetsWithTheirRegionalAndManufacturerFlags) {
    std::vector<cmcCellObj> nodes = TreeNodes();
    ASSERT_FALSE(nodes.empty());
    // The program appends the model's name to the first node's caption.
    EXPECT_EQ(nodes[0].Text, "Radio: ");
    const std::vector<std::string> sheetKeys = SheetKeys();
    const std::set<std::string> sheets(sheetKeys.begin(), sheetKeys.end());
    std::set<std::string> seen;
    std::map<std::string, int> flags;
    for (const cmcCellObj& node : nodes) {
        ASSERT_TRUE(node.Argument) << node.Text;
        EXPECT_EQ(node.Label, CallSheet) << node.Text;
        EXPECT_TRUE(sheets.count(*node.Argument)) << *node.Argument;
        EXPECT_TRUE(seen.insert(*node.Argument).second) << "two nodes open " << *node.Argument;
        EXPECT_GE(node.ImageIndex, 0);
        EXPECT_LE(node.ImageIndex, 3);  // the warning images are overlays, not node images
        flags[*node.Argument] = node.Flags;
    }
    EXPECT_EQ(flags[keys::kSheetUsaCh], 1 << 1);
    EXPECT_EQ(flags[keys::kSheetCanCh], 1 << 2);
    EXPECT_EQ(flags[keys::kSheetWxCh], 1 << 3);
    EXPECT_EQ(flags["GI_Sheet_Maker"], 1 << 0);
    EXPECT_EQ(flags[keys::kSheetEeDebugWin], 1 << 0);
    EXPECT_EQ(flags[keys::kSheetIntCh], 0);
    // Regional nodes are inserted after the international list, in this order.
    std::vector<std::string> order = TreeSheets();
    auto at = std::find(order.begin(), order.end(), keys::kSheetIntCh);
    ASSERT_LE(at + 4, order.end());
    EXPECT_EQ(*(at + 1), keys::kSheetUsaCh);
    EXPECT_EQ(*(at + 2), keys::kSheetCanCh);
    EXPECT_EQ(*(at + 3), keys::kSheetWxCh);
}

TEST_F(ShippedSheets, WarningChecksNameTheirSheetsInTheTree) {
    std::set<std::string> tree;
    for (const std::string& s : TreeSheets()) tree.insert(s);
    std::set<int> checks;
    for (const std::string& line : shipped::ListLines(entries_, keys::kWarningCheckList)) {
        cmcCellObj cell;
        ParseCell(line, cell, nullptr, nullptr);
        // Two runs of check labels: the first checks and the transmit checks added after them.
        const bool first = cell.Label >= CL_Check_Int_ChInh && cell.Label <= CL_Check_Conf_Softkey;
        const bool transmit = cell.Label >= CL_Check_Int_ChTx && cell.Label <= CL_Check_Dsc_Inland;
        EXPECT_TRUE(first || transmit) << line;
        ASSERT_TRUE(cell.Argument) << line;
        EXPECT_TRUE(tree.count(*cell.Argument)) << line;
        checks.insert(cell.Label);
    }
    EXPECT_EQ(checks.size(), size_t(CL_Check_Conf_Softkey - CL_Check_Int_ChInh + 1 +
                                    CL_Check_Dsc_Inland - CL_Check_Int_ChTx + 1));
}

TEST_F(ShippedSheets, KeptColumnWidthsNameSheetsOnce) {
    const std::vector<std::string> sheetKeys = SheetKeys();
    const std::set<std::string> sheets(sheetKeys.begin(), sheetKeys.end());
    std::set<std::string> names;
    for (const std::string& line : shipped::ListLines(entries_, keys::kCellWidthRegList)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) break;
        EXPECT_TRUE(sheets.count(line.substr(0, colon))) << line;
        EXPECT_TRUE(names.insert(line.substr(colon + 1)).second) << line;
    }
    EXPECT_GE(names.size(), 5u);
}

TEST_F(ShippedSheets, MenusToolbarAndPopupsParse) {
    std::vector<cmcCellObj> main = MenuItems(keys::kMenuMain);
    std::set<int> models;
    int editTop = 0;
    for (const cmcCellObj& item : main) {
        if (item.Label == CL_Model) models.insert(item.Index);
        if (item.Label == CL_Menu_Edit_Top) ++editTop;
    }
    EXPECT_EQ(editTop, 1);  // the popup builder fills the one item with label 32
    // One model entry per line of the model list.
    size_t modelLines = shipped::ListLines(entries_, keys::kAppIndModel).size();
    EXPECT_EQ(models.size(), modelLines);
    EXPECT_EQ(shipped::ListLines(entries_, keys::kAppInitialFile).size(), modelLines);
    EXPECT_EQ(*models.rbegin(), int(modelLines) - 1);

    cmcCellObj basic;
    ParseCell(store_.GetLine("GI_ToolBar_Main_BasicCell"), basic, nullptr, nullptr);
    for (const std::string& line : shipped::ListLines(entries_, "GI_ToolBar_Main_Body")) {
        cmcCellObj button;
        ParseCell(line, button, nullptr, &basic);
        if (button.Text == "-" || button.Text == "/") continue;
        EXPECT_GE(button.ImageIndex, 0) << line;
        EXPECT_LE(button.ImageIndex, 17) << line;
        EXPECT_NE(button.Label, CL_Null) << line;
    }

    // Every popup menu a cell can name exists and has items.
    std::set<std::string> popups = {"GI_PMenu_NoItem", "GI_PMenu_Edit"};
    for (const auto& [key, body] : entries_)
        for (const std::string& line : body) {
            size_t at = line.find("PopupMenu=");
            if (at == std::string::npos) continue;
            size_t end = line.find(')', at);
            popups.insert(line.substr(at + 10, end - at - 10));
        }
    for (const std::string& menu : popups)
        for (const cmcCellObj& item : MenuItems(menu))
            EXPECT_EQ(item.Category, CT_PopupMenu) << menu << ": " << item.Text;
}

// Values the program stores must have a text in their list: a value missing from its list shows
// "error". The lists named here are the ones whose values the program itself sets.
TEST_F(ShippedSheets, ChoiceListsHoldTheValuesTheProgramStores) {
    ChoiceLists table(&store_);
    struct Case {
        const char* list;
        int label;
        std::vector<int> values;
    } cases[] = {
        {keys::kSheetSelMiscOnOff, Flex0, {0, 1}},
        {keys::kSheetSelMiscUsed, Flex0, {0, 1}},
        {keys::kSheetSelChATRAll, Flex0, {0, 1, 2, 3, 4}},
        {keys::kSheetSelChATRUse, Flex0, {0, 1, 2, 3, 4}},
        {keys::kSheetSelChTag, Flex0, {0, 1}},
        {keys::kSheetSelChTxInh, Flex0, {0, 1}},
        {keys::kSheetSelChPoc, Flex0, {0, 1}},
        {keys::kSheetSelChSimp, Flex0, {0, 1}},
        {keys::kSheetSelDSCALMShutdown, Flex0, {0, 1}},
        {keys::kSheetSelAutoAck, Flex0, {0, 1}},
        {keys::kSheetSelAutoAckInd, Flex0, {0, 1}},
        {keys::kSheetSelChCall, Flex0, {0, 1}},
        {keys::kSheetSelChCallAllShips, Flex0, {0, 1}},
        {keys::kSheetSelPTTScan, Flex0, {0, 1}},
        {keys::kSheetSelKeyAsDial, Flex0, {0, 1, 2, 3}},
        {keys::kSheetSelKeyAsSkeyME, CL_FlexMarking, {0, 1, 2, 3, 5, 6, 7, 8, 9, 33, 34, 35, 36}},
        {keys::kSheetSelKeyAsSkeyMU,
         CL_FlexMarking,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 33, 34, 35, 36}},
    };
    for (const Case& c : cases)
        for (int v : c.values)
            EXPECT_NE(table.Text(c.list, c.label, v), "error") << c.list << " " << v;
    for (const char* lcd :
         {"GI_Sheet_Sel_UserSetLcdUsa", "GI_Sheet_Sel_UserSetLcdInt", "GI_Sheet_Sel_UserSetLcdCan"})
        for (std::string list : {std::string(lcd), std::string(lcd) + "_E"})
            for (int v = 0; v <= 5; ++v) EXPECT_NE(table.Text(list, Flex0, v), "error") << list;
    // Every chooser holds values once each, all bound to the list's label.
    for (const std::string& key : SheetKeys()) {
        if (key.rfind("GI_Sheet_Sel_", 0) != 0) continue;
        int label = key.rfind("GI_Sheet_Sel_KeyAs_Skey", 0) == 0 ? CL_FlexMarking : Flex0;
        const ChoiceLists::List& list = table.Find(key, label);
        EXPECT_GE(list.byValue.size(), 2u) << key;
        for (size_t i = 1; i < list.byValue.size(); ++i)
            EXPECT_LT(list.byValue[i - 1].value, list.byValue[i].value) << key;
    }
}

// A label with behaviour that no sheet, menu, toolbar, tree or check list names is a setting the
// user cannot reach.
TEST_F(ShippedSheets, EveryLabelWithBehaviourIsReachable) {
    std::set<int> reached;
    for (const std::string& key : SheetKeys())
        for (const auto& sheet : BuildAllWays(store_, key))
            for (int r = 0; r < sheet->RowCount(); ++r)
                for (int c = 0; c < sheet->ColumnCount(); ++c)
                    reached.insert(sheet->Cell(c, r).Label);
    std::set<std::string> menus = {keys::kMenuMain, "GI_PMenu_NoItem", "GI_PMenu_Edit",
                                   "GI_PMenu_Item", "GI_PMenu_Row"};
    for (const std::string& menu : menus)
        for (const cmcCellObj& item : MenuItems(menu)) reached.insert(item.Label);
    for (const cmcCellObj& node : TreeNodes()) reached.insert(node.Label);
    for (const std::string& line : shipped::ListLines(entries_, keys::kWarningCheckList)) {
        cmcCellObj cell;
        ParseCell(line, cell, nullptr, nullptr);
        reached.insert(cell.Label);
    }
    // Not settings: the free-byte cells belong to service windows that build their own cells,
    // the read-only text and crossed-out cells are drawing helpers, and no call of the shipped
    // models is fixed off.
    const std::set<int> own = {CL_Free_Byte_Dec, CL_Free_Byte_Hex,  CL_Dummy,
                               CL_CannotEdit,    CL_DscCall_Tx_OFF, CL_DscCall_Rx_OFF};
    const std::set<int> yet = LabelsWithoutBehaviour();
    for (int l = 0; l < kCellLabelCount; ++l)
        if (!yet.count(l) && !own.count(l)) {
            EXPECT_TRUE(reached.count(l)) << LabelName(l);
        }
}

}  // namespace
