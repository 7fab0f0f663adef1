#pragma once
// Service tools over the working image, reached from the debug menu in manufacturer mode: the
// EEPROM window (a hexadecimal grid with its compare base), the debug compare listing and the
// free debug window that collects debug text messages (event 22).
#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class SheetPane;
class indMain;
struct cmcEvent;

class EepromDebugWindow : public QDialog {
    Q_OBJECT
  public:
    explicit EepromDebugWindow(QWidget* mainWindow);
    ~EepromDebugWindow() override;

    SheetPane* Sheet() const { return sheet_; }
    QString StatusText() const;
    // Grid cell of an image address.
    static int ColumnOf(int address) { return (address % 16) * 2 + 3; }
    static int RowOf(int address) { return address / 16 + 3; }
    // Moves the cursor to the byte at the address.
    void GoTo(int address);
    QPushButton* SetCompButton() const { return setComp_; }

  private:
    static void OnEvent(void* self, cmcEvent& event);
    void UpdateStatus();

    SheetPane* sheet_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* setComp_ = nullptr;
    int lastAddress_ = -1;
};

class FreeDebugWindow : public QDialog {
    Q_OBJECT
  public:
    explicit FreeDebugWindow(QWidget* mainWindow);
    ~FreeDebugWindow() override;
    QString Text() const;

  private:
    static void OnEvent(void* self, cmcEvent& event);
    QPlainTextEdit* memo_ = nullptr;
};

// The modal "Debug compare" listing; the compare base is renewed afterwards.
void ShowDebugCompare(QWidget* mainWindow, indMain& app);
