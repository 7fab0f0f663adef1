#pragma once
// An information window made of one sheet and one button: the overlay alone decides what it
// shows and how big it is (the dialog takes the size of its sheet). The owner window takes no
// input while it is open; Enter, Escape, the button and the close box all close it.
#include <QDialog>
#include <QPointer>
#include <string>

class QPushButton;
class cmcGTex;
class cuiGrid;
class cuiSheet;

class SheetDialog : public QDialog {
    Q_OBJECT
  public:
    SheetDialog(QWidget* owner, const QString& title, cmcGTex& text, const std::string& sheetKey);
    ~SheetDialog() override;

    cuiSheet* Sheet() const { return sheet_; }
    cuiGrid* Grid() const;
    QPushButton* Button() const { return button_; }
    // Centres the dialog on its owner inside the work area of the owner's screen.
    void Place();

  private:
    QPointer<QWidget> owner_;
    cuiSheet* sheet_ = nullptr;
    QPushButton* button_ = nullptr;
};

// Builds the dialog, disables the owner and shows the dialog without waiting; the dialog frees
// itself when closed and then gives the owner back its input.
SheetDialog* ShowSheetDialog(QWidget* owner, const QString& title, cmcGTex& text,
                             const std::string& sheetKey);
