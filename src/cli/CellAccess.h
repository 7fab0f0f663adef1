#pragma once
// Cells named on the command line, shown and edited through the cell dispatcher exactly as a
// sheet shows and edits them: text cells take the value as the in-place editor would, choice
// cells take one of their list's items.
#include <string>

#include "sheet/cmcCellObj.h"

namespace cli {

// "CT_Category.CL_Label[index]"; the category and the index may be left out. Throws
// UsageError naming the part that is wrong (a mistyped name is the user's, not the overlay's).
cmcCellObj ParseCellName(const std::string& text);
// The same cell written back in that form.
std::string CellName(const cmcCellObj& cell);

// What the cell shows. Throws UsageError for a label without behaviour.
std::string GetCell(cmcCellObj& cell);

struct SetOutcome {
    bool ok = true;
    std::string message;   // why the value was refused
    std::string storedAs;  // set when the cell's rules stored something other than the value
};

// Commits a value into the working image of the installed cell host. A choice cell takes the
// text of one of its items (letter case does not matter) or "#n" for the item of value n.
// A refused value leaves the image as it was.
SetOutcome SetCell(cmcCellObj& cell, const std::string& value);

// Whether two display texts say the same (surrounding spaces and letter case aside).
bool SameText(const std::string& a, const std::string& b);

}  // namespace cli
