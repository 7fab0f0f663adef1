#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "app/indEnviron.h"
#include "platform/AtomicFile.h"
#include "platform/FileInstanceLock.h"
#include "platform/FileSettingsStore.h"
#include "platform/InstanceLock.h"
#include "support/MemoryInstanceLock.h"
#include "support/MemorySettingsStore.h"
#include "support/TestFiles.h"

namespace {

using platform::SettingsValue;

const std::string kRoot = "Software\\Vexa\\KELDA";
const std::string kGlobal = kRoot + "\\Global";
const std::string kRecent = kRoot + "\\Recent File List";
const std::string kView = kRoot + "\\View Option";
const std::string kWindow = kRoot + "\\Window Position";
const std::string kSetup = kRoot + "\\Setup";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

std::unique_ptr<indEnviron> Make(test::MemorySettingsStore& store, int w = 1920, int h = 1080) {
    return std::make_unique<indEnviron>(indEnviron::kMutexName, indEnviron::kKeyPath, w, h, store,
                                        std::make_unique<test::MemoryInstanceLock>());
}

// A complete set of stored settings, as a previous run leaves them.
void StoreValid(test::MemorySettingsStore& s) {
    auto i = [&](const std::string& k, const char* n, int v) {
        s.tree.Write(k, n, SettingsValue::Int(v));
    };
    i(kGlobal, "BBT", 753951);
    i(kGlobal, "ComPort", 7);
    i(kGlobal, "ComSpeedHigh", 0);
    s.tree.Write(kGlobal, "Current Directory", SettingsValue::String("/home/skipper"));
    for (int n = 0; n < 10; ++n)
        s.tree.Write(kRecent, "Recent" + std::to_string(n),
                     SettingsValue::String(n < 2 ? "/f" + std::to_string(n) + ".dat" : ""));
    i(kView, "FontSize Percentage", 150);
    i(kView, "Toolbar Visible", 0);
    i(kView, "FontSize Printer", 9);
    i(kWindow, "Left", -30);
    i(kWindow, "Top", 40);
    i(kWindow, "Width", 1000);
    i(kWindow, "Height", 700);
    i(kWindow, "SplitterV", 250);
    i(kSetup, "ModelType", 4);
    i(kSetup, "ChListType", 1);
}

void ExpectDefaults(const indEnviron& e) {
    EXPECT_EQ(e.signature, 753951);
    EXPECT_EQ(e.comPort, 1);
    EXPECT_TRUE(e.comSpeedHigh);
    EXPECT_EQ(e.currentDirectory, "");
    EXPECT_EQ(e.recentFiles.Size(), 0u);
    EXPECT_EQ(e.fontSizePercentage, 100);
    EXPECT_TRUE(e.toolbarVisible);
    EXPECT_EQ(e.printerFontSize, 10);
    EXPECT_EQ(e.windowLeft, 560);
    EXPECT_EQ(e.windowTop, 144);
    EXPECT_EQ(e.windowWidth, 800);
    EXPECT_EQ(e.windowHeight, 600);
    EXPECT_EQ(e.splitter, 200);
    EXPECT_EQ(e.modelType, 2);
    EXPECT_FALSE(e.chListView);
}

TEST(Environ, DefaultWindowFitsThePrimaryScreen) {
    struct Case {
        int sw, sh, left, top, width, height;
    } cases[] = {
        {1920, 1080, 560, 144, 800, 600},
        {640, 480, 32, 14, 576, 432},  // 0.9 of the screen, fractions dropped
        {801, 601, 40, 18, 720, 540},
        {0, 0, 560, 144, 800, 600},  // no screen known
    };
    for (const auto& c : cases) {
        auto r = indEnviron::DefaultWindowRect(c.sw, c.sh);
        EXPECT_EQ(r.left, c.left) << c.sw;
        EXPECT_EQ(r.top, c.top) << c.sw;
        EXPECT_EQ(r.width, c.width) << c.sw;
        EXPECT_EQ(r.height, c.height) << c.sw;
    }
}

TEST(Environ, FirstRunGivesDefaultsAndSavesTheWholeTreeInOrder) {
    test::MemorySettingsStore store;
    {
        auto e = Make(store);
        EXPECT_TRUE(e->IsFirstInstance());
        ExpectDefaults(*e);
    }
    EXPECT_EQ(store.commits, 1);
    std::string expected =
        "; KELDA settings\n\n"
        "[Software\\Vexa\\KELDA\\Global]\n\"BBT\"=int:753951\n\"ComPort\"=int:1\n"
        "\"ComSpeedHigh\"=int:1\n\"Current Directory\"=str:\"\"\n\n"
        "[Software\\Vexa\\KELDA\\Recent File List]\n";
    for (int i = 0; i < 10; ++i) expected += "\"Recent" + std::to_string(i) + "\"=str:\"\"\n";
    expected +=
        "\n[Software\\Vexa\\KELDA\\View Option]\n\"FontSize Percentage\"=int:100\n"
        "\"Toolbar Visible\"=int:1\n\"FontSize Printer\"=int:10\n\n"
        "[Software\\Vexa\\KELDA\\Window Position]\n\"Left\"=int:560\n\"Top\"=int:144\n"
        "\"Width\"=int:800\n\"Height\"=int:600\n\"SplitterV\"=int:200\n\n"
        "[Software\\Vexa\\KELDA\\Setup]\n\"VerifyAfterWrite\"=int:0\n\"ModelType\"=int:2\n"
        "\"ChListType\"=int:0\n";
    EXPECT_EQ(store.tree.Serialize(), expected);
}

// A lock that cannot be made (its path is a folder, the runtime folder is read-only): the
// program runs, as it cannot tell whether it is alone, says why, and never writes the settings,
// so that two windows cannot overwrite each other's.
TEST(Environ, WithoutALockTheSettingsAreReadButNeverWritten) {
    class BrokenLock : public platform::InstanceLock {
      public:
        bool Acquire(const std::string&) override { return true; }
        void Release() override {}
        std::string Problem() const override { return "/run/x.lock: Is a directory"; }
    };
    test::MemorySettingsStore store;
    StoreValid(store);
    {
        indEnviron e(indEnviron::kMutexName, indEnviron::kKeyPath, 1920, 1080, store,
                     std::make_unique<BrokenLock>());
        EXPECT_TRUE(e.IsFirstInstance());
        EXPECT_FALSE(e.HoldsLock()) << "later starts must not hand files to it";
        EXPECT_EQ(e.LockProblem(), "/run/x.lock: Is a directory");
        EXPECT_EQ(e.comPort, 7);
        e.comPort = 12;
        EXPECT_FALSE(e.WriteInt(kGlobal, "ComPort", 13));
    }
    EXPECT_EQ(store.commits, 0);
    EXPECT_EQ(store.tree.Read(kGlobal, "ComPort")->number, 7);
}

TEST(Environ, StoredSettingsLoadAndChangesSave) {
    test::MemorySettingsStore store;
    StoreValid(store);
    {
        auto e = Make(store);
        EXPECT_EQ(e->comPort, 7);
        EXPECT_FALSE(e->comSpeedHigh);
        EXPECT_EQ(e->currentDirectory, "/home/skipper");
        // Two distinct names; the empty slots are no files.
        EXPECT_EQ(e->recentFiles.Entries(), (std::vector<std::string>{"/f0.dat", "/f1.dat"}));
        EXPECT_EQ(e->fontSizePercentage, 150);
        EXPECT_FALSE(e->toolbarVisible);
        EXPECT_EQ(e->printerFontSize, 9);
        EXPECT_EQ(e->windowLeft, -30);
        EXPECT_EQ(e->windowHeight, 700);
        EXPECT_EQ(e->splitter, 250);
        EXPECT_EQ(e->modelType, 4);
        EXPECT_TRUE(e->chListView);
        e->recentFiles.Clear();
        e->recentFiles.Add("/new.dat");
        e->comPort = 12;
    }
    EXPECT_EQ(store.tree.Read(kRecent, "Recent0")->bytes, "/new.dat");
    EXPECT_EQ(store.tree.Read(kRecent, "Recent1")->bytes, "");
    EXPECT_EQ(store.tree.Read(kGlobal, "ComPort")->number, 12);
}

TEST(Environ, OutOfRangeValuesAreClamped) {
    struct Case {
        const std::string& key;
        const char* name;
        int stored;
        int indEnviron::*field;
        int loaded;
    } cases[] = {
        {kView, "FontSize Percentage", 5, &indEnviron::fontSizePercentage, 25},
        {kView, "FontSize Percentage", 5000, &indEnviron::fontSizePercentage, 1000},
        {kView, "FontSize Printer", 20, &indEnviron::printerFontSize, 12},
        {kView, "FontSize Printer", -1, &indEnviron::printerFontSize, 8},
        {kGlobal, "ComPort", 0, &indEnviron::comPort, 1},
        {kGlobal, "ComPort", 300, &indEnviron::comPort, 256},
    };
    for (const auto& c : cases) {
        test::MemorySettingsStore store;
        StoreValid(store);
        store.tree.Write(c.key, c.name, SettingsValue::Int(c.stored));
        EXPECT_EQ((*Make(store)).*c.field, c.loaded) << c.name << " " << c.stored;
    }
    test::MemorySettingsStore store;
    StoreValid(store);
    store.tree.Write(kGlobal, "ComSpeedHigh", SettingsValue::Int(-5));
    EXPECT_FALSE(Make(store)->comSpeedHigh);
}

// Every loaded setting by name, to compare a whole load at once.
std::map<std::string, std::string> Loaded(const indEnviron& e) {
    std::string recent;
    for (const auto& f : e.recentFiles.Entries()) recent += f + ";";
    return {{"comPort", std::to_string(e.comPort)},
            {"comSpeedHigh", std::to_string(e.comSpeedHigh)},
            {"currentDirectory", e.currentDirectory},
            {"recentFiles", recent},
            {"fontSizePercentage", std::to_string(e.fontSizePercentage)},
            {"toolbarVisible", std::to_string(e.toolbarVisible)},
            {"printerFontSize", std::to_string(e.printerFontSize)},
            {"window", std::to_string(e.windowLeft) + "," + std::to_string(e.windowTop) + "," +
                           std::to_string(e.windowWidth) + "," + std::to_string(e.windowHeight)},
            {"splitter", std::to_string(e.splitter)},
            {"modelType", std::to_string(e.modelType)},
            {"chListView", std::to_string(e.chListView)}};
}

// One missing or mistyped value takes its default (or its clamp) and the others keep what was
// stored; only a foreign signature gives all defaults.
TEST(Environ, OneBadValueTakesItsDefaultAndTheOthersKeep) {
    test::MemorySettingsStore good;
    StoreValid(good);
    const auto stored = Loaded(*Make(good));
    ASSERT_EQ(stored.at("modelType"), "4");
    const struct {
        std::function<void(test::MemorySettingsStore&)> spoil;
        const char* field;
        std::string loaded;
    } cases[] = {
        {[](auto& s) { s.tree.DeleteValue(kSetup, "ChListType"); }, "chListView", "0"},
        {[](auto& s) { s.tree.Write(kGlobal, "ComPort", SettingsValue::String("7")); }, "comPort",
         "1"},
        {[](auto& s) { s.tree.Write(kGlobal, "Current Directory", SettingsValue::Int(1)); },
         "currentDirectory", ""},
        {[](auto& s) { s.tree.Write(kRecent, "Recent1", SettingsValue::Binary("x")); },
         "recentFiles", "/f0.dat;"},
        {[](auto& s) { s.tree.DeleteValue(kRecent, "Recent9"); }, "recentFiles",
         stored.at("recentFiles")},
        {[](auto& s) { s.tree.DeleteKey(kView); }, "fontSizePercentage", "100"},
        {[](auto& s) { s.tree.DeleteValue(kWindow, "Height"); }, "window", "560,144,800,600"},
        {[](auto& s) { s.tree.Write(kSetup, "ModelType", SettingsValue::String("x")); },
         "modelType", "2"},
        {[](auto& s) { s.tree.DeleteValue(kGlobal, "BBT"); }, "", ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        test::MemorySettingsStore store;
        StoreValid(store);
        cases[i].spoil(store);
        auto expected = stored;
        if (*cases[i].field) expected[cases[i].field] = cases[i].loaded;
        if (std::string(cases[i].field) == "fontSizePercentage") {
            expected["toolbarVisible"] = "1";
            expected["printerFontSize"] = "10";
        }
        EXPECT_EQ(Loaded(*Make(store)), expected);
    }
    test::MemorySettingsStore foreign;
    StoreValid(foreign);
    foreign.tree.Write(kGlobal, "BBT", SettingsValue::Int(753950));
    ExpectDefaults(*Make(foreign));
}

TEST(Environ, RecentEntriesDifferingInCaseLoadAsTheLaterOne) {
    test::MemorySettingsStore store;
    StoreValid(store);
    store.tree.Write(kRecent, "Recent0", SettingsValue::String("/Radio/A.dat"));
    store.tree.Write(kRecent, "Recent1", SettingsValue::String("/b.dat"));
    store.tree.Write(kRecent, "Recent2", SettingsValue::String("/radio/a.DAT"));
    EXPECT_EQ(Make(store)->recentFiles.Entries(),
              (std::vector<std::string>{"/b.dat", "/radio/a.DAT"}));
}

// An empty slot ahead of a file is dropped, so it cannot move up the list start after start.
TEST(Environ, EmptyRecentEntriesAreDroppedOnLoad) {
    test::MemorySettingsStore store;
    StoreValid(store);
    store.tree.Write(kRecent, "Recent0", SettingsValue::String(""));
    store.tree.Write(kRecent, "Recent1", SettingsValue::String("/x.dat"));
    for (int start = 0; start < 2; ++start) {
        auto e = Make(store);
        EXPECT_EQ(e->recentFiles.Entries(), std::vector<std::string>{"/x.dat"}) << start;
        e.reset();  // saves at exit
    }
    EXPECT_EQ(store.tree.Read(kRecent, "Recent0")->bytes, "/x.dat");
}

TEST(Environ, SecondInstanceNeitherLoadsNorSaves) {
    test::MemorySettingsStore store;
    StoreValid(store);
    auto first = Make(store);
    int reads = store.reads;
    {
        auto second = Make(store);
        EXPECT_FALSE(second->IsFirstInstance());
        ExpectDefaults(*second);
    }
    EXPECT_EQ(store.reads, reads);
    EXPECT_EQ(store.writes, 0);
    EXPECT_TRUE(first->IsFirstInstance());
    first.reset();
    EXPECT_EQ(store.commits, 1);
    EXPECT_FALSE(test::MemoryInstanceLock::IsHeld(indEnviron::kMutexName));
}

TEST(Environ, InvalidSignatureInMemoryIsNotSaved) {
    test::MemorySettingsStore store;
    Make(store)->signature = 0;
    EXPECT_EQ(store.writes, 0);
}

TEST(Environ, RawHelpers) {
    test::MemorySettingsStore store;
    auto e = Make(store);
    const std::string widths = kRoot + "\\Display\\IntCh\\colwidth";
    EXPECT_EQ(e->ReadInt(widths, "3"), -1);
    EXPECT_TRUE(e->WriteInt(widths, "3", 120));
    EXPECT_EQ(store.commits, 1);
    EXPECT_EQ(e->ReadInt(widths, "3"), 120);
    store.tree.Write(widths, "4", SettingsValue::String("wide"));
    EXPECT_EQ(e->ReadInt(widths, "4"), -1);
    store.tree.Write(kRoot, "Blob", SettingsValue::Binary(std::string("\0\1", 2)));
    EXPECT_EQ(e->ReadBinary(kRoot, "Blob"), std::string("\0\1", 2));
    EXPECT_FALSE(e->ReadBinary(kRoot, "Missing"));
    EXPECT_TRUE(e->DeleteSubKey(kRoot + "\\Display", "IntCh"));
    EXPECT_EQ(e->ReadInt(widths, "3"), -1);
    store.failCommits = true;
    EXPECT_FALSE(e->WriteInt(widths, "3", 1));
}

class EnvironFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-environ-XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("XDG_CONFIG_HOME");
        RemoveTree(dir_);
    }
    // The program's start: the real settings file and the real lock.
    struct Instance {
        platform::FileSettingsStore store{platform::SettingsFilePath()};
        indEnviron env{indEnviron::kMutexName,
                       indEnviron::kKeyPath,
                       1920,
                       1080,
                       store,
                       std::make_unique<platform::FileInstanceLock>()};
    };
    static std::string Contents() {
        std::ifstream in(platform::SettingsFilePath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir_;
};

TEST_F(EnvironFileTest, SecondProcessExitsWithoutTouchingSettings) {
    {
        Instance run;
        run.env.comPort = 5;
    }  // a previous run left a settings file
    std::string saved = Contents();
    ASSERT_NE(saved.find("\"ComPort\"=int:5"), std::string::npos);

    auto first = std::make_unique<Instance>();
    ASSERT_TRUE(first->env.IsFirstInstance());
    first->env.comPort = 6;
    pid_t pid = fork();
    if (pid == 0) {
        auto second = indEnviron::ForProgram(1920, 1080);
        second->comPort = 9;
        bool first = second->IsFirstInstance();
        second.reset();
        _exit(first ? 1 : 0);  // the program's exit status
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Contents(), saved);
    first.reset();
    EXPECT_NE(Contents().find("\"ComPort\"=int:6"), std::string::npos);
}

TEST_F(EnvironFileTest, FailedSaveKeepsThePreviousSettings) {
    {
        Instance run;
        run.env.modelType = 3;
    }
    std::string saved = Contents();
    {
        Instance run;
        EXPECT_EQ(run.env.modelType, 3);
        run.env.modelType = 4;
        platform::InjectWriteFault(platform::WriteFault::Write);
    }
    EXPECT_EQ(Contents(), saved);
    EXPECT_EQ(Instance().env.modelType, 3);
}

TEST_F(EnvironFileTest, TheVerifySettingIsKeptAndAFileFromBeforeItStillLoads) {
    {
        Instance run;
        run.env.modelType = 3;
        run.env.verifyAfterWrite = true;
    }
    EXPECT_TRUE(Instance().env.verifyAfterWrite);
    std::string older = Contents();
    const std::string line = "\"VerifyAfterWrite\"=int:1\n";
    ASSERT_NE(older.find(line), std::string::npos);
    older.erase(older.find(line), line.size());
    std::ofstream(platform::SettingsFilePath(), std::ios::binary) << older;
    Instance run;
    EXPECT_EQ(run.env.modelType, 3);
    EXPECT_FALSE(run.env.verifyAfterWrite);
}

// A file cut short keeps the values before the cut; the rest take their defaults.
TEST_F(EnvironFileTest, CutFileKeepsWhatIsWhole) {
    {
        Instance run;
        run.env.modelType = 3;
        run.env.chListView = true;
    }
    std::string saved = Contents();
    const struct {
        size_t cut;
        int model;
        bool chList;
    } cases[] = {{saved.size() / 2, 2, false}, {saved.size() - 2, 3, false}};
    for (const auto& c : cases) {
        std::ofstream(platform::SettingsFilePath(), std::ios::binary) << saved.substr(0, c.cut);
        Instance run;
        EXPECT_EQ(run.env.modelType, c.model) << c.cut;
        EXPECT_EQ(run.env.chListView, c.chList) << c.cut;
    }
}

// A settings file that cannot be read (not a plain file, far too big, no permission) is
// neither used nor written over, and the reason is there to be told once.
TEST_F(EnvironFileTest, AnUnreadableSettingsFileIsLeftAsItIs) {
    const std::string path = platform::SettingsFilePath();
    const std::string big = "; not ours\n" + std::string(5 * 1024 * 1024, 'x') + "\n";
    const struct {
        const char* what;
        std::function<void()> make;
        const char* reason;
    } cases[] = {
        {"FIFO", [&] { mkfifo(path.c_str(), 0600); }, "not a plain file"},
        {"folder", [&] { mkdir(path.c_str(), 0700); }, "not a plain file"},
        {"huge", [&] { std::ofstream(path, std::ios::binary) << big; }, "larger than"},
        {"no permission",
         [&] {
             std::ofstream(path, std::ios::binary) << "[x]\n";
             chmod(path.c_str(), 0);
         },
         "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(dir_ + "/config");
        mkdir((dir_ + "/config").c_str(), 0700);
        mkdir((dir_ + "/config/Vexa").c_str(), 0700);
        mkdir((dir_ + "/config/Vexa/KELDA").c_str(), 0700);
        c.make();
        if (std::string(c.what) == "no permission" && access(path.c_str(), R_OK) == 0)
            continue;  // root reads it anyway
        struct stat before {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        {
            Instance run;  // a FIFO would block here if it were opened for reading plainly
            EXPECT_EQ(run.env.modelType, 2);
            EXPECT_NE(run.env.LoadProblem().find(path), std::string::npos);
            EXPECT_NE(run.env.LoadProblem().find(c.reason), std::string::npos)
                << run.env.LoadProblem();
            run.env.modelType = 5;
            EXPECT_FALSE(run.env.WriteInt(kRoot + "\\Display", "w", 1));
        }
        struct stat after {};
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_size, before.st_size);
        if (std::string(c.what) == "huge") {
            EXPECT_TRUE(Contents() == big);
        }
    }
}

// A file with a foreign signature or lines of garbage is said once and kept as it was, as
// settings.conf.bad, before the settings start afresh over it.
TEST_F(EnvironFileTest, ADamagedSettingsFileIsToldAndKeptAsBad) {
    {
        Instance run;
        run.env.modelType = 3;
    }
    const std::string whole = Contents();
    const std::string signature = "\"BBT\"=int:753951";
    ASSERT_NE(whole.find(signature), std::string::npos);
    const struct {
        const char* what;
        std::string text;
        int model;  // what the start then uses
    } cases[] = {
        {"signature", Replace(whole, signature, "\"BBT\"=int:1"), 2},
        {"garbage", whole + "\x01\xff garbage\n", 3},
    };
    const std::string path = platform::SettingsFilePath();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove((path + ".bad").c_str());
        std::ofstream(path, std::ios::binary) << c.text;
        {
            Instance run;
            EXPECT_EQ(run.env.modelType, c.model);
            EXPECT_NE(run.env.LoadProblem().find(path + " is damaged"), std::string::npos)
                << run.env.LoadProblem();
            EXPECT_NE(run.env.LoadProblem().find(path + ".bad"), std::string::npos);
        }
        std::ifstream bad(path + ".bad", std::ios::binary);
        std::stringstream kept;
        kept << bad.rdbuf();
        EXPECT_EQ(kept.str(), c.text);
        Instance next;  // said once: the file saved over it is whole
        EXPECT_EQ(next.env.LoadProblem(), "");
        EXPECT_EQ(next.env.modelType, c.model);
    }
}

// A damaged line costs only its own value: the rest of the file still loads and is saved.
TEST_F(EnvironFileTest, ADamagedValueInTheFileKeepsTheOthers) {
    {
        Instance run;
        run.env.modelType = 3;
        run.env.recentFiles.Add("/boat/a.kcf");
        run.env.comPort = 9;
    }
    std::string text = Contents();
    const std::string line = "\"ComPort\"=int:9";
    ASSERT_NE(text.find(line), std::string::npos);
    text.replace(text.find(line), line.size(), "\"ComPort\"=int:nine");
    std::ofstream(platform::SettingsFilePath(), std::ios::binary) << text;
    Instance run;
    EXPECT_EQ(run.env.comPort, 1);
    EXPECT_EQ(run.env.modelType, 3);
    EXPECT_EQ(run.env.recentFiles.At(0), "/boat/a.kcf");
    EXPECT_EQ(run.env.LoadProblem(), "");
}

}  // namespace

namespace {

TEST(RecentFileList, KeepsTenNewestWithoutCaseDuplicates) {
    RecentFileList list;
    for (int i = 0; i < 11; ++i) list.Add("/f" + std::to_string(i));
    EXPECT_EQ(list.Size(), 10u);
    EXPECT_EQ(list.At(0), "/f10");
    EXPECT_EQ(list.At(9), "/f1");  // the eleventh pushed the oldest out
    list.Add("/F5");
    EXPECT_EQ(list.Size(), 10u);
    EXPECT_EQ(list.At(0), "/F5");
    EXPECT_EQ(list.At(10), "");
}

}  // namespace
