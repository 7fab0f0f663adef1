#pragma once
// Standard output that cannot be lost without a word: a full disk, a closed pipe or an I/O
// error while the program printed must not end in success. Every program finishes its output
// here before it exits.
#include <string>

namespace platform {

// Writes text to standard output; false once anything printed has been lost (the first
// failure's reason is kept for FinishStandardOutput).
bool WriteStandardOutput(const std::string& text);

// Flushes and closes standard output; false when anything printed to it since the start was
// lost, with the system's words in reason ("No space left on device").
bool FinishStandardOutput(std::string& reason);

}  // namespace platform
