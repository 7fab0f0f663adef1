#include "app/GridModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "platform/Fatal.h"
#include "radio/CellDispatcher.h"
#include "radio/CellUi.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

int Sign(int v) {
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

int Mod(int v, int n) {
    return ((v % n) + n) % n;
}

// Beside the widths: the font size, in percent, they were made at.
const std::string kWidthPercentValue = "percent";

std::string WidthKey(const std::string& name) {
    return std::string(indEnviron::kKeyPath) + "\\Display\\" + name + "\\colwidth";
}

}  // namespace

GridModel::GridModel(std::unique_ptr<SheetDef> def, GridHost& host)
    : def_(std::move(def)), host_(host) {
    EvMan().Subscribe(&GridModel::OnEvent, this);
    subscribed_ = true;
}

GridModel::~GridModel() {
    // Widths were saved when they changed: the text store may be gone by now.
    if (subscribed_) EvMan().Unsubscribe(&GridModel::OnEvent, this);
}

void GridModel::SetChooser(const cmcCellCapsule& owner) {
    owner_ = std::make_unique<cmcCellCapsule>(owner);
}

void GridModel::SetInitialCell(int label, int index) {
    initial_ = std::make_pair(label, index);
}

// --- building ---

void GridModel::Build(std::string_view basicExtra) {
    if (!dispatcher_) dispatcher_ = &DispatchCell;
    built_ = false;
    def_->Build(basicExtra);
    bits_.assign(static_cast<size_t>(ColumnCount()) * RowCount(), SlotBits{});
    markTop_ = std::numeric_limits<int>::max();
    markBottom_ = -1;
    multiActive_ = false;
    rowMarksCleared_ = true;
    anchorCol_ = anchorRow_ = -1;
    SizeCells();
    if (!printing_ && !IsChooser()) {
        if (resetWidths_)
            ResetColumnWidths();
        else
            LoadColumnWidths();
        SaveColumnWidths();
    }
    resetWidths_ = false;
    ClampWidths(true);
    built_ = true;
    PlaceInitialCursor();
    host_.InvalidateAll();
    host_.CursorMoved();
}

void GridModel::SizeCells() {
    const int cols = ColumnCount(), rows = RowCount();
    colWidths_.assign(static_cast<size_t>(cols), 1);
    headerWidths_.assign(static_cast<size_t>(cols), 0);
    rowHeights_.assign(static_cast<size_t>(rows), 1);
    const auto& rowTable = def_->Rows();
    TextSurface& surface = host_.Surface();
    for (int r = 0; r < rows; ++r) {
        if (r > 0 && rowTable[r].line == rowTable[r - 1].line) {
            rowHeights_[r] = rowHeights_[r - 1];
            continue;  // a repeated row has the texts of the row above
        }
        for (int c = 0; c < cols; ++c) {
            const cmcCellObj& cell = def_->Cell(c, r);
            if (!cell.AutoWidth && !cell.AutoHeight) continue;
            TextExtent ext =
                MeasureText(surface, cell.Text, EffectiveFont(cell, def_->BasicCell()));
            const int padW = static_cast<int>(std::lround(ext.width + 8 * scale_));
            const int padH = static_cast<int>(std::lround(ext.height + 2 * scale_));
            if (cell.AutoWidth) colWidths_[c] = std::max(colWidths_[c], padW);
            // A heading of its own column, not one that spans the next.
            if (cell.AutoWidth && r < FixedRows() && !cell.JoinLeft &&
                (c + 1 >= cols || !def_->Cell(c + 1, r).JoinLeft))
                headerWidths_[c] = std::max(headerWidths_[c], padW);
            if (cell.AutoHeight) rowHeights_[r] = std::max(rowHeights_[r], padH);
        }
    }
}

void GridModel::PlaceInitialCursor() {
    col_ = row_ = 0;
    left_ = FixedCols();
    top_ = FixedRows();
    bool found = false;
    for (int r = 0; r < RowCount() && !found; ++r)
        for (int c = 0; c < ColumnCount() && !found; ++c)
            if (Selectable(c, r)) {
                col_ = c;
                row_ = r;
                found = true;
            }
    ScrollHomeIfFirst();
    Position saved = saved_;
    if (saved.column >= ColumnCount() || saved.row >= RowCount()) saved = Position{};
    if (saved.column < 0 || saved.row < 0) {
        if (initial_) {
            for (int r = 0; r < RowCount(); ++r)
                for (int c = 0; c < ColumnCount(); ++c) {
                    const cmcCellObj& cell = def_->Cell(c, r);
                    if (cell.Selectable && cell.Label == initial_->first &&
                        cell.Index == initial_->second) {
                        col_ = c;
                        row_ = r;
                        EnsureVisible(c, r);
                        r = RowCount();
                        break;
                    }
                }
        }
    } else if (Selectable(saved.column, saved.row)) {
        col_ = saved.column;
        row_ = saved.row;
        SetTopLeft(saved.left, saved.top);
    }
    anchorCol_ = col_;
    anchorRow_ = row_;
    disabled_ = !Selectable(col_, row_);
    if (!disabled_) {
        bits_[Slot(col_, row_)].marked = true;
        markTop_ = std::min(markTop_, row_);
        markBottom_ = std::max(markBottom_, row_);
    }
}

void GridModel::ScrollHomeIfFirst() {
    if (col_ <= def_->FirstSelectableColumn()) left_ = FixedCols();
    if (row_ <= def_->FirstSelectableRow()) top_ = FixedRows();
}

// --- slots ---

size_t GridModel::Slot(int column, int row) const {
    return static_cast<size_t>(row) * static_cast<size_t>(ColumnCount()) +
           static_cast<size_t>(column);
}

void GridModel::CheckCell(int column, int row) const {
    if (column < 0 || row < 0 || column >= ColumnCount() || row >= RowCount() || bits_.empty())
        platform::FatalStop("Illegal Cell selection");
}

cmcCellObj& GridModel::CellAt(int column, int row) {
    CheckCell(column, row);
    return def_->Cell(column, row);
}

bool GridModel::Selectable(int column, int row) const {
    return column >= 0 && row >= 0 && column < ColumnCount() && row < RowCount() &&
           def_->Cell(column, row).Selectable;
}

bool GridModel::MultiSelectable(int column, int row) const {
    CheckCell(column, row);
    return def_->MultiSelectable(column, row);
}

bool GridModel::Marked(int column, int row) const {
    CheckCell(column, row);
    return bits_[Slot(column, row)].marked;
}

bool GridModel::RowMarked(int column, int row) const {
    CheckCell(column, row);
    return bits_[Slot(column, row)].rowMarked;
}

int GridModel::OwnerColumn(int column, int row) const {
    int c = column;
    while (c >= 0 && def_->Cell(c, row).OwnedByLeft) --c;
    if (c == column) return column;
    return c >= 0 && def_->Cell(c, row).Selectable ? c : -1;
}

bool GridModel::DrawnSelected(int column, int row) const {
    if (column == col_ && row == row_) return true;
    const SlotBits& b = bits_[Slot(column, row)];
    if (def_->MultiSelectable(column, row) && (b.marked || b.rowMarked)) return true;
    return row == row_ && def_->Cell(column, row).OwnedByLeft && OwnerColumn(column, row) >= 0;
}

const std::string* GridModel::CompareValue(int column, int row) {
    const CompareMarkSet& marks = CompareMarks();
    if (marks.Generation() != compareGeneration_) {
        compareGeneration_ = marks.Generation();
        compareTable_ = marks.ForSheet(def_->Key());
    }
    if (compareTable_ == nullptr || !built_) return nullptr;
    const cmcCellObj& cell = def_->Cell(column, row);
    if (!cell.IsBound()) return nullptr;
    auto it = compareTable_->find(CompareMarkSet::ItemKey(cell.Category, cell.Label, cell.Index));
    return it == compareTable_->end() ? nullptr : &it->second;
}

const cmcCellObj* GridModel::CurrentCell() const {
    if (!built_ || col_ >= ColumnCount() || row_ >= RowCount()) return nullptr;
    return &def_->Cell(col_, row_);
}

// --- geometry ---

void GridModel::SetTopLeft(int left, int top) {
    left = std::clamp(left, FixedCols(), std::max(FixedCols(), ColumnCount() - 1));
    top = std::clamp(top, FixedRows(), std::max(FixedRows(), RowCount() - 1));
    if (left == left_ && top == top_) return;
    left_ = left;
    top_ = top;
    host_.ScrollChanged();
}

int GridModel::LastVisibleColumn() const {
    int x = 0;
    for (int c = 0; c < FixedCols(); ++c) x += colWidths_[c];
    int last = left_;
    for (int c = left_; c < ColumnCount(); ++c) {
        if (x >= host_.ClientWidth() && c > left_) break;
        last = c;
        x += colWidths_[c];
    }
    return last;
}

int GridModel::LastVisibleRow() const {
    int y = 0;
    for (int r = 0; r < FixedRows(); ++r) y += rowHeights_[r];
    int last = top_;
    for (int r = top_; r < RowCount(); ++r) {
        if (y >= host_.ClientHeight() && r > top_) break;
        last = r;
        y += rowHeights_[r];
    }
    return last;
}

int GridModel::NeededWidth() const {
    int sum = 0;
    for (int w : colWidths_) sum += w;
    return sum;
}

int GridModel::NeededHeight() const {
    int sum = 0;
    for (int h : rowHeights_) sum += h;
    return sum;
}

void GridModel::EnsureVisible(int column, int row) {
    int left = left_, top = top_;
    if (column >= FixedCols()) {
        if (column < left) left = column;
        int fixed = 0;
        for (int c = 0; c < FixedCols(); ++c) fixed += colWidths_[c];
        // Scroll right until the column ends inside the client area (or is the first shown).
        auto ends = [&](int l) {
            int x = fixed;
            for (int c = l; c <= column; ++c) x += colWidths_[c];
            return x <= host_.ClientWidth();
        };
        while (left < column && !ends(left)) ++left;
    }
    if (row >= FixedRows()) {
        if (row < top) top = row;
        int fixed = 0;
        for (int r = 0; r < FixedRows(); ++r) fixed += rowHeights_[r];
        auto ends = [&](int t) {
            int y = fixed;
            for (int r = t; r <= row; ++r) y += rowHeights_[r];
            return y <= host_.ClientHeight();
        };
        while (top < row && !ends(top)) ++top;
    }
    SetTopLeft(left, top);
}

// --- cursor ---

bool GridModel::StepOnce(int dx, int dy, bool wrap, int& column, int& row) {
    const int cols = ColumnCount(), rows = RowCount();
    int x = column, y = row;
    for (;;) {
        x += dx;
        y += dy;
        if (wrap) {
            x = Mod(x, cols);
            y = Mod(y, rows);
            if (x == column && y == row) break;
        } else if (x < 0 || y < 0 || x >= cols || y >= rows) {
            break;
        }
        if (Selectable(x, y)) {
            column = x;
            row = y;
            return true;
        }
    }
    if (IsChooser()) return false;
    if (dx != 0) {
        for (x = column + dx; x >= 0 && x < cols; x += dx) {
            int r = NearestInColumn(x);
            if (r >= 0) {
                column = x;
                row = r;
                return true;
            }
        }
    } else {
        for (y = row + dy; y >= 0 && y < rows; y += dy) {
            int c = NearestInRow(y);
            if (c >= 0) {
                column = c;
                row = y;
                return true;
            }
        }
    }
    return false;
}

// Ties go to the smaller row (column): the search looks there first.
int GridModel::NearestInColumn(int column) const {
    for (int d = 0; d < RowCount(); ++d) {
        if (Selectable(column, rememberRow_ - d)) return rememberRow_ - d;
        if (Selectable(column, rememberRow_ + d)) return rememberRow_ + d;
    }
    return -1;
}

int GridModel::NearestInRow(int row) const {
    for (int d = 0; d < ColumnCount(); ++d) {
        if (Selectable(rememberCol_ - d, row)) return rememberCol_ - d;
        if (Selectable(rememberCol_ + d, row)) return rememberCol_ + d;
    }
    return -1;
}

void GridModel::MoveCursor(int dx, int dy) {
    if (!built_ || disabled_) return;
    const int steps = dx != 0 ? std::abs(dx) : std::abs(dy);
    const int sx = Sign(dx), sy = dx != 0 ? 0 : Sign(dy);
    const bool wrap = IsChooser() && !scrollBars_ && steps == 1;
    int c = col_, r = row_;
    for (int i = 0; i < steps; ++i) {
        StepOnce(sx, sy, wrap, c, r);
        rememberCol_ = c;
        rememberRow_ = r;
    }
    if ((c != col_ || r != row_) && MaySelect(c, r)) MoveTo(c, r, true);
    ScrollHomeIfFirst();
    host_.ScrollChanged();
}

void GridModel::SendIndicatorClear() {
    EvMan().SendText(ev::kIndicatorText, cellcolor::kWindowText,
                     static_cast<int>(cellcolor::kBtnFace), "");
}

bool GridModel::MaySelect(int column, int row) {
    CheckCell(column, row);
    if (!programmatic_) {
        // A refused value keeps its editor open, and the cursor on its cell.
        host_.CommitEditor();
        if (host_.EditorOpen()) return false;
    }
    bool ok = programmatic_ ||
              (Selectable(column, row) && (!multiActive_ || def_->MultiSelectable(column, row)));
    SendIndicatorClear();
    if (column != col_ || row != row_) {
        CellAddress address = GetAddress(def_->Cell(column, row));
        EvMan().PostData(ev::kCurrentCellChanged, 0, 0, &address, sizeof address);
    }
    host_.CommitEditor();
    return ok;
}

void GridModel::MoveTo(int column, int row, bool scroll) {
    const int fromCol = col_, fromRow = row_;
    UpdateMarks(fromCol, fromRow, column, row);
    col_ = column;
    row_ = row;
    if (fromRow != row && !IsChooser()) {
        for (int c = 0; c < ColumnCount(); ++c) {
            host_.InvalidateCell(c, fromRow);
            host_.InvalidateCell(c, row);
        }
    } else {
        host_.InvalidateCell(fromCol, fromRow);
        host_.InvalidateCell(column, row);
    }
    if (scroll) EnsureVisible(column, row);
    host_.CursorMoved();
}

void GridModel::SelectCell(int column, int row) {
    programmatic_ = true;
    MaySelect(column, row);
    programmatic_ = false;
    MoveTo(column, row, true);
}

void GridModel::PlaceCursor(int column, int row) {
    programmatic_ = true;
    MaySelect(column, row);
    programmatic_ = false;
    MoveTo(column, row, false);
}

bool GridModel::GoToCell(int category, int label, int index) {
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < ColumnCount(); ++c) {
            const cmcCellObj& cell = def_->Cell(c, r);
            if (cell.Selectable && cell.Category == category && cell.Label == label &&
                cell.Index == index) {
                SelectCell(c, r);
                return true;
            }
        }
    return false;
}

// --- marks ---

void GridModel::SetMark(int column, int row, bool on) {
    if (!def_->Cell(column, row).Selectable) return;
    bool& marked = bits_[Slot(column, row)].marked;
    if (marked == on) return;
    marked = on;
    if (on) {
        markTop_ = std::min(markTop_, row);
        markBottom_ = std::max(markBottom_, row);
    }
    host_.InvalidateCell(column, row);
}

void GridModel::ClearMultiSelection() {
    // Only the rows that may hold marks: every input call clears, and a long list would
    // otherwise be walked whole for the one mark of the cursor.
    const int last = std::min(markBottom_, RowCount() - 1);
    for (int r = std::max(markTop_, 0); r <= last; ++r)
        for (int c = 0; c < ColumnCount(); ++c) SetMark(c, r, false);
    markTop_ = std::numeric_limits<int>::max();
    markBottom_ = -1;
    multiActive_ = false;
    UpdateRowMarks();
}

void GridModel::UpdateRowMarks() {
    const bool lines = multiActive_ && def_->Style().multiSelect == 2;
    if (!lines && rowMarksCleared_) return;
    for (int r = 0; r < RowCount(); ++r) {
        bool any = false;
        if (lines)
            for (int c = 0; c < ColumnCount() && !any; ++c) any = bits_[Slot(c, r)].marked;
        for (int c = FixedCols(); c < ColumnCount(); ++c) {
            bool& rm = bits_[Slot(c, r)].rowMarked;
            if (rm != any) {
                rm = any;
                host_.InvalidateCell(c, r);
            }
        }
    }
    rowMarksCleared_ = !lines;
}

void GridModel::UpdateMarks(int pCol, int pRow, int nCol, int nRow) {
    const bool extending = host_.Extending();
    const bool moved = pCol != nCol || pRow != nRow;
    const bool possible = ((def_->Style().multiSelect != 0 && moved) || multiActive_) &&
                          def_->MultiSelectable(pCol, pRow) && def_->MultiSelectable(nCol, nRow);
    if (!possible || !extending || anchorCol_ < 0) {
        anchorCol_ = nCol;
        anchorRow_ = nRow;
    }
    if (extending && possible) {
        const int x0 = std::min({anchorCol_, pCol, nCol}), x1 = std::max({anchorCol_, pCol, nCol});
        const int y0 = std::min({anchorRow_, pRow, nRow}), y1 = std::max({anchorRow_, pRow, nRow});
        const int ax0 = std::min(anchorCol_, nCol), ax1 = std::max(anchorCol_, nCol);
        const int ay0 = std::min(anchorRow_, nRow), ay1 = std::max(anchorRow_, nRow);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                SetMark(x, y, x >= ax0 && x <= ax1 && y >= ay0 && y <= ay1);
        multiActive_ = true;
    } else if (multiActive_) {
        ClearMultiSelection();
    } else {
        SetMark(pCol, pRow, false);
        bits_[Slot(pCol, pRow)].rowMarked = false;
    }
    SetMark(nCol, nRow, true);
    UpdateRowMarks();
}

// --- input ---

bool GridModel::NavigationKey(NavKey key, bool ctrlOnly) {
    host_.CommitEditor();
    if (host_.EditorOpen()) return true;
    SendIndicatorClear();
    const int c = col_, r = row_;
    switch (key) {
        case NavKey::kLeft:
        case NavKey::kRight: {
            const bool left = key == NavKey::kLeft;
            MoveCursor(left ? -1 : 1, 0);
            if (c == col_ && r == row_ && !disabled_) KeyInput(left ? kKeyLeft : kKeyRight);
            break;
        }
        case NavKey::kUp:
        case NavKey::kDown:
            if (!ctrlOnly) MoveCursor(0, key == NavKey::kUp ? -1 : 1);
            break;
        case NavKey::kPageUp:
            MoveCursor(0, -kPageSteps);
            break;
        case NavKey::kPageDown:
            MoveCursor(0, kPageSteps);
            break;
        case NavKey::kHome:
        case NavKey::kEnd: {
            const bool home = key == NavKey::kHome;
            int tc = 0, tr = 0;
            bool found;
            if (ctrlOnly) {
                found = ScanSelectable(home ? -1 : ColumnCount(), home ? 0 : RowCount() - 1, home,
                                       false, tc, tr);
            } else {
                found = ScanSelectable(home ? -1 : ColumnCount(), r, home, true, tc, tr);
            }
            if (found) JumpTo(tc, tr);
            break;
        }
        case NavKey::kNext:
        case NavKey::kPrevious: {
            int tc = 0, tr = 0;
            if (ScanSelectable(c, r, key == NavKey::kNext, false, tc, tr)) JumpTo(tc, tr);
            break;
        }
    }
    return true;
}

bool GridModel::ScanSelectable(int column, int row, bool forward, bool sameRow, int& toColumn,
                               int& toRow) const {
    if (!built_ || disabled_ || row < 0 || row >= RowCount()) return false;
    const int step = forward ? 1 : -1;
    int c = column + step, r = row;
    while (r >= 0 && r < RowCount()) {
        for (; c >= 0 && c < ColumnCount(); c += step)
            if (Selectable(c, r)) {
                toColumn = c;
                toRow = r;
                return true;
            }
        if (sameRow) return false;
        r += step;
        c = forward ? 0 : ColumnCount() - 1;
    }
    return false;
}

void GridModel::JumpTo(int column, int row) {
    if ((column == col_ && row == row_) || !MaySelect(column, row)) return;
    MoveTo(column, row, true);
    rememberCol_ = column;
    rememberRow_ = row;
    ScrollHomeIfFirst();
    host_.ScrollChanged();
}

EditorSignal GridModel::KeyInput(int key) {
    if (!built_ || disabled_) return EditorSignal::kNone;
    if (IsChooser()) {
        if (key == cellkey::kEnter || key == cellkey::kDoubleClick) host_.Choose(col_, row_);
        return EditorSignal::kNone;
    }
    host_.CommitEditor();
    if (host_.EditorOpen()) return EditorSignal::kNone;
    cmcCellCapsule req;
    FillRequest(req, col_, row_);
    req.key = key;
    return InputCall(req, col_, row_);
}

void GridModel::Click(int column, int row) {
    if (!built_ || disabled_) return;
    const int owner = OwnerColumn(column, row);
    if (owner < 0) return;
    if (MaySelect(owner, row)) MoveTo(owner, row, true);
}

bool GridModel::RightClick(int column, int row) {
    if (!built_ || disabled_) return false;
    if (multiActive_) return true;
    const int owner = OwnerColumn(column, row);
    if (owner < 0 || !Selectable(owner, row)) return false;
    if (owner != col_ || row != row_) {
        if (!MaySelect(owner, row)) return false;
        MoveTo(owner, row, true);
    }
    return true;
}

void GridModel::DoubleClick(int column, int row) {
    if (!built_ || disabled_) return;
    if (OwnerColumn(column, row) == col_ && row == row_) KeyInput(cellkey::kDoubleClick);
}

void GridModel::Hover(int column, int row) {
    if (!built_ || disabled_ || (column == col_ && row == row_)) return;
    if (Selectable(column, row) && MaySelect(column, row)) MoveTo(column, row, true);
}

EditorSignal GridModel::MenuCommand(int label) {
    if (!built_ || disabled_) return EditorSignal::kNone;
    host_.CommitEditor();
    if (host_.EditorOpen()) return EditorSignal::kNone;
    cmcCellCapsule req;
    FillRequest(req, col_, row_);
    req.menuCommand = label;
    return InputCall(req, col_, row_);
}

bool GridModel::CommitText(int column, int row, const std::string& text) {
    if (!built_ || column >= ColumnCount() || row >= RowCount()) return true;
    cmcCellCapsule req;
    FillRequest(req, column, row);
    req.commitMode = CommitMode::kText;
    req.inputText = text;
    InputCall(req, column, row);
    return req.refusal == nullptr;
}

void GridModel::CommitChoice(int column, int row, cmcCellObj& chosen) {
    if (!built_ || column >= ColumnCount() || row >= RowCount()) return;
    cmcCellCapsule choice;
    choice.cell = &chosen;
    cmcCellCapsule req;
    FillRequest(req, column, row);
    req.parent = &choice;
    req.commitMode = CommitMode::kChoice;
    InputCall(req, column, row);
}

int GridModel::RowSelectionIndex(int row) const {
    const int c = std::min(FixedCols(), ColumnCount() - 1);
    return def_->Cell(c, row).Index;
}

void GridModel::FillRequest(cmcCellCapsule& req, int column, int row) {
    req.Reset();
    req.parent = owner_.get();
    req.form = host_.Form();
    req.grid = host_.ChooserGrid();
    req.cell = &CellAt(column, row);
    if (column == col_ && row == row_) req.resultFlags |= cmcCellCapsule::kSelected;
    if (printing_) req.resultFlags |= cmcCellCapsule::kPrinting;
    if (multiActive_ && anchorRow_ >= 0) {
        const int a = RowSelectionIndex(anchorRow_), b = RowSelectionIndex(row_);
        req.rowSelFlags |= cmcCellCapsule::kRowBlock;
        req.rowSelFirst = std::min(a, b);
        req.rowSelLast = std::max(a, b);
    }
    req.notify = &GridModel::NotifyThunk;
    req.user = this;
    req.editorOpen = &GridModel::EditorThunk;
}

void GridModel::FillPaintRequest(cmcCellCapsule& req, int column, int row, bool selected) {
    req.Reset();
    req.parent = owner_.get();
    req.cell = &CellAt(column, row);
    if (selected) req.resultFlags |= cmcCellCapsule::kSelected;
    if (printing_) req.resultFlags |= cmcCellCapsule::kPrinting;
}

EditorSignal GridModel::InputCall(cmcCellCapsule& req, int column, int row) {
    auto answer = [&](EditorSignal ans, int c, int r) {
        if (ans == EditorSignal::kChooser) {
            ClearMultiSelection();
        } else if (ans == EditorSignal::kEditor) {
            ClearMultiSelection();
            if (c != col_ || r != row_) PlaceCursor(c, r);
            host_.OpenEditor(c, r, req.displayText, req.selStart, req.selLength);
        }
        if (req.gotoFlag) GoToCell(req.category, req.label, req.row);
    };
    EditorSignal ans = dispatcher_(req, true);
    answer(ans, column, row);
    // The dispatcher hands a keystroke on to another cell; one that never stops is cut off.
    for (int n = 0; req.replayKey != 0 && n < kMaxReplays; ++n) {
        host_.Flush();
        const int key = req.replayKey;
        FillRequest(req, col_, row_);
        req.key = key;
        ans = dispatcher_(req, true);
        answer(ans, col_, row_);
    }
    if (def_->Style().multiSelect != 0 && (req.rowSelFlags & cmcCellCapsule::kRowMarkRequest)) {
        const int label = def_->Cell(col_, row_).Label;
        const int first = req.rowSelFirst, last = req.rowSelLast;
        for (int r = 0; r < RowCount(); ++r)
            for (int c = 0; c < ColumnCount(); ++c) {
                const cmcCellObj& cell = def_->Cell(c, r);
                if (cell.Label == label && cell.IsBound())
                    SetMark(c, r, cell.Index >= first && cell.Index <= last);
            }
        const int here = def_->Cell(col_, row_).Index;
        const int other = here == first ? last : first;
        for (int r = 0; r < RowCount(); ++r)
            if (def_->Cell(col_, r).Label == label && def_->Cell(col_, r).Index == other) {
                anchorCol_ = col_;
                anchorRow_ = r;
                break;
            }
        multiActive_ = first != last;
        UpdateRowMarks();
    } else {
        ClearMultiSelection();
        if (!disabled_) SetMark(col_, row_, true);
    }
    EvMan().Send(ev::kRefreshMenuStates);
    return ans;
}

void GridModel::NotifyThunk(void* user, cmcCellCapsule& request, int flags) {
    auto* self = static_cast<GridModel*>(user);
    if (request.cell) self->RedrawMatching(*request.cell, flags);
}

void GridModel::EditorThunk(void* user, cmcCellCapsule& request, int) {
    auto* self = static_cast<GridModel*>(user);
    if (!self->built_ || self->disabled_) return;
    self->host_.OpenEditor(self->col_, self->row_, request.displayText, request.selStart,
                           request.selLength);
}

// --- redraw ---

bool GridModel::RedrawMatches(const cmcCellObj& t, const cmcCellObj& c, int mask) {
    const bool bound = c.Label != kCellNoLabel;
    const bool hasCat = t.Category != kCellNoCategory;
    if ((mask & 0x01) && c.Label == t.Label && c.Index == t.Index) return true;
    if ((mask & 0x02) && c.Category == t.Category) return true;
    if ((mask & 0x04) && c.Label == t.Label) return true;
    if ((mask & 0x08) && c.Index == t.Index && hasCat && bound) return true;
    if ((mask & 0x10) && std::abs(c.Index - t.Index) <= 1 && c.Category == t.Category && bound)
        return true;
    if ((mask & 0x20) && bound) return true;
    if ((mask & 0x40) && c.Index >= t.Index && hasCat && bound) return true;
    if ((mask & 0x80) && c.Index <= t.Index && hasCat && bound) return true;
    return false;
}

void GridModel::RedrawMatching(const cmcCellObj& target, int mask) {
    if (!built_ || mask == 0) return;
    auto visit = [&](auto&& match) {
        const int lastRow = std::min(RowCount() - 1, LastVisibleRow() + 1);
        const int lastCol = std::min(ColumnCount() - 1, LastVisibleColumn() + 1);
        auto rows = [&](auto&& f) {
            for (int r = 0; r < FixedRows(); ++r) f(r);
            for (int r = top_; r <= lastRow; ++r) f(r);
        };
        rows([&](int r) {
            for (int c = 0; c < FixedCols(); ++c)
                if (match(def_->Cell(c, r))) host_.InvalidateCell(c, r);
            for (int c = left_; c <= lastCol; ++c)
                if (match(def_->Cell(c, r))) host_.InvalidateCell(c, r);
        });
    };
    visit([&](const cmcCellObj& c) { return RedrawMatches(target, c, mask); });
}

void GridModel::RepaintWhere(int code, int value) {
    if (!built_) return;
    cmcCellObj t;
    t.Category = 0;  // any category: the index rules apply to every bound cell
    t.Index = value;
    switch (code) {
        case ev::kRepaintAll:
            host_.InvalidateAll();
            break;
        case ev::kRepaintCategory:
            t.Category = value;
            RedrawMatching(t, 0x02);
            break;
        case ev::kRepaintLabel:
            t.Label = value;
            RedrawMatching(t, 0x04);
            break;
        case ev::kRepaintIndex:
            RedrawMatching(t, 0x08);
            break;
        case ev::kRepaintIndexUpTo:
            RedrawMatching(t, 0x80);
            break;
        case ev::kRepaintIndexFrom:
            RedrawMatching(t, 0x40);
            break;
        default:
            break;
    }
}

std::optional<cmcCellObj> GridModel::QueryPopupCell(intptr_t identity) {
    std::optional<cmcEvAns> answer = EvMan().Query(ev::kQueryCurrentCell, identity);
    if (!answer || answer->data.size() != sizeof(const cmcCellObj*)) return std::nullopt;
    const cmcCellObj* cell = nullptr;
    std::memcpy(&cell, answer->data.data(), sizeof cell);
    return *cell;
}

void GridModel::OnEvent(void* user, HubEvent& event) {
    auto* self = static_cast<GridModel*>(user);
    switch (event.code) {
        case ev::kRepaintAll:
        case ev::kRepaintCategory:
        case ev::kRepaintLabel:
        case ev::kRepaintIndex:
        case ev::kRepaintIndexUpTo:
        case ev::kRepaintIndexFrom:
            self->RepaintWhere(event.code, event.second);
            break;
        case ev::kCommitEditors:
            self->host_.CommitEditor();
            break;
        case ev::kQueryCurrentCell:
            // The copy is taken by the asker before the query returns: the reply carries
            // where the cell is.
            if (event.first != 0 && event.first == self->popupIdentity_ && self->built_ &&
                !self->disabled_) {
                const cmcCellObj* cell = self->CurrentCell();
                if (cell != nullptr) EvMan().Reply(0, 0, &cell, sizeof cell);
            }
            break;
        default:
            break;
    }
}

// --- column widths ---

bool GridModel::SizedColumn(int column) const {
    const int r = FixedRows();
    return r < RowCount() && def_->Cell(column, r).Selectable;
}

void GridModel::ClampWidths(bool loading) {
    if (printing_ || colWidths_.empty()) return;
    int maximum = kMaxWidth;
    if (!loading && host_.ClientWidth() > 0) {
        int room = host_.ClientWidth();
        for (int c = 0; c < FixedCols(); ++c) room -= colWidths_[c];
        if (room < maximum) maximum = std::max(room, kMinWidth);
    }
    for (int c = 0; c < ColumnCount(); ++c)
        if (SizedColumn(c)) colWidths_[c] = std::clamp(colWidths_[c], kMinWidth, maximum);
}

void GridModel::SetColumnWidth(int column, int width, bool save) {
    if (column < 0 || column >= ColumnCount()) return;
    colWidths_[column] = std::max(width, 0);
    ClampWidths(false);
    if (built_ && save) SaveColumnWidths();
    host_.InvalidateAll();
}

void GridModel::FitColumn(int column) {
    if (!built_ || column < 0 || column >= ColumnCount()) return;
    TextSurface& surface = host_.Surface();
    int width = 0;
    cmcCellCapsule req;
    for (int r = 0; r < RowCount(); ++r) {
        cmcCellObj& cell = def_->Cell(column, r);
        const CellFont* font = EffectiveFont(cell, def_->BasicCell());
        int w = 0;
        if (r < FixedRows()) {
            if (column + 1 < ColumnCount() && def_->Cell(column + 1, r).JoinLeft) continue;
            w = MeasureText(surface, cell.Text, font).width;
        } else if (cell.IsBound()) {
            FillPaintRequest(req, column, r, false);
            dispatcher_(req, false);
            w = req.displayText.empty() ? 0 : MeasureText(surface, req.displayText, font).width;
        } else {
            w = cell.Text.empty() ? 0 : MeasureText(surface, cell.Text, font).width;
        }
        width = std::max(width, w + 8);
    }
    colWidths_[column] = width;
    ClampWidths(false);
    SaveColumnWidths();
    host_.InvalidateAll();
}

std::string GridModel::WidthName() const {
    cmcGTex& store = def_->Store();
    for (int n = 0;; ++n) {
        std::string line = store.GetLine(keys::kCellWidthRegList, n);
        if (!line.empty() && line[0] == '#') break;
        size_t colon = line.find(':');
        if (colon == std::string::npos) break;
        if (line.compare(0, colon, def_->Key()) == 0) return line.substr(colon + 1);
    }
    return {};
}

void GridModel::LoadColumnWidths() {
    const std::string name = WidthName();
    if (name.empty()) return;
    const std::string key = WidthKey(name);
    // Widths are kept with the font size they were made at (100 % before sizes were kept); at
    // another size they grow or shrink with the font, and no heading is ever cut.
    const int made = Environ().ReadInt(key, kWidthPercentValue);
    const int percent = made >= 25 && made <= 800 ? made : 100;
    for (int c = 0; c < ColumnCount(); ++c) {
        if (!SizedColumn(c)) continue;
        int v = Environ().ReadInt(key, std::to_string(c));
        if (v >= 0)
            colWidths_[c] = static_cast<int>(std::lround(double(v) * fontPercent_ / percent));
        if (c < static_cast<int>(headerWidths_.size()))
            colWidths_[c] = std::max(colWidths_[c], headerWidths_[c]);
    }
    ClampWidths(true);
}

void GridModel::SaveColumnWidths() {
    if (printing_ || IsChooser() || colWidths_.empty()) return;
    const std::string name = WidthName();
    if (name.empty()) return;
    const std::string key = WidthKey(name);
    for (int c = 0; c < ColumnCount(); ++c) {
        if (!SizedColumn(c)) continue;
        const std::string value = std::to_string(c);
        if (Environ().ReadInt(key, value) != colWidths_[c])
            Environ().WriteInt(key, value, colWidths_[c]);
    }
    if (Environ().ReadInt(key, kWidthPercentValue) != fontPercent_)
        Environ().WriteInt(key, kWidthPercentValue, fontPercent_);
}

void GridModel::ResetColumnWidths() {
    cmcGTex& store = GTex();
    for (int n = 0;; ++n) {
        std::string line = store.GetLine(keys::kCellWidthRegList, n);
        if (!line.empty() && line[0] == '#') break;
        size_t colon = line.find(':');
        if (colon == std::string::npos) break;
        Environ().DeleteSubKey(
            std::string(indEnviron::kKeyPath) + "\\Display\\" + line.substr(colon + 1), "colwidth");
    }
}

// --- hit testing ---

CellRectangle GridModel::CellRect(int column, int row) const {
    CellRectangle rect;
    auto offset = [](const std::vector<int>& sizes, int fixed, int first, int i) {
        int pos = 0;
        if (i < fixed) {
            for (int k = 0; k < i; ++k) pos += sizes[k];
            return pos;
        }
        for (int k = 0; k < fixed; ++k) pos += sizes[k];
        if (i >= first) {
            for (int k = first; k < i; ++k) pos += sizes[k];
        } else {
            for (int k = i; k < first; ++k) pos -= sizes[k];
        }
        return pos;
    };
    rect.left = offset(colWidths_, FixedCols(), left_, column);
    rect.top = offset(rowHeights_, FixedRows(), top_, row);
    rect.right = rect.left + colWidths_[column];
    rect.bottom = rect.top + rowHeights_[row];
    return rect;
}

bool GridModel::CellAtPoint(int x, int y, int& column, int& row) const {
    if (!built_ || x < 0 || y < 0) return false;
    auto find = [](const std::vector<int>& sizes, int fixed, int first, int p) {
        int pos = 0;
        for (int k = 0; k < fixed; ++k) {
            pos += sizes[k];
            if (p < pos) return k;
        }
        for (int k = first; k < static_cast<int>(sizes.size()); ++k) {
            pos += sizes[k];
            if (p < pos) return k;
        }
        return -1;
    };
    column = find(colWidths_, FixedCols(), left_, x);
    row = find(rowHeights_, FixedRows(), top_, y);
    return column >= 0 && row >= 0;
}
