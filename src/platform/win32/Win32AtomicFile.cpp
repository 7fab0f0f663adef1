// Whole-file writes on Windows: a temporary beside the target, flushed, then moved over the
// target with MoveFileEx(REPLACE_EXISTING | WRITE_THROUGH), so the target is either the old
// file or the complete new one. The temporary is opened without sharing while it is written,
// which is the mark of a live save: one that can be deleted was left by a killed save.
#include <windows.h>

#include <algorithm>

#include "platform/AtomicFile.h"
#include "platform/TemporaryName.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

WriteFault gFault = WriteFault::None;

WriteResult Fail(WriteResult r, std::string* reason, const std::string& why) {
    if (reason) *reason = why;
    return r;
}

size_t NameStart(const std::string& path) {
    auto slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? 0 : slash + 1;
}

std::string FolderOf(const std::string& path) {
    size_t start = NameStart(path);
    if (start == 0) return ".";
    if (path[start - 1] == ':') return path.substr(0, start) + ".";
    return start == 1 ? path.substr(0, 1) : path.substr(0, start - 1);
}

// Temporaries are named ".<target name>.XXXXXX" (six letters or digits) beside the target.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    WIN32_FIND_DATAW found;
    const std::wstring pattern = win32::Widen(folder + "\\." + name + ".??????");
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // Refused with a sharing violation while a save holds it open.
        DeleteFileW((win32::Widen(folder + "\\") + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

bool CanWriteFileAtomically(const std::string& path, std::string& reason) {
    const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        reason =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) ? "it is a folder" : "it is not a plain file";
        return false;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        reason = "the file is read-only";
        return false;
    }
    // The save makes a new file in the folder: so does this probe, which the system removes
    // when it is closed, so nothing stays even if we are killed.
    const std::string probe = FolderOf(path) + "\\.kelda-probe-" +
                              std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetTickCount64());
    HANDLE h = CreateFileW(win32::Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = win32::SystemMessage(GetLastError());
        return false;
    }
    CloseHandle(h);
    return true;
}

void InjectWriteFault(WriteFault fault) {
    gFault = fault;
}

// Every temporary has a name on Windows; the switch is kept for the tests that set it.
void UseNamedTemporariesOnly(bool) {}

WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes,
                                std::string* reason) {
    WriteFault fault = gFault;
    gFault = WriteFault::None;

    const std::wstring target = win32::Widen(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return Fail(
            WriteResult::OpenFailed, reason,
            (attributes & FILE_ATTRIBUTE_DIRECTORY) ? "it is a folder" : "not a plain file");
    // The move would fail on it too, but only after the whole file was written.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return Fail(WriteResult::OpenFailed, reason, "the file is read-only");
    if (fault == WriteFault::Open)
        return Fail(WriteResult::OpenFailed, reason, win32::SystemMessage(ERROR_ACCESS_DENIED));

    const std::string folder = FolderOf(path);
    const std::string name = path.substr(NameStart(path));
    RemoveStaleTemporaries(folder, name);
    std::wstring tmp;
    HANDLE h = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 8 && h == INVALID_HANDLE_VALUE; ++attempt) {
        tmp = win32::Widen(FreshTemporaryName(folder + "\\." + name + "."));
        h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
        }
    }
    if (h == INVALID_HANDLE_VALUE)
        return Fail(WriteResult::OpenFailed, reason, win32::SystemMessage(error));

    auto abandon = [&](DWORD why) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        DeleteFileW(tmp.c_str());
        return Fail(WriteResult::WriteFailed, reason, win32::SystemMessage(why));
    };

    size_t limit = bytes.size();
    if (fault == WriteFault::Write || fault == WriteFault::Kill) limit = bytes.size() / 2;
    size_t done = 0;
    while (done < limit) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(limit - done, 1u << 20));
        DWORD wrote = 0;
        if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return abandon(GetLastError());
        done += wrote;
    }
    if (fault == WriteFault::Kill) TerminateProcess(GetCurrentProcess(), 9);
    if (fault == WriteFault::Write) return abandon(ERROR_DISK_FULL);
    if (!FlushFileBuffers(h)) return abandon(GetLastError());
    if (!CloseHandle(h)) {
        h = INVALID_HANDLE_VALUE;
        return abandon(GetLastError());
    }
    h = INVALID_HANDLE_VALUE;
    if (fault == WriteFault::Rename) return abandon(ERROR_WRITE_FAULT);
    if (!MoveFileExW(tmp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return abandon(GetLastError());
    return WriteResult::Ok;
}

}  // namespace platform
