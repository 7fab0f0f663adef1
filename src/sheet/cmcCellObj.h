#pragma once
// One cell of a sheet, menu or dialog, parsed from its line of overlay markup:
//
//   display text {attributes} ...      cells of a line are cut at '|'
//
// Attributes are alignment and flag characters and parenthesised groups: ($model), (Color=..),
// (Font=..), (%category.label[index]:argument), (@chN++), (@chN=v), (ImageIndex=n),
// (PopupMenu=name), (FlagN=0|1).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sheet/CellCatalogue.h"
#include "sheet/CellFont.h"
#include "sheet/NameTables.h"

// Values of a cell that names no category or no label (one past the last of each).
constexpr int32_t kCellNoCategory = kNoCellCategory;
constexpr int32_t kCellNoLabel = kNoCellLabel;

// Number of channel counters @ch0 .. @ch9 a sheet keeps while its cells are parsed.
constexpr int kChannelCounters = 10;

// Identifies the radio item behind a cell.
struct CellAddress {
    int32_t Category = kCellNoCategory;
    int32_t Label = kCellNoLabel;
    int32_t Index = 0;
    bool operator==(const CellAddress&) const = default;
};

enum : uint8_t { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };
enum : uint8_t { kAlignTop = 0, kAlignMiddle = 1, kAlignBottom = 2 };
enum : uint8_t { kRightLineNone = 0, kRightLineFull = 1, kRightLineLow = 2 };

// Menu items use the free flag bits as their state.
enum : uint8_t {
    kFlagChecked = 1 << 0,
    kFlagHidden = 1 << 1,
    kFlagDisabled = 1 << 2,
    kFlagCaption = 1 << 3,
};

class cmcCellObj {
  public:
    cmcCellObj() = default;
    // Copies are full copies (owned strings and the font); Parent and Vars stay borrowed.
    cmcCellObj(const cmcCellObj& other);
    cmcCellObj& operator=(const cmcCellObj& other);
    cmcCellObj(cmcCellObj&&) noexcept = default;
    cmcCellObj& operator=(cmcCellObj&&) noexcept = default;
    ~cmcCellObj();

    const cmcCellObj* Parent = nullptr;  // borrowed: the model this one starts from
    int32_t* Vars = nullptr;             // borrowed, only while parsing: @ch0 .. @ch9

    int32_t Category = kCellNoCategory;
    int32_t Label = kCellNoLabel;
    int32_t Index = 0;
    std::optional<std::string> Argument;  // shortcut of a menu item, text of a choice value
    int32_t ImageIndex = -1;

    uint8_t HAlign = kAlignLeft;
    uint8_t VAlign = kAlignTop;
    bool AutoWidth = false;
    bool AutoHeight = false;
    bool JoinLeft = false;
    bool BottomLine = false;
    uint8_t RightLine = kRightLineNone;
    bool Selectable = false;
    bool OwnedByLeft = false;
    uint8_t Flags = 0;  // Flag0 .. Flag7

    uint32_t Color = kClWindow;
    std::unique_ptr<CellFont> Font;  // none: the font of the sheet's basic cell
    std::string PopupMenu;           // empty: look it up through the parent
    std::string Text;                // empty when the cell has no display text

    bool Flag(int n) const { return (Flags >> n) & 1; }
    void SetFlag(int n, bool on) {
        Flags = on ? uint8_t(Flags | (1u << n)) : uint8_t(Flags & ~(1u << n));
    }
    bool IsBound() const { return Label != kCellNoLabel; }
};

// Cuts the first cell off `line`, resets `model` from `parent` and, unless `splitOnly`, applies
// the cell's attributes and display text with `vars` (may be null) as the channel counters.
// Returns the rest of the line after the cell's '|'; empty when no further cell follows.
std::string_view ParseCell(std::string_view line, cmcCellObj& model, int32_t* vars,
                           const cmcCellObj* parent, bool splitOnly = false);

// All fields to their defaults (Category and Index stay when there is no parent), then, with a
// parent, every field copied from it except Font and PopupMenu, which are found through it.
void ResetFromParent(cmcCellObj& model);

// Attribute text (flag characters and groups, no braces) and a single group's text.
void ApplyAttributes(cmcCellObj& model, std::string_view attributes);
void ApplyGroup(cmcCellObj& model, std::string_view group);

void SetText(cmcCellObj& model, std::string_view text);
const std::string& GetText(const cmcCellObj& model);

void CopyModel(cmcCellObj& target, const cmcCellObj& source);
CellAddress GetAddress(const cmcCellObj& model);

// The cell's own font, else the basic cell's; null when neither has one.
const CellFont* EffectiveFont(const cmcCellObj& model, const cmcCellObj& basicCell);
// The first popup-menu name on the way from the model up through its parents; empty for none.
std::string EffectivePopupMenu(const cmcCellObj& model);
