#pragma once
// Copy and paste of a sheet's cells as tab-separated text, the form that spreadsheets and text
// editors exchange. A copy gives what the cells show, one line a row; a paste fills the cells
// from the top left of the block (the cursor without one) as typing would, through the
// dispatcher with the same checks, and takes all of it or nothing.
#include <cstddef>
#include <string>
#include <string_view>

class GridModel;

// The marked block (the current cell when nothing is marked), as the cells show it: fields
// separated by tabs, rows ended by line ends; only the block's selectable cells. A tab or line
// end inside a shown text becomes a space.
std::string CopyBlockText(GridModel& model);

struct PasteOutcome {
    bool ok = false;
    int cells = 0;        // cells the paste changed
    std::string message;  // why nothing was pasted, for the bottom bar
};

// Text larger than this is refused before it is read (no sheet has room for it).
inline constexpr size_t kMaxPasteBytes = size_t{1} << 20;

// Fills the cells from the block's top left: line i goes to the i-th row below it, field j to
// the j-th selectable cell of that row from the block's column on. Line ends may be LF, CRLF or
// CR. A field equal to what its cell shows changes nothing; anything else is typed into the
// cell, or chosen from its list by its text. When a cell refuses its value, or the text does
// not fit the sheet or holds a NUL, the image is put back as it was and the message names the
// first refused cell and why. The changes are one undo step.
PasteOutcome PasteBlockText(GridModel& model, std::string_view text);
