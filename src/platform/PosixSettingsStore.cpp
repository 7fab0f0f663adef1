#include "platform/FileSettingsStore.h"

namespace platform {

std::unique_ptr<SettingsStore> CreateSystemSettingsStore() {
    return std::make_unique<FileSettingsStore>(SettingsFilePath());
}

}  // namespace platform
