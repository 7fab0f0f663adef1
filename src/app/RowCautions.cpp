#include "app/RowCautions.h"

#include "platform/Prompt.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

const char* CautionKey(RowCaution caution) {
    switch (caution) {
        case RowCaution::Overwrite:
            return keys::kAppMessConvOverwrite;
        case RowCaution::Clear:
            return keys::kAppMessConvClear;
        case RowCaution::Delete:
            return keys::kAppMessConvDelete;
        case RowCaution::Overflow:
            return keys::kAppMessConvOverflow;
    }
    return keys::kAppMessConvClear;
}

}  // namespace

bool AskRowCaution(RowCaution caution) {
    const int answer = platform::GetPrompter().Show(
        GTex().GetText(CautionKey(caution)), GTex().GetLine(keys::kSysAppTitle, 0),
        platform::PromptIcon::Warning, platform::PromptButtons::OkCancel);
    return answer == platform::kAnswerOk;
}
