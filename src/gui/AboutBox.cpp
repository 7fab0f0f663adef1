#include "gui/AboutBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "gui/IconSet.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString Line(const char* key) {
    const std::string s = GTex().GetLine(key, 0);
    return QString::fromLatin1(s.data(), int(s.size()));
}

constexpr int kIcon = 48;

}  // namespace

AboutBox::AboutBox(QWidget* mainWindow, std::function<void(char)> keyPress)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      keyPress_(std::move(keyPress)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Line(keys::kAppAboutCaption));
    // Placed as the box has always been laid out: icon, then text, then the button.
    auto* icon = new QLabel(this);
    icon->setPixmap(icons::Application().pixmap(kIcon, kIcon));
    icon->setGeometry(kIcon / 2, kIcon / 2, kIcon, kIcon);
    label_ = new QLabel(Line(keys::kSysAppTitle) + ' ' + Line(keys::kAppAboutRevision), this);
    label_->setTextFormat(Qt::PlainText);
    label_->adjustSize();
    const int labelLeft = kIcon / 2 + kIcon * 3 / 2;
    label_->move(labelLeft, kIcon / 2 + (kIcon - label_->height()) / 2);
    button_ = new QPushButton(Line(keys::kAppAboutButton), this);
    button_->setDefault(true);
    button_->setAutoDefault(true);
    button_->adjustSize();
    button_->resize(qMax(kIcon * 5 / 2, button_->width()), button_->height());
    button_->move(label_->geometry().right() + 2 * kIcon,
                  kIcon / 2 + (kIcon - button_->height()) / 2);
    connect(button_, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(button_->geometry().right() + kIcon / 4 + 1,
                 qMax(label_->geometry().bottom(), kIcon / 2 + kIcon) + kIcon / 2);
    if (mainWindow) move(mainWindow->geometry().center() - rect().center());
}

QString AboutBox::Text() const {
    return label_->text();
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
    for (QChar c : event->text())
        if (c.unicode() > 0 && c.unicode() < 128 && keyPress_) keyPress_(char(c.unicode()));
    QDialog::keyPressEvent(event);
}
