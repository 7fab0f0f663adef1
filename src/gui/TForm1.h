#pragma once
// The main window: menus built from the overlay, the tree of sheets on the left, the current
// sheet on the right, a status line. Commands run through the cell dispatcher and the
// application core; the window only shows their effects.
#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "app/cmcSheetTree.h"
#include "app/cuiMainView.h"
#include "comm/indCloneMan.h"

class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class QMenu;
class QLabel;
class QProgressDialog;
class SheetView;
class indMain;
struct cmcEvent;
class cmcCellObj;

class TForm1 : public QMainWindow, public cuiMainView, private indCloneManView {
    Q_OBJECT
  public:
    // Without an application the window is an empty frame (tests of the frame alone).
    explicit TForm1(indMain* app = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // cuiMainView
    void SetTitle(const std::string& title) override;
    void CloseSheet() override;
    void SetBusy(bool busy) override;
    void TreeChanged() override;
    void RunWindowCommand(int command, int argument, const std::string& text) override;

    SheetView* CurrentSheet() const { return sheet_; }
    QTreeWidget* TreeView() const { return tree_; }
    void OpenSheet(const std::string& reference);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // indCloneManView: the window is disabled while the radio is read or written.
    void RunStarted(int operation, bool showProgress) override;
    void ProgressChanged(int filled) override;
    void RunEnded() override;

  private:
    void BuildMenus();
    void FillTree();
    void UpdateTreeMarks();
    void UpdateMenuStates(QMenu* menu);
    void UpdateMenuBar();
    void OnTreeSelection();
    void OnTick();
    static void OnEvent(void* self, cmcEvent& event);

    indMain* app_;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QWidget* placeholder_ = nullptr;
    SheetView* sheet_ = nullptr;
    QLabel* indicator_ = nullptr;
    QProgressDialog* progress_ = nullptr;
    cmcSheetTree menuData_;
    std::vector<QTreeWidgetItem*> treeItems_;
    std::vector<std::string> lastTreeRefs_;  // sheet reference of each item, for re-selection
};
