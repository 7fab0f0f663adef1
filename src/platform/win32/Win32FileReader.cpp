// Plain files read by position on Windows: CreateFileW with the UTF-8 path widened, so names
// in any script work, and ReadFile at an offset.
#include <windows.h>

#include "platform/FileReader.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

HANDLE AsHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

FileReader::~FileReader() {
    Close();
}

void FileReader::Close() {
    if (handle_ != kNoHandle) CloseHandle(AsHandle(handle_));
    handle_ = kNoHandle;
    size_ = 0;
}

FileStatus FileReader::Open(const std::string& path) {
    Close();
    reason_.clear();
    // Others may read, write or replace the file meanwhile, as they may on POSIX; a folder
    // opens only with backup semantics, so it is told apart from a missing file below.
    HANDLE h = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason_ = win32::SystemMessage(GetLastError());
        return FileStatus::OpenFailed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD type = GetFileType(h);
    if (type == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason_ = "it is a folder";
        CloseHandle(h);
        return FileStatus::NotAFile;
    }
    if (type != FILE_TYPE_DISK) {
        reason_ = "it is not a plain file";
        CloseHandle(h);
        return FileStatus::NotAFile;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) {
        reason_ = win32::SystemMessage(GetLastError());
        CloseHandle(h);
        return FileStatus::OpenFailed;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    size_ = size.QuadPart;
    return FileStatus::Ok;
}

int64_t FileReader::ReadAt(int64_t offset, char* buffer, size_t count) {
    if (handle_ == kNoHandle) return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    const DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    DWORD got = 0;
    if (!ReadFile(AsHandle(handle_), buffer, want, &got, &at)) {
        const DWORD e = GetLastError();
        if (e == ERROR_HANDLE_EOF) return 0;
        reason_ = win32::SystemMessage(e);
        return -1;
    }
    return static_cast<int64_t>(got);
}

}  // namespace platform
