#pragma once
// Messages of the clone-file codes (FileError): the file layer returns codes, these turn them
// into the overlay's texts and show them.
#include <string>

// "Headline" and the code's own text; "" for 0 and unknown codes.
std::string FileErrorText(int code);
// Shows FileErrorText as a warning; nothing for 0 and unknown codes.
void ReportFileError(int code);
// A save that failed says so with the file and the system's reason (the reading message of the
// same code would talk about opening).
std::string WriteErrorText(const std::string& path, const std::string& reason);
void ReportWriteError(const std::string& path, const std::string& reason);
