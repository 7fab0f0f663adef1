#include "platform/Prompt.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {
Prompter* gPrompter = nullptr;

const char* IconWord(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Error:
            return "error";
        case PromptIcon::Warning:
            return "warning";
        case PromptIcon::Information:
            return "info";
        case PromptIcon::Question:
            return "question";
        case PromptIcon::None:
            break;
    }
    return nullptr;
}
}  // namespace

int StderrPrompter::Show(const std::string& text, const std::string& caption, PromptIcon icon,
                         PromptButtons buttons) {
    (void)caption;
    const char* word = IconWord(icon);
    if (word)
        std::fprintf(stderr, "%s: %s\n", word, text.c_str());
    else
        std::fprintf(stderr, "%s\n", text.c_str());
    switch (buttons) {
        case PromptButtons::Ok:
            return kAnswerOk;
        case PromptButtons::OkCancel:
            return assumeYes_ ? kAnswerOk : kAnswerCancel;
        case PromptButtons::YesNo:
            return assumeYes_ ? kAnswerYes : kAnswerNo;
        case PromptButtons::YesNoCancel:
            return assumeYes_ ? kAnswerYes : kAnswerCancel;
        case PromptButtons::RetryCancel:
            return kAnswerCancel;
        case PromptButtons::AbortRetryIgnore:
            return kAnswerAbort;
    }
    return kAnswerCancel;
}

Prompter& GetPrompter() {
    static StderrPrompter fallback;
    return gPrompter ? *gPrompter : fallback;
}

Prompter* InstallPrompter(Prompter* prompter) {
    return std::exchange(gPrompter, prompter);
}

}  // namespace platform
