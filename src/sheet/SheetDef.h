#pragma once
// The view-free part of a sheet: reads the overlay entries K_Style, K_BasicCell and K_Cells of a
// sheet key K, expands the rows of K_Cells (loops, selection directives) and parses every cell
// into its slot. A view (screen grid, printer, preview) builds on this and only measures and
// paints; the data tests build every shipped sheet with it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/CellFont.h"
#include "sheet/cmcCellObj.h"

class cmcGTex;

struct SheetStyle {
    std::string title;  // empty: no title bar
    uint32_t titleColor = kClGrayText;
    std::unique_ptr<CellFont> titleFont;  // none: the framework's font
    int fixedCols = 0;
    int fixedRows = 0;
    bool noPrint = false;
    int printFontRatio = 100;
    int multiSelect = 0;  // 0 off, 1 cells, 2 whole lines
    bool colSizing = false;
    bool colorSelectLine = false;
};

struct SheetRow {
    int32_t line = 0;         // line of K_Cells the row comes from
    bool multiSelect = true;  // the row takes part in multi-selection
};

class SheetDef {
  public:
    SheetDef(cmcGTex& store, std::string key);
    virtual ~SheetDef();
    SheetDef(const SheetDef&) = delete;
    SheetDef& operator=(const SheetDef&) = delete;

    // Style, basic cell, counting and filling, in that order. `basicExtra` is markup appended
    // to the basic cell's line (the view's font-size override).
    void Build(std::string_view basicExtra = {});

    void ReadStyle();
    void LoadBasicCell(std::string_view basicExtra = {});
    // Reads K_Cells into the row table; no rows or no columns is fatal ("Illegal Cell assign").
    void CountCells();
    // Parses every cell of every row into its slot (rows repeated by a loop copy the row above
    // with the item number one higher).
    void FillCells();

    const std::string& Key() const { return key_; }
    cmcGTex& Store() const { return store_; }
    const SheetStyle& Style() const { return style_; }
    const cmcCellObj& BasicCell() const { return basic_; }
    const std::vector<SheetRow>& Rows() const { return rows_; }
    int ColumnCount() const { return columns_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Fixed columns and rows as the grid takes them: at most one less than the count.
    int FixedCols() const;
    int FixedRows() const;
    cmcCellObj& Cell(int column, int row) { return cells_[Slot(column, row)]; }
    const cmcCellObj& Cell(int column, int row) const { return cells_[Slot(column, row)]; }
    bool MultiSelectable(int column, int row) const { return multiSelectable_[Slot(column, row)]; }
    // Smallest column and row holding a selectable cell; the counts when there is none.
    int FirstSelectableColumn() const { return firstSelCol_; }
    int FirstSelectableRow() const { return firstSelRow_; }

    // The channel counters @ch0 .. @ch9; zero at creation and kept across builds.
    int32_t counters[kChannelCounters] = {};

  protected:
    // One group of K_Style (the text between the parentheses).
    virtual void ApplyStyleKey(std::string_view group);
    // One group of a directive line of K_Cells.
    virtual void ApplyRowDirective(std::string_view group);
    // Called for every cell after it was parsed or copied from the row above.
    virtual void AfterCell(cmcCellObj& /*cell*/) {}

    // Directive helpers for subclasses.
    void StartLoop(int count);  // at the directive line being read; counts below 1 are 1
    void EndLoop();
    void SkipLines(int count) { skip_ = count > 0 ? count : 0; }

    SheetStyle style_;

  private:
    size_t Slot(int column, int row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(columns_) +
               static_cast<size_t>(column);
    }
    void ApplyGroups(std::string_view line, bool style);

    cmcGTex& store_;
    std::string key_;
    cmcCellObj basic_;
    std::vector<SheetRow> rows_;
    int columns_ = 0;
    std::vector<cmcCellObj> cells_;
    std::vector<bool> multiSelectable_;
    int firstSelCol_ = 0;
    int firstSelRow_ = 0;

    // State of CountCells.
    int line_ = 0;
    int skip_ = 0;
    int loopStart_ = -1;
    int loopCount_ = 0;
    bool loopEnded_ = false;
    int loopBody_ = 0;
    bool selectOn_ = true;
};

// Whether a directive or style group begins with `key` (and the rest of the group after it).
bool GroupStartsWith(std::string_view group, std::string_view key, std::string_view* rest);
