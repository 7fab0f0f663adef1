#include "platform/qt/QtFileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace platform {
namespace {

// "Clone files (*.kcf)|*.kcf|All files (*)|*" becomes Qt's "Clone files (*.kcf);;All files (*)".
QString ToQtFilter(const std::string& filter) {
    QStringList parts = QString::fromUtf8(filter.c_str()).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        if (!desc.contains('(')) desc += " (" + parts[i + 1] + ")";
        out << desc;
    }
    return out.join(";;");
}

std::optional<std::string> Run(QWidget* parent, const FileDialogRequest& r, bool save) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(ToQtFilter(r.filter));
    dialog.setDefaultSuffix(QString::fromUtf8(r.defaultExtension.c_str()));
    dialog.setDirectory(QString::fromUtf8(r.initialDirectory.c_str()));
    if (save && !r.initialName.empty()) dialog.selectFile(QString::fromUtf8(r.initialName.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtFileDialogs::AskOpen(const FileDialogRequest& request) {
    return Run(parent_, request, false);
}

std::optional<std::string> QtFileDialogs::AskSave(const FileDialogRequest& request) {
    return Run(parent_, request, true);
}

}  // namespace platform
