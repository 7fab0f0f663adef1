#include "sheet/BitFieldOverlay.h"

std::vector<std::string> BitFieldOverlayLines(const std::vector<std::string>& headings) {
    // Heading cells over bit cells, the empty heading cells over the pillars between bits.
    std::string headingRow, dataRow;
    for (size_t i = 0; i < headings.size(); ++i) {
        headingRow += "|{($iChI)}" + headings[i] + "|";
        if (i > 0) dataRow += "{($iQp)}";
        dataRow += "|{($eWh)^(%CL_FBits[" + std::to_string(i + 1) + "])}9|";
    }
    return {
        "#GI_Sheet_FBitsR_Style",
        "(FixedCols=1)(FixedRows=1)",
        "#GI_Sheet_FBitsR_BasicCell",
        "{($Basic)(PopupMenu=GI_PMenu_NoItem)}",
        "#GI_Sheet_FBitsR_Cells",
        "",
        headingRow,
        "",
        dataRow,
        "",
        "",
        "#",
        "#CellModel_iChI",
        "^-WH(Color=clGray)(Font=,,clWhite,,,fsBold,)",
        "#CellModel_eWh",
        "S<_WHB",
        "#CellModel_iQp",
        "(%CT_Null.CL_Misc_QuarterPillar)",
        "#CellModel_Basic",
        "<-(Color=clWindow)(Font=DEFAULT_CHARSET,,clWindowText,-17,,,)(PopupMenu=GI_PMenu_Edit)",
        "#GI_PMenu_NoItem_BasicCell",
        "{($Basic)}",
        "#GI_PMenu_NoItem_Body",
        "+No item\t{(%CT_PopupMenu.CL_PMenu_NoItem)}",
        "#",
        "#GI_PMenu_Edit_BasicCell",
        "{($Basic)(%CT_PopupMenu.)}",
        "#GI_PMenu_Edit_Body",
        "+Edit...\t{(%CT_PopupMenu.CL_PMenu_Edit:Enter)}",
        "#",
        "#End_Of_Ovl",
    };
}
