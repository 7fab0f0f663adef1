#include "gui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include "app/EventCodes.h"
#include "app/cmcEvMan.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "gui/SheetView.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcCellHost.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

constexpr int kTickMs = 50;

}  // namespace

TForm1::TForm1(indMain* app, QWidget* parent) : QMainWindow(parent), app_(app) {
    setMinimumSize(400, 200);
    resize(1100, 700);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    tree_ = new QTreeWidget(splitter_);
    tree_->setHeaderHidden(true);
    placeholder_ = new QWidget(splitter_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(splitter_);
    indicator_ = new QLabel(this);
    statusBar()->addWidget(indicator_, 1);
    if (!app_) {
        setWindowTitle(QStringLiteral("KELDA"));
        return;
    }
    app_->SetView(this);
    app_->CloneMan().SetView(this);
    BuildMenus();
    FillTree();
    splitter_->setSizes({qMax(8, Environ().splitter), width() - qMax(8, Environ().splitter)});
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TForm1::OnTreeSelection);
    connect(tree_, &QTreeWidget::itemExpanded, this, [this] { UpdateTreeMarks(); });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this] { UpdateTreeMarks(); });
    EvMan().Subscribe(&TForm1::OnEvent, this);
    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, &TForm1::OnTick);
    tick->start(kTickMs);
    app_->UpdateTitle();
    if (!treeItems_.empty()) tree_->setCurrentItem(treeItems_.front());
}

TForm1::~TForm1() {
    if (placeholder_ && !placeholder_->parent()) delete placeholder_;
    if (app_) {
        EvMan().Unsubscribe(&TForm1::OnEvent, this);
        app_->CloneMan().SetView(nullptr);
        app_->SetView(nullptr);
    }
}

void TForm1::SetTitle(const std::string& title) {
    setWindowTitle(FromOverlay(title));
}

void TForm1::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TForm1::BuildMenus() {
    menuData_.Build(GTex(), keys::kMenuMain);
    auto& nodes = menuData_.Nodes();
    if (nodes.empty()) return;
    const int top = nodes.front().depth;
    std::vector<QMenu*> stack;  // menu at each depth below the top
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto& node = nodes[i];
        int level = node.depth - top;
        bool hasChildren = i + 1 < nodes.size() && nodes[i + 1].depth > node.depth;
        QString caption = FromOverlay(node.Caption());
        if (level == 0) {
            QMenu* m = menuBar()->addMenu(caption);
            m->menuAction()->setData(static_cast<int>(i));
            stack.assign(1, m);
            connect(m, &QMenu::aboutToShow, this, [this, m] { UpdateMenuStates(m); });
            continue;
        }
        if (level > static_cast<int>(stack.size()) || stack.empty()) continue;
        stack.resize(level);
        QMenu* parent = stack.back();
        if (node.Caption() == "-") {
            parent->addSeparator();
            continue;
        }
        if (hasChildren) {
            stack.push_back(parent->addMenu(caption));
            continue;
        }
        QAction* action = parent->addAction(caption);
        action->setData(static_cast<int>(i));
        if (node.cell.Argument && !node.cell.Argument->empty())
            action->setShortcut(QKeySequence(FromOverlay(*node.cell.Argument)));
        connect(action, &QAction::triggered, this,
                [this, i] { CellRun(menuData_.Nodes()[i].cell, 13); });
    }
    UpdateMenuBar();
}

void TForm1::UpdateMenuBar() {
    // A top menu whose own cell is hidden (the debug menu outside manufacturer mode) goes.
    for (QAction* a : menuBar()->actions()) {
        if (!a->data().isValid()) continue;
        auto& cell = menuData_.Nodes()[a->data().toInt()].cell;
        CellText(cell, 0);
        a->setVisible(!(cell.Flags & kFlagHidden));
    }
}

void TForm1::UpdateMenuStates(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        if (a->menu() || a->isSeparator() || !a->data().isValid()) continue;
        auto& cell = menuData_.Nodes()[a->data().toInt()].cell;
        std::string text = CellText(cell, 0);
        if (!text.empty()) a->setText(FromOverlay(text));
        a->setVisible(!(cell.Flags & kFlagHidden));
        a->setEnabled(!(cell.Flags & kFlagDisabled));
        a->setCheckable(cell.Flags & kFlagChecked);
        a->setChecked(cell.Flags & kFlagChecked);
    }
}

void TForm1::FillTree() {
    // Keep the sheet the user was on when the tree is rebuilt (after a read, New, Open).
    std::string selectedRef;
    auto selected = tree_->selectedItems();
    auto at = selected.isEmpty()
                  ? treeItems_.end()
                  : std::find(treeItems_.begin(), treeItems_.end(), selected.front());
    if (at != treeItems_.end() && app_) {
        size_t i = static_cast<size_t>(at - treeItems_.begin());
        if (i < lastTreeRefs_.size()) selectedRef = lastTreeRefs_[i];
    }
    const QSignalBlocker block(tree_);
    tree_->clear();
    treeItems_.clear();
    const auto& nodes = app_->Tree().Nodes();
    for (const auto& node : nodes) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, FromOverlay(node.Caption()));
        treeItems_.push_back(item);
    }
    // Parent links by depth.
    std::vector<int> open;
    for (size_t i = 0; i < nodes.size(); ++i) {
        while (!open.empty() && nodes[open.back()].depth >= nodes[i].depth) open.pop_back();
        if (open.empty())
            tree_->addTopLevelItem(treeItems_[i]);
        else
            treeItems_[open.back()]->addChild(treeItems_[i]);
        open.push_back(static_cast<int>(i));
    }
    if (!treeItems_.empty()) treeItems_.front()->setExpanded(true);
    lastTreeRefs_.clear();
    for (const auto& node : nodes) lastTreeRefs_.push_back(node.SheetReference());
    int keep = selectedRef.empty() ? -1 : app_->Tree().FindByReference(selectedRef);
    if (keep < 0 && !treeItems_.empty()) keep = 0;
    if (keep >= 0) tree_->setCurrentItem(treeItems_[static_cast<size_t>(keep)]);
    UpdateTreeMarks();
}

void TForm1::UpdateTreeMarks() {
    if (!app_) return;
    auto& nodes = const_cast<cmcSheetTree&>(app_->Tree()).Nodes();
    for (size_t i = 0; i < nodes.size() && i < treeItems_.size(); ++i)
        nodes[i].expanded = treeItems_[i]->isExpanded() || treeItems_[i]->childCount() == 0;
    int errors = 0, warnings = 0;
    for (size_t i = 0; i < nodes.size() && i < treeItems_.size(); ++i) {
        int o = app_->Tree().ShownOverlay(static_cast<int>(i));
        QIcon icon;
        if (o == cmcSheetTree::kOverlayError)
            icon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
        else if (o == cmcSheetTree::kOverlayWarning)
            icon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
        treeItems_[i]->setIcon(0, icon);
        if (nodes[i].overlay == cmcSheetTree::kOverlayError) ++errors;
        if (nodes[i].overlay == cmcSheetTree::kOverlayWarning) ++warnings;
    }
    indicator_->setText(errors || warnings
                            ? QString("%1 error(s), %2 warning(s) in the sheets marked in the tree")
                                  .arg(errors)
                                  .arg(warnings)
                            : QString());
}

void TForm1::TreeChanged() {
    if (!app_) return;
    if (treeItems_.size() != app_->Tree().Nodes().size())
        FillTree();
    else
        UpdateTreeMarks();
}

void TForm1::OnTreeSelection() {
    auto selected = tree_->selectedItems();
    if (selected.isEmpty()) return;
    auto it = std::find(treeItems_.begin(), treeItems_.end(), selected.front());
    if (it == treeItems_.end()) return;
    auto& node = const_cast<cmcSheetTree&>(app_->Tree()).Nodes()[it - treeItems_.begin()];
    if (sheet_ && sheet_->Reference() == node.SheetReference()) return;
    CellRun(node.cell, 13);  // the dispatcher opens the node's sheet through the window
}

void TForm1::OpenSheet(const std::string& reference) {
    CloseSheet();
    sheet_ = new SheetView(reference, Environ().chListView, app_->ModelType(), nullptr);
    connect(sheet_, &SheetView::Edited, this, [this] {
        app_->CheckModified();
        app_->ArmWarningRecheck();
    });
    splitter_->replaceWidget(1, sheet_);
    sheet_->setFocus();
}

void TForm1::CloseSheet() {
    if (!sheet_) return;
    splitter_->replaceWidget(1, placeholder_);
    sheet_->deleteLater();
    sheet_ = nullptr;
}

void TForm1::RunWindowCommand(int command, int argument, const std::string& text) {
    switch (static_cast<cmcAppCommand>(command)) {
        case cmcAppCommand::kOpenSheet:
            OpenSheet(text);
            break;
        case cmcAppCommand::kExit:
            close();
            break;
        case cmcAppCommand::kToggleToolbar:
            Environ().toolbarVisible = !Environ().toolbarVisible;
            break;
        default:
            break;
    }
}

void TForm1::OnTick() {
    if (!app_) return;
    app_->Tick();
    if (!sheet_ && isVisible()) OnTreeSelection();
}

void TForm1::OnEvent(void* self, cmcEvent& event) {
    auto* w = static_cast<TForm1*>(self);
    switch (event.code) {
        case ev::kRebuildTree:
            w->FillTree();
            w->UpdateMenuBar();
            break;
        case ev::kRepaintAll:
        case ev::kRepaintCategory:
        case ev::kRepaintLabel:
        case ev::kRepaintIndex:
        case ev::kRepaintIndexUpTo:
        case ev::kRepaintIndexFrom:
        case ev::kWarningsChanged:
            if (w->sheet_) w->sheet_->Refresh();
            w->UpdateTreeMarks();
            break;
        default:
            break;
    }
}

void TForm1::RunStarted(int operation, bool showProgress) {
    setEnabled(false);
    if (!showProgress) return;
    // A fixed caption; the run cannot be cancelled half way, so there is no button.
    progress_ =
        new QProgressDialog(QStringLiteral("Cloning"), QString(), 0, indCloneMan::kSegments, this);
    progress_->setWindowTitle(QStringLiteral("Cloning"));
    progress_->setWindowModality(Qt::NonModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setEnabled(true);
    progress_->show();
}

void TForm1::ProgressChanged(int filled) {
    if (progress_) progress_->setValue(qMin(filled, indCloneMan::kSegments));
}

void TForm1::RunEnded() {
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    setEnabled(true);
    activateWindow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (app_) {
        if (!isEnabled() || app_->ConfirmDiscard(false) == cuiMain::kCancel) {
            event->ignore();
            return;
        }
        QRect g = normalGeometry();
        Environ().windowLeft = g.left();
        Environ().windowTop = g.top();
        Environ().windowWidth = g.width();
        Environ().windowHeight = g.height();
        Environ().splitter = splitter_->sizes().value(0, Environ().splitter);
    }
    event->accept();
}
