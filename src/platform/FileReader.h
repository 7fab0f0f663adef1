#pragma once
// Reads plain files by byte position. The handle is the system's own (a descriptor here, a
// HANDLE on Windows), so each system's reader is one source file and callers see no system
// calls. Paths are UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class FileStatus {
    Ok,
    OpenFailed,  // missing, no permission, or refused by the system
    NotAFile,    // a folder, a device or a pipe
    TooLarge,    // larger than the caller's limit, or grew past it while being read
    ReadFailed,  // an I/O error while reading
};

class FileReader {
  public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens a plain file; anything else is refused without waiting on it. Closes what was open.
    FileStatus Open(const std::string& path);
    bool IsOpen() const { return handle_ != kNoHandle; }
    void Close();
    // Size in bytes when opened.
    int64_t Size() const { return size_; }
    // Up to count bytes from offset: the number read, 0 at the end, -1 on an error.
    int64_t ReadAt(int64_t offset, char* buffer, size_t count);
    // The rest of the file from the start, appended to out; at most limit bytes.
    FileStatus ReadAll(int64_t limit, std::string& out);
    // The system's words for the last failure ("No such file or directory").
    const std::string& Reason() const { return reason_; }

  private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;
    int64_t size_ = 0;
    std::string reason_;
};

}  // namespace platform
