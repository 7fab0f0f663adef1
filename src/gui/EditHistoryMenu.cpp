#include "gui/EditHistoryMenu.h"

#include <QAction>
#include <QDockWidget>
#include <QEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <algorithm>

#include "app/ImageCompare.h"
#include "app/SheetTree.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/GridAccessible.h"
#include "gui/SheetPane.h"
#include "gui/TForm1.h"
#include "gui/cuiSheet.h"
#include "platform/FileDialogs.h"
#include "platform/Folders.h"
#include "radio/cmcClnFile.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

std::string Line(int n) {
    return GTex().GetLine(keys::kAppMessUndo, n);
}

// The action of a menu whose text (without '&') starts with the words; null when none.
QAction* ActionStarting(QMenu* menu, const QString& words) {
    if (menu == nullptr) return nullptr;
    for (QAction* a : menu->actions())
        if (a->text().remove('&').startsWith(words)) return a;
    return nullptr;
}

// The action after `a` in its menu, or null at the end.
QAction* After(QMenu* menu, QAction* a) {
    const auto actions = menu->actions();
    const int i = actions.indexOf(a);
    return i >= 0 && i + 1 < actions.size() ? actions[i + 1] : nullptr;
}

}  // namespace

EditHistoryMenu::EditHistoryMenu(TForm1* window, indMain* app)
    : QObject(window), window_(window), app_(app) {
    undo_ = new QAction(FromOverlay(Line(0)), window);
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = new QAction(FromOverlay(Line(1)), window);
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(undo_, &QAction::triggered, this, [this] { Step(false); });
    connect(redo_, &QAction::triggered, this, [this] { Step(true); });
    // On the window as well, so the shortcuts work whatever the Edit menu holds.
    window->addAction(undo_);
    window->addAction(redo_);
    if (QMenu* edit = window->MenuNamed("Edit")) {
        // The Edit menu is filled afresh from the current cell each time it opens: the two
        // commands go on top again after that.
        connect(edit, &QMenu::aboutToShow, this, [this, edit] {
            if (!edit->actions().contains(undo_)) {
                QAction* first = edit->actions().isEmpty() ? nullptr : edit->actions().front();
                edit->insertAction(first, undo_);
                edit->insertAction(first, redo_);
                if (first != nullptr) edit->insertSeparator(first);
            }
            UpdateActions();
            AssignAccessKeys(edit);
        });
    }

    verify_ = new QAction(FromOverlay(Line(12)), window);
    verify_->setCheckable(true);
    verify_->setChecked(Environ().verifyAfterWrite);
    connect(verify_, &QAction::toggled, this, [](bool on) { Environ().verifyAfterWrite = on; });
    QMenu* radio = window->MenuNamed("Radio");
    if (QAction* write = ActionStarting(radio, "Write"))
        radio->insertAction(After(radio, write), verify_);
    else if (radio)
        radio->addAction(verify_);

    compare_ = new QAction(FromOverlay(Line(13)), window);
    connect(compare_, &QAction::triggered, this, [this] {
        EvMan().Send(ev::kCommitEditors);
        platform::FileDialogRequest req;
        req.defaultExtension = GTex().GetLine(keys::kSysDialogFOpen, 0);
        req.filter = GTex().GetLine(keys::kSysDialogFOpen, 1);
        req.initialDirectory = app_->DocumentDirectory();
        if (auto path = platform::GetFileDialogs().AskOpen(req)) CompareWith(*path);
    });
    QMenu* file = window->MenuNamed("File");
    if (QAction* saveAs = ActionStarting(file, "Save As"))
        file->insertAction(After(file, saveAs), compare_);
    else if (file)
        file->addAction(compare_);

    // Shortcuts of disabled actions do nothing: the states follow the core closely.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        undo_->setEnabled(app_->CanUndo());
        redo_->setEnabled(app_->CanRedo());
        verify_->setEnabled(app_->VerifyAfterWriteChoosable());
    });
    timer->start(100);
    UpdateActions();
}

EditHistoryMenu::~EditHistoryMenu() {
    if (comparison_) CompareMarks().Clear();
}

void EditHistoryMenu::UpdateActions() {
    undo_->setText(FromOverlay(app_->UndoCaption()));
    redo_->setText(FromOverlay(app_->RedoCaption()));
    undo_->setEnabled(app_->CanUndo());
    redo_->setEnabled(app_->CanRedo());
    verify_->setChecked(Environ().verifyAfterWrite);
    verify_->setEnabled(app_->VerifyAfterWriteChoosable());
}

void EditHistoryMenu::Step(bool redo) {
    if (redo ? app_->Redo() : app_->Undo()) {
        // The warning check follows at once, so the tree's marks match the image put back.
        app_->RunWarningCheck();
        EvMan().Post(ev::kWarningsChanged);
    }
    UpdateActions();
}

// What the window compares with: the other file's image, and the working image as the marks
// were last taken from it.
struct EditHistoryMenu::Comparison {
    std::string name;
    cmcEeprom other;
    cmcEeprom taken;
    int modelType = -1;
    int document = 0;
    SheetValues mine;
    SheetValues theirs;
};

bool EditHistoryMenu::CompareWith(const std::string& path) {
    auto c = std::make_unique<Comparison>();
    c->other.SetSize(app_->ImageSize());
    if (app_->ReadDocumentFile(path, c->other) != FileError::kNone) return false;  // reported
    c->name = platform::FileNamePart(path);
    // The EEPROM window marks the bytes that differ from its compare base.
    app_->Scratch().Assign(c->other);
    comparison_ = std::move(c);

    if (!panel_) {
        panel_ = new QDockWidget(window_);
        panel_->setObjectName("ComparePanel");
        panel_->installEventFilter(this);
        list_ = new QListWidget(panel_);
        panel_->setWidget(list_);
        window_->addDockWidget(Qt::BottomDockWidgetArea, panel_);
        connect(list_, &QListWidget::itemActivated, this,
                [this](QListWidgetItem* item) { GoTo(list_->row(item)); });
        connect(list_, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { GoTo(list_->row(item)); });
        follow_.setInterval(250);
        connect(&follow_, &QTimer::timeout, this, &EditHistoryMenu::FollowChanges);
    }
    Recompute();
    panel_->show();
    follow_.start();
    return true;
}

void EditHistoryMenu::Recompute() {
    Comparison& c = *comparison_;
    const int model = app_->Model().ModelType();
    c.modelType = model;
    c.document = app_->DocumentSerial();
    c.taken.Assign(app_->Working());
    c.mine = TakeSheetValues(app_->Tree(), model, c.mine.names ? &c.mine : nullptr);
    if (c.theirs.names != c.mine.names) {
        // The other file's values only change with the sheets.
        cmcEeprom kept;
        kept.Assign(app_->Working());
        app_->Working().Assign(c.other);
        c.theirs = TakeSheetValues(app_->Tree(), model, &c.mine);
        app_->Working().Assign(kept);
    }
    const std::vector<CellDifference> differences = CompareSheetValues(c.mine, c.theirs);
    CompareMarks().Set(c.mine, c.theirs, differences, c.name);

    panel_->setWindowTitle(FromOverlay(FormatOverlay(Line(14), {c.name})));
    const int current = list_->currentRow();
    list_->clear();
    places_.clear();
    const CellPlaces& names = *c.mine.names;
    for (const CellDifference& d : differences) {
        if (d.a < 0 || d.b < 0) continue;
        const CellPlaces::Place& p = names.Cells()[d.a];
        const cmcCellObj& cell = names.Cell(p);
        list_->addItem(FromOverlay(CellPath(names, p) + ": \"" + TrimSpaces(c.mine.values[d.a]) +
                                   "\" -> \"" + TrimSpaces(c.theirs.values[d.b]) + "\""));
        places_.push_back({names.Sheets()[p.sheet].key, cell.Category, cell.Label, cell.Index});
    }
    if (places_.empty()) list_->addItem(FromOverlay(FormatOverlay(Line(15), {c.name})));
    if (current >= 0 && current < static_cast<int>(places_.size())) {
        QSignalBlocker block(list_);
        list_->setCurrentRow(current);
    }
    EvMan().Post(ev::kRepaintAll);
}

bool EditHistoryMenu::Comparing() const {
    return comparison_ != nullptr;
}

void EditHistoryMenu::FollowChanges() {
    if (!comparison_) return follow_.stop();
    const Comparison& c = *comparison_;
    // Another document: what was compared is gone.
    if (app_->DocumentSerial() != c.document) return EndComparison();
    // An edit, an undo or a model change: the marks follow the image.
    if (app_->Model().ModelType() != c.modelType ||
        !std::equal(c.taken.Bytes(), c.taken.Bytes() + c.taken.Size(), app_->Working().Bytes(),
                    app_->Working().Bytes() + app_->Working().Size()))
        Recompute();
}

void EditHistoryMenu::EndComparison() {
    follow_.stop();
    comparison_.reset();
    places_.clear();
    CompareMarks().Clear();
    if (panel_ && panel_->isVisible()) {
        list_->clear();
        panel_->hide();
    }
    EvMan().Post(ev::kRepaintAll);
}

bool EditHistoryMenu::eventFilter(QObject* watched, QEvent* event) {
    // The panel's close box ends the comparison.
    if (watched == panel_ && event->type() == QEvent::Close && comparison_) {
        EndComparison();
    }
    return QObject::eventFilter(watched, event);
}

void EditHistoryMenu::GoTo(int index) {
    if (index < 0 || index >= static_cast<int>(places_.size())) return;
    Place p = places_[static_cast<size_t>(index)];
    // The tree's reference of the sheet (a key may come with an argument there).
    for (const auto& node : app_->Tree().Nodes())
        if (SheetTree::SheetName(node.SheetReference()) == p.reference) {
            p.reference = node.SheetReference();
            break;
        }
    // The tree follows (its sheet opens as a selection in the tree does), and the sheet is
    // opened at once so the cursor can go there now.
    EvMan().SendText(ev::kSelectNodeByArgument, 0, 0, p.reference);
    SheetPane* pane = window_->CurrentSheet();
    if (pane == nullptr || pane->Reference() != p.reference) {
        window_->OpenSheet(p.reference);
        pane = window_->CurrentSheet();
    }
    auto* sheet = dynamic_cast<cuiSheet*>(pane);
    if (sheet == nullptr) return;
    sheet->GoToItem(p.category, p.label, p.index);
    sheet->setFocus();
}
