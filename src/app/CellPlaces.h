#pragma once
// Where each value cell of the program's sheets stands, so that it can be named in words: the
// sheet's caption in the tree, the row's heading and the column's heading ("International
// Channels", "Channel 16", "Name"). Undo captions, the compare of two images and the check
// after a write all name cells this way.
#include <memory>
#include <string>
#include <vector>

#include "sheet/TextHelpers.h"  // TrimSpaces, for the users of cell names
#include "sheet/cmcCellObj.h"

class SheetTree;
class ChannelSheetDef;

class CellPlaces {
  public:
    struct Place {
        int sheet = 0;
        int column = 0;
        int row = 0;
    };
    struct Sheet {
        std::string key;
        std::string caption;  // as the tree shows it
        std::unique_ptr<ChannelSheetDef> def;
    };

    CellPlaces();
    ~CellPlaces();
    CellPlaces(CellPlaces&&) noexcept;
    CellPlaces& operator=(CellPlaces&&) noexcept;

    // Every sheet of the tree (the EEPROM window aside) with every channel row shown, as the
    // model type builds them. The installed text store must hold the sheets.
    void Build(const SheetTree& tree, int modelType);
    bool Built() const { return built_; }
    int ModelType() const { return modelType_; }

    const std::vector<Sheet>& Sheets() const { return sheets_; }
    // The value cells (bound, outside the headings) in sheet, row and column order.
    const std::vector<Place>& Cells() const { return cells_; }
    cmcCellObj& Cell(const Place& place) const;
    // The first value cell showing the item (any label of the row for kCellNoLabel); null
    // when no sheet shows it.
    const Place* Find(int category, int label, int index) const;

    // "Channel 16", "No. 1 Distress alert", or a settings row's own label; with section, a
    // settings row is preceded by its section ("Automatic acknowledgement: Individual calls").
    // Rendered from the installed cell host's working image.
    std::string RowName(const Place& place, bool withSection) const;
    // The column's heading; empty on a sheet without headings.
    std::string ColumnName(const Place& place) const;
    // "channel 16 name", "own MMSI (DSC ID of this radio)": the cell in running text.
    std::string Phrase(const Place& place) const;

  private:
    std::string Shown(cmcCellObj& cell) const;

    bool built_ = false;
    int modelType_ = -1;
    std::vector<Sheet> sheets_;
    std::vector<Place> cells_;
};
