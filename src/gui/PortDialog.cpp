#include "gui/PortDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "comm/PortLists.h"
#include "platform/Prompt.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

// The widest entry names a long USB adapter; the list must show it whole.
const char kWidestDescribed[] = "1: Vexa USB-to-Serial Comm. Port (COM1)WW";
constexpr int kMaxLength = 4;

std::vector<std::string> ListFor(int variant) {
    std::vector<std::string> list;
    if (variant == 1) {
        ListRegisteredPorts(list);
    } else {
        std::vector<std::string> numbers;
        ListPresentPorts(numbers);
        DescribePorts(numbers, list);
    }
    return list;
}

}  // namespace

void RefillingCombo::showPopup() {
    if (beforePopup) beforePopup();
    QComboBox::showPopup();
}

PortDialog::PortDialog(int variant, int currentPort, QWidget* owner)
    : QDialog(owner), variant_(std::clamp(variant, 0, 2)) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(FromOverlay(GTex().GetLine(keys::kAppIndOptComSelCaption, 0)));
    const QFontMetrics fm(font());
    const int m = fm.height();
    auto textWidth = [&](const QString& s) { return fm.horizontalAdvance(s); };

    notice_ = new QLabel(FromOverlay(GTex().GetText(keys::kAppIndOptComSelNotice)), this);
    notice_->setTextFormat(Qt::PlainText);
    notice_->move(m, m);
    notice_->adjustSize();

    const QString current = QString::number(currentPort);
    const int left = notice_->x() + textWidth(QStringLiteral("WW"));
    const int top = notice_->geometry().bottom() + 1 + m / 2;
    QWidget* input = nullptr;
    if (variant_ == 0) {
        field_ = new QLineEdit(current, this);
        field_->setMaxLength(kMaxLength);
        field_->setAttribute(Qt::WA_InputMethodEnabled, false);
        field_->setGeometry(left, top, textWidth(QStringLiteral("255WWWW")),
                            field_->sizeHint().height());
        field_->selectAll();
        input = field_;
    } else {
        list_ = new RefillingCombo(this);
        list_->setEditable(variant_ == 1);
        const int scroll = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const QString widest = variant_ == 1 ? QStringLiteral("9999WW") : kWidestDescribed;
        list_->setGeometry(left, top, scroll + textWidth(widest), list_->sizeHint().height());
        list_->beforePopup = [this] { Refill(); };
        Refill();
        if (variant_ == 1) {
            list_->lineEdit()->setMaxLength(kMaxLength);
            list_->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
            list_->setEditText(current);
        } else {
            int at = -1;
            for (int i = 0; i < list_->count(); ++i)
                if (PortNumberOf(list_->itemText(i).toStdString()) == currentPort) at = i;
            list_->setCurrentIndex(at);
        }
        input = list_;
    }

    const int buttonWidth =
        textWidth(FromOverlay(GTex().GetLine(keys::kAppIndOptComSelSizeOfButtons, 0)));
    ok_ = new QPushButton(FromOverlay(GTex().GetLine(keys::kAppIndOptComSelButtons, 0)), this);
    cancel_ = new QPushButton(FromOverlay(GTex().GetLine(keys::kAppIndOptComSelButtons, 1)), this);
    const int buttonTop = input->y() + 4 * m;
    for (QPushButton* b : {ok_, cancel_})
        b->resize(std::max(buttonWidth, b->sizeHint().width()), 2 * fm.height());
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &PortDialog::Accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    int clientWidth =
        std::max({textWidth(windowTitle()) + 100, notice_->geometry().right() + 1,
                  input->geometry().right() + 1, ok_->width() + m + cancel_->width() + m});
    clientWidth += m;
    cancel_->move(clientWidth - m - cancel_->width(), buttonTop);
    ok_->move(cancel_->x() - m - ok_->width(), buttonTop);
    const int clientHeight = buttonTop + ok_->height() + m;
    setFixedSize(std::max(clientWidth, 100), std::max(clientHeight, 100));
    if (owner) {
        QRect o = owner->frameGeometry();
        move(o.x() + (o.width() - width()) / 2, o.y() + (o.height() - height()) / 2);
    }
    // A reader hears the port field by the dialog's caption, with the notice as its help.
    input->setAccessibleName(windowTitle());
    input->setAccessibleDescription(notice_->text());
    if (list_ && list_->lineEdit()) {
        list_->lineEdit()->setAccessibleName(windowTitle());
        list_->lineEdit()->setAccessibleDescription(notice_->text());
    }
    input->setFocus();
}

void PortDialog::Refill() {
    if (!list_) return;
    std::vector<std::string> entries = ListFor(variant_);
    QStringList items;
    for (const auto& e : entries) items << FromOverlay(e);
    if (variant_ == 1) {
        // Keep what the user has typed.
        const QString typed = list_->currentText();
        list_->clear();
        list_->addItems(items);
        list_->setEditText(typed);
        return;
    }
    QStringList old;
    for (int i = 0; i < list_->count(); ++i) old << list_->itemText(i);
    if (old != items) {
        const int port = PortNumberOf(list_->currentText().toStdString());
        list_->clear();
        list_->addItems(items);
        int at = -1;
        for (int i = 0; i < items.size(); ++i)
            if (PortNumberOf(items[i].toStdString()) == port) at = i;
        list_->setCurrentIndex(at);
    }
    const QFontMetrics fm(list_->font());
    int widest = 0;
    for (const QString& s : items) widest = std::max(widest, fm.horizontalAdvance(s));
    int popup = widest + fm.horizontalAdvance(QStringLiteral("WW"));
    if (items.size() > list_->maxVisibleItems())
        popup += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list_->view()->setMinimumWidth(std::max(popup, list_->width()));
}

std::string PortDialog::InputText() const {
    QString text = field_ ? field_->text() : list_->currentText();
    return text.trimmed().toLatin1().toStdString();
}

void PortDialog::Accept() {
    int port = PortDialogChoice(variant_, InputText());
    if (port > 0) {
        chosen_ = port;
        accept();
        return;
    }
    // The list of connected ports offers no number to get wrong: say what is missing instead.
    std::string text = GTex().GetText(keys::kAppIndOptComSelOutofRange);
    if (variant_ == 2 && list_->count() == 0)
        text =
            "No serial port is connected.\n\nPlug the programming cable into the computer, "
            "then open the list again to choose its port.";
    else if (variant_ == 2 && list_->currentIndex() < 0)
        text = "Choose the port of the programming cable in the list.";
    platform::GetPrompter().Show(text, GTex().GetLine(keys::kSysAppTitle, 0),
                                 platform::PromptIcon::Error, platform::PromptButtons::Ok);
    if (field_) {
        field_->setFocus();
        field_->selectAll();
    } else {
        list_->setFocus();
    }
}

int ShowPortDialog(int variant, int currentPort, QWidget* owner) {
    PortDialog dialog(variant, currentPort, owner);
    dialog.exec();
    return dialog.ChosenPort();
}
