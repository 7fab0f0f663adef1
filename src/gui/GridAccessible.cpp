#include "gui/GridAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QSet>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "app/GridClipboard.h"
#include "app/WarningMessages.h"
#include "gui/CellPainter.h"
#include "gui/ProgressWindow.h"
#include "gui/cuiGrid.h"
#include "radio/CellDispatchHost.h"
#include "radio/WarningCheck.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace axtext {

QString Text(Line line, std::initializer_list<std::string> args) {
    return FromLatin1(FormatOverlay(GTex().GetLine(keys::kAccess, line), args));
}

}  // namespace axtext

namespace {

// Keeps the colour the dispatcher gives a cell's text: read-only values are drawn in olive.
class ColourProbe : public CellCanvas {
  public:
    void SetFontColor(uint32_t color) override { colour = color; }
    void FillRect(const CellRectangle&, uint32_t) override {}
    void DrawLine(int, int, int, int, uint32_t) override {}
    uint32_t colour = 0;
};

bool InGrid(const GridModel* model, int column, int row) {
    return model && model->Built() && column >= 0 && row >= 0 && column < model->ColumnCount() &&
           row < model->RowCount();
}

// The first cell of a run of joined cells (the one that holds the text).
int JoinStart(GridModel& model, int column, int row) {
    while (column > 0 && model.Def().Cell(column, row).JoinLeft) --column;
    return column;
}

std::string Shown(GridModel& model, int column, int row) {
    cmcCellObj& cell = model.CellAt(column, row);
    if (!cell.IsBound()) return cell.Text;
    cmcCellCapsule req;
    model.FillPaintRequest(req, column, row, false);
    model.Dispatcher()(req, false);
    return std::move(req.displayText);
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return text.substr(start);
}

quint64 CellKey(int row, int column) {
    return (quint64(quint32(row)) << 32) | quint32(column);
}

QAccessibleInterface* GridFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("cuiGrid") && object && object->isWidgetType())
        return new GridAccessible(static_cast<cuiGrid*>(object));
    if (className == QLatin1String("ProgressBox") && object && object->isWidgetType())
        return new ProgressAccessible(static_cast<ProgressBox*>(object));
    return nullptr;
}

}  // namespace

QChar AccessKeyOf(const QString& text) {
    const int end =
        text.contains(QLatin1Char('\t')) ? int(text.indexOf(QLatin1Char('\t'))) : int(text.size());
    for (int i = 0; i + 1 < end; ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return QChar();
}

void AssignAccessKeys(QMenu* menu) {
    if (!menu) return;
    const QList<QAction*> actions = menu->actions();
    QSet<QChar> used;
    for (QAction* a : actions) {
        const QChar key = AccessKeyOf(a->text());
        if (!key.isNull()) used.insert(key);
    }
    for (QAction* a : actions) {
        if (a->menu()) AssignAccessKeys(a->menu());
        if (a->isSeparator() || !AccessKeyOf(a->text()).isNull()) continue;
        QString text = a->text();
        const int end = text.contains(QLatin1Char('\t')) ? int(text.indexOf(QLatin1Char('\t')))
                                                         : int(text.size());
        int chosen = -1;
        // Words' first letters, then any letter or digit.
        for (int pass = 0; pass < 2 && chosen < 0; ++pass)
            for (int i = 0; i < end && chosen < 0; ++i) {
                const QChar c = text[i];
                if (!c.isLetterOrNumber() || used.contains(c.toUpper())) continue;
                if (pass == 0 && i > 0 && text[i - 1].isLetterOrNumber()) continue;
                if (i > 0 && text[i - 1] == QLatin1Char('&')) continue;
                chosen = i;
            }
        if (chosen < 0) continue;
        used.insert(text[chosen].toUpper());
        text.insert(chosen, QLatin1Char('&'));
        a->setText(text);
    }
}

void InstallGridAccessibility() {
    // Installed again after an application object ends, which forgets the factories; one
    // already installed is not added twice.
    QAccessible::installFactory(GridFactory);
}

CellSpeech SpeakCell(cuiGrid& grid, int column, int row) {
    CellSpeech out;
    GridModel* model = grid.Model();
    if (!InGrid(model, column, row)) return out;
    const int source = JoinStart(*model, column, row);
    cmcCellObj& cell = model->CellAt(source, row);
    out.selectable = cell.Selectable;
    if (!cell.IsBound()) {
        out.shown = OneLine(cell.Text);
        return out;
    }
    cmcCellCapsule req;
    model->FillPaintRequest(req, source, row, false);
    ColourProbe probe;
    req.canvas = &probe;
    model->Dispatcher()(req, false);
    out.shown = OneLine(req.displayText);
    out.readOnly = !cell.Selectable || probe.colour == cellcolor::kOlive;
    const uint8_t flags = req.resultFlags & (cmcCellCapsule::kWarning | cmcCellCapsule::kError);
    if (flags != 0 && HasCellHost()) {
        CellDispatchHost& host = CellHost();
        const auto findings = warncheck::FindingsOfCell(host.WorkingImage(), host.ModelType(),
                                                        req.category, req.label, req.row);
        std::string lines;
        for (const auto& f : findings) {
            if (!lines.empty()) lines += '\n';
            lines += ToLatin1(
                axtext::Text(f.error ? axtext::kError : axtext::kWarning, {WarningText(f)}));
        }
        if (lines.empty())
            lines = ToLatin1(
                axtext::Text((flags & cmcCellCapsule::kError) ? axtext::kError : axtext::kWarning,
                             {ToLatin1(axtext::Text(axtext::kUnnamedError))}));
        out.description = std::move(lines);
    }
    return out;
}

std::string RowLabelOf(cuiGrid& grid, int column, int row) {
    GridModel* model = grid.Model();
    if (!InGrid(model, column, row)) return {};
    if (column >= model->FixedCols() && model->FixedCols() > 0) {
        for (int c = model->FixedCols() - 1; c >= 0; --c) {
            std::string text = OneLine(Shown(*model, c, row));
            if (!text.empty()) return text;
        }
    }
    for (int c = JoinStart(*model, column, row) - 1; c >= model->FixedCols(); --c) {
        const cmcCellObj& cell = model->CellAt(c, row);
        if (cell.Selectable || cell.JoinLeft) continue;
        std::string text = OneLine(Shown(*model, c, row));
        if (!text.empty()) return text;
    }
    return {};
}

// --- the grid ---

GridAccessible::GridAccessible(cuiGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

GridAccessible::~GridAccessible() {
    DropCells();
}

cuiGrid* GridAccessible::Grid() const {
    return static_cast<cuiGrid*>(widget());
}

void GridAccessible::DropCells() {
    const auto ids = cells_.values();
    cells_.clear();
    for (QAccessible::Id id : ids) QAccessible::deleteAccessibleInterface(id);
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State GridAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;  // the cells take input, not the table
    return s;
}

QString GridAccessible::text(QAccessible::Text t) const {
    QString own = QAccessibleWidget::text(t);
    if (!own.isEmpty()) return own;
    if (t == QAccessible::Description) return axtext::Text(axtext::kSheetDescription);
    if (t == QAccessible::Name) return axtext::Text(axtext::kSheetName);
    return own;
}

int GridAccessible::rowCount() const {
    GridModel* model = Grid()->Model();
    return model && model->Built() ? model->RowCount() : 0;
}

int GridAccessible::columnCount() const {
    GridModel* model = Grid()->Model();
    return model && model->Built() ? model->ColumnCount() : 0;
}

int GridAccessible::childCount() const {
    return rowCount() * columnCount() + (Grid()->EditorVisible() ? 1 : 0);
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
    if (!InGrid(Grid()->Model(), column, row)) return nullptr;
    const quint64 key = CellKey(row, column);
    auto it = cells_.constFind(key);
    if (it != cells_.constEnd()) return QAccessible::accessibleInterface(*it);
    auto* cell = new GridCellAccessible(Grid(), row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

QAccessibleInterface* GridAccessible::child(int index) const {
    const int cells = rowCount() * columnCount();
    if (index < 0) return nullptr;
    if (index < cells) return cellAt(index / columnCount(), index % columnCount());
    if (index == cells && Grid()->EditorVisible())
        return QAccessible::queryAccessibleInterface(Grid()->Editor());
    return nullptr;
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) return -1;
    if (child->object() && child->object() == Grid()->Editor())
        return Grid()->EditorVisible() ? rowCount() * columnCount() : -1;
    if (child->role() == QAccessible::Cell || child->role() == QAccessible::ColumnHeader ||
        child->role() == QAccessible::RowHeader) {
        auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (cell && cell->table() == this && cell->rowIndex() < rowCount() &&
            cell->columnIndex() < columnCount())
            return cell->rowIndex() * columnCount() + cell->columnIndex();
    }
    return -1;
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const {
    GridModel* model = Grid()->Model();
    if (!model || !model->Built()) return nullptr;
    const QPoint p = Grid()->viewport()->mapFromGlobal(QPoint(x, y));
    int column = 0, row = 0;
    if (!model->CellAtPoint(p.x(), p.y(), column, row)) return nullptr;
    return cellAt(row, column);
}

QAccessibleInterface* GridAccessible::focusChild() const {
    if (Grid()->EditorVisible()) return QAccessible::queryAccessibleInterface(Grid()->Editor());
    GridModel* model = Grid()->Model();
    if (!model || !model->Built() || model->Disabled()) return nullptr;
    return cellAt(model->Row(), model->Column());
}

QAccessibleInterface* GridAccessible::caption() const {
    return nullptr;
}

QAccessibleInterface* GridAccessible::summary() const {
    return nullptr;
}

int GridAccessible::selectedCellCount() const {
    return int(selectedCells().size());
}

QList<QAccessibleInterface*> GridAccessible::selectedCells() const {
    QList<QAccessibleInterface*> out;
    GridModel* model = Grid()->Model();
    if (!model || !model->Built() || model->Disabled()) return out;
    if (!model->MultiSelectionActive()) {
        if (QAccessibleInterface* cell = cellAt(model->Row(), model->Column())) out.append(cell);
        return out;
    }
    for (int r = model->FixedRows(); r < model->RowCount(); ++r)
        for (int c = model->FixedCols(); c < model->ColumnCount(); ++c)
            if (model->Marked(c, r) || model->RowMarked(c, r))
                if (QAccessibleInterface* cell = cellAt(r, c)) out.append(cell);
    return out;
}

QString GridAccessible::columnDescription(int column) const {
    GridModel* model = Grid()->Model();
    if (!InGrid(model, column, 0)) return {};
    QString out;
    for (int r = 0; r < model->FixedRows(); ++r) {
        const std::string text = OneLine(Shown(*model, JoinStart(*model, column, r), r));
        if (text.empty()) continue;
        if (!out.isEmpty()) out += QLatin1Char(' ');
        out += FromLatin1(text);
    }
    return out;
}

QString GridAccessible::rowDescription(int row) const {
    GridModel* model = Grid()->Model();
    if (!InGrid(model, 0, row)) return {};
    for (int c = model->FixedCols() - 1; c >= 0; --c) {
        const std::string text = OneLine(Shown(*model, c, row));
        if (!text.empty()) return FromLatin1(text);
    }
    return {};
}

void GridAccessible::modelChange(QAccessibleTableModelChangeEvent*) {
    // A sheet built anew: its cells are asked for afresh.
    DropCells();
}

// --- a cell ---

GridCellAccessible::GridCellAccessible(cuiGrid* grid, int row, int column)
    : grid_(grid), row_(row), column_(column) {}

bool GridCellAccessible::isValid() const {
    return grid_ && InGrid(grid_->Model(), column_, row_);
}

QWindow* GridCellAccessible::window() const {
    return grid_ ? grid_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* GridCellAccessible::parent() const {
    return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
}

QString GridCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    switch (t) {
        case QAccessible::Name:
        case QAccessible::Value:
            return FromLatin1(SpeakCell(*grid_, column_, row_).shown);
        case QAccessible::Description: {
            // The warnings first, then what the cell is: its setting's or row's name.
            const CellSpeech speech = SpeakCell(*grid_, column_, row_);
            QString out = FromLatin1(speech.description);
            const std::string label = RowLabelOf(*grid_, column_, row_);
            if (!label.empty()) {
                if (!out.isEmpty()) out += QLatin1Char('\n');
                out += FromLatin1(label);
            }
            return out;
        }
        default:
            return {};
    }
}

void GridCellAccessible::setText(QAccessible::Text t, const QString& text) {
    if (t != QAccessible::Value || !isValid()) return;
    GridModel& model = *grid_->Model();
    if (!model.CellAt(column_, row_).Selectable || !model.MaySelect(column_, row_)) return;
    // As typed or chosen by the user, with the same checks; a refusal changes nothing and
    // the bottom bar says why.
    model.SelectCell(column_, row_);
    PasteBlockText(model, ToLatin1(text));
}

QRect GridCellAccessible::rect() const {
    if (!isValid()) return {};
    const QRect r = grid_->CellRectOnScreen(column_, row_);
    return QRect(grid_->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::Role GridCellAccessible::role() const {
    if (!isValid()) return QAccessible::Cell;
    GridModel& model = *grid_->Model();
    if (row_ < model.FixedRows()) return QAccessible::ColumnHeader;
    if (column_ < model.FixedCols()) return QAccessible::RowHeader;
    return QAccessible::Cell;
}

QAccessible::State GridCellAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    GridModel& model = *grid_->Model();
    const CellSpeech speech = SpeakCell(*grid_, column_, row_);
    s.selectable = speech.selectable;
    s.focusable = speech.selectable;
    s.readOnly = speech.readOnly;
    s.editable = !speech.readOnly;
    const bool current = model.Column() == column_ && model.Row() == row_ && !model.Disabled();
    s.focused = current && grid_->hasFocus();
    s.active = current;
    s.selected = model.DrawnSelected(column_, row_);
    s.multiSelectable = model.MultiSelectable(column_, row_);
    const QRect r = grid_->CellRectOnScreen(column_, row_);
    s.offscreen = !r.intersects(grid_->viewport()->rect());
    s.invisible = !grid_->isVisible();
    s.disabled = !grid_->isEnabled();
    return s;
}

void* GridCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
}

bool GridCellAccessible::isSelected() const {
    return isValid() && grid_->Model()->DrawnSelected(column_, row_);
}

QList<QAccessibleInterface*> GridCellAccessible::columnHeaderCells() const {
    QList<QAccessibleInterface*> out;
    if (!isValid()) return out;
    GridModel& model = *grid_->Model();
    if (row_ < model.FixedRows()) return out;
    auto* table = static_cast<GridAccessible*>(parent());
    for (int r = 0; r < model.FixedRows(); ++r)
        if (!OneLine(Shown(model, JoinStart(model, column_, r), r)).empty())
            out.append(table->cellAt(r, column_));
    return out;
}

QList<QAccessibleInterface*> GridCellAccessible::rowHeaderCells() const {
    QList<QAccessibleInterface*> out;
    if (!isValid()) return out;
    GridModel& model = *grid_->Model();
    auto* table = static_cast<GridAccessible*>(parent());
    if (column_ < model.FixedCols()) return out;
    for (int c = 0; c < model.FixedCols(); ++c)
        if (!OneLine(Shown(model, c, row_)).empty()) out.append(table->cellAt(row_, c));
    if (!out.isEmpty()) return out;
    // A setting's name stands to its left.
    for (int c = JoinStart(model, column_, row_) - 1; c >= 0; --c) {
        const cmcCellObj& cell = model.CellAt(c, row_);
        if (cell.Selectable || cell.JoinLeft) continue;
        if (!OneLine(Shown(model, c, row_)).empty()) {
            out.append(table->cellAt(row_, c));
            break;
        }
    }
    return out;
}

// --- the progress bar ---

ProgressAccessible::ProgressAccessible(ProgressBox* box)
    : QAccessibleWidget(box, QAccessible::ProgressBar) {}

void* ProgressAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString ProgressAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return QString::number(static_cast<ProgressBox*>(widget())->Percent()) + QLatin1Char('%');
    return QAccessibleWidget::text(t);
}

QVariant ProgressAccessible::currentValue() const {
    return static_cast<ProgressBox*>(widget())->Percent();
}
