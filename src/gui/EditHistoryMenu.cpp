#include "gui/EditHistoryMenu.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "app/ImageCompare.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/SheetPane.h"
#include "gui/TForm1.h"
#include "platform/FileDialogs.h"
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
    });
    timer->start(100);
    UpdateActions();
}

EditHistoryMenu::~EditHistoryMenu() = default;

void EditHistoryMenu::UpdateActions() {
    undo_->setText(FromOverlay(app_->UndoCaption()));
    redo_->setText(FromOverlay(app_->RedoCaption()));
    undo_->setEnabled(app_->CanUndo());
    redo_->setEnabled(app_->CanRedo());
    verify_->setChecked(Environ().verifyAfterWrite);
}

void EditHistoryMenu::Step(bool redo) {
    if (redo ? app_->Redo() : app_->Undo()) {
        // The warning check follows at once, so the tree's marks match the image put back.
        app_->RunWarningCheck();
        EvMan().Post(ev::kWarningsChanged);
    }
    UpdateActions();
}

bool EditHistoryMenu::CompareWith(const std::string& path) {
    cmcEeprom other;
    other.SetSize(app_->ImageSize());
    if (app_->ReadDocumentFile(path, other) != FileErr_None) return false;  // reported
    const int model = app_->Model().ModelType();
    SheetValues mine = TakeSheetValues(app_->Tree(), model);
    cmcEeprom kept;
    kept.Assign(app_->Working());
    app_->Working().Assign(other);
    SheetValues theirs = TakeSheetValues(app_->Tree(), model, &mine);
    app_->Working().Assign(kept);
    // The EEPROM window marks the bytes that differ from its compare base.
    app_->Scratch().Assign(other);

    if (!panel_) {
        panel_ = new QDockWidget(window_);
        panel_->setObjectName("ComparePanel");
        list_ = new QListWidget(panel_);
        panel_->setWidget(list_);
        window_->addDockWidget(Qt::BottomDockWidgetArea, panel_);
        connect(list_, &QListWidget::itemActivated, this,
                [this](QListWidgetItem* item) { GoTo(list_->row(item)); });
        connect(list_, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { GoTo(list_->row(item)); });
    }
    const std::string name = path.substr(path.find_last_of('/') + 1);
    panel_->setWindowTitle(FromOverlay(FormatOverlay(Line(14), {name})));
    list_->clear();
    places_.clear();
    const cmcCellNames& names = *mine.names;
    for (const CellDifference& d : CompareSheetValues(mine, theirs)) {
        if (d.a < 0 || d.b < 0) continue;
        const cmcCellNames::Place& p = names.Cells()[d.a];
        list_->addItem(FromOverlay(CellPath(names, p) + ": \"" + TrimSpaces(mine.values[d.a]) +
                                   "\" -> \"" + TrimSpaces(theirs.values[d.b]) + "\""));
        places_.push_back({names.Sheets()[p.sheet].key, p.column, p.row});
    }
    if (places_.empty()) list_->addItem(FromOverlay(FormatOverlay(Line(15), {name})));
    panel_->show();
    EvMan().Post(ev::kRepaintAll);
    return true;
}

void EditHistoryMenu::GoTo(int index) {
    if (index < 0 || index >= static_cast<int>(places_.size())) return;
    const Place& p = places_[static_cast<size_t>(index)];
    EvMan().SendText(ev::kSelectNodeByArgument, 0, 0, p.reference);
    SheetPane* pane = window_->CurrentSheet();
    if (pane == nullptr || pane->Reference() != p.reference) {
        window_->OpenSheet(p.reference);
        pane = window_->CurrentSheet();
    }
    if (pane == nullptr) return;
    SheetPosition position;
    position.column = p.column;
    position.row = p.row;
    pane->SetPosition(position);
    pane->Widget()->setFocus();
}
