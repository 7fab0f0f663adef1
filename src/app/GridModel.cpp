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
