#pragma once
// The radio's identity after Radio > Information: the overlay's clone information sheet in a
// small dialog with one button. The main window accepts no input while it is open.
#include <QDialog>

class cuiGrid;

class cuiCloneInfoDialog : public QDialog {
    Q_OBJECT
  public:
    explicit cuiCloneInfoDialog(QWidget* owner);
    ~cuiCloneInfoDialog() override;
    cuiGrid* Sheet() const { return sheet_; }

  private:
    QWidget* owner_;
    cuiGrid* sheet_ = nullptr;
};

// Builds and shows the dialog without waiting; it frees itself when closed.
cuiCloneInfoDialog* ShowCloneInfoDialog(QWidget* owner);
