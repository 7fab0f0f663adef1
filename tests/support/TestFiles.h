#pragma once
// Files a test reads back and folders it clears away.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Removes a folder with everything in it; a folder that is already gone is no failure.
inline void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}
