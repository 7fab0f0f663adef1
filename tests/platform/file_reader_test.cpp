#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/FileReader.h"
#include "support/TestFiles.h"

namespace {

using platform::FileReader;
using platform::FileStatus;

class FileReaderTest : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-reader-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { RemoveTree(dir_); }

    std::string Make(const std::string& name, const std::string& bytes) {
        const std::string p = dir_ + "/" + name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    std::string dir_;
};

TEST_F(FileReaderTest, ReadsAtAnyPositionAndToTheEnd) {
    FileReader f;
    ASSERT_EQ(f.Open(Make("a", "0123456789")), FileStatus::Ok);
    EXPECT_EQ(f.Size(), 10);
    char buf[8];
    EXPECT_EQ(f.ReadAt(7, buf, sizeof buf), 3);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(f.ReadAt(10, buf, sizeof buf), 0);
    std::string all = "kept:";
    EXPECT_EQ(f.ReadAll(10, all), FileStatus::Ok);
    EXPECT_EQ(all, "kept:0123456789");
}

// Whatever cannot be read as a plain file is refused with the system's words, and a pipe is
// refused at once rather than waited on.
TEST_F(FileReaderTest, RefusesWhatIsNoPlainFile) {
    const std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        FileStatus status;
        const char* reason;
    } cases[] = {
        {dir_ + "/missing", FileStatus::OpenFailed, "No such file or directory"},
        {dir_, FileStatus::NotAFile, "it is a folder"},
        {fifo, FileStatus::NotAFile, "it is not a plain file"},
    };
    for (const Case& c : cases) {
        FileReader f;
        EXPECT_EQ(f.Open(c.path), c.status) << c.path;
        EXPECT_FALSE(f.IsOpen()) << c.path;
        EXPECT_EQ(f.Reason(), c.reason) << c.path;
    }
}

TEST_F(FileReaderTest, ALimitRefusesALargerFile) {
    FileReader f;
    ASSERT_EQ(f.Open(Make("big", std::string(100, 'x'))), FileStatus::Ok);
    std::string out;
    EXPECT_EQ(f.ReadAll(99, out), FileStatus::TooLarge);
    EXPECT_EQ(f.ReadAll(100, out), FileStatus::Ok);
    EXPECT_EQ(out.size(), 100u);
}

}  // namespace
