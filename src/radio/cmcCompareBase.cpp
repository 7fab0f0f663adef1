#include "radio/cmcCompareBase.h"

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/DebugCells.h"
#include "radio/cmcEeprom.h"

cmcCompareBase::cmcCompareBase(cmcEeprom& working, cmcEeprom& base)
    : working_(working), base_(base) {
    EvMan().Subscribe(&cmcCompareBase::OnEvent, this);
}

cmcCompareBase::~cmcCompareBase() {
    EvMan().Unsubscribe(&cmcCompareBase::OnEvent, this);
}

void cmcCompareBase::Take() {
    base_.Assign(working_);
}

std::string cmcCompareBase::Compare() {
    std::string listing = DebugCompareText(base_, working_);
    Take();
    return listing;
}

void cmcCompareBase::OnEvent(void* self, cmcEvent& event) {
    if (event.code == ev::kCopyCompareBase) static_cast<cmcCompareBase*>(self)->Take();
}
