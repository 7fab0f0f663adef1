#pragma once
// The main toolbar, built from an overlay entry: one button per body line, "-" a gap, "/" the
// end of a row. Each button is a cell; a click runs it through the cell dispatcher, and the
// dispatcher says afresh at every refresh which buttons are pressed or disabled.
#include <QObject>
#include <string>
#include <vector>

#include "sheet/cmcCellObj.h"

class QAction;
class QMainWindow;
class QToolBar;
class cmcGTex;

class MainToolbar : public QObject {
    Q_OBJECT
  public:
    // Builds "<entry>_BasicCell" and "<entry>_Body" into the window's toolbar area.
    MainToolbar(QMainWindow* window, cmcGTex& text, const std::string& entry);
    ~MainToolbar() override;

    // Asks the dispatcher for every button's state (event 20).
    void Refresh();
    void SetVisible(bool visible);
    bool IsVisible() const { return visible_; }

    // The rows, top first; a toolbar without buttons still has one (empty) row.
    const std::vector<QToolBar*>& Rows() const { return rows_; }
    // The action of body line i; null for a separator or a line beyond the body.
    QAction* ButtonAction(int line) const;
    int LineCount() const { return static_cast<int>(buttons_.size()); }

  private:
    struct Button {
        cmcCellObj pristine;  // as parsed: the dispatcher's states are added to a fresh copy
        cmcCellObj cell;
        QAction* action = nullptr;  // null for separators
        int image = -1;
    };
    QToolBar* AddRow(QMainWindow* window, const QString& name);

    cmcCellObj basic_;
    std::vector<Button> buttons_;
    std::vector<QToolBar*> rows_;
    bool visible_ = true;
};
