#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/FileInstanceLock.h"
#include "platform/FileSettingsStore.h"
#include "platform/SettingsTree.h"
#include "support/TestFiles.h"

namespace {

using platform::SettingsTree;
using platform::SettingsValue;

void WriteAll(const std::string& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

SettingsTree Sample() {
    SettingsTree t;
    t.Write("Software\\Vexa\\KELDA\\Global", "BBT", SettingsValue::Int(753951));
    t.Write("Software\\Vexa\\KELDA\\Global", "Neg", SettingsValue::Int(-2147483647 - 1));
    t.Write("Software\\Vexa\\KELDA\\Global", "Current Directory",
            SettingsValue::String("/home/skipper/\"odd\" \\ dir\n\t\x01\x7f\xff"));
    t.Write("Software\\Vexa\\KELDA\\Global", std::string("we\"ird=\0name", 11),
            SettingsValue::String(""));
    t.Write("Software\\Vexa\\KELDA\\Display\\IntCh]x\\colwidth", "3", SettingsValue::Int(120));
    t.Write("Software\\Vexa\\KELDA\\Sizes", "0",
            SettingsValue::Binary(std::string("\0\xff\x10", 3)));
    t.Write("Software\\Vexa\\KELDA\\Empty", "", SettingsValue::Binary(""));
    return t;
}

TEST(SettingsTree, TextFormRoundTripsEveryValue) {
    SettingsTree t = Sample();
    std::string text = t.Serialize();
    SettingsTree back = SettingsTree::Parse(text);
    EXPECT_EQ(back.Serialize(), text);
    EXPECT_EQ(back.Read("Software\\Vexa\\KELDA\\Global", "Current Directory"),
              t.Read("Software\\Vexa\\KELDA\\Global", "Current Directory"));
    EXPECT_EQ(back.Read("Software\\Vexa\\KELDA\\Sizes", "0")->bytes, std::string("\0\xff\x10", 3));
    EXPECT_EQ(back.Read("Software\\Vexa\\KELDA\\Global", "Neg")->number, -2147483647 - 1);
}

TEST(SettingsTree, KeysAndNamesIgnoreCaseAndSubkeysGoWithTheirKey) {
    SettingsTree t = Sample();
    EXPECT_EQ(t.Read("software\\VEXA\\kelda\\global\\", "bbt")->number, 753951);
    EXPECT_TRUE(t.KeyExists("Software\\Vexa\\KELDA\\Display"));
    EXPECT_FALSE(t.KeyExists("Software\\Vexa\\KELDA\\Disp"));
    t.Write("Software\\Vexa\\KELDA\\DisplayMore", "x", SettingsValue::Int(1));
    t.DeleteKey("Software\\Vexa\\KELDA\\Display");
    EXPECT_FALSE(t.KeyExists("Software\\Vexa\\KELDA\\Display\\IntCh]x\\colwidth"));
    EXPECT_TRUE(t.Read("Software\\Vexa\\KELDA\\DisplayMore", "x"));
    t.DeleteValue("Software\\Vexa\\KELDA\\Global", "BBT");
    EXPECT_FALSE(t.Read("Software\\Vexa\\KELDA\\Global", "BBT"));
    EXPECT_FALSE(t.Write("Bad\nKey", "x", SettingsValue::Int(1)));
    EXPECT_FALSE(t.Write("\\\\", "x", SettingsValue::Int(1)));
}

TEST(SettingsTree, DamagedTextKeepsOnlyWhatIsIntact) {
    std::string text = Sample().Serialize();
    SettingsTree whole = SettingsTree::Parse(text);
    // Cut anywhere, the file never gives a value the whole file did not hold.
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        SettingsTree part = SettingsTree::Parse(text.substr(0, cut));
        for (const char* key : {"Software\\Vexa\\KELDA\\Global", "Software\\Vexa\\KELDA\\Sizes"})
            for (const auto& name : part.ValueNames(key))
                ASSERT_EQ(part.Read(key, name), whole.Read(key, name)) << "cut at " << cut;
    }
    SettingsTree odd = SettingsTree::Parse(
        "\"Orphan\"=int:1\n"
        "[K]\n"
        "\"Big\"=int:2147483648\n"
        "\"Spaced\"=int: 5\n"
        "\"Hex\"=hex:abc\n"
        "\"Open\"=str:\"no end\n"
        "\"Type\"=float:1.5\n"
        "garbage\n"
        "\"Good\"=int:7\r\n"
        "[Broken\n"
        "\"Lost\"=int:8\n");
    EXPECT_EQ(odd.ValueNames("K"), std::vector<std::string>{"Good"});
    EXPECT_EQ(odd.Read("K", "Good")->number, 7);
    EXPECT_FALSE(odd.KeyExists("Broken"));
}

class SettingsFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-settings-XXXXXX";
        dir_ = mkdtemp(tmpl);
        path_ = dir_ + "/cfg/settings.conf";
    }
    void TearDown() override { RemoveTree(dir_); }
    std::string dir_, path_;
};

TEST_F(SettingsFileTest, CommitWritesWholeFileAndKeepsOthersChanges) {
    platform::FileSettingsStore a(path_), b(path_);
    EXPECT_FALSE(a.Read("K", "x"));  // no file yet: empty
    a.Write("K", "x", SettingsValue::Int(1));
    EXPECT_TRUE(a.Commit());
    b.Write("K", "y", SettingsValue::String("two"));  // b read the file before a committed
    b.DeleteKey("Gone");
    EXPECT_TRUE(b.Commit());
    platform::FileSettingsStore c(path_);
    EXPECT_EQ(c.Read("K", "x")->number, 1);
    EXPECT_EQ(c.Read("K", "y")->bytes, "two");
    EXPECT_EQ(b.Read("K", "x")->number, 1);  // a commit brings in the file as it is now
}

TEST_F(SettingsFileTest, FailedSaveLeavesThePreviousFile) {
    platform::FileSettingsStore s(path_);
    s.Write("K", "x", SettingsValue::Int(1));
    ASSERT_TRUE(s.Commit());
    std::string before = ReadFile(path_);
    s.Write("K", "x", SettingsValue::Int(2));
    platform::InjectWriteFault(platform::WriteFault::Write);
    EXPECT_FALSE(s.Commit());
    EXPECT_EQ(ReadFile(path_), before);
    EXPECT_TRUE(s.Commit());  // the change is still pending and goes through later
    EXPECT_EQ(platform::FileSettingsStore(path_).Read("K", "x")->number, 2);
}

TEST_F(SettingsFileTest, UnreadableOrForeignFileReadsAsEmpty) {
    mkdir((dir_ + "/cfg").c_str(), 0700);
    mkdir(path_.c_str(), 0700);  // a folder where the file should be
    platform::FileSettingsStore folder(path_);
    EXPECT_FALSE(folder.KeyExists("K"));
    folder.Write("K", "x", SettingsValue::Int(1));
    EXPECT_FALSE(folder.Commit());

    std::string binary = dir_ + "/binary.conf";
    WriteAll(binary, std::string("\0\xff[K]\n\"x\"=int:\0\n", 16));
    platform::FileSettingsStore junk(binary);
    EXPECT_FALSE(junk.Read("K", "x"));
}

// The file is never saved larger than it may be read back: at the limit it is written and
// reads back; one byte over, the previous file stays as it was and still reads.
TEST_F(SettingsFileTest, SaveNeverWritesAFileTooLargeToReadBack) {
    constexpr size_t kLimit = 4 * 1024 * 1024;
    SettingsTree empty;
    empty.Write("K", "x", SettingsValue::String(""));
    const size_t overhead = empty.Serialize().size();
    platform::FileSettingsStore s(path_);
    s.Write("K", "x", SettingsValue::String(std::string(kLimit - overhead, 'a')));
    ASSERT_TRUE(s.Commit());
    ASSERT_EQ(ReadFile(path_).size(), kLimit);
    EXPECT_EQ(platform::FileSettingsStore(path_).Read("K", "x")->bytes.size(), kLimit - overhead);

    const std::string before = ReadFile(path_);
    s.Write("K", "x", SettingsValue::String(std::string(kLimit - overhead + 1, 'b')));
    EXPECT_FALSE(s.Commit());
    EXPECT_EQ(ReadFile(path_), before);
    platform::FileSettingsStore again(path_);
    EXPECT_TRUE(again.LoadProblem().empty());
    EXPECT_TRUE(again.KeyExists("K"));
}

// A child process stands for a second instance of the program.
int InChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SettingsFileTest, InstanceLockExcludesOtherProcesses) {
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    const char* name = "Vexa KELDA APP Exclusive Mutex";
    auto tryLock = [&] {
        platform::FileInstanceLock lock;
        return lock.Acquire(name) ? 1 : 0;
    };
    {
        platform::FileInstanceLock first;
        ASSERT_TRUE(first.Acquire(name));
        EXPECT_EQ(InChild(tryLock), 0);
        EXPECT_EQ(InChild(tryLock), 0);
    }
    EXPECT_EQ(InChild(tryLock), 1);  // released with its holder
    // A holder that dies without releasing does not block the next one.
    EXPECT_EQ(InChild([&] {
                  auto* leaked = new platform::FileInstanceLock;
                  return leaked->Acquire(name) ? 1 : 0;
              }),
              1);
    EXPECT_EQ(tryLock(), 1);
    EXPECT_EQ(platform::FileInstanceLock::PathFor(name),
              dir_ + "/Vexa_KELDA_APP_Exclusive_Mutex.lock");
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
