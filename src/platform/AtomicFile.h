#pragma once
// Whole-file writes that never leave a half-written file behind: the bytes go to a temporary
// file in the target's folder, which is flushed to disk and renamed over the target only when
// complete. On any failure the previous file is left exactly as it was. The temporary has no
// name until it is complete where the file system allows, so a killed save leaves nothing;
// elsewhere a killed save's temporary is removed by the next save into that folder.
#include <string>

namespace platform {

enum class WriteResult {
    Ok,
    OpenFailed,   // the folder cannot be written, or the target is not a plain file or is
                  // write-protected
    WriteFailed,  // writing, flushing or renaming failed (disk full, I/O error)
};

WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes,
                                std::string* reason = nullptr);

// Whether WriteFileAtomically could save at path, found out without touching the target: it must
// be a plain file that we may write or not exist, and its folder must take a new file. Otherwise
// the reason is set.
bool CanWriteFileAtomically(const std::string& path, std::string& reason);

// Test hook: makes the next WriteFileAtomically call fail at the given stage, after writing
// part of the temporary file, as a full disk or a pulled USB stick would.
// Kill: the process is killed (SIGKILL) half way through writing.
enum class WriteFault { None, Open, Write, Rename, Kill };
void InjectWriteFault(WriteFault fault);

// Test hook: temporaries get a name from the start, as on a file system without unnamed files.
void UseNamedTemporariesOnly(bool on);

}  // namespace platform
