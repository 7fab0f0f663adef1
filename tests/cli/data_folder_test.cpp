// kelda-cli laid out as an installed program: bin/ and share/kelda/ under a prefix with a
// space in its name, and nothing beside the executable.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "cli/CliRunner.h"

namespace {

using test::CliResult;
using test::RunExecutable;

class InstalledLayout : public testing::Test {
  protected:
    void SetUp() override {
        prefix = tmp / "my kelda";
        const std::string bin = prefix + "/bin", share = prefix + "/share/kelda";
        ASSERT_EQ(
            std::system(
                ("mkdir -p '" + bin + "' '" + share + "' && cp '" KELDA_BIN_DIR "/kelda-cli' '" +
                 bin + "/' && cp '" KELDA_BIN_DIR "'/KELDA*.OVL '" KELDA_BIN_DIR "'/KELDA0*.kcf '" +
                 share + "/'")
                    .c_str()),
            0);
        exe = bin + "/kelda-cli";
    }
    CliResult Run(const std::vector<std::string>& args) { return RunExecutable(exe, args, tmp); }

    test::TempFolder tmp;
    std::string prefix, exe;
};

TEST_F(InstalledLayout, FindsItsDataInTheSharedFolderOfItsPrefix) {
    const std::string file = tmp / "new boat.kcf";
    CliResult made = Run({"new", "--model", "3", "-o", file});
    ASSERT_EQ(made.status, 0) << made.err;
    CliResult checked = Run({"check", file});
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.out, "ok\n");
}

// A factory file that holds another model's image is not handed out as this model's.
TEST_F(InstalledLayout, AFactoryFileOfAnotherModelIsRefusedNamingTheFile) {
    const std::string share = prefix + "/share/kelda/";
    ASSERT_EQ(std::system(("cp '" + share + "KELDA02.kcf' '" + share + "KELDA03.kcf'").c_str()), 0);
    const std::string file = tmp / "boat.kcf";
    CliResult made = Run({"new", "--model", "3", "-o", file});
    EXPECT_EQ(made.status, 3);
    EXPECT_NE(made.err.find(share + "KELDA03.kcf"), std::string::npos) << made.err;
    EXPECT_NE(made.err.find("model type 2, not of model type 3"), std::string::npos) << made.err;
    EXPECT_NE(access(file.c_str(), F_OK), 0);
    EXPECT_EQ(Run({"new", "--model", "2", "-o", file}).status, 0);
}

TEST_F(InstalledLayout, WithoutUsableDataItStopsNamingWhereItLooked) {
    const std::string file = tmp / "boat.kcf";
    ASSERT_EQ(Run({"new", "--model", "2", "-o", file}).status, 0);
    const std::string overlay = prefix + "/share/kelda/KELDA.OVL";

    ASSERT_EQ(std::rename(overlay.c_str(), (overlay + ".away").c_str()), 0);
    CliResult missing = Run({"check", file});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.out, "");
    for (const std::string& place :
         {prefix + "/bin: no KELDA.OVL", prefix + "/share/kelda: no KELDA.OVL",
          std::string("--data DIR")})
        EXPECT_NE(missing.err.find(place), std::string::npos) << place << "\n" << missing.err;

    // A folder named on the command line is the only place looked at.
    CliResult given = Run({"check", file, "--data", tmp / "no such"});
    EXPECT_EQ(given.status, 3);
    EXPECT_NE(given.err.find(tmp / "no such" + ": no such folder"), std::string::npos) << given.err;
    CliResult noOverlay = Run({"check", file, "--data", tmp.Path()});
    EXPECT_EQ(noOverlay.status, 3);
    EXPECT_NE(noOverlay.err.find(tmp.Path() + ": no KELDA.OVL"), std::string::npos)
        << noOverlay.err;

    // --data overrides the search, and a restored folder is found again.
    ASSERT_EQ(std::rename((overlay + ".away").c_str(), overlay.c_str()), 0);
    EXPECT_EQ(Run({"check", file, "--data", prefix + "/share/kelda"}).status, 0);
    EXPECT_EQ(Run({"check", file}).status, 0);
}

}  // namespace
