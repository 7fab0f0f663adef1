#include "gui/DebugWindows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "app/cuiMain.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/SheetPane.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/DebugCells.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/CellCatalogue.h"
#include "sheet/SheetDef.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

constexpr int kStatusPollMs = 100;
constexpr uint32_t kBlack = 0x00000000;
constexpr int kBitCells = 8;

// Bit of the held value that bit cell 1-8 stands for.
int HeldBit(int index) {
    return kBitWindowShift + kBitCells - index;
}

// The open bit window; it is a popup, so there is at most one, and the grid's paint requests
// carry no window.
QPointer<cuiFBitsR> gOpenBits;

}  // namespace

cuiFBitsR::cuiFBitsR(cuiGrid* owner, int column, int row, int held)
    : QFrame(owner, Qt::Popup), owner_(owner), column_(column), row_(row), held_(held) {
    gOpenBits = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    grid_ = new cuiGrid(this);
    layout->addWidget(grid_);
    GridModel& model = grid_->Open(std::make_unique<SheetDef>(GTex(), keys::kSheetFBitsR));
    model.SetDispatcher(&cuiFBitsR::Dispatch);
    model.SetInitialCell(CL_FBits, 1);
    model.SetScrollBars(false);
    grid_->Build();
    grid_->setFixedSize(grid_->NeededSize() + QSize(2, 2));
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(Latin1(GTex().GetLine(keys::kAppIndButtonOkCancel, 0)), this);
    auto* cancel = new QPushButton(Latin1(GTex().GetLine(keys::kAppIndButtonOkCancel, 1)), this);
    ok->setObjectName(QStringLiteral("BitWindowOk"));
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &cuiFBitsR::Accept);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    adjustSize();
    // Under the byte, kept on its screen.
    const QRect cell = owner->CellRectOnScreen(column, row);
    const QPoint below = owner->viewport()->mapToGlobal(cell.bottomLeft());
    QScreen* screen = QApplication::screenAt(below);
    if (!screen) screen = QApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    int left = std::min(below.x(), work.right() + 1 - width());
    int top = below.y() + 1;
    if (top + height() > work.bottom() + 1) top = below.y() - cell.height() - height();
    move(std::max(left, work.left()), std::max(top, work.top()));
}

bool cuiFBitsR::BitSet(int index) const {
    return index >= 1 && index <= kBitCells && (held_ >> HeldBit(index)) & 1;
}

void cuiFBitsR::Toggle(int index) {
    if (index < 1 || index > kBitCells) return;
    held_ ^= 1 << HeldBit(index);
    grid_->viewport()->update();
}

void cuiFBitsR::Accept() {
    if (cuiGrid* owner = owner_; owner && owner->Model()) {
        // The byte cell takes the held value as decimal text (commit mode 2).
        cmcCellObj cell = owner->Model()->CellAt(column_, row_);
        cmcCellCapsule request;
        request.cell = &cell;
        request.commitMode = CommitMode::kChoice;
        request.inputText = std::to_string(held_);
        owner->Model()->Dispatcher()(request, true);
        owner->setFocus(Qt::PopupFocusReason);
    }
    close();
}

EditorSignal cuiFBitsR::Dispatch(cmcCellCapsule& req, bool notify) {
    if (req.cell == nullptr || req.cell->Label != CL_FBits) return DispatchCell(req, notify);
    cuiFBitsR* self = gOpenBits;
    if (self == nullptr) return EditorSignal::kNone;
    const int index = req.cell->Index;
    req.displayText.clear();
    if (req.canvas != nullptr && self->BitSet(index)) {
        const CellRectangle& r = req.rect;
        const int inset = std::max(3, std::min(r.right - r.left, r.bottom - r.top) / 4);
        req.canvas->FillRect({r.left + inset, r.top + inset, r.right - inset, r.bottom - inset},
                             kBlack);
    }
    switch (req.key) {
        case cellkey::kSpace:
        case cellkey::kDoubleClick:
            self->Toggle(index);
            break;
        case cellkey::kEnter:
            // Queued: the grid is still in this call and goes with the window.
            QMetaObject::invokeMethod(self, &cuiFBitsR::Accept, Qt::QueuedConnection);
            break;
        case 27:
            QMetaObject::invokeMethod(self, &QWidget::close, Qt::QueuedConnection);
            break;
        default:
            break;
    }
    return EditorSignal::kNone;
}

EepromDebugWindow::EepromDebugWindow(QWidget* mainWindow, cuiMain& app)
    : QDialog(mainWindow, Qt::Window), app_(app) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Nothing else may change the image meanwhile, so that Cancel takes back only this window's
    // edits.
    setWindowModality(Qt::WindowModal);
    app_.BeginStepGroup();
    setWindowTitle(Latin1(GTex().GetLine(keys::kSheetEeDebugWin, 0)));
    auto* layout = new QVBoxLayout(this);
    SheetPaneOptions options;
    options.modelType = CellHost().ModelType();
    options.fontPercent = Environ().fontSizePercentage;
    sheet_ = MakeSheetPane(keys::kSheetEeDebugWin, options, this);
    // Enter on a byte opens the bit window instead of a drop-down list.
    if (auto* pane = dynamic_cast<cuiSheet*>(sheet_)) {
        cuiGrid* grid = pane->Grid();
        grid->SetChooserHook(
            [this, grid](cmcCellCapsule&, int listLabel, int value, const std::string&) {
                if (listLabel != CL_FBits || !grid->Model()) return false;
                if (bits_) bits_->close();
                bits_ = new cuiFBitsR(grid, grid->Model()->Column(), grid->Model()->Row(), value);
                bits_->show();
                bits_->Grid()->setFocus(Qt::PopupFocusReason);
                return true;
            });
    }
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
    ok->setObjectName(QStringLiteral("EepromWindowOk"));
    cancel->setObjectName(QStringLiteral("EepromWindowCancel"));
    for (QPushButton* b : {setComp_, redraw, ok, cancel}) b->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
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
    // Gone without an answer (the program ends): the edits stay, as a step.
    if (editing_) app_.EndStepGroup({});
}

void EepromDebugWindow::done(int result) {
    if (bits_) bits_->close();
    if (std::exchange(editing_, false)) {
        EvMan().Send(ev::kCommitEditors);  // a byte still in its editor counts as typed
        if (result == QDialog::Accepted)
            app_.EndStepGroup({});
        else
            app_.DiscardStepGroup();
    }
    QDialog::done(result);
    deleteLater();  // the next opening begins afresh
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

void EepromDebugWindow::OnEvent(void* self, HubEvent& event) {
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

void FreeDebugWindow::OnEvent(void* self, HubEvent& event) {
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
