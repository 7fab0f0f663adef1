#include "app/indEnviron.h"

#include <algorithm>

#include "platform/FileInstanceLock.h"
#include "platform/SettingsStore.h"

namespace {

using platform::SettingsValue;

constexpr const char* kGlobal = "Global";
constexpr const char* kRecent = "Recent File List";
constexpr const char* kView = "View Option";
constexpr const char* kWindow = "Window Position";
constexpr const char* kSetup = "Setup";
constexpr int kRecentSlots = 10;

std::string RecentName(int i) {
    return "Recent" + std::to_string(i);
}

// Reads values of one load; the first missing or mistyped value spoils the whole load.
class Reader {
  public:
    explicit Reader(const platform::SettingsStore& store) : store_(store) {}
    int Int(const std::string& key, const char* name) {
        auto v = store_.Read(key, name);
        if (!v || v->type != SettingsValue::Type::Int) ok = false;
        return v && ok ? v->number : 0;
    }
    int Clamped(const std::string& key, const char* name, int lo, int hi) {
        return std::clamp(Int(key, name), lo, hi);
    }
    std::string String(const std::string& key, const std::string& name) {
        auto v = store_.Read(key, name);
        if (!v || v->type != SettingsValue::Type::String) ok = false;
        return v && ok ? v->bytes : std::string();
    }
    bool ok = true;

  private:
    const platform::SettingsStore& store_;
};

}  // namespace

indEnviron::indEnviron(std::string mutexName, std::string keyPath, int screenWidth,
                       int screenHeight, platform::SettingsStore& store,
                       std::unique_ptr<platform::InstanceLock> lock)
    : mutexName_(std::move(mutexName)),
      keyPath_(std::move(keyPath)),
      screenWidth_(screenWidth),
      screenHeight_(screenHeight),
      store_(&store),
      lock_(std::move(lock)) {
    SetDefaults();
    firstInstance_ = lock_ && lock_->Acquire(mutexName_);
    if (firstInstance_) Load();
}

std::unique_ptr<indEnviron> indEnviron::ForProgram(int screenWidth, int screenHeight) {
    return std::make_unique<indEnviron>(kMutexName, kKeyPath, screenWidth, screenHeight,
                                        platform::GetSettingsStore(),
                                        std::make_unique<platform::FileInstanceLock>());
}

indEnviron::indEnviron() : screenWidth_(0), screenHeight_(0) {
    SetDefaults();
}

indEnviron::~indEnviron() {
    if (!firstInstance_) return;
    if (signature == kSignature) Save();
    lock_->Release();
}

indEnviron::Rect indEnviron::DefaultWindowRect(int screenWidth, int screenHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) {  // no screen known: a common desktop
        screenWidth = 1920;
        screenHeight = 1080;
    }
    Rect r;
    r.width = std::min(800, static_cast<int>(0.9 * screenWidth));
    r.height = std::min(600, static_cast<int>(0.9 * screenHeight));
    r.left = (screenWidth - r.width) / 2;
    r.top = static_cast<int>(0.3 * (screenHeight - r.height));
    return r;
}

void indEnviron::SetDefaults() {
    signature = kSignature;
    comPort = 1;
    comSpeedHigh = true;
    currentDirectory.clear();
    recentFiles.Clear();
    fontSizePercentage = 100;
    toolbarVisible = true;
    printerFontSize = 10;
    Rect r = DefaultWindowRect(screenWidth_, screenHeight_);
    windowLeft = r.left;
    windowTop = r.top;
    windowWidth = r.width;
    windowHeight = r.height;
    splitter = 200;
    modelType = 2;
    chListView = false;
    verifyAfterWrite = false;
}

std::string indEnviron::Subkey(const char* name) const {
    return keyPath_ + "\\" + name;
}

void indEnviron::Load() {
    Reader in(*store_);
    std::string global = Subkey(kGlobal);
    int sig = in.Int(global, "BBT");
    int port = in.Clamped(global, "ComPort", 1, 256);
    int speedHigh = in.Clamped(global, "ComSpeedHigh", 0, 1);
    std::string directory = in.String(global, "Current Directory");

    RecentFileList recent;
    for (int i = 0; i < kRecentSlots; ++i) recent.Append(in.String(Subkey(kRecent), RecentName(i)));

    std::string view = Subkey(kView);
    int fontPercent = in.Clamped(view, "FontSize Percentage", 25, 1000);
    int toolbar = in.Int(view, "Toolbar Visible");
    int printerFont = in.Clamped(view, "FontSize Printer", 8, 12);

    std::string window = Subkey(kWindow);
    int left = in.Int(window, "Left");
    int top = in.Int(window, "Top");
    int width = in.Int(window, "Width");
    int height = in.Int(window, "Height");
    int split = in.Int(window, "SplitterV");

    std::string setup = Subkey(kSetup);
    int model = in.Int(setup, "ModelType");
    int chList = in.Int(setup, "ChListType");

    // All or nothing: a partial or foreign set of settings gives the defaults.
    if (!in.ok || sig != kSignature) return;
    // Added later: a settings file without it is still whole.
    auto verify = store_->Read(setup, "VerifyAfterWrite");
    verifyAfterWrite = verify && verify->type == SettingsValue::Type::Int && verify->number != 0;
    signature = sig;
    comPort = port;
    comSpeedHigh = speedHigh != 0;
    currentDirectory = directory;
    recentFiles = recent;
    fontSizePercentage = fontPercent;
    toolbarVisible = toolbar != 0;
    printerFontSize = printerFont;
    windowLeft = left;
    windowTop = top;
    windowWidth = width;
    windowHeight = height;
    splitter = split;
    modelType = model;
    chListView = chList != 0;
}

void indEnviron::Save() {
    auto& s = *store_;
    std::string global = Subkey(kGlobal);
    s.Write(global, "BBT", SettingsValue::Int(signature));
    s.Write(global, "ComPort", SettingsValue::Int(comPort));
    s.Write(global, "ComSpeedHigh", SettingsValue::Int(comSpeedHigh ? 1 : 0));
    s.Write(global, "Current Directory", SettingsValue::String(currentDirectory));
    for (int i = 0; i < kRecentSlots; ++i)
        s.Write(Subkey(kRecent), RecentName(i),
                SettingsValue::String(recentFiles.At(static_cast<size_t>(i))));
    std::string view = Subkey(kView);
    s.Write(view, "FontSize Percentage", SettingsValue::Int(fontSizePercentage));
    s.Write(view, "Toolbar Visible", SettingsValue::Int(toolbarVisible ? 1 : 0));
    s.Write(view, "FontSize Printer", SettingsValue::Int(printerFontSize));
    std::string window = Subkey(kWindow);
    s.Write(window, "Left", SettingsValue::Int(windowLeft));
    s.Write(window, "Top", SettingsValue::Int(windowTop));
    s.Write(window, "Width", SettingsValue::Int(windowWidth));
    s.Write(window, "Height", SettingsValue::Int(windowHeight));
    s.Write(window, "SplitterV", SettingsValue::Int(splitter));
    std::string setup = Subkey(kSetup);
    // Before the values every settings file has, so a file cut short still lacks one of those.
    s.Write(setup, "VerifyAfterWrite", SettingsValue::Int(verifyAfterWrite ? 1 : 0));
    s.Write(setup, "ModelType", SettingsValue::Int(modelType));
    s.Write(setup, "ChListType", SettingsValue::Int(chListView ? 1 : 0));
    s.Commit();  // a failure at exit is not reported; the previous file stays whole
}

int indEnviron::ReadInt(const std::string& key, const std::string& name) const {
    if (!store_) return -1;
    auto v = store_->Read(key, name);
    return v && v->type == SettingsValue::Type::Int ? v->number : -1;
}

std::optional<std::string> indEnviron::ReadBinary(const std::string& key,
                                                  const std::string& name) const {
    if (!store_) return std::nullopt;
    auto v = store_->Read(key, name);
    if (!v || v->type != SettingsValue::Type::Binary) return std::nullopt;
    return v->bytes;
}

bool indEnviron::WriteInt(const std::string& key, const std::string& name, int value) {
    if (!store_ || !store_->Write(key, name, SettingsValue::Int(value))) return false;
    return store_->Commit();
}

bool indEnviron::DeleteSubKey(const std::string& key, const std::string& subkey) {
    if (!store_ || subkey.empty()) return false;
    store_->DeleteKey(key + "\\" + subkey);
    return store_->Commit();
}

namespace {
indEnviron* gEnviron = nullptr;
}

indEnviron& Environ() {
    if (!gEnviron) gEnviron = new indEnviron;  // lives for the whole process
    return *gEnviron;
}

void InstallEnviron(indEnviron* settings) {
    gEnviron = settings;
}
