#pragma once
// Message boxes on the main window's screen.
#include <QPointer>
#include <QWidget>

#include "platform/Prompt.h"

namespace platform {

class QtPrompter : public Prompter {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    int Show(const std::string& text, const std::string& caption, PromptIcon icon,
             PromptButtons buttons) override;

    // The stop box of fatal failures.
    static void PresentFatal(const std::string& caption, const std::string& text);

  private:
    QPointer<QWidget> parent_;
};

}  // namespace platform
