// The shipped overlay files hold every key the program asks for, and are read by the text store
// as written.
#include <gtest/gtest.h>

#include "ShippedOverlay.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

TEST(ShippedOverlay, EndsWithTheEndMarkerAndHasNoBlankLineBeforeAHeader) {
    auto lines = shipped::ReadLines(shipped::OverlayPath());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "#End_Of_Ovl");
    // A blank line in front of a header would become a body line: an empty sheet row, or a
    // trailing line break in a message.
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].size() > 1 && lines[i][0] == '#') {
            EXPECT_FALSE(lines[i - 1].empty()) << "blank line before " << lines[i];
            // A trailing blank would make a different key from the one the program asks for.
            EXPECT_NE(lines[i].back(), ' ') << lines[i];
            EXPECT_NE(lines[i].back(), '\t') << lines[i];
        }
    }
}

TEST(ShippedOverlay, HoldsEveryKeyTheProgramAsksFor) {
    auto entries = shipped::Entries(shipped::ReadLines(shipped::OverlayPath()));
    for (const char* key : keys::kAskedKeys) EXPECT_TRUE(entries.count(key)) << key;
}

TEST(ShippedOverlay, NoKeyIsDefinedTwice) {
    std::map<std::string, int> seen;
    for (const std::string& line : shipped::ReadLines(shipped::OverlayPath()))
        if (line.size() > 1 && line[0] == '#') ++seen[line.substr(1)];
    for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << key;
}

// The real text store over the shipped file finds the keys and reads multi-line texts whole.
TEST(ShippedOverlay, TextStoreReadsAskedKeys) {
    cmcGTex store;
    ASSERT_TRUE(store.BindFile(shipped::OverlayPath()));
    for (const char* key : keys::kAskedKeys) store.GetLine(key);
    EXPECT_EQ(store.GetLine(keys::kSysAppTitle), "KELDA");
    std::string caution = store.GetText(keys::kMessMakerCaution);
    EXPECT_NE(caution.find('\n'), std::string::npos);
    EXPECT_NE(caution.back(), '\n');
}

// Texts used as printf formats carry exactly the placeholder their caller fills in.
TEST(ShippedOverlay, FormatTextsHoldTheirOnePlaceholder) {
    cmcGTex store;
    ASSERT_TRUE(store.BindFile(shipped::OverlayPath()));
    struct Case {
        const char* key;
        int line;
        const char* placeholder;
    } cases[] = {
        {keys::kMessConfirmWriteFile, 0, "%s"},
        {keys::kSysHtmlHelpError, 0, "%s"},
        {keys::kMessCloneErrHead, 2, "%d"},
    };
    for (const Case& c : cases) {
        std::string text = store.GetLine(c.key, c.line);
        size_t at = text.find(c.placeholder);
        ASSERT_NE(at, std::string::npos) << c.key;
        EXPECT_EQ(text.find('%', at + 1), std::string::npos) << c.key;
        EXPECT_EQ(text.find('%'), at) << c.key;
    }
    // Every other headline of the clone errors is shown as it stands.
    for (int n = 0; n <= 17; ++n) {
        if (n == 2) continue;
        EXPECT_EQ(store.GetLine(keys::kMessCloneErrHead, n).find('%'), std::string::npos) << n;
    }
}

}  // namespace
