#include "gui/cuiPreview.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <set>

#include "app/indEnviron.h"
#include "gui/CellPainter.h"
#include "gui/IconSet.h"
#include "gui/ScreenFit.h"
#include "sheet/CellFont.h"
#include "sheet/TextHelpers.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// The font of the program's dialogs, from the overlay.
QFont DialogFont() {
    CellFont font;
    ApplyFontFields(font, GTex().GetLine(keys::kCellModelBasicDialog, 0));
    return ToQFont(&font);
}

QToolButton* AddButton(QToolBar* bar, int image, const QString& hint) {
    auto* b = new QToolButton(bar);
    b->setIcon(icons::Toolbar(image));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

QToolButton* AddTextButton(QToolBar* bar, const QString& text) {
    auto* b = new QToolButton(bar);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFixedWidth(70);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

}  // namespace

cuiPreview::cuiPreview(QWidget* owner, const QString& caption, cuiPrinter* printer)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      printer_(printer) {
    setWindowTitle(caption);
    setFont(DialogFont());
    setObjectName(QStringLiteral("printPreview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    toolbar_ = new QToolBar(this);
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setStyleSheet(QStringLiteral("QToolBar { border-top: 1px solid palette(mid); }"));
    toolbar_->setContentsMargins(4, 0, 0, 0);
    printButton_ = AddTextButton(toolbar_, tr("&Print"));
    toolbar_->addSeparator();
    settingButton_ = AddTextButton(toolbar_, tr("&Setting"));
    toolbar_->addSeparator();
    top_ = AddButton(toolbar_, 13, tr("Top Page"));
    previous_ = AddButton(toolbar_, 14, tr("Previous Page"));
    pageField_ = new QLineEdit(toolbar_);
    pageField_->setFixedWidth(std::max(30, pageField_->fontMetrics().horizontalAdvance("0000")));
    pageField_->setMaxLength(3);
    pageField_->setAttribute(Qt::WA_InputMethodEnabled, false);
    pageField_->setAlignment(Qt::AlignRight);
    toolbar_->addWidget(pageField_);
    countLabel_ = new QLabel(QStringLiteral(" / 1"), toolbar_);
    countLabel_->setTextFormat(Qt::PlainText);
    countLabel_->setAlignment(Qt::AlignVCenter);
    toolbar_->addWidget(countLabel_);
    next_ = AddButton(toolbar_, 15, tr("Next Page"));
    lastButton_ = AddButton(toolbar_, 16, tr("Last Page"));
    toolbar_->addSeparator();
    zoom_ = AddButton(toolbar_, 17, tr("Zoom"));
    zoom_->setCheckable(true);
    layout->addWidget(toolbar_);

    auto* view = new QFrame(this);
    view->setFrameStyle(QFrame::Box | QFrame::Plain);
    view->setLineWidth(1);
    view->setStyleSheet(QStringLiteral("QFrame#pageView { background: #555555; }"));
    view->setObjectName(QStringLiteral("pageView"));
    auto* viewLayout = new QVBoxLayout(view);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(view);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setStyleSheet(QStringLiteral("QScrollArea { background: #555555; }"));
    scroll_->viewport()->setStyleSheet(QStringLiteral("background: #555555;"));
    image_ = new QLabel;
    image_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(image_);
    viewLayout->addWidget(scroll_);
    layout->addWidget(view, 1);

    status_ = new QStatusBar(this);
    status_->setSizeGripEnabled(false);
    statusPanel_ = new QLabel(QStringLiteral(" 1 / 1"), status_);
    statusPanel_->setFixedWidth(80);
    statusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->addWidget(statusPanel_);
    auto* second = new QLabel(status_);
    second->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->addWidget(second, 1);
    layout->addWidget(status_);

    setTabOrder(pageField_, printButton_);
    setTabOrder(printButton_, settingButton_);
    pageField_->setFocus();

    connect(printButton_, &QToolButton::clicked, this, [this] {
        print_ = true;
        accept();
    });
    connect(settingButton_, &QToolButton::clicked, this, &cuiPreview::OpenSettings);
    connect(top_, &QToolButton::clicked, this, &cuiPreview::TopPage);
    connect(previous_, &QToolButton::clicked, this, &cuiPreview::PreviousPage);
    connect(next_, &QToolButton::clicked, this, &cuiPreview::NextPage);
    connect(lastButton_, &QToolButton::clicked, this, &cuiPreview::LastPage);
    connect(zoom_, &QToolButton::toggled, this, [this] { ShowBitmap(); });
    pageField_->installEventFilter(this);
    scroll_->installEventFilter(this);
    scroll_->viewport()->installEventFilter(this);
}

cuiPreview::~cuiPreview() {
    if (printer_) printer_->ForgetPreview(this);
}

int cuiPreview::ScreenDpi() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? std::max(1, int(s->logicalDotsPerInchY())) : 96;
}

void cuiPreview::PreparePages(const PrintPage& page, int count) {
    page_ = page;
    pages_.clear();
    pages_.reserve(static_cast<size_t>(std::max(count, 0)));
    current_ = 0;
    const int p = ScreenDpi();
    const int w = std::max(1, printlayout::ToPreview(page.width, p, page.dpi));
    const int h = std::max(1, printlayout::ToPreview(page.height, p, page.dpi));
    bitmap_ = QImage(w, h, QImage::Format_RGB32);
    bitmap_.fill(Qt::white);
    image_->resize(w, h);
    QSize size(w + 50, h + toolbar_->sizeHint().height() + status_->sizeHint().height() + 50);
    const QWidget* main = parentWidget();
    const QScreen* s = main && main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    if (s) {
        // With the window manager's frame around it.
        const QMargins frame = FrameMargins(this);
        size = size.boundedTo(s->availableGeometry().size() -
                              QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    }
    resize(size);
}

void cuiPreview::AddPage(const std::string& sheet, const PrintRectangle& margins,
                         const PrintBlock& block, const PrintRectangle& extent, int fontHeight) {
    const int p = ScreenDpi();
    PreviewPage page;
    page.sheet = sheet;
    page.margins = printlayout::ToPreview(margins, p, page_.dpi);
    page.extent = printlayout::ToPreview(extent, p, page_.dpi);
    page.block = block;
    page.fontHeight = fontHeight;
    page.printerMargins = margins;
    pages_.push_back(std::move(page));
}

bool cuiPreview::ShowPreview() {
    last_ = PageCount() - 1;
    current_ = 0;
    Render();
    // Centred in the work area, all of it with its frame inside.
    const QWidget* main = parentWidget();
    const QScreen* s = main && main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    if (s) {
        const QRect area = s->availableGeometry();
        QRect client(QPoint(), size());
        client.moveCenter(area.center());
        FitIntoScreen(this, client, true);
    }
    print_ = false;
    exec();
    return print_;
}

void cuiPreview::GoTo(int index) {
    current_ = std::clamp(index, 0, std::max(last_, 0));
    Render();
}

void cuiPreview::GoToTypedPage() {
    const std::string typed = pageField_->text().trimmed().toStdString();
    GoTo(static_cast<int>(std::atol(typed.c_str())) - 1);
}

bool cuiPreview::Zoomed() const {
    return zoom_->isChecked();
}

void cuiPreview::SetZoomed(bool actualSize) {
    zoom_->setChecked(actualSize);
}

QImage cuiPreview::RenderPage(int index) {
    QImage image(bitmap_.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (index >= 0 && index < PageCount()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        const double s = double(ScreenDpi()) / std::max(page_.dpi, 1);
        painter.scale(s, s);
        DrawRecord(painter, pages_[static_cast<size_t>(index)]);
        painter.restore();
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, image.width() - 1, image.height() - 1);
    return image;
}

void cuiPreview::DrawRecord(QPainter& painter, const PreviewPage& page) {
    if (!sheet_ || sheetName_ != page.sheet || sheet_->FontHeight() != page.fontHeight) {
        sheet_.reset();
        sheet_ = std::make_unique<PrintedSheet>(page.sheet, page.fontHeight, page_.dpi);
        sheetName_ = page.sheet;
    }
    const PrintRectangle body =
        DrawPageFrame(&painter, page.printerMargins, page_.dpi, sheet_->Title(), &sheet_->Style());
    sheet_->Draw(painter, QPoint(body.left, body.top), page.block,
                 QRect(QPoint(body.left, body.top), QPoint(body.right - 1, body.bottom - 1)));
}

void cuiPreview::Render() {
    bitmap_ = RenderPage(current_);
    ShowBitmap();
    const bool first = current_ <= 0, lastPage = current_ >= last_;
    top_->setEnabled(!first);
    previous_->setEnabled(!first);
    next_->setEnabled(!lastPage);
    lastButton_->setEnabled(!lastPage);
    const int total = PageCount();
    pageField_->setText(QString::number(current_ + 1));
    pageField_->setCursorPosition(pageField_->text().size());
    pageField_->deselect();
    countLabel_->setText(QStringLiteral(" / %1").arg(total));
    statusPanel_->setText(QStringLiteral(" %1 / %2").arg(current_ + 1).arg(total));
}

void cuiPreview::ShowBitmap() {
    const QPixmap pixmap = QPixmap::fromImage(bitmap_);
    if (Zoomed()) {
        scroll_->setWidgetResizable(false);
        image_->setPixmap(pixmap);
        image_->resize(pixmap.size());
        return;
    }
    // The page fills the view, proportionally.
    scroll_->setWidgetResizable(true);
    const QSize room = scroll_->viewport()->size() - QSize(8, 8);
    image_->setMinimumSize(1, 1);
    if (room.width() > 0 && room.height() > 0)
        image_->setPixmap(pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        image_->setPixmap(pixmap);
}

void cuiPreview::Repaginate() {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const PreviewPage& p : pages_)
        if (seen.insert(p.sheet).second) names.push_back(p.sheet);
    const PrintRectangle margins =
        pages_.empty() ? PrinterMargins(page_) : pages_[0].printerMargins;
    pages_.clear();
    sheet_.reset();
    if (printer_)
        for (const std::string& name : names) printer_->PrintSheet(name, margins, true, true);
    last_ = PageCount() - 1;
    current_ = 0;
}

void cuiPreview::OpenSettings() {
    cmcGTex& text = GTex();
    auto* dialog = new QDialog(this, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("printSetting"));
    dialog->setWindowTitle(QStringLiteral("Setting"));
    dialog->setFont(font());
    settings_ = dialog;
    const QFontMetrics fm(dialog->font());
    auto* label = new QLabel(QStringLiteral("Font Size: "), dialog);
    auto* list = new QComboBox(dialog);
    list->setObjectName(QStringLiteral("fontSize"));
    // The printer font's sizes as people know them, in points.
    for (int points = 8; points <= 12; ++points) list->addItem(QStringLiteral("%1 pt").arg(points));
    list->setCurrentIndex(std::clamp(Environ().printerFontSize, 8, 12) - 8);
    list->adjustSize();
    label->setGeometry(10, 10, fm.horizontalAdvance(label->text()), list->height());
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    list->setGeometry(
        label->x() + label->width() + 10, 10,
        std::max(2 * fm.horizontalAdvance(QStringLiteral("WWW")), list->sizeHint().width()),
        list->height());
    auto* ok = new QPushButton(FromLatin1(text.GetLine(keys::kAppIndButtonOkCancel, 0)), dialog);
    auto* cancel =
        new QPushButton(FromLatin1(text.GetLine(keys::kAppIndButtonOkCancel, 1)), dialog);
    const int bw =
        fm.horizontalAdvance(FromLatin1(text.GetLine(keys::kAppIndOptComSelSizeOfButtons, 0)));
    const int bh = 2 * fm.height();
    ok->setGeometry(10, label->y() + label->height() + 10, bw, bh);
    cancel->setGeometry(ok->x() + bw + 10, ok->y(), bw, bh);
    ok->setDefault(true);
    dialog->setFixedSize(std::max(cancel->x() + bw + 10, list->x() + list->width() + 10),
                         ok->y() + bh + 10);
    connect(ok, &QPushButton::clicked, dialog, [this, dialog, list] {
        Environ().printerFontSize = list->currentIndex() + 8;
        dialog->accept();
        Repaginate();
        Render();
        pageField_->setFocus();
    });
    connect(cancel, &QPushButton::clicked, dialog, [this, dialog] {
        dialog->reject();
        pageField_->setFocus();
    });
    dialog->move(geometry().center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    dialog->exec();
}

bool cuiPreview::HandleKey(QKeyEvent* e) {
    const bool zoomed = Zoomed();
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            GoToTypedPage();
            return true;
        case Qt::Key_PageUp:
            PreviousPage();
            return true;
        case Qt::Key_PageDown:
            NextPage();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (!zoomed) return false;
            scroll_->horizontalScrollBar()->triggerAction(
                e->key() == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                         : QAbstractSlider::SliderSingleStepAdd);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (zoomed)
                scroll_->verticalScrollBar()->triggerAction(
                    e->key() == Qt::Key_Up ? QAbstractSlider::SliderSingleStepSub
                                           : QAbstractSlider::SliderSingleStepAdd);
            else if (e->key() == Qt::Key_Up)
                PreviousPage();
            else
                NextPage();
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            return false;
        default:
            break;
    }
    // Of the typed characters only digits reach the page-number field.
    const QString t = e->text();
    if (!t.isEmpty() && t[0].isPrint()) return !(t[0] >= '0' && t[0] <= '9');
    return false;
}

void cuiPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RefitWhenFramed(this, true);
    QTimer::singleShot(0, this, [this] { ShowBitmap(); });
}

bool cuiPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) return true;
    // The page fills the view again whenever the view changes size.
    if (event->type() == QEvent::Resize && watched == scroll_->viewport() && !Zoomed() &&
        !bitmap_.isNull())
        QTimer::singleShot(0, this, [this] {
            if (!Zoomed()) ShowBitmap();
        });
    return QDialog::eventFilter(watched, event);
}

void cuiPreview::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(event)) return;
    QDialog::keyPressEvent(event);
}
