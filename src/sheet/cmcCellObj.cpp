#include "sheet/cmcCellObj.h"

cmcCellObj::cmcCellObj(const cmcCellObj& other) {
    *this = other;
}

cmcCellObj& cmcCellObj::operator=(const cmcCellObj& other) {
    if (this == &other) return *this;
    Parent = other.Parent;
    Vars = other.Vars;
    Category = other.Category;
    Label = other.Label;
    Index = other.Index;
    Argument = other.Argument;
    ImageIndex = other.ImageIndex;
    HAlign = other.HAlign;
    VAlign = other.VAlign;
    AutoWidth = other.AutoWidth;
    AutoHeight = other.AutoHeight;
    JoinLeft = other.JoinLeft;
    BottomLine = other.BottomLine;
    RightLine = other.RightLine;
    Selectable = other.Selectable;
    OwnedByLeft = other.OwnedByLeft;
    Flags = other.Flags;
    Color = other.Color;
    Font = other.Font ? std::make_unique<CellFont>(*other.Font) : nullptr;
    PopupMenu = other.PopupMenu;
    Text = other.Text;
    return *this;
}

cmcCellObj::~cmcCellObj() = default;

void ResetFromParent(cmcCellObj& model) {
    const cmcCellObj* parent = model.Parent;
    int32_t* vars = model.Vars;
    int32_t category = model.Category;
    int32_t index = model.Index;
    if (parent) {
        model = *parent;  // duplicates Argument and Text
        model.Font.reset();
        model.PopupMenu.clear();
    } else {
        model = cmcCellObj();
        model.Category = category;
        model.Index = index;
    }
    model.Parent = parent;
    model.Vars = vars;
}

void SetText(cmcCellObj& model, std::string_view text) {
    model.Text.assign(text);
}

const std::string& GetText(const cmcCellObj& model) {
    return model.Text;
}

void CopyModel(cmcCellObj& target, const cmcCellObj& source) {
    target = source;
}

CellAddress GetAddress(const cmcCellObj& model) {
    return {model.Category, model.Label, model.Index};
}

const CellFont* EffectiveFont(const cmcCellObj& model, const cmcCellObj& basicCell) {
    return model.Font ? model.Font.get() : basicCell.Font.get();
}

std::string EffectivePopupMenu(const cmcCellObj& model) {
    for (const cmcCellObj* cell = &model; cell; cell = cell->Parent)
        if (!cell->PopupMenu.empty()) return cell->PopupMenu;
    return {};
}
