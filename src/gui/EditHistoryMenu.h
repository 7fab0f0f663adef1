#pragma once
// The window's parts of undo and redo, of the check after writing and of comparing with another
// clone file: Edit > Undo and Redo with the step's caption, Radio > Verify After Writing kept in
// the settings, and File > Compare With... with a panel that lists the differing cells and goes
// to the one clicked. The decisions are the core's; this only shows them.
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDockWidget;
class QListWidget;
class QMenu;
class TForm1;
class indMain;

class EditHistoryMenu : public QObject {
    Q_OBJECT
  public:
    EditHistoryMenu(TForm1* window, indMain* app);
    ~EditHistoryMenu() override;

    QAction* UndoAction() const { return undo_; }
    QAction* RedoAction() const { return redo_; }
    QAction* VerifyAction() const { return verify_; }
    QAction* CompareAction() const { return compare_; }
    // Captions and states from the core (the Edit menu does this each time it opens).
    void UpdateActions();
    // Compares the working image with the clone file and lists what differs; false (and a
    // message from the core) when the file cannot be used.
    bool CompareWith(const std::string& path);
    QListWidget* DifferenceList() const { return list_; }
    QDockWidget* ComparePanel() const { return panel_; }
    // Ends the comparison: the panel closes and the sheets lose their marks (closing the panel
    // and another document in the window do the same).
    void EndComparison();
    bool Comparing() const;
    // Goes to the cell of a line of the panel: the tree selects its sheet, the cursor the cell.
    void GoTo(int index);
    // The differences again after the working image changed (the timer does this).
    void FollowChanges();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Place {
        std::string reference;
        int category;
        int label;
        int index;
    };
    struct Comparison;
    void Step(bool redo);
    void Recompute();

    TForm1* window_;
    indMain* app_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* verify_ = nullptr;
    QAction* compare_ = nullptr;
    QDockWidget* panel_ = nullptr;
    QListWidget* list_ = nullptr;
    std::vector<Place> places_;
    std::unique_ptr<Comparison> comparison_;
    QTimer follow_;
};
