#pragma once
// The one entry point through which sheets, menus, the toolbar, the tree, printing and the
// warning check show, edit and run any cell. A call renders the cell's text from the working
// image, reacts to the request's key, command or committed value, and writes changes back.
#include <cstdint>
#include <string>

#include "radio/cmcCellCapsule.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"

class CellDispatchHost;
class cmcCellObj;
class cmcEeprom;

// Returns the editor signal: 0 nothing more, 1 a chooser was opened, 2 the caller opens the
// in-place editor on the display text with the request's selection. `notify` asks for the
// request's notify callback with the change flags.
EditorSignal DispatchCell(cmcCellCapsule& request, bool notify);

// Why the last dispatch refused a committed value, as the bottom bar says it; empty when
// nothing was refused.
std::string RefusalText(const cmcCellCapsule& request);

// Text of a cell rendered without a grid (the key is handed on as given).
std::string CellText(cmcCellObj& cell, int key);
// The dispatcher's answer for the cell with the key and no grid (Enter runs a command cell).
EditorSignal CellRun(cmcCellObj& cell, int key);
// Error / Warning bit of a cell rendered with key 0.
bool CellError(int category, int label, int row);
bool CellWarning(int category, int label, int row);
// Both bits at once (cmcCellCapsule::kWarning | kError).
uint8_t CellCheckFlags(int category, int label, int row);

// Change flags handed to the notify callback (the grid's redraw mask).
namespace cellchange {
inline constexpr int kThisCell = 0x01;
inline constexpr int kSameRow = 0x08;
inline constexpr int kAllBound = 0x20;
}  // namespace cellchange

// What a label handler works with during one dispatch.
struct CellCall {
    cmcCellCapsule& req;
    CellDispatchHost& host;
    cmcEeprom& image;
    cmcCellObj& cell;
    datCh rec;      // loaded on the cell's table and row (table 0: nothing)
    int table = 0;  // record table of the cell (of the opener for popup-menu items)
    int row = 0;
    int changeFlags = cellchange::kThisCell;
    bool restricted = false;  // report "edit restricted" in the bottom bar

    bool Painting() const { return req.canvas != nullptr; }
    // Not editable: olive text while painting; a typed key or F2 is swallowed and reported.
    void ReadOnly();
    // Paints the text in a colour (no effect unless painting).
    void TextColor(uint32_t color) const;
    // The cell's own text from its markup.
    const std::string& OwnText() const;
    // "%d *Yet*": a label without behaviour.
    void NotYet();
    void SetError() { req.resultFlags |= cmcCellCapsule::kError; }
    void SetWarning() { req.resultFlags |= cmcCellCapsule::kWarning; }
};

using CellHandler = void (*)(CellCall& call);

// Label -> handler. Each group of cells registers its handlers when the table is first built.
class CellHandlerTable {
  public:
    void Set(int label, CellHandler handler);
    void SetRange(int firstLabel, int lastLabel, CellHandler handler);
    CellHandler Get(int label) const;

  private:
    static constexpr int kSize = kCellLabelCount;
    CellHandler handlers_[kSize] = {};
};

// The groups of handlers; the table calls each once (CellDispatcher.cpp lists them).
void RegisterRecordCells(CellHandlerTable& table);
void RegisterCommandCells(CellHandlerTable& table);
