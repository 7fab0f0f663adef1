#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/DataFolder.h"
#include "support/TestFiles.h"

namespace {

using platform::CheckDataFolder;
using platform::DataFolderCandidates;
using platform::DataFolderFault;

TEST(DataFolder, SearchesBesideTheProgramThenTheSharedFolderOfItsPrefix) {
    struct Case {
        const char* program;
        std::vector<std::string> expected;
    };
    for (const Case& c : {
             Case{"/usr/bin", {"/usr/bin", "/usr/share/kelda"}},
             Case{"/opt/my kelda/bin", {"/opt/my kelda/bin", "/opt/my kelda/share/kelda"}},
             Case{"/home/me/src/kelda/build/bin",
                  {"/home/me/src/kelda/build/bin", "/home/me/src/kelda/build/share/kelda"}},
         })
        EXPECT_EQ(DataFolderCandidates(c.program), c.expected) << c.program;
}

class DataFolderProblems : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda data-XXXXXX";  // a space, as in many user folders
        dir_ = mkdtemp(tmpl);
    }
    void TearDown() override { RemoveTree(dir_); }
    std::string Folder(const std::string& name, const char* overlay) {
        std::string f = dir_ + "/" + name;
        mkdir(f.c_str(), 0700);
        if (overlay) std::ofstream(f + "/KELDA.OVL") << overlay;
        return f;
    }
    std::string dir_;
};

TEST_F(DataFolderProblems, NameWhatIsWrongWithEachPlace) {
    const std::string good = Folder("good", "#GI_Sys_AppTitle\nKELDA\n");
    const std::string empty = Folder("empty", nullptr);
    const std::string blank = Folder("blank", "");
    const std::string dirOverlay = Folder("dir overlay", nullptr);
    mkdir((dirOverlay + "/KELDA.OVL").c_str(), 0700);
    std::ofstream(dir_ + "/plain") << "x";

    struct Case {
        std::string folder;
        DataFolderFault fault;
    };
    for (const Case& c : {Case{good, DataFolderFault::None}, Case{empty, DataFolderFault::NoMarker},
                          Case{blank, DataFolderFault::MarkerEmpty},
                          Case{dirOverlay, DataFolderFault::MarkerNotAFile},
                          Case{dir_ + "/plain", DataFolderFault::NotAFolder},
                          Case{dir_ + "/missing", DataFolderFault::NoSuchFolder}})
        EXPECT_EQ(CheckDataFolder(c.folder).fault, c.fault) << c.folder;
}

TEST_F(DataFolderProblems, AnUnreadableOverlayIsNamed) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string f = Folder("locked", "#GI_Sys_AppTitle\nKELDA\n");
    chmod((f + "/KELDA.OVL").c_str(), 0);
    for (mode_t folderMode : {0700, 0}) {
        chmod(f.c_str(), folderMode);
        const platform::DataFolderCheck check = CheckDataFolder(f);
        EXPECT_EQ(check.fault, DataFolderFault::MarkerUnreadable);
        EXPECT_EQ(check.reason, "Permission denied");
    }
    chmod(f.c_str(), 0700);
}

}  // namespace
