#include "sheet/ChannelSheetDef.h"

#include "sheet/ModelTypes.h"
#include "sheet/TextHelpers.h"
#include "text/cmcGTex.h"

ChannelSheetDef::ChannelSheetDef(cmcGTex& store, std::string key, ChannelSheetContext context)
    : SheetDef(store, std::move(key)), context_(std::move(context)) {}

bool ChannelSheetDef::Usable(int row) const {
    return !context_.usable || context_.usable(BasicCell().Category, row);
}

// Only the three channel lists are compacted to their usable rows.
bool ChannelSheetDef::CompactsChannels() const {
    const std::string& key = Key();
    for (const char* prefix : {"GI_Sheet_IntCh", "GI_Sheet_UsaCh", "GI_Sheet_CanCh"})
        if (key.rfind(prefix, 0) == 0) return true;
    return false;
}

void ChannelSheetDef::ApplyStyleKey(std::string_view group) {
    if (group.substr(0, 10) == "WithUsable") {
        if (!context_.usableOnly) return;
        style_.title += " " + Store().GetLine("GI_AppInd_chSheet_Usable_Title", 0);
        style_.titleFont = std::make_unique<CellFont>();
        ApplyFontFields(*style_.titleFont, Store().GetLine("GI_AppInd_chSheet_Usable_Font", 0));
        return;
    }
    SheetDef::ApplyStyleKey(group);
}

void ChannelSheetDef::ApplyRowDirective(std::string_view group) {
    std::string_view rest;
    auto count = [&rest] { return ParseDecimal(rest); };
    if (GroupStartsWith(group, "LoopFrom", &rest) && TrimBlanks(rest).empty()) {
        int rows = ChannelSheetContext::kChannelRows;
        if (context_.usableOnly) {
            rows = 0;
            for (int row = 0; row < ChannelSheetContext::kChannelRows; ++row)
                if (Usable(row)) ++rows;
        }
        StartLoop(rows);
    } else if (GroupStartsWith(group, "OnlyOption", &rest)) {
        if (!context_.optionFlag) SkipLines(count());
    } else if (GroupStartsWith(group, "OnlyOpt2", &rest)) {
        if (context_.optionCount <= 1) SkipLines(count());
    } else if (GroupStartsWith(group, "OnlyOpt3", &rest)) {
        if (context_.optionCount <= 2) SkipLines(count());
    } else if (GroupStartsWith(group, "Only_UsaAusExpModel", &rest)) {
        if (!UsesUsLists(context_.modelVariant)) SkipLines(count());
    } else {
        SheetDef::ApplyRowDirective(group);
    }
}

void ChannelSheetDef::AfterCell(cmcCellObj& cell) {
    if (!context_.usableOnly || !CompactsChannels()) return;
    int row = cell.Index < 0 ? 0 : cell.Index;
    while (row < ChannelSheetContext::kChannelRows && !Usable(row)) ++row;
    cell.Index = row < ChannelSheetContext::kChannelRows ? row : ChannelSheetContext::kChannelRows;
}
