#pragma once
// The result codes of reading and writing clone files.
#include <iosfwd>

// File error codes; stored scripts and callers compare the numbers (FileErrorNumber), which
// are also the overlay's message keys' order and, offset, kelda-cli's exit status.
enum class FileError : int {
    kNone = 0,
    kFileOpen = 1,    // the file cannot be opened or read, or the folder not written
    kFileAccess = 2,  // writing failed part way
    kModel = 3,       // header model code differs
    kExtra = 4,       // header sub-code differs
    kMapRev = 5,      // memory map revision refused
    kFormat = 6,      // bad header or data line
    kCoverage = 7,    // required addresses missing
    kData = 8,        // address outside the image or the required ranges; content check
    kNewer = 9,       // the model's newer-map check failed
};

// The code's number, where it leaves the program: an exit status, a log.
constexpr int FileErrorNumber(FileError code) {
    return static_cast<int>(code);
}
// Test messages show the number.
std::ostream& operator<<(std::ostream& out, FileError code);
