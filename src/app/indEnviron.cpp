#include "app/indEnviron.h"

#include <algorithm>
#include <utility>

#include "platform/InstanceLock.h"
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

// Reads the values of one load. A missing or mistyped value takes its default and spoils
// nothing else: one damaged line must not cost the user every other setting.
class Reader {
  public:
    explicit Reader(const platform::SettingsStore& store) : store_(store) {}
    std::optional<int> Int(const std::string& key, const char* name) {
        auto v = store_.Read(key, name);
        if (!v || v->type != SettingsValue::Type::Int) return std::nullopt;
        return v->number;
    }
    int Int(const std::string& key, const char* name, int fallback) {
        return Int(key, name).value_or(fallback);
    }
    int Clamped(const std::string& key, const char* name, int lo, int hi, int fallback) {
        return std::clamp(Int(key, name, fallback), lo, hi);
    }
    std::optional<std::string> String(const std::string& key, const std::string& name) {
        auto v = store_.Read(key, name);
        if (!v || v->type != SettingsValue::Type::String) return std::nullopt;
        return v->bytes;
    }

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
    if (firstInstance_) lockProblem_ = lock_->Problem();
    if (firstInstance_) Load();
}

std::unique_ptr<indEnviron> indEnviron::ForProgram(int screenWidth, int screenHeight) {
    return std::make_unique<indEnviron>(kMutexName, kKeyPath, screenWidth, screenHeight,
                                        platform::GetSettingsStore(),
                                        platform::CreateInstanceLock());
}

indEnviron::indEnviron() : screenWidth_(0), screenHeight_(0) {
    SetDefaults();
}

indEnviron::~indEnviron() {
    if (!firstInstance_) return;
    if (signature == kSignature && lockProblem_.empty()) Save();
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
    windowStored = false;
    splitter = 200;
    splitterStored = false;
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
    // Another program's (or an older layout's) settings under our key: all defaults. A
    // missing signature is a damaged line like any other.
    if (in.Int(global, "BBT", kSignature) != kSignature) {
        store_->SetAside("its signature is not KELDA's");
        return;
    }
    // Every value starts at its default (SetDefaults ran first) and is replaced when stored.
    comPort = in.Clamped(global, "ComPort", 1, 256, comPort);
    comSpeedHigh = in.Clamped(global, "ComSpeedHigh", 0, 1, comSpeedHigh ? 1 : 0) != 0;
    currentDirectory = in.String(global, "Current Directory").value_or(currentDirectory);

    RecentFileList recent;
    bool anyRecent = false;
    for (int i = 0; i < kRecentSlots; ++i) {
        if (auto entry = in.String(Subkey(kRecent), RecentName(i))) {
            // A slot saved empty is no file: kept, it would move up the list on every start.
            if (!entry->empty()) recent.Append(*entry);
            anyRecent = true;
        }
    }
    if (anyRecent) recentFiles = recent;

    std::string view = Subkey(kView);
    fontSizePercentage = in.Clamped(view, "FontSize Percentage", 25, 1000, fontSizePercentage);
    toolbarVisible = in.Int(view, "Toolbar Visible", toolbarVisible ? 1 : 0) != 0;
    printerFontSize = in.Clamped(view, "FontSize Printer", 8, 12, printerFontSize);

    // The window rectangle goes as a whole: half a stored rectangle is no rectangle.
    std::string window = Subkey(kWindow);
    const auto left = in.Int(window, "Left"), top = in.Int(window, "Top");
    const auto width = in.Int(window, "Width"), height = in.Int(window, "Height");
    if (left && top && width && height) {
        windowLeft = *left;
        windowTop = *top;
        windowWidth = *width;
        windowHeight = *height;
        windowStored = true;
    }
    if (auto width = in.Int(window, "SplitterV")) {
        splitter = *width;
        splitterStored = true;
    }

    std::string setup = Subkey(kSetup);
    modelType = in.Int(setup, "ModelType", modelType);
    chListView = in.Int(setup, "ChListType", chListView ? 1 : 0) != 0;
    // Added later: a settings file without it is still whole.
    verifyAfterWrite = in.Int(setup, "VerifyAfterWrite", 0) != 0;
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

std::string indEnviron::LoadProblem() const {
    return firstInstance_ && store_ ? store_->LoadProblem() : std::string();
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
    if (!lockProblem_.empty()) return false;  // another instance may be writing them
    if (!store_ || !store_->Write(key, name, SettingsValue::Int(value))) return false;
    return store_->Commit();
}

bool indEnviron::DeleteSubKey(const std::string& key, const std::string& subkey) {
    if (!lockProblem_.empty()) return false;
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

indEnviron* InstallEnviron(indEnviron* settings) {
    return std::exchange(gEnviron, settings);
}
