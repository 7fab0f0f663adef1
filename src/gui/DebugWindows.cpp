#include "gui/DebugWindows.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/SheetPane.h"
#include "radio/DebugCells.h"
#include "radio/cmcCellHost.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

constexpr int kStatusPollMs = 100;

}  // namespace

EepromDebugWindow::EepromDebugWindow(QWidget* mainWindow) : QDialog(mainWindow, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Latin1(GTex().GetLine(keys::kSheetEeDebugWin, 0)));
    auto* layout = new QVBoxLayout(this);
    SheetPaneOptions options;
    options.modelType = CellHost().ModelType();
    options.fontPercent = Environ().fontSizePercentage;
    sheet_ = MakeSheetPane(keys::kSheetEeDebugWin, options, this);
    layout->addWidget(sheet_->Widget(), 1);
    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    setComp_ = new QPushButton(QStringLiteral("Set Comp"), this);
    auto* redraw = new QPushButton(QStringLiteral("Redraw"), this);
    auto* ok = new QPushButton(Latin1(GTex().GetLine(keys::kAppIndButtonOkCancel, 0)), this);
    auto* cancel = new QPushButton(Latin1(GTex().GetLine(keys::kAppIndButtonOkCancel, 1)), this);
    buttons->addWidget(setComp_);
    buttons->addWidget(redraw);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    // Edits land in the image as they are made; both buttons only close the window.
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(setComp_, &QPushButton::clicked, this, [] {
        EvMan().Send(ev::kCopyCompareBase);
        EvMan().Post(ev::kWarningsChanged);
    });
    connect(redraw, &QPushButton::clicked, this, [] { EvMan().Send(ev::kRebuildTree); });
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &EepromDebugWindow::UpdateStatus);
    poll->start(kStatusPollMs);
    EvMan().Subscribe(&EepromDebugWindow::OnEvent, this);
    resize(760, 560);
    GoTo(0);
    UpdateStatus();
}

EepromDebugWindow::~EepromDebugWindow() {
    EvMan().Unsubscribe(&EepromDebugWindow::OnEvent, this);
}

QString EepromDebugWindow::StatusText() const {
    return status_->text();
}

void EepromDebugWindow::GoTo(int address) {
    if (address < 0 || address >= kDebugBytes) return;
    SheetPosition p;
    p.column = ColumnOf(address);
    p.row = RowOf(address);
    sheet_->SetPosition(p);
}

void EepromDebugWindow::UpdateStatus() {
    const SheetPosition p = sheet_->Position();
    const int column = p.column - 3;
    int address = -1;
    if (column >= 0 && column % 2 == 0 && column / 2 < 16 && p.row >= 3)
        address = (p.row - 3) * 16 + column / 2;
    if (address < 0 || address >= kDebugBytes) {
        status_->clear();
        lastAddress_ = -1;
        return;
    }
    lastAddress_ = address;
    QString text = Latin1(DebugStatusText(CellHost().WorkingImage(), address));
    status_->setText(text.replace('\n', ' '));
}

void EepromDebugWindow::OnEvent(void* self, cmcEvent& event) {
    auto* w = static_cast<EepromDebugWindow*>(self);
    if (event.code == ev::kWarningsChanged || event.code == ev::kRebuildTree ||
        event.code == ev::kRepaintAll) {
        w->sheet_->Refresh();
        w->UpdateStatus();
    } else if (event.code == ev::kDebugGoto) {
        w->GoTo(event.second);
    }
}

FreeDebugWindow::FreeDebugWindow(QWidget* mainWindow) : QDialog(mainWindow, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Free Debug Window"));
    auto* layout = new QVBoxLayout(this);
    memo_ = new QPlainTextEdit(this);
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo_);
    const int height = mainWindow ? qMax(100, mainWindow->height() * 8 / 10) : 300;
    resize(520, height);
    EvMan().Subscribe(&FreeDebugWindow::OnEvent, this);
}

FreeDebugWindow::~FreeDebugWindow() {
    EvMan().Unsubscribe(&FreeDebugWindow::OnEvent, this);
}

QString FreeDebugWindow::Text() const {
    return memo_->toPlainText();
}

void FreeDebugWindow::OnEvent(void* self, cmcEvent& event) {
    if (event.code != ev::kDebugText) return;
    static_cast<FreeDebugWindow*>(self)->memo_->appendPlainText(Latin1(event.Text()));
}

void ShowDebugCompare(QWidget* mainWindow, indMain& app) {
    QDialog box(mainWindow);
    box.setWindowTitle(QStringLiteral("Debug compare"));
    auto* layout = new QVBoxLayout(&box);
    auto* memo = new QPlainTextEdit(&box);
    memo->setObjectName(QStringLiteral("DebugCompareListing"));
    memo->setReadOnly(true);
    memo->setPlainText(Latin1(app.DebugCompare()));
    layout->addWidget(memo);
    auto* close = new QPushButton(QStringLiteral("Close"), &box);
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, &box, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    if (mainWindow)
        box.resize(qMax(320, mainWindow->width() / 2), qMax(240, mainWindow->height() / 2));
    box.exec();
}
