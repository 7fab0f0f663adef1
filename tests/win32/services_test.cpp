// The Windows services against the system itself (Wine's in CI): the user's registry hive,
// named mutexes, files named in any script, COM ports.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "app/InstanceHandoff.h"
#include "app/indEnviron.h"
#include "platform/AtomicFile.h"
#include "platform/FileReader.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/PortDiscovery.h"
#include "platform/SerialDevice.h"
#include "platform/win32/RegistrySettingsStore.h"
#include "platform/win32/WideText.h"
#include "support/MemoryInstanceLock.h"

namespace {

using platform::SettingsValue;
using platform::win32::Widen;

std::string Unique(const std::string& stem) {
    return stem + " " + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64());
}

// A key of its own under HKCU\Software\Vexa, removed with everything below it at the end.
class RegistryKey : public ::testing::Test {
  protected:
    ~RegistryKey() override { RegDeleteTreeW(HKEY_CURRENT_USER, Widen(root).c_str()); }
    void SetRaw(const std::string& key, const std::string& name, DWORD type, const void* data,
                DWORD size) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Widen(key).c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(
            RegSetValueExW(h, Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
        RegCloseKey(h);
    }
    const std::string root = "Software\\Vexa\\" + Unique("KELDA test");
};

TEST_F(RegistryKey, ValuesOfEachTypeAreKeptAndReadBackAndWaitForCommit) {
    const std::string key = root + "\\Global";
    const std::string binary("\x00\x01\xff\x7f", 4);
    platform::RegistrySettingsStore store;
    ASSERT_TRUE(store.Write(key, "BBT", SettingsValue::Int(-753951)));
    ASSERT_TRUE(store.Write(key, "Current Directory", SettingsValue::String("C:\\Kanäle 航海")));
    ASSERT_TRUE(store.Write(key, "Sizes", SettingsValue::Binary(binary)));
    EXPECT_FALSE(store.Write(key, "bad\nname", SettingsValue::Int(1)));
    EXPECT_FALSE(store.Write("", "x", SettingsValue::Int(1)));

    // Seen by this store at once, by the registry only after Commit.
    EXPECT_EQ(store.Read(key, "bbt"), SettingsValue::Int(-753951));
    EXPECT_FALSE(platform::RegistrySettingsStore().KeyExists(root));
    ASSERT_TRUE(store.Commit());

    platform::RegistrySettingsStore fresh;
    EXPECT_TRUE(fresh.KeyExists(root));
    EXPECT_EQ(fresh.Read(key, "BBT"), SettingsValue::Int(-753951));
    EXPECT_EQ(fresh.Read(key, "current directory"), SettingsValue::String("C:\\Kanäle 航海"));
    EXPECT_EQ(fresh.Read(key, "Sizes"), SettingsValue::Binary(binary));
    EXPECT_EQ(fresh.ValueNames(key).size(), 3u);
    EXPECT_EQ(fresh.LoadProblem(), "");

    fresh.DeleteValue(key, "Sizes");
    EXPECT_EQ(fresh.Read(key, "Sizes"), std::nullopt);
    fresh.DeleteKey(root);
    EXPECT_FALSE(fresh.KeyExists(key));
    ASSERT_TRUE(fresh.Commit());
    EXPECT_FALSE(platform::RegistrySettingsStore().KeyExists(root));
}

TEST_F(RegistryKey, SettingsSurviveTheProgramAndAMistypedValueTakesItsDefault) {
    {
        platform::RegistrySettingsStore store;
        indEnviron env("lock", root, 1920, 1080, store,
                       std::make_unique<test::MemoryInstanceLock>());
        env.comPort = 5;
        env.currentDirectory = "C:\\Users\\Skipper\\Båt";
        env.verifyAfterWrite = true;
    }  // saved when it goes

    // Values of another type than the program keeps, as a registry editor may leave them.
    const uint64_t wide = 5;
    SetRaw(root + "\\Global", "ComPort", REG_QWORD, &wide, sizeof wide);
    const wchar_t text[] = L"7";
    SetRaw(root + "\\Setup", "ModelType", REG_SZ, text, sizeof text);

    platform::RegistrySettingsStore store;
    indEnviron env("lock", root, 1920, 1080, store, std::make_unique<test::MemoryInstanceLock>());
    EXPECT_EQ(env.comPort, 1);
    EXPECT_EQ(env.modelType, 2);
    EXPECT_EQ(env.currentDirectory, "C:\\Users\\Skipper\\Båt");
    EXPECT_TRUE(env.verifyAfterWrite);
    const std::string problem = store.LoadProblem();
    EXPECT_NE(problem.find("\"ComPort\""), std::string::npos) << problem;
    EXPECT_NE(problem.find("REG_QWORD"), std::string::npos) << problem;
}

TEST(InstanceLock, ANamedMutexAdmitsOneHolderAtATime) {
    const std::string name = Unique("KELDA lock test");
    auto first = platform::CreateInstanceLock();
    auto second = platform::CreateInstanceLock();
    EXPECT_TRUE(first->Acquire(name));
    EXPECT_FALSE(second->Acquire(name));
    first->Release();
    EXPECT_TRUE(second->Acquire(name));
}

// Files whose names are neither ASCII nor in the system's code page.
class WideNames : public ::testing::Test {
  protected:
    WideNames() { EXPECT_TRUE(platform::MakeFolders(folder)); }
    ~WideNames() override {
        for (const std::string& f : Entries()) DeleteFileW(Widen(folder + "\\" + f).c_str());
        RemoveDirectoryW(Widen(folder).c_str());
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            std::string n = platform::win32::Narrow(found.cFileName);
            if (n != "." && n != "..") names.push_back(n);
        } while (FindNextFileW(h, &found));
        FindClose(h);
        return names;
    }
    std::string ReadBack(const std::string& path) {
        platform::FileReader reader;
        std::string bytes;
        if (reader.Open(path) != platform::FileStatus::Ok) return "<" + reader.Reason() + ">";
        EXPECT_EQ(reader.ReadAll(1 << 20, bytes), platform::FileStatus::Ok);
        return bytes;
    }
    const std::string folder =
        platform::JoinPath(platform::RuntimeFolder(), Unique("Ålesund 航海 Ωmega"));
};

TEST_F(WideNames, ReplacedWholeOrNotAtAllAndReadBack) {
    const std::string file = platform::JoinPath(folder, "Kanäle Ærø 日本.kcf");
    const std::string first(45552, 'a'), second(45552, 'b');
    std::string reason;
    ASSERT_EQ(platform::WriteFileAtomically(file, first, &reason), platform::WriteResult::Ok)
        << reason;
    EXPECT_EQ(ReadBack(file), first);
    ASSERT_EQ(platform::WriteFileAtomically(file, second), platform::WriteResult::Ok);
    EXPECT_EQ(ReadBack(file), second);

    for (auto fault : {platform::WriteFault::Write, platform::WriteFault::Rename}) {
        platform::InjectWriteFault(fault);
        EXPECT_EQ(platform::WriteFileAtomically(file, first, &reason),
                  platform::WriteResult::WriteFailed);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(ReadBack(file), second);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"Kanäle Ærø 日本.kcf"});

    EXPECT_EQ(platform::WriteFileAtomically(folder, first, &reason),
              platform::WriteResult::OpenFailed);
    platform::FileReader reader;
    EXPECT_EQ(reader.Open(folder), platform::FileStatus::NotAFile);
    EXPECT_EQ(reader.Open(platform::JoinPath(folder, "nowhere.kcf")),
              platform::FileStatus::OpenFailed);
    EXPECT_FALSE(reader.Reason().empty());
    EXPECT_EQ(platform::KindOfPath(folder), platform::PathKind::Folder);
    EXPECT_EQ(platform::KindOfPath(file), platform::PathKind::File);
    EXPECT_EQ(platform::KindOfPath(platform::JoinPath(folder, "nowhere")),
              platform::PathKind::Missing);
}

// A file named to kelda.exe (by Explorer's Open verb or a second start) is taken as it stands
// when it names its place, and from the start folder otherwise.
TEST(FileNames, WindowsPathsAreAbsoluteByDriveByServerOrByRoot) {
    const struct {
        const char* path;
        bool absolute;
    } cases[] = {{"C:\\Users\\Ærø\\boat.kcf", true},
                 {"Z:/tmp/boat.kcf", true},
                 {"\\\\server\\share\\boat.kcf", true},
                 {"\\boats\\boat.kcf", true},
                 {"boat.kcf", false},
                 {".\\boat.kcf", false},
                 {"sub\\boat.kcf", false},
                 {"", false}};
    for (const auto& c : cases) EXPECT_EQ(platform::IsAbsolutePath(c.path), c.absolute) << c.path;
    // The window's title and the recent files show the name, without the folder.
    EXPECT_EQ(platform::FileNamePart("C:\\Båt Ærø\\日本.kcf"), "日本.kcf");
    EXPECT_EQ(platform::FolderPart("C:\\Båt Ærø\\日本.kcf"), "C:\\Båt Ærø");
    EXPECT_EQ(platform::FolderPart("C:\\a.kcf"), "C:\\");
    EXPECT_EQ(platform::FileNamePart("Z:/tmp/a.kcf"), "a.kcf");
    EXPECT_EQ(HandedPath("C:\\Båt\\a.kcf", "D:\\start"), "C:\\Båt\\a.kcf");
    EXPECT_EQ(HandedPath(".\\a.kcf", "D:\\start"), "D:\\start\\a.kcf");
}

TEST(SerialPort, APortThatDoesNotExistIsNamedInTheRefusal) {
    auto device = platform::CreateSerialDevice();
    EXPECT_FALSE(device->Open("COM231", {38400}));
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(device->LastFailure().fault, platform::OpenFault::kNoSuchPort);
}

// A COM port with the simulated radio behind it, named by KELDA_TEST_COM_PORT (the Windows
// check script maps one); without it there is no port to talk to.
class RadioPort : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("KELDA_TEST_COM_PORT");
        if (!port || !*port) GTEST_SKIP() << "KELDA_TEST_COM_PORT names no port";
        name = port;
    }
    std::string name;
};

TEST_F(RadioPort, BytesGoOutAndTheEchoComesBackWithinTheTimeOuts) {
    auto device = platform::CreateSerialDevice();
    ASSERT_TRUE(device->Open(name, {38400})) << device->LastFailure().systemText;
    auto other = platform::CreateSerialDevice();
    EXPECT_FALSE(other->Open(name, {38400}));
    EXPECT_EQ(other->LastFailure().fault, platform::OpenFault::kInUse);

    const uint8_t frame[] = {0xFE, 0xFE, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFD};
    using clock = std::chrono::steady_clock;
    auto start = clock::now();
    const platform::IoResult sent = device->Write(frame, sizeof frame, 500);
    EXPECT_EQ(sent.status, platform::IoStatus::kOk);
    EXPECT_EQ(sent.count, static_cast<int>(sizeof frame));
    EXPECT_LT(clock::now() - start, std::chrono::milliseconds(500));

    // The simulated radio's line echoes every byte, as the real cable does.
    std::vector<uint8_t> echo;
    start = clock::now();
    while (echo.size() < sizeof frame && clock::now() - start < std::chrono::seconds(2)) {
        if (device->InputWaiting() == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        uint8_t buf[64];
        const platform::IoResult got = device->Read(buf, sizeof buf);
        ASSERT_EQ(got.status, platform::IoStatus::kOk);
        echo.insert(echo.end(), buf, buf + got.count);
    }
    EXPECT_EQ(echo, std::vector<uint8_t>(frame, frame + sizeof frame));
    EXPECT_EQ(device->InputWaiting(), 0);
    EXPECT_EQ(device->OutputQueued(), 0);
    EXPECT_FALSE(device->LineLost());

    // Nothing waiting: a read returns at once with nothing.
    uint8_t none[4];
    start = clock::now();
    const platform::IoResult nothing = device->Read(none, sizeof none);
    EXPECT_EQ(nothing.status, platform::IoStatus::kOk);
    EXPECT_EQ(nothing.count, 0);
    EXPECT_LT(clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(RadioPort, DiscoveryListsThePortWithItsOwnNumber) {
    const int number = std::atoi(name.c_str() + 3);
    bool found = false;
    for (const auto& d : platform::GetPortDiscovery().Discover()) {
        if (d.number != number) continue;
        found = true;
        EXPECT_EQ(d.path, name);
        EXPECT_NE(d.friendly.find("(" + name + ")"), std::string::npos) << d.friendly;
    }
    EXPECT_TRUE(found);
}

}  // namespace
