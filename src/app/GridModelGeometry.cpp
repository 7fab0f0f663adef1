// The grid model's geometry: the visible part, scrolling, column widths (sized, fitted, kept in
// the settings per sheet with the font size they were made at) and hit testing.
#include <algorithm>
#include <cmath>
#include <string>

#include "app/GridModel.h"
#include "app/indEnviron.h"
#include "radio/CellDispatcher.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// Beside the widths: the font size, in percent, they were made at.
const std::string kWidthPercentValue = "percent";

std::string WidthKey(const std::string& name) {
    return std::string(indEnviron::kKeyPath) + "\\Display\\" + name + "\\colwidth";
}

}  // namespace

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
