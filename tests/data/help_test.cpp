// The help overlay gives every label shown in a sheet a context number, and every number has a
// help page; the help pages and their contents link up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "ShippedOverlay.h"
#include "base/ScopedInstall.h"
#include "sheet/CellCatalogue.h"
#include "support/TestFiles.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

class ShippedHelp : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(main_.BindFile(shipped::OverlayPath()));
        ASSERT_TRUE(help_.BindFile(shipped::HelpOverlayPath()));
        helpEntries_ = shipped::Entries(shipped::ReadLines(shipped::HelpOverlayPath()));
    }

    // Context number -> help page file, from the help overlay.
    std::map<int, std::string> Pages() {
        std::map<int, std::string> pages;
        for (const std::string& line :
             shipped::ListLines(helpEntries_, keys::kAppItemContextIDToHelpPage)) {
            size_t tab = line.find('\t');
            EXPECT_NE(tab, std::string::npos) << line;
            if (tab == std::string::npos) continue;
            pages[std::stoi(line.substr(0, tab))] = line.substr(tab + 1);
        }
        return pages;
    }

    cmcGTex main_;
    ScopedInstall<InstallGTex> mainSlot_{&main_};
    cmcGTex help_;
    std::map<std::string, std::vector<std::string>> helpEntries_;
};

TEST_F(ShippedHelp, HelpOverlayHoldsItsKeysAndEndsTheLabelListWithAHashLine) {
    for (const char* key : keys::kAskedHelpKeys) EXPECT_TRUE(helpEntries_.count(key)) << key;
    // The reader stops only at a line holding just '#'.
    const auto& body = helpEntries_[keys::kAppItemCellNameToContextID];
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(body.back(), "#");
    std::set<std::string> names;
    for (int l = 0; l < kCellLabelCount; ++l) names.insert(LabelName(l));
    for (size_t i = 0; i + 1 < body.size(); ++i) {
        size_t tab = body[i].find('\t');
        ASSERT_NE(tab, std::string::npos) << body[i];
        EXPECT_TRUE(names.count(body[i].substr(0, tab))) << body[i];
        EXPECT_GT(std::stoi(body[i].substr(tab + 1)), 0) << body[i];
    }
}

TEST_F(ShippedHelp, EveryLabelShownInASheetHasAContextNumberWithAHelpPage) {
    std::map<int, std::string> pages = Pages();
    auto entries = shipped::Entries(shipped::ReadLines(shipped::OverlayPath()));
    std::set<int> labels = shipped::LabelsInSheets(main_, shipped::SheetKeys(entries));
    ASSERT_GT(labels.size(), 150u);
    for (int label : labels) {
        int number = help_.ContextHelpNumber(LabelName(label));
        EXPECT_NE(number, 0) << LabelName(label);
        ASSERT_TRUE(pages.count(number) || number == 0) << LabelName(label) << " " << number;
        if (number != 0) {
            EXPECT_TRUE(std::filesystem::exists(shipped::HelpFolder() + "/" + pages[number]))
                << pages[number];
        }
    }
    EXPECT_EQ(help_.ContextHelpNumber("CL_Null"), 0);  // not listed: the contents page
}

// The help file the program opens is the contents page, and the contents link every page.
TEST_F(ShippedHelp, ContentsPageLinksEveryHelpPageAndEveryLinkResolves) {
    std::string helpFile = main_.GetLine(keys::kSysMyHelpFile);
    ASSERT_EQ(helpFile.rfind("help/", 0), 0u) << helpFile;
    std::string contents = shipped::HelpFolder() + "/" + helpFile.substr(5);
    ASSERT_TRUE(std::filesystem::exists(contents)) << contents;
    std::string index = ReadFile(contents);
    for (const auto& [number, page] : Pages())
        EXPECT_NE(index.find("href=\"" + page + "\""), std::string::npos) << page;

    const std::regex link("(href|src)=\"([^\"#]+)\"");
    for (const auto& file : std::filesystem::directory_iterator(shipped::HelpFolder())) {
        if (file.path().extension() != ".html") continue;
        std::string text = ReadFile(file.path().string());
        EXPECT_NE(text.find("<title>"), std::string::npos) << file.path();
        for (std::sregex_iterator m(text.begin(), text.end(), link), end; m != end; ++m) {
            std::string target = (*m)[2];
            if (target.rfind("http", 0) == 0) continue;
            EXPECT_TRUE(std::filesystem::exists(shipped::HelpFolder() + "/" + target))
                << file.path() << " links " << target;
        }
    }
}

}  // namespace
