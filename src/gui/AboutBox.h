#pragma once
// The About box: the program's icon, title and revision from the overlay and an OK button. It is
// not modal (the window that opens it disables itself meanwhile) and hands every typed key to the
// application first (the service key sequence).
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    AboutBox(QWidget* mainWindow, std::function<void(char)> keyPress);

    QString Text() const;
    QPushButton* Button() const { return button_; }

  protected:
    // Keys the button does not use arrive here too.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::function<void(char)> keyPress_;
    QLabel* label_ = nullptr;
    QPushButton* button_ = nullptr;
};
