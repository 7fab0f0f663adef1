#pragma once
// What assistive technology (a screen reader, a magnifier, UI Automation on Windows) learns of
// a sheet's grid: the grid as a table whose cells give the text they show, their headers, their
// state and their warnings. Cells are looked up by row and column on every call, so a sheet
// built anew while a reader holds a cell can never leave it pointing at a cell that is gone.
// The names of the window's parts come from the overlay, like every other text.
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QString>
#include <initializer_list>
#include <string>

class cuiGrid;

// Lines of the overlay entry that names the window's parts for assistive technology.
namespace axtext {
enum Line {
    kTreeName = 0,
    kTreeDescription = 1,
    kSheetDescription = 2,
    kEditorName = 3,
    kEditorDescription = 4,
    kChooserName = 5,
    kChooserDescription = 6,
    kWarning = 7,
    kError = 8,
    kUnnamedError = 9,
    kStatusName = 10,
    kToolbarName = 11,
    kToolbarMore = 12,
    kProgressBar = 13,
    kProgressText = 14,
    kMenuBar = 15,
    kSheetName = 16,
    kSplitterName = 17,
    kProgressCaption = 18,
    kHelpCaption = 19,
    kHelpContents = 20,
    kHelpBack = 21,
    kHelpForward = 22,
    kHelpSearch = 23,
    kHelpPageName = 24,
    kHelpPageDescription = 25,
    kHelpSearchTitle = 26,
    kHelpNothingFound = 27,
};
// The line with its "%s" places filled.
QString Text(Line line, std::initializer_list<std::string> args = {});
}  // namespace axtext

class QMenu;

// Gives every item of a menu (and of its submenus) that has no access key the first letter of
// its text that no other item of that menu uses, words' first letters first. Keys the overlay
// gives stay as they are.
void AssignAccessKeys(QMenu* menu);
// The access key of a menu text ('&' before it; "&&" is a plain '&'); 0 for none.
QChar AccessKeyOf(const QString& text);

// Makes the grid widgets speak through these interfaces (once per program; every grid calls it).
void InstallGridAccessibility();

// The grid as a table: every cell of the sheet, fixed rows and columns as headers; the open
// in-place editor is the child after the cells.
class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit GridAccessible(cuiGrid* grid);
    ~GridAccessible() override;

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override;
    QAccessibleInterface* summary() const override;
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    cuiGrid* Grid() const;

  private:
    // Forgets the cell interfaces handed out (they are rebuilt on demand).
    void DropCells();

    mutable QHash<quint64, QAccessible::Id> cells_;
};

// One cell, by row and column of its grid.
class GridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
  public:
    GridCellAccessible(cuiGrid* grid, int row, int column);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableCellInterface
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

  private:
    QPointer<cuiGrid> grid_;
    int row_;
    int column_;
};

class ProgressBox;

// The progress window's bar as a progress bar with its value in percent.
class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit ProgressAccessible(ProgressBox* box);
    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }
};

// What a cell says: the text it shows, its warnings and whether it takes input, asked of the
// dispatcher each time. Also for tests.
struct CellSpeech {
    std::string shown;
    std::string description;  // "error: ..." / "warning: ..." lines; empty without markers
    bool selectable = false;
    bool readOnly = true;
};
CellSpeech SpeakCell(cuiGrid& grid, int column, int row);
// The text of the cell that labels a cell: its fixed column's text, else the nearest text to
// its left that takes no input (a setting's name). Empty when there is none.
std::string RowLabelOf(cuiGrid& grid, int column, int row);
