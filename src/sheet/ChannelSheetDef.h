#pragma once
// The sheet definition of the sheets the tree opens: besides the plain sheet it can show only
// the usable channels of the three channel tables (compacting the list, with a title to say
// so), and it skips blocks of lines that apply only to some models or installed options.
#include <functional>
#include <string>

#include "sheet/SheetDef.h"

// What a channel sheet reads from the application while it is built.
struct ChannelSheetContext {
    // Rows of a channel table (the memory map's count, which the sheets cannot see).
    static constexpr int kChannelRows = 418;

    bool usableOnly = false;  // the usable-only view of the channel lists
    int modelVariant = 2;     // the model type
    bool optionFlag = false;  // installed options: never set in this radio
    int optionCount = 0;
    // Whether a row of the channel table of a category is usable (in use, or its table's P or C
    // channel). Without it every row counts as usable.
    std::function<bool(int category, int row)> usable;
};

class ChannelSheetDef : public SheetDef {
  public:
    ChannelSheetDef(cmcGTex& store, std::string key, ChannelSheetContext context);

  protected:
    void ApplyStyleKey(std::string_view group) override;
    void ApplyRowDirective(std::string_view group) override;
    void AfterCell(cmcCellObj& cell) override;

  private:
    bool Usable(int row) const;
    bool CompactsChannels() const;

    ChannelSheetContext context_;
};
