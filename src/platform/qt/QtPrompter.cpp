#include "platform/qt/QtPrompter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "platform/FileNames.h"

namespace platform {
namespace {

QMessageBox::Icon ToIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToButtons(PromptButtons b) {
    switch (b) {
        case PromptButtons::Ok:
            return QMessageBox::Ok;
        case PromptButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case PromptButtons::AbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

int ToAnswer(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return kAnswerOk;
        case QMessageBox::Cancel:
            return kAnswerCancel;
        case QMessageBox::Abort:
            return kAnswerAbort;
        case QMessageBox::Retry:
            return kAnswerRetry;
        case QMessageBox::Ignore:
            return kAnswerIgnore;
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
    }
    return kAnswerCancel;
}

}  // namespace

int QtPrompter::Show(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) {
    QWidget* parent = parent_ ? parent_.data() : QApplication::activeWindow();
    QMessageBox box(ToIcon(icon), QString::fromStdString(ShownText(caption)),
                    QString::fromStdString(ShownText(text)), ToButtons(buttons), parent);
    return ToAnswer(box.exec());
}

void QtPrompter::PresentFatal(const std::string& caption, const std::string& text) {
    if (!QApplication::instance()) return;
    // On a platform without a screen nobody could close the box and the program would never
    // end; the reason is on stderr already.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(ShownText(caption)),
                    QString::fromStdString(ShownText(text)), QMessageBox::Ok);
    box.exec();
}

}  // namespace platform
