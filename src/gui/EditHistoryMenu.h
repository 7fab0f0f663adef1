#pragma once
// The window's parts of undo and redo, of the check after writing and of comparing with another
// clone file: Edit > Undo and Redo with the step's caption, Radio > Verify After Writing kept in
// the settings, and File > Compare With... with a panel that lists the differing cells and goes
// to the one clicked. The decisions are the core's; this only shows them.
#include <QObject>
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

  private:
    struct Place {
        std::string reference;
        int column;
        int row;
    };
    void Step(bool redo);
    void GoTo(int index);

    TForm1* window_;
    indMain* app_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* verify_ = nullptr;
    QAction* compare_ = nullptr;
    QDockWidget* panel_ = nullptr;
    QListWidget* list_ = nullptr;
    std::vector<Place> places_;
};
