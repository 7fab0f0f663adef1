#pragma once
// Records every message box and answers from a script (then with a default answer).
#include <deque>
#include <string>
#include <vector>

#include "base/ScopedInstall.h"
#include "platform/Prompt.h"

namespace test {

class ScriptedPrompter : public platform::Prompter {
  public:
    struct Shown {
        std::string text;
        std::string caption;
        platform::PromptIcon icon;
        platform::PromptButtons buttons;
    };

    // Installs itself for its lifetime (the one before comes back).
    ScriptedPrompter() = default;

    int Show(const std::string& text, const std::string& caption, platform::PromptIcon icon,
             platform::PromptButtons buttons) override;

    void Answer(int answer) { script_.push_back(answer); }
    void SetDefaultAnswer(int answer) { default_ = answer; }
    const std::vector<Shown>& shown() const { return shown_; }
    void Clear() { shown_.clear(); }

  private:
    std::deque<int> script_;
    int default_ = platform::kAnswerOk;
    std::vector<Shown> shown_;
    ScopedInstall<platform::InstallPrompter> installed_{this};
};

}  // namespace test
