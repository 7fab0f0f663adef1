#pragma once
// Messages of the clone-file codes (FileError): the file layer returns codes, these turn them
// into the overlay's texts and show them.
#include <string>

#include "radio/FileError.h"

// "Headline" and the code's own text, then the file's path when one is given; "" for kNone and
// unknown codes.
std::string FileErrorText(FileError code, const std::string& path = {});
// Shows FileErrorText as a warning; nothing for kNone and unknown codes.
void ReportFileError(FileError code, const std::string& path = {});
// FileErrorText of a file that was read: a folder, a device or a pipe named as the file is
// told as what it is, with its name; a refused revision of a file that names none
// (mapRevision below 0) says that the line is missing.
std::string ReadErrorText(const std::string& path, FileError code, int mapRevision = 0);
void ReportReadError(const std::string& path, FileError code, int mapRevision = 0);
// A save that failed says so with the file and the system's reason (the reading message of the
// same code would talk about opening).
std::string WriteErrorText(const std::string& path, const std::string& reason);
void ReportWriteError(const std::string& path, const std::string& reason);
