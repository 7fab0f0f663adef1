#include "radio/CompareBaseImage.h"

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/DebugCells.h"
#include "radio/cmcEeprom.h"

CompareBaseImage::CompareBaseImage(cmcEeprom& working, cmcEeprom& base)
    : working_(working), base_(base) {
    EvMan().Subscribe(&CompareBaseImage::OnEvent, this);
}

CompareBaseImage::~CompareBaseImage() {
    EvMan().Unsubscribe(&CompareBaseImage::OnEvent, this);
}

void CompareBaseImage::Take() {
    base_.Assign(working_);
}

std::string CompareBaseImage::Compare() {
    std::string listing = DebugCompareText(base_, working_);
    Take();
    return listing;
}

void CompareBaseImage::OnEvent(void* self, HubEvent& event) {
    if (event.code == ev::kCopyCompareBase) static_cast<CompareBaseImage*>(self)->Take();
}
