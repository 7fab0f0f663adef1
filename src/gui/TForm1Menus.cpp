// The main window's menus and commands: item states asked afresh from the dispatcher, the
// window's own commands (toolbar, font size, sheets), the event hub's events for the window.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QTreeWidget>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/AboutBox.h"
#include "gui/DebugWindows.h"
#include "gui/FleetDialog.h"
#include "gui/GridAccessible.h"
#include "gui/HelpViewer.h"
#include "gui/MainStatusBar.h"
#include "gui/MainToolbar.h"
#include "gui/PortDialog.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiPrinter.h"
#include "gui/cuiSheet.h"
#include "platform/FileNames.h"
#include "platform/Folders.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "sheet/CellCatalogue.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

// The View menu's sizes; a stored size outside them is read as 100.
constexpr int kFontSizes[] = {75, 100, 125, 150, 200};

int SaneFontSize(int percent) {
    for (int s : kFontSizes)
        if (s == percent) return percent;
    return 100;
}

}  // namespace

void TForm1::BuildMenus() {
    menuData_.Build(GTex(), keys::kMenuMain);
    auto& nodes = menuData_.Nodes();
    menuPristine_.clear();
    for (const auto& node : nodes) menuPristine_.push_back(node.cell);
    if (nodes.empty()) return;
    const int top = nodes.front().depth;
    std::vector<QMenu*> stack;  // menu at each depth below the top
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto& node = nodes[i];
        const int level = node.depth - top;
        const bool hasChildren = i + 1 < nodes.size() && nodes[i + 1].depth > node.depth;
        const QString caption = FromOverlay(node.Caption());
        if (level == 0) {
            QMenu* m = menuBar()->addMenu(caption);
            m->menuAction()->setData(static_cast<int>(i));
            stack.assign(1, m);
            if (node.cell.Label == CL_Menu_Edit_Top) {
                // The Edit menu offers the current cell's popup-menu items.
                connect(m, &QMenu::aboutToShow, this, [this, m] {
                    m->clear();
                    if (auto* sheet = dynamic_cast<cuiSheet*>(sheet_)) sheet->FillEditMenu(m);
                    if (!m->isEmpty()) return;
                    SheetTree none;
                    none.Build(GTex(), keys::kPMenuNoItem);
                    if (!none.Nodes().empty())
                        m->addAction(FromOverlay(none.Nodes().front().Caption()))
                            ->setEnabled(false);
                });
                continue;
            }
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
            QMenu* sub = parent->addMenu(caption);
            connect(sub, &QMenu::aboutToShow, this, [this, sub] { UpdateMenuStates(sub); });
            stack.push_back(sub);
            continue;
        }
        QAction* action = parent->addAction(caption);
        action->setData(static_cast<int>(i));
        if (node.cell.Argument && !node.cell.Argument->empty())
            action->setShortcut(QKeySequence(FromOverlay(*node.cell.Argument)));
        connect(action, &QAction::triggered, this, [this, i] { RunMenuCell(i); });
    }
    // F1 anywhere in the window: help on the cell under the cursor.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] {
        const cmcCellObj* cell = sheet_ ? sheet_->CurrentCell() : nullptr;
        ShowHelp(cell ? cell->Label : -1);
    });
    menuBar()->setAccessibleName(axtext::Text(axtext::kMenuBar));
    // F6 and Shift+F6: between the list of sheets and the sheet, without a mouse.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}) {
        auto* f6 = new QShortcut(keys, this);
        connect(f6, &QShortcut::activated, this, [this] { SwitchTreeAndSheet(); });
    }
    UpdateMenuBar();
}

void TForm1::SwitchTreeAndSheet() {
    QWidget* focus = QApplication::focusWidget();
    const bool inTree = focus && (focus == tree_ || tree_->isAncestorOf(focus));
    if (!inTree || !sheet_) {
        tree_->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    QWidget* pane = sheet_->Widget();
    if (auto* grid = pane->findChild<cuiGrid*>())
        grid->setFocus(Qt::ShortcutFocusReason);
    else
        pane->setFocus(Qt::ShortcutFocusReason);
}

void TForm1::RunMenuCell(size_t node) {
    auto& cell = menuData_.Nodes()[node].cell;
    cell = menuPristine_[node];
    CellRun(cell, cellkey::kEnter);
    // Whatever the command changed, menus and toolbar say so now.
    EvMan().Send(ev::kMenusBuilt);
}

QMenu* TForm1::MenuNamed(const QString& caption) const {
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove('&') == caption) return a->menu();
    return nullptr;
}

void TForm1::UpdateMenuBar() {
    if (!app_) return;
    // A top menu whose own cell is hidden (the debug menu outside manufacturer mode) goes.
    for (QAction* a : menuBar()->actions()) {
        if (!a->data().isValid()) continue;
        const size_t i = static_cast<size_t>(a->data().toInt());
        auto& cell = menuData_.Nodes()[i].cell;
        cell = menuPristine_[i];
        CellText(cell, 0);
        a->setVisible(!(cell.Flags & kFlagHidden));
    }
}

void TForm1::UpdateMenuStates(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        if (a->menu() || a->isSeparator() || !a->data().isValid()) continue;
        const size_t i = static_cast<size_t>(a->data().toInt());
        // Each refresh starts from the parsed cell: a state the dispatcher no longer gives
        // must not stay behind.
        auto& cell = menuData_.Nodes()[i].cell;
        cell = menuPristine_[i];
        const std::string text = CellText(cell, 0);
        a->setText(FromOverlay(text.empty() ? menuPristine_[i].Text : text));
        if (cell.Label == CL_Menu_File_Recent && app_) {
            // A recent file shows its name, readable whatever its bytes; where it lies is the
            // entry's tip.
            const std::string path = app_->RecentFile(cell.Index);
            if (!path.empty()) {
                const QString shown = QString::fromStdString(platform::ShownText(path));
                const QString name =
                    QString::fromStdString(platform::ShownText(platform::FileNamePart(path)));
                a->setText(QStringLiteral("&%1 %2")
                               .arg(cell.Index + 1)
                               .arg(QString(name).replace('&', QStringLiteral("&&"))));
                a->setToolTip(shown);
                menu->setToolTipsVisible(true);
            }
        }
        const bool checked = cell.Flags & kFlagChecked;
        a->setVisible(!(cell.Flags & kFlagHidden));
        a->setEnabled(!(cell.Flags & kFlagDisabled));
        a->setCheckable(checked);
        a->setChecked(checked);
    }
    AssignAccessKeys(menu);
}

void TForm1::UpdateMakerPanel() {
    if (!app_ || !status_ || !app_->MakerMode()) return;
    if (!status_->MakerPanelShown())
        status_->ShowMakerPanel(GTex().GetLine(keys::kStatusPanelMaker, 0));
}

void TForm1::ApplyFontSize() {
    if (!app_) return;
    const int percent = SaneFontSize(Environ().fontSizePercentage);
    Environ().fontSizePercentage = percent;
    QFont f = treeFont_;
    f.setPointSizeF(treeFont_.pointSizeF() * percent / 100.0);
    tree_->setFont(f);
    if (sheet_) sheet_->SetFontPercent(percent);
}

void TForm1::RunWindowCommand(int command, int argument, const std::string& text) {
    switch (static_cast<AppCommand>(command)) {
        case AppCommand::kOpenSheet:
            OpenSheet(text);
            break;
        case AppCommand::kExit:
            close();
            break;
        case AppCommand::kPrintCurrent:
        case AppCommand::kPrintAll:
            WindowPrinter(this, app_)
                .Print(command == int(AppCommand::kPrintAll),
                       sheet_ ? sheet_->Reference() : std::string());
            break;
        case AppCommand::kToggleToolbar:
            Environ().toolbarVisible = !Environ().toolbarVisible;
            if (toolbar_) toolbar_->SetVisible(Environ().toolbarVisible);
            break;
        case AppCommand::kSetFontSize: {
            const int before = TreePanelWidth();
            Environ().fontSizePercentage = SaneFontSize(argument);
            ApplyFontSize();
            const int needed = TreeWidthForCaptions();
            const int total = splitter_->width() - splitter_->handleWidth();
            if (TreePanelWidth() < needed) {
                // A larger font widens a tree panel that would cut its captions; the width it
                // had is kept to go back to.
                const int tree = qMin(needed, qMax(kMinTreeWidth, total / 2));
                if (treeWidthBeforeFont_ < 0) treeWidthBeforeFont_ = before;
                splitter_->setSizes({tree, qMax(1, total - tree)});
                treeWidenedTo_ = TreePanelWidth();
            } else if (treeWidthBeforeFont_ >= 0 && needed <= treeWidthBeforeFont_ &&
                       before == treeWidenedTo_) {
                // Back to a size the old width holds, and not moved by the user since.
                splitter_->setSizes({treeWidthBeforeFont_, qMax(1, total - treeWidthBeforeFont_)});
                treeWidthBeforeFont_ = -1;
            }
            break;
        }
        case AppCommand::kCloneFleet:
            if (app_) ShowFleetDialog(*app_, this);
            break;
        case AppCommand::kPortDialog:
        case AppCommand::kPortNotice: {
            // The notice for a port beyond the menu's four is the plain number field.
            int variant = command == static_cast<int>(AppCommand::kPortDialog) ? argument : 0;
            int port = ShowPortDialog(variant, Environ().comPort, this);
            if (port > 0) app_->RunCommand(AppCommand::kSelectPort, port, {});
            break;
        }
        default:
            break;
    }
}

bool TForm1::CanPrintCurrent() const {
    return sheet_ && SheetIsPrintable(SheetTree::SheetName(sheet_->Reference()));
}

HelpViewer* TForm1::Help() const {
    return help_.get();
}

void TForm1::ShowHelp(int label) {
    if (!help_) help_ = std::make_unique<HelpViewer>(this);
    if (label < 0) {
        help_->ShowContents();
        return;
    }
    help_->ShowPopup(HelpGTex().ContextHelpNumber(LabelName(label)), QCursor::pos());
}

void TForm1::ShowDebugStatus(const std::string& text) {
    if (status_) status_->SetIndicator(cellcolor::kWindowText, cellcolor::kBtnFace, text);
}

void TForm1::ShowAboutBox() {
    if (about_) {
        about_->raise();
        return;
    }
    about_ = new AboutBox(this, [this](char key) { app_->AboutKeyPress(key); });
    // The main window is disabled while the box is open, the box itself not (a child window
    // may be enabled under a disabled parent). A window already disabled (a clone run) stays so.
    if (isEnabled()) {
        setEnabled(false);
        connect(about_, &QObject::destroyed, this, [this] {
            setEnabled(true);
            activateWindow();
            setFocus(Qt::ActiveWindowFocusReason);
        });
    }
    about_->setEnabled(true);
    about_->show();
    about_->activateWindow();
}

void TForm1::OpenDebugWindow(int code) {
    if (code == ev::kOpenEepromDebug) {
        if (!eepromWindow_) eepromWindow_ = new EepromDebugWindow(this, *app_);
        eepromWindow_->show();
        eepromWindow_->raise();
    } else if (code == ev::kOpenFreeDebug) {
        if (!freeDebugWindow_) freeDebugWindow_ = new FreeDebugWindow(this);
        freeDebugWindow_->show();
        freeDebugWindow_->raise();
    } else if (code == ev::kDebugCompare) {
        ShowDebugCompare(this, *app_);
    }
}

void TForm1::OnEvent(void* self, HubEvent& event) {
    auto* w = static_cast<TForm1*>(self);
    switch (event.code) {
        case ev::kAbout:
            w->ShowAboutBox();
            break;
        case ev::kIndicatorText:
            if (w->status_)
                w->status_->SetIndicator(static_cast<uint32_t>(event.first),
                                         static_cast<uint32_t>(event.second), event.Text());
            break;
        case ev::kOpenFreeDebug:
        case ev::kOpenEepromDebug:
        case ev::kDebugCompare:
            w->OpenDebugWindow(event.code);
            break;
        case ev::kRefreshMenuStates:
            w->UpdateMenuBar();
            break;
        case ev::kRefreshToolbar:
            if (w->toolbar_) w->toolbar_->Refresh();
            break;
        case ev::kRebuildTree:
            w->FillTree();
            w->UpdateMenuBar();
            w->UpdateMakerPanel();
            if (w->toolbar_) w->toolbar_->Refresh();
            break;
        case ev::kSelectNodeByArgument: {
            // The node of a sheet reference; its sheet opens as the tree's selection does.
            if (!w->app_) break;
            const auto& nodes = w->app_->Tree().Nodes();
            for (size_t i = 0; i < nodes.size() && i < w->treeItems_.size(); ++i)
                if (nodes[i].SheetReference() == event.Text()) {
                    w->tree_->setCurrentItem(w->treeItems_[i]);
                    break;
                }
            break;
        }
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
