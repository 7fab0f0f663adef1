#include "platform/SettingsStore.h"

#include <utility>

namespace platform {
namespace {
SettingsStore* gStore = nullptr;
}

SettingsStore& GetSettingsStore() {
    if (!gStore) gStore = CreateSystemSettingsStore().release();  // lives for the process
    return *gStore;
}

SettingsStore* InstallSettingsStore(SettingsStore* store) {
    return std::exchange(gStore, store);
}

std::string SettingsLoadProblem() {
    return gStore ? gStore->LoadProblem() : std::string();
}

}  // namespace platform
