// The grid model's cursor and marks: moving and wrapping over selectable cells, going to a
// cell, and the marks of a multiple selection.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "app/GridModel.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"

namespace {

int Sign(int v) {
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

int Mod(int v, int n) {
    return ((v % n) + n) % n;
}

}  // namespace

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
