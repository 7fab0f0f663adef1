#pragma once
// File dialogs of the window program.
#include <QPointer>
#include <QWidget>

#include "platform/FileDialogs.h"

namespace platform {

class QtFileDialogs : public FileDialogs {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> AskOpen(const FileDialogRequest& request) override;
    std::optional<std::string> AskSave(const FileDialogRequest& request) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace platform
