// kelda-cli diff over real clone files: what it lists is compared with reviewed golden files
// (KELDA_UPDATE_GOLDEN=1 writes them anew after a deliberate change of the factory images).
#include <gtest/gtest.h>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"

namespace {

using test::CliResult;
using test::RunCli;
using test::TempFolder;

std::string GoldenPath(const std::string& name) {
    return std::string(KELDA_SOURCE_DIR) + "/tests/golden/diff/" + name;
}

TEST(CliDiff, ListsTheDifferencesAsTheSheetsShowThem) {
    TempFolder tmp;
    const std::string usa = test::MakeFactory(tmp, 0, "usa.kcf");
    const std::string europe = test::MakeFactory(tmp, 1, "europe.kcf");
    const std::string plain = test::MakeFactory(tmp, 2, "plain.kcf");
    const std::string edited = tmp / "edited.kcf";
    ASSERT_EQ(
        RunCli({"set", plain, "CT_IntCh.CL_ChList_Comment[32]=CALLING", "-o", edited}, tmp).status,
        0);
    struct Case {
        std::vector<std::string> args;
        const char* golden;
    };
    const Case cases[] = {
        {{usa, europe}, "usa-europe.txt"},  // different models: the model line first
        {{plain, edited}, "one-cell.txt"},
        {{plain, edited, "--bytes"}, "one-cell-bytes.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        std::vector<std::string> args = {"diff"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliResult r = RunCli(args, tmp);
        EXPECT_EQ(r.status, 1) << r.err;
        test::ExpectGolden(std::string("diff/") + c.golden, r.out);
    }
    EXPECT_EQ(ReadFile(GoldenPath("usa-europe.txt")).rfind("Model: \"USA\" -> \"Europe\"\n", 0),
              0u);
}

TEST(CliDiff, EqualFilesAndBadFiles) {
    TempFolder tmp;
    const std::string plain = test::MakeFactory(tmp, 2, "plain.kcf");
    test::WriteFile(tmp / "damaged.kcf", ReadFile(plain).substr(0, 400));
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"diff", plain, plain}, 0},
        {{"diff", plain, plain, "--bytes"}, 0},
        {{"diff", plain, tmp / "damaged.kcf"}, 10 + 6},  // cut in the middle of a line
        {{"diff", tmp / "missing.kcf", plain}, 10 + 1},
        {{"diff", plain}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        CliResult r = RunCli(c.args, tmp);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
