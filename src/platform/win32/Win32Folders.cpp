// Folders on Windows: the executable's folder, the user's Documents and Application Data
// folders, and the temporary folder for what lives only while the program runs.
#include <shlobj.h>
#include <windows.h>

#include "platform/FileNames.h"
#include "platform/Folders.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string ShellFolder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return {};
    return win32::Narrow(buf);
}

std::string TempFolder() {
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    std::string t = n ? win32::Narrow(std::wstring(buf, n)) : std::string("C:\\Windows\\Temp");
    while (t.size() > 3 && IsSeparator(t.back())) t.pop_back();
    return t;
}

}  // namespace

std::string JoinPath(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (IsSeparator(a.back())) return IsSeparator(b.front()) ? a + b.substr(1) : a + b;
    return IsSeparator(b.front()) ? a + b : a + "\\" + b;
}

bool IsAbsolutePath(const std::string& path) {
    // A drive letter (also "C:name", which Windows takes on that drive's own folder), a UNC name
    // or the root of the current drive.
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && IsSeparator(path.front());
}

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    const auto slash = path.find_last_of("/\\:");
    if (slash == std::string::npos) return {};
    // "C:\x" and "C:x" keep the drive's root or drive; "\\server\share\x" keeps the share.
    if (path[slash] == ':' || (slash == 2 && path[1] == ':') || slash == 0)
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string ExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return "kelda.exe";
        if (n < buf.size()) return win32::Narrow(buf.substr(0, n));
        buf.resize(buf.size() * 2);  // long paths (\\?\ prefixed) do not fit MAX_PATH
    }
}

std::string ProgramFolder() {
    std::string p = ExecutablePath();
    auto slash = p.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

std::string DocumentsFolder() {
    std::string docs = ShellFolder(CSIDL_PERSONAL);
    if (!docs.empty() && KindOfPath(docs) == PathKind::Folder) return docs;
    std::string profile = ShellFolder(CSIDL_PROFILE);
    return profile.empty() ? TempFolder() : profile;
}

std::string ConfigFolder() {
    std::string base = ShellFolder(CSIDL_APPDATA);
    if (base.empty()) base = TempFolder();
    return JoinPath(base, "Vexa\\KELDA");
}

std::string RuntimeFolder() {
    return JoinPath(TempFolder(), "kelda");
}

std::string CurrentFolder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return ".";
    std::wstring buf(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, buf.data());
    return got == 0 || got >= n ? std::string(".") : win32::Narrow(buf.substr(0, got));
}

PathKind KindOfPath(const std::string& path, std::string* reason) {
    const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME ||
            e == ERROR_BAD_NETPATH)
            return PathKind::Missing;
        if (reason) *reason = win32::SystemMessage(e);
        return PathKind::Unknown;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) ? PathKind::Other : PathKind::File;
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    if (KindOfPath(path) == PathKind::Folder) return true;
    auto slash = path.find_last_of("/\\");
    // Stop at the root of a drive ("C:\") or of a share.
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':' &&
        !IsSeparator(path[slash - 1]))
        MakeFolders(path.substr(0, slash));
    if (!CreateDirectoryW(win32::Widen(path).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    return KindOfPath(path) == PathKind::Folder;
}

std::string PathOnDisk(const std::string& path) {
    return path;  // names come as UTF-16 and are made UTF-8 without loss
}

}  // namespace platform
