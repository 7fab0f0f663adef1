#include "platform/SettingsStore.h"

namespace platform {
namespace {
SettingsStore* gStore = nullptr;
}

SettingsStore& GetSettingsStore() {
    if (!gStore) gStore = CreateSystemSettingsStore().release();  // lives for the process
    return *gStore;
}

void InstallSettingsStore(SettingsStore* store) {
    gStore = store;
}

std::string SettingsLoadProblem() {
    return gStore ? gStore->LoadProblem() : std::string();
}

}  // namespace platform
