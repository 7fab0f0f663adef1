#include "sheet/SheetDef.h"

#include <algorithm>

#include "platform/Fatal.h"
#include "sheet/CodePage.h"
#include "sheet/NameTables.h"
#include "sheet/TextHelpers.h"
#include "text/cmcGTex.h"

bool GroupStartsWith(std::string_view group, std::string_view key, std::string_view* rest) {
    if (group.substr(0, key.size()) != key) return false;
    if (rest) *rest = group.substr(key.size());
    return true;
}

SheetDef::SheetDef(cmcGTex& store, std::string key) : store_(store), key_(std::move(key)) {}

SheetDef::~SheetDef() = default;

void SheetDef::Build(std::string_view basicExtra) {
    ReadStyle();
    LoadBasicCell(basicExtra);
    CountCells();
    FillCells();
}

int SheetDef::FixedCols() const {
    return std::max(0, std::min(style_.fixedCols, columns_ - 1));
}

int SheetDef::FixedRows() const {
    return std::max(0, std::min(style_.fixedRows, RowCount() - 1));
}

// Applies every parenthesised group of a line; a double-byte character is never markup.
void SheetDef::ApplyGroups(std::string_view line, bool style) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '(') {
            i += CharLength(line, i);
            continue;
        }
        size_t j = i + 1;
        while (j < line.size() && line[j] != ')') j += CharLength(line, j);
        std::string_view group = line.substr(i + 1, std::min(j, line.size()) - i - 1);
        if (style) {
            ApplyStyleKey(group);
        } else {
            ApplyRowDirective(group);
        }
        i = j + 1;
    }
}

void SheetDef::ReadStyle() {
    style_ = SheetStyle{};
    ApplyGroups(store_.GetLine(key_ + "_Style", 0), true);
}

void SheetDef::ApplyStyleKey(std::string_view group) {
    std::string_view rest;
    auto value = [&rest]() {
        size_t eq = rest.find('=');
        return eq == std::string_view::npos ? std::string_view{} : rest.substr(eq + 1);
    };
    if (GroupStartsWith(group, "TitleString", &rest)) {
        if (!value().empty()) style_.title = std::string(value());
    } else if (GroupStartsWith(group, "TitleColor", &rest)) {
        if (auto c = ColorByName(value())) style_.titleColor = *c;
    } else if (GroupStartsWith(group, "TitleFont", &rest)) {
        style_.titleFont = std::make_unique<CellFont>();
        ApplyFontFields(*style_.titleFont, value());
    } else if (GroupStartsWith(group, "FixedCols", &rest)) {
        style_.fixedCols = ParseDecimal(value());
    } else if (GroupStartsWith(group, "FixedRows", &rest)) {
        style_.fixedRows = ParseDecimal(value());
    } else if (group == "NoPrint") {
        style_.noPrint = true;
    } else if (GroupStartsWith(group, "PrintFontRatio", &rest)) {
        style_.printFontRatio = ParseDecimal(value());
    } else if (GroupStartsWith(group, "MultiSelect", &rest)) {
        std::string_view v = value();
        style_.multiSelect = v == "Cell" ? 1 : v == "Line" ? 2 : 0;
    } else if (GroupStartsWith(group, "ColSizing", &rest)) {
        style_.colSizing = true;
    } else if (GroupStartsWith(group, "ColorSelectLine", &rest)) {
        style_.colorSelectLine = true;
    }
}

void SheetDef::LoadBasicCell(std::string_view basicExtra) {
    std::string line = store_.GetLine(key_ + "_BasicCell", 0);
    line.append(basicExtra);
    basic_ = cmcCellObj{};
    ParseCell(line, basic_, nullptr, nullptr);
}

void SheetDef::StartLoop(int count) {
    loopStart_ = line_;
    loopCount_ = count < 1 ? 1 : count;
    loopEnded_ = false;
    loopBody_ = 0;
}

void SheetDef::EndLoop() {
    loopEnded_ = true;
}

void SheetDef::ApplyRowDirective(std::string_view group) {
    std::string_view rest;
    if (GroupStartsWith(group, "LoopFrom", &rest)) {
        StartLoop(ParseDecimal(rest));
    } else if (GroupStartsWith(group, "LoopTo", &rest)) {
        EndLoop();
    } else if (GroupStartsWith(group, "SelectON", &rest)) {
        selectOn_ = true;
    } else if (GroupStartsWith(group, "SelectOFF", &rest)) {
        selectOn_ = false;
    }
}

void SheetDef::CountCells() {
    rows_.clear();
    columns_ = 0;
    skip_ = 0;
    loopStart_ = -1;
    loopCount_ = 0;
    loopEnded_ = false;
    loopBody_ = 0;
    selectOn_ = true;
    const std::string entry = key_ + "_Cells";
    for (line_ = 0;; ++line_) {
        std::string line = store_.GetLine(entry, line_);
        if (!line.empty() && line[0] == '#') break;
        if (skip_ > 0) {
            --skip_;
            continue;
        }
        if (!line.empty() && line[0] == ':') {
            ApplyGroups(std::string_view(line).substr(1), false);
            if (loopStart_ >= 0 && loopEnded_ && loopCount_ > 0) {
                for (int k = 1; k < loopCount_; ++k)
                    for (int b = 1; b <= loopBody_; ++b)
                        rows_.push_back({loopStart_ + b, selectOn_});
                loopStart_ = -1;
                loopCount_ = 0;
                loopEnded_ = false;
                loopBody_ = 0;
            }
            continue;
        }
        cmcCellObj scratch;
        int cells = 0;
        std::string_view rest = line;
        do {
            rest = ParseCell(rest, scratch, nullptr, nullptr, true);
            ++cells;
        } while (!rest.empty());
        columns_ = std::max(columns_, cells);
        rows_.push_back({line_, selectOn_});
        if (loopStart_ >= 0) ++loopBody_;
    }
    if (columns_ == 0 || rows_.empty()) platform::FatalStop("Illegal Cell assign");
}

void SheetDef::FillCells() {
    const int rowCount = RowCount();
    cells_.assign(static_cast<size_t>(columns_) * rowCount, cmcCellObj{});
    multiSelectable_.assign(cells_.size(), false);
    firstSelCol_ = columns_;
    firstSelRow_ = rowCount;
    const std::string entry = key_ + "_Cells";
    std::string line;
    for (int r = 0; r < rowCount; ++r) {
        const bool repeat = r > 0 && rows_[r].line == rows_[r - 1].line;
        if (!repeat) line = store_.GetLine(entry, rows_[r].line);
        std::string_view rest = line;
        bool more = true;
        for (int c = 0; c < columns_; ++c) {
            cmcCellObj& cell = Cell(c, r);
            if (repeat) {
                CopyModel(cell, Cell(c, r - 1));
                ++cell.Index;
            } else if (more) {
                rest = ParseCell(rest, cell, counters, &basic_);
                more = !rest.empty();
            } else {
                continue;  // the line is used up: the slot keeps the default model
            }
            AfterCell(cell);
            if (cell.Selectable) {
                firstSelCol_ = std::min(firstSelCol_, c);
                firstSelRow_ = std::min(firstSelRow_, r);
            }
            multiSelectable_[Slot(c, r)] = style_.multiSelect != 0 && rows_[r].multiSelect;
        }
    }
}
