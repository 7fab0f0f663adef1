#pragma once
// The outcome of one clone exchange, handed to the driver's completion callback.
#include "base/cmcBuff.h"
#include "comm/CloneResult.h"
#include "radio/cmcEeprom.h"

struct dst_CDrv_Result {
    CloneOperation operation = CloneOperation::kNone;
    CloneResult result = CloneResult::kPortFailed;
    int word1 = 0;  // the request word at creation, the reply's model word afterwards
    int word2 = 0;
    cmcBuff information;  // the information reply's bytes after the two words
    cmcEeprom image;
    cmcBuff receivedMap;  // bit (a % 8) of byte (a / 8): address a arrived in a read run
};
