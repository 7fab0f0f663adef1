#pragma once
// The data folder the window program runs on (overlay, help pages, icons); the program's own
// folder until the session names the one it found.
#include <string>

void SetGuiDataFolder(const std::string& folder);
const std::string& GuiDataFolder();
