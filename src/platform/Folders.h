#pragma once
// Folders the program reads from and writes to.
#include <string>

namespace platform {

// Full path of the running executable (/proc/self/exe).
std::string ExecutablePath();
// Folder holding the executable (DataFolder.h says where the data files lie).
std::string ProgramFolder();
// The user's documents folder (XDG_DOCUMENTS_DIR, else ~/Documents if it exists, else home).
std::string DocumentsFolder();
// Per-user configuration folder of the program: $XDG_CONFIG_HOME (or ~/.config) + /Vexa/KELDA.
std::string ConfigFolder();
// Per-user runtime folder for locks: $XDG_RUNTIME_DIR, else /tmp/kelda-<uid>.
std::string RuntimeFolder();
// The process's working folder, "." when the system cannot say.
std::string CurrentFolder();
// Creates a folder and its parents (mode 0700 for new ones); true when it exists afterwards.
bool MakeFolders(const std::string& path);
// Joins two path pieces with one slash.
std::string JoinPath(const std::string& a, const std::string& b);
// Whether a path names its place without the working folder ("/..." here; "C:\...", "\\server\..."
// and "\..." on Windows).
bool IsAbsolutePath(const std::string& path);
// The last piece of a path (the whole path when it has no separator), and the folder before it
// (empty when there is none; the root itself for a file in the root).
std::string FileNamePart(const std::string& path);
std::string FolderPart(const std::string& path);

// What a path names; Unknown when the system cannot tell (the reason then says why).
enum class PathKind { Missing, Folder, File, Other, Unknown };
PathKind KindOfPath(const std::string& path, std::string* reason = nullptr);

}  // namespace platform
