#pragma once
// The port dialog: where the programming cable is plugged in. Variant 0 is a plain number
// field, variant 1 an editable list of the numbers the port table knows, variant 2 a fixed list
// of the ports present now with their device names. Lists are refilled each time they drop
// down, so a cable plugged in while the dialog is open shows up.
#include <QComboBox>
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

// A drop-down list that asks for fresh entries just before it opens.
class RefillingCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit RefillingCombo(QWidget* parent) : QComboBox(parent) {}
    std::function<void()> beforePopup;
    void showPopup() override;
};

class PortDialog : public QDialog {
    Q_OBJECT
  public:
    PortDialog(int variant, int currentPort, QWidget* owner);

    int Variant() const { return variant_; }
    // The port accepted by OK (0 until then).
    int ChosenPort() const { return chosen_; }
    // The input control: the number field or the list.
    QLineEdit* Field() const { return field_; }
    RefillingCombo* List() const { return list_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    // Fills the list as dropping it down does.
    void Refill();

  private:
    void Accept();
    std::string InputText() const;

    int variant_;
    int chosen_ = 0;
    QLabel* notice_ = nullptr;
    QLineEdit* field_ = nullptr;
    RefillingCombo* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// Shows the dialog modally over the owner; the chosen port (1..256), or 0 when cancelled.
int ShowPortDialog(int variant, int currentPort, QWidget* owner);
