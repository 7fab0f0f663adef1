#pragma once
// The result codes and operations of clone runs.
#include <iosfwd>

// Clone result codes. kOk is success; the driver sets 2..10 and 17..19, the clone manager and
// the clone commands' checks add 8, 11, 13..16 and 20. The numbers are the overlay's message lines
// and, offset, kelda-cli's exit status: they never change.
enum class CloneResult : int {
    kOk = 0,
    kPortFailed = 2,  // also the value while a run is under way
    kEchoFailed = 4,
    kTimeout = 5,
    kBadFrame = 6,
    kBadCount = 7,
    kIncomplete = 8,
    kOutOfRange = 9,
    kNotAcknowledged = 10,
    kNotIdentified = 11,
    kIdentityUnread = 12,  // the identity reply could not be read
    kOtherModel = 13,      // a different model from the one selected
    kNotReady = 14,        // the radio's memory map is not ready for cloning
    kForeignData = 15,     // the data read is not from a radio of this make
    kNewerData = 16,       // the data read does not fit this version of the program
    kSendFailed = 17,      // the port stopped sending (a short write, or output never drains)
    kLineLost = 18,        // the line hung up or failed: cable pulled, adapter unplugged
    kOtherSender = 19,     // something on the port keeps sending, and none of it is the radio's
    kReadRefused = 20,     // the radio's identity says it does not allow its memory to be read
};

// The code's number, where it leaves the program: a message line, an exit status, a log.
constexpr int CloneResultNumber(CloneResult result) {
    return static_cast<int>(result);
}
// Test messages and logs show the number.
std::ostream& operator<<(std::ostream& out, CloneResult result);

// What a clone run does; the numbers are those of the result record's operation.
enum class CloneOperation : int {
    kNone = 0,  // no run yet
    kInfo = 1,
    kRead = 2,
    kWrite = 3,
};
