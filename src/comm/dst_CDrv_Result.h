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
    kCloneSendFailed = 17,  // the port stopped sending (a short write, or output never drains)
    kCloneLineLost = 18,    // the line hung up or failed: cable pulled, adapter unplugged
};

struct dst_CDrv_Result {
    int operation = 0;  // 1 information, 2 read, 3 write
    int result = kClonePortFailed;
    int word1 = 0;  // the request word at creation, the reply's model word afterwards
    int word2 = 0;
    cmcBuff information;  // the information reply's bytes after the two words
    cmcEeprom image;
    cmcBuff receivedMap;  // bit (a % 8) of byte (a / 8): address a arrived in a read run
};
