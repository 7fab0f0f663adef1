#pragma once
// The main window: menus and toolbar built from the overlay, the tree of sheets on the left,
// the current sheet on the right, the status bar. Commands run through the cell dispatcher and
// the application core; the window only shows their effects.
#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/DocumentView.h"
#include "app/SheetTree.h"
#include "comm/indCloneMan.h"
#include "gui/SheetPane.h"

class QMimeData;
class QSplitter;
class QUrl;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QMenu;
class QAction;
class MainToolbar;
class MainStatusBar;
#include "gui/AboutBox.h"
class HelpViewer;
class EditHistoryMenu;
class CloneProgressView;
class indMain;
struct HubEvent;
class cmcCellObj;

class TForm1 : public QMainWindow, public DocumentView {
    Q_OBJECT
  public:
    // Without an application the window is an empty frame (tests of the frame alone).
    explicit TForm1(indMain* app = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // DocumentView
    void SetTitle(const std::string& title) override;
    void CloseSheet() override;
    void SetBusy(bool busy) override;
    void TreeChanged() override;
    void RunWindowCommand(int command, int argument, const std::string& text) override;
    void ShowHelp(int label) override;
    void ShowDebugStatus(const std::string& text) override;
    void ShowCloneInformation() override;
    bool CanPrintCurrent() const override;

    // The command line: "/svcmode" (any case) enters manufacturer mode after the caution; one
    // other argument names a clone file to open. Run once the window is shown. The words are
    // the bytes the program was given: a file name need not be UTF-8.
    void RunCommandLine(const std::vector<std::string>& arguments);
    // Shows the window in front of the others (a later start handed it a file).
    void BringToFront();
    // True while the user must finish something first: a clone run or printing (the window is
    // disabled), or a dialog waiting for an answer.
    bool Busy() const;

    // Dropped files: only local files are taken, and only one at a time.
    bool AcceptsDrop(const QMimeData* data) const;
    void OpenDropped(const QList<QUrl>& urls);

    SheetPane* CurrentSheet() const { return sheet_; }
    QTreeWidget* TreeView() const { return tree_; }
    CloneProgressView* CloneProgress() const { return cloneProgress_.get(); }
    MainToolbar* Toolbar() const { return toolbar_; }
    MainStatusBar* StatusPanels() const { return status_; }
    QSplitter* Splitter() const { return splitter_; }
    AboutBox* About() const { return about_; }
    HelpViewer* Help() const;
    // Undo and redo, the check after writing and the compare with another file.
    EditHistoryMenu* History() const { return history_; }
    // The top-level menu whose overlay caption (without '&') is the text; null when none.
    QMenu* MenuNamed(const QString& caption) const;
    void OpenSheet(const std::string& reference);
    // The sheet of the selected tree node, at once (the tick and the delay timer do this).
    void OpenSelectedNode();
    // Width of the tree panel, as stored in the settings on close.
    int TreePanelWidth() const;
    // Width of the tree panel that shows every caption the tree can have (any model type, the
    // maker-only nodes) in full at the tree's current font.
    int TreeWidthForCaptions() const;

    static constexpr int kMinTreeWidth = 8;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void PlaceOnDesktop();
    // With no stored rectangle, widens the window (as far as its screen allows) so that the
    // tree and every column of the first sheet show without a sideways scroll bar.
    void WidenForFirstSheet();
    void BuildLayout();
    void BuildMenus();
    void RunMenuCell(size_t node);
    // F6: the focus goes from the list of sheets to the sheet and back.
    void SwitchTreeAndSheet();
    void FillTree();
    void UpdateTreeMarks();
    void UpdateMenuStates(QMenu* menu);
    void UpdateMenuBar();
    void UpdateMakerPanel();
    void ApplyFontSize();
    void OnTreeSelection();
    void OnTick();
    void ShowAboutBox();
    void OpenDebugWindow(int code);
    static void OnEvent(void* self, HubEvent& event);

    indMain* app_;
    EditHistoryMenu* history_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QWidget* placeholder_ = nullptr;
    SheetPane* sheet_ = nullptr;
    MainToolbar* toolbar_ = nullptr;
    MainStatusBar* status_ = nullptr;
    // Disables the window while the radio is read or written and shows the progress.
    std::unique_ptr<CloneProgressView> cloneProgress_;
    QTimer* treeDelay_ = nullptr;
    QPointer<AboutBox> about_;
    std::unique_ptr<HelpViewer> help_;
    QPointer<QWidget> eepromWindow_, freeDebugWindow_;
    SheetTree menuData_;
    std::vector<cmcCellObj> menuPristine_;  // menu cells as parsed; states are asked afresh
    std::vector<QTreeWidgetItem*> treeItems_;
    std::vector<std::string> lastTreeRefs_;  // sheet reference of each item, for re-selection
    QFont treeFont_;                         // the tree's own font at 100 %
    int storedTreeWidth_ = 200;
    bool splitterPlaced_ = false;
    int treeWidthBeforeFont_ = -1;  // the tree's width before a larger font widened it
    int treeWidenedTo_ = -1;        // the width the larger font gave it
    QString busyNotice_;  // the bottom bar's word that closing waits for a run, while shown
    bool defaultPlacement_ = false;  // the default rectangle, not a stored one
    bool focusWasInGrid_ = false;
    // Cursor and scroll of each sheet the user left, newest first.
    std::vector<std::pair<std::string, SheetPosition>> positions_;
};
