#include "support/ScriptedPrompter.h"

namespace test {

int ScriptedPrompter::Show(const std::string& text, const std::string& caption,
                           platform::PromptIcon icon, platform::PromptButtons buttons) {
    shown_.push_back({text, caption, icon, buttons});
    if (script_.empty()) return default_;
    int a = script_.front();
    script_.pop_front();
    return a;
}

}  // namespace test
