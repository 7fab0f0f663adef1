#pragma once
// Message boxes and confirmations. Answers use the classic message-box numbers, which callers
// compare against and which stored scripts of answers rely on.
#include <string>

namespace platform {

enum class PromptIcon { None, Error, Warning, Information, Question };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum PromptAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerAbort = 3,
    kAnswerRetry = 4,
    kAnswerIgnore = 5,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual int Show(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) = 0;
};

// Prints the text to stderr and answers from fixed flags: confirmations are refused unless
// assumeYes is set. Used by the programs without a window.
class StderrPrompter : public Prompter {
  public:
    explicit StderrPrompter(bool assumeYes = false) : assumeYes_(assumeYes) {}
    int Show(const std::string& text, const std::string& caption, PromptIcon icon,
             PromptButtons buttons) override;
    void SetAssumeYes(bool yes) { assumeYes_ = yes; }

  private:
    bool assumeYes_;
};

// The installed prompter (a StderrPrompter until something else is installed).
Prompter& GetPrompter();
Prompter* InstallPrompter(Prompter* prompter);

}  // namespace platform
