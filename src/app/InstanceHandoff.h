#pragma once
// A later start of the window program hands its clone file to the running window (a double click
// on a .kcf while KELDA runs) and learns whether the window took it. Here are the messages of
// both ends and the running window's rules; the channel between them is the platform's.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class cuiMain;

// What a later start asks for: open a file, or only come to the front (no file named).
struct HandoffRequest {
    std::string path;  // absolute; empty: only bring the window forward
    bool operator==(const HandoffRequest&) const = default;
};

// What the running window answers: first kTaken at once, then how it ended.
struct HandoffAnswer {
    enum Kind { kTaken, kOpened, kRefused };
    Kind kind = kRefused;
    std::string reason;  // kRefused: why, in the words the user reads
    bool operator==(const HandoffAnswer&) const = default;
};

// Exit status of a later start: the running window took the file (or, without one, came to the
// front); more than one file named; the window did not take it (busy, the user kept the open
// document, the file cannot be used); the window cannot be reached or did not answer.
constexpr int kHandoffExitTaken = 0;
constexpr int kHandoffExitUsage = 2;
constexpr int kHandoffExitRefused = 5;
constexpr int kHandoffExitNoAnswer = 6;

// The clone files named on the window program's command line: the words that are neither
// options ("--data DIR", "--device PATH", "/svcmode") nor the program's name.
std::vector<std::string> CommandLineFiles(const std::vector<std::string>& arguments);

// No message is larger (a path is at most a few thousand bytes).
constexpr size_t kMaxHandoffMessage = 64 * 1024;

std::string EncodeHandoffRequest(const HandoffRequest& request);
// Empty for anything that is not a well-formed request (the channel is open to the user's
// own programs only, but a stray writer must not open files).
std::optional<HandoffRequest> DecodeHandoffRequest(const std::string& message);
std::string EncodeHandoffAnswer(const HandoffAnswer& answer);
std::optional<HandoffAnswer> DecodeHandoffAnswer(const std::string& message);

// The file named on a later start's command line as the running window must see it: a relative
// path is taken from the folder the later start was run in.
std::string HandedPath(const std::string& argument, const std::string& startFolder);

// The running window's side, once it has come to the front: opens the file as Open does (the
// question about unsaved changes first) unless the window is busy with something the user
// must finish. A file that cannot be used is reported in the window as Open reports it and
// refused without the question.
HandoffAnswer TakeHandedFile(cuiMain& app, const HandoffRequest& request, bool windowBusy);

// Why a later start did not hand its file over (its own words, for its stderr and a message
// box): the running window did not answer, or closed before it answered.
std::string HandoffNoAnswerText(const std::string& path);
std::string HandoffClosedText(const std::string& path);
