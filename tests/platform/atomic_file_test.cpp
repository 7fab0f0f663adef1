#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/RunLoop.h"
#include "support/TestFiles.h"

namespace {

void WriteFile(const std::string& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

int CountEntries(const std::string& dir) {
    int n = 0;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++n;
    closedir(d);
    return n;
}

class AtomicFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-atomic-XXXXXX";
        dir_ = mkdtemp(tmpl);
        path_ = dir_ + "/radio.dat";
    }
    void TearDown() override { RemoveTree(dir_); }
    std::string dir_, path_;
};

TEST_F(AtomicFileTest, ReplacesTheFileWhole) {
    ASSERT_EQ(platform::WriteFileAtomically(path_, "old"), platform::WriteResult::Ok);
    ASSERT_EQ(platform::WriteFileAtomically(path_, "new contents"), platform::WriteResult::Ok);
    EXPECT_EQ(ReadFile(path_), "new contents");
    EXPECT_EQ(CountEntries(dir_), 1);  // no temporary left behind
}

// A save through a symbolic link writes the file the link names, whether it exists yet or not
// (relative links count from the link's folder); the link stays a link. A loop of links is
// refused.
TEST_F(AtomicFileTest, SavesThroughALinkToTheFileItNames) {
    mkdir((dir_ + "/sub").c_str(), 0700);
    const struct {
        const char* target;  // as the link holds it
        std::string file;    // where the bytes must land
    } cases[] = {{"sub/live.dat", dir_ + "/sub/live.dat"},
                 {"sub/later.dat", dir_ + "/sub/later.dat"}};
    WriteFile(dir_ + "/sub/live.dat", "old");
    for (const auto& c : cases) {
        const std::string link = dir_ + "/link-" + std::to_string(&c - cases);
        ASSERT_EQ(symlink(c.target, link.c_str()), 0);
        ASSERT_EQ(platform::WriteFileAtomically(link, "saved"), platform::WriteResult::Ok);
        EXPECT_EQ(ReadFile(c.file), "saved") << c.target;
        struct stat st {};
        ASSERT_EQ(lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.target;
    }
    ASSERT_EQ(symlink("loop-b", (dir_ + "/loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", (dir_ + "/loop-b").c_str()), 0);
    EXPECT_EQ(platform::WriteFileAtomically(dir_ + "/loop-a", "x"),
              platform::WriteResult::OpenFailed);
}

// A failure at any stage leaves the previous file exactly as it was and no litter.
TEST_F(AtomicFileTest, FailureAtAnyStageKeepsThePreviousFile) {
    struct Case {
        platform::WriteFault fault;
        platform::WriteResult expected;
    } cases[] = {
        {platform::WriteFault::Open, platform::WriteResult::OpenFailed},
        {platform::WriteFault::Write, platform::WriteResult::WriteFailed},
        {platform::WriteFault::Rename, platform::WriteResult::WriteFailed},
    };
    ASSERT_EQ(platform::WriteFileAtomically(path_, "precious"), platform::WriteResult::Ok);
    for (const auto& c : cases) {
        platform::InjectWriteFault(c.fault);
        std::string reason;
        EXPECT_EQ(platform::WriteFileAtomically(path_, std::string(5000, 'x'), &reason),
                  c.expected);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(ReadFile(path_), "precious");
        EXPECT_EQ(CountEntries(dir_), 1);
    }
}

TEST_F(AtomicFileTest, RefusesADirectoryOrAMissingFolder) {
    EXPECT_EQ(platform::WriteFileAtomically(dir_, "x"), platform::WriteResult::OpenFailed);
    EXPECT_EQ(platform::WriteFileAtomically(dir_ + "/no/such/folder/f", "x"),
              platform::WriteResult::OpenFailed);
}

// A write-protected file is not replaced behind its protection, not even by root, who could
// rename over it; the check before a long read says the same.
TEST_F(AtomicFileTest, RefusesAWriteProtectedFileAndKeepsIt) {
    ASSERT_EQ(platform::WriteFileAtomically(path_, "master"), platform::WriteResult::Ok);
    ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    std::string reason;
    EXPECT_EQ(platform::WriteFileAtomically(path_, "changed", &reason),
              platform::WriteResult::OpenFailed);
    EXPECT_EQ(reason, "the file is read-only");
    EXPECT_EQ(ReadFile(path_), "master");
    EXPECT_EQ(CountEntries(dir_), 1);
    reason.clear();
    EXPECT_FALSE(platform::CanWriteFileAtomically(path_, reason));
    EXPECT_EQ(reason, "the file is read-only");
    ASSERT_EQ(chmod(path_.c_str(), 0644), 0);
    EXPECT_EQ(platform::WriteFileAtomically(path_, "changed"), platform::WriteResult::Ok);
    EXPECT_EQ(ReadFile(path_), "changed");
}

// A save killed half way leaves the previous file whole. With unnamed temporaries it leaves
// nothing else; with named ones the next save into the folder removes what it left, but never
// a temporary that a live save holds or a file that is not ours.
TEST_F(AtomicFileTest, AKilledSaveLeavesNothingBehindForLong) {
    ASSERT_EQ(platform::WriteFileAtomically(path_, "precious"), platform::WriteResult::Ok);
    auto killedSave = [&](bool namedOnly) {
        pid_t pid = fork();
        if (pid == 0) {
            platform::UseNamedTemporariesOnly(namedOnly);
            platform::InjectWriteFault(platform::WriteFault::Kill);
            platform::WriteFileAtomically(path_, std::string(100000, 'k'));
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_EQ(ReadFile(path_), "precious");
    };
    killedSave(false);
    EXPECT_EQ(CountEntries(dir_), 1);

    for (int i = 0; i < 3; ++i) killedSave(true);
    EXPECT_EQ(CountEntries(dir_), 2);  // each save took away what the one before left
    const std::string busy = dir_ + "/.radio.dat.Busy01", other = dir_ + "/.radio.dat.bak";
    WriteFile(busy, "a save in progress");
    WriteFile(other, "the user's");
    int held = open(busy.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_EQ(platform::WriteFileAtomically(path_, "next"), platform::WriteResult::Ok);
    EXPECT_EQ(ReadFile(path_), "next");
    EXPECT_EQ(ReadFile(busy), "a save in progress");
    EXPECT_EQ(ReadFile(other), "the user's");
    EXPECT_EQ(CountEntries(dir_), 3);
    close(held);
    platform::UseNamedTemporariesOnly(true);
    ASSERT_EQ(platform::WriteFileAtomically(path_, "last"), platform::WriteResult::Ok);
    platform::UseNamedTemporariesOnly(false);
    EXPECT_EQ(CountEntries(dir_), 2);  // the target and the user's .bak
}

TEST(RunLoop, FiresTimersUntilDone) {
    platform::RunLoop loop;
    int ticks = 0;
    auto t = loop.CreateTimer([&] { ++ticks; });
    t->Start(1);
    EXPECT_TRUE(loop.RunUntil([&] { return ticks >= 3; }, 2000));
    // A timer deleting itself inside its callback is allowed.
    std::unique_ptr<platform::Timer> self;
    bool fired = false;
    self = loop.CreateTimer([&] {
        fired = true;
        self.reset();
    });
    self->Start(1);
    t->Stop();
    EXPECT_TRUE(loop.RunUntil([&] { return fired; }, 2000));
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 5));  // time-out
}

}  // namespace
