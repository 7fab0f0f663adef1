#pragma once
// Service tools over the working image, reached from the debug menu in manufacturer mode: the
// EEPROM window (a hexadecimal grid with its compare base) and its bit window, the debug compare
// listing and the free debug window that collects debug text messages (event 22).
#include <QDialog>
#include <QFrame>
#include <QPointer>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class SheetPane;
class cuiGrid;
class cuiMain;
class indMain;
struct cmcCellCapsule;
enum class EditorSignal : int;
struct HubEvent;

// The bit window: one byte of the EEPROM grid as eight cells, bit 7 first, in a borderless popup
// under the byte. It holds the byte shifted up by kBitWindowShift, as the byte cell expects it
// back. Space or a double click toggles the current bit; Enter or OK writes the byte through the
// byte cell (so the image, the undo history and every sheet follow); Escape, Cancel or a click
// elsewhere leave the byte as it was.
class cuiFBitsR : public QFrame {
    Q_OBJECT
  public:
    cuiFBitsR(cuiGrid* owner, int column, int row, int held);

    int Held() const { return held_; }
    cuiGrid* Grid() const { return grid_; }
    // Bit cell 1-8 (bit 7 down to bit 0).
    bool BitSet(int index) const;
    void Toggle(int index);
    void Accept();

  private:
    static EditorSignal Dispatch(cmcCellCapsule& request, bool notify);

    QPointer<cuiGrid> owner_;
    int column_, row_;
    int held_;
    cuiGrid* grid_ = nullptr;
};

// The EEPROM window holds the main window while it is open. Its byte edits land in the image as
// they are made; OK keeps them as one undo step, Cancel (or Escape, or closing it) puts every byte
// it changed back and leaves no step.
class EepromDebugWindow : public QDialog {
    Q_OBJECT
  public:
    EepromDebugWindow(QWidget* mainWindow, cuiMain& app);
    ~EepromDebugWindow() override;
    void done(int result) override;

    SheetPane* Sheet() const { return sheet_; }
    QString StatusText() const;
    // Grid cell of an image address.
    static int ColumnOf(int address) { return (address % 16) * 2 + 3; }
    static int RowOf(int address) { return address / 16 + 3; }
    // Moves the cursor to the byte at the address.
    void GoTo(int address);
    QPushButton* SetCompButton() const { return setComp_; }
    // The open bit window, if any.
    cuiFBitsR* BitWindow() const { return bits_; }

  private:
    static void OnEvent(void* self, HubEvent& event);
    void UpdateStatus();

    cuiMain& app_;
    bool editing_ = true;  // the window's undo group is open
    SheetPane* sheet_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* setComp_ = nullptr;
    QPointer<cuiFBitsR> bits_;
    int lastAddress_ = -1;
};

class FreeDebugWindow : public QDialog {
    Q_OBJECT
  public:
    explicit FreeDebugWindow(QWidget* mainWindow);
    ~FreeDebugWindow() override;
    QString Text() const;

  private:
    static void OnEvent(void* self, HubEvent& event);
    QPlainTextEdit* memo_ = nullptr;
};

// The modal "Debug compare" listing; the compare base is renewed afterwards.
void ShowDebugCompare(QWidget* mainWindow, indMain& app);
