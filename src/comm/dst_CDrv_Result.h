#pragma once
// The outcome of one clone exchange, handed to the driver's completion callback.
#include "base/cmcBuff.h"
#include "radio/cmcEeprom.h"

// Clone result codes. 0 is success; the driver sets 2..10, 17 and 18, the clone manager and
// the clone commands' checks add 8, 11 and 13..16.
enum CloneResult : int {
    kCloneOk = 0,
    kClonePortFailed = 2,  // also the value while a run is under way
    kCloneEchoFailed = 4,
    kCloneTimeout = 5,
    kCloneBadFrame = 6,
    kCloneBadCount = 7,
    kCloneIncomplete = 8,
    kCloneOutOfRange = 9,
    kCloneNotAcknowledged = 10,
    kCloneNotIdentified = 11,
    kCloneIdentityUnread = 12,  // the identity reply could not be read
    kCloneOtherModel = 13,      // a different model from the one selected
    kCloneNotReady = 14,        // the radio's memory map is not ready for cloning
    kCloneForeignData = 15,     // the data read is not from a radio of this make
    kCloneNewerData = 16,       // the data read does not fit this version of the program
    kCloneSendFailed = 17,      // the port stopped sending (a short write, or output never drains)
    kCloneLineLost = 18,        // the line hung up or failed: cable pulled, adapter unplugged
};

// What a clone run does; the numbers are those of the result record's operation.
enum CloneOperation : int {
    kCloneInfo = 1,
    kCloneRead = 2,
    kCloneWrite = 3,
};

struct dst_CDrv_Result {
    int operation = 0;  // a CloneOperation
    int result = kClonePortFailed;
    int word1 = 0;  // the request word at creation, the reply's model word afterwards
    int word2 = 0;
    cmcBuff information;  // the information reply's bytes after the two words
    cmcEeprom image;
    cmcBuff receivedMap;  // bit (a % 8) of byte (a / 8): address a arrived in a read run
};
