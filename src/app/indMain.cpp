#include "app/indMain.h"

#include "app/ImageCompare.h"
#include "app/RowCautions.h"
#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/CompareBaseImage.h"
#include "radio/RecordRowCommands.h"
#include "radio/SettingsMap.h"
#include "radio/cmcCellCapsule.h"
#include "radio/datClipCh.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

indMain::indMain()
    : cuiMain("KELDA", cmcEeprom::kImageSize),
      model_(Working(), Reference(), nullptr),
      clipboard_(std::make_unique<datClipCh>()),
      rowCommands_(std::make_unique<RecordRowCommands>(*clipboard_)),
      compareBase_(std::make_unique<CompareBaseImage>(Working(), Scratch())) {
    model_.SetHost(this);
    rowCommands_->SetCautionAsker(&AskRowCaution);
    rowCommands_->SetUsableOnlyQuery([] { return Environ().chListView; });
    indMain::InitIdentity();
    EvMan().Subscribe(&indMain::OnEvent, this);
}

indMain::~indMain() {
    EvMan().Unsubscribe(&indMain::OnEvent, this);
}

void indMain::InitIdentity() {
    cuiMain::InitIdentity();
    SetCodes(RadioModel::kModelCode, RadioModel::kSubCode);
}

bool indMain::IsOwnImage(const cmcEeprom& image, bool strict) {
    return model_.IsOwnImage(image, strict);
}
bool indMain::CheckImageExtra(const cmcEeprom& image) {
    return model_.CheckImageExtra(image);
}
void indMain::OnImageLoaded(cmcEeprom& image) {
    model_.OnImageLoaded(image);
}
void indMain::AdoptImage(cmcEeprom& image, bool forSave) {
    model_.AdoptImage(image, forSave);
}
void indMain::AdjustImage(cmcEeprom& image) {
    model_.AdjustImage(image);
}
bool indMain::ConfirmMakerWrite() {
    return model_.ConfirmMakerWrite();
}

void indMain::LoadStartImage() {
    // Whatever was stored, the program starts with the start model.
    model_.SetModelType(RadioModel::kStartModelType);
    Environ().modelType = RadioModel::kStartModelType;
    model_.LoadInitialFile(RadioModel::kStartModelType);
    ResetDocumentToReference();
}

void indMain::RefreshTreeData() {
    cuiMain::RefreshTreeData();
    SheetTree& tree = MutableTree();
    tree.ApplyRegional(Working().GetByte(smap::kFunctionSwitches), model_.ModelType(),
                       model_.MakerMode());
    if (!tree.Nodes().empty()) {
        tree.Nodes().front().cell.Text += GTex().GetLine(keys::kAppIndModel, model_.ModelType());
    }
}

void indMain::BuildTree() {
    cuiMain::BuildTree();
}

bool indMain::UsableOnlyView() const {
    return Environ().chListView;
}

std::string indMain::RecentFile(int index) const {
    if (index < 0) return {};
    return Environ().recentFiles.At(static_cast<size_t>(index));
}

int indMain::FontSize() const {
    return Environ().fontSizePercentage;
}
bool indMain::ToolbarVisible() const {
    return Environ().toolbarVisible;
}
int indMain::SelectedPort() const {
    return Environ().comPort;
}

int indMain::CloneInfoModel() const {
    return RadioIdentity()[5];
}

std::string indMain::CloneInfoRevision() const {
    const auto& id = RadioIdentity();
    return std::string(reinterpret_cast<const char*>(&id[26]), 5);
}

std::string indMain::CloneInfoComment() const {
    const auto& id = RadioIdentity();
    return std::string(reinterpret_cast<const char*>(&id[7]), 16);
}

const cmcEeprom* indMain::CompareBase() const {
    return &compareBase_->Base();
}

std::string indMain::DebugCompare() {
    return compareBase_->Compare();
}

void indMain::AboutKeyPress(char key) {
    static constexpr char kMakerWord[] = "svcmode";
    constexpr size_t kLength = sizeof kMakerWord - 1;
    if (key >= 'A' && key <= 'Z') key = static_cast<char>(key - 'A' + 'a');
    aboutKeys_ += key;
    if (aboutKeys_.size() > kLength) aboutKeys_.erase(0, aboutKeys_.size() - kLength);
    if (aboutKeys_ == kMakerWord) EnterManufacturerMode();
}

RowCommander* indMain::RowCommands() {
    return rowCommands_.get();
}

void indMain::RunCommand(AppCommand command, int argument, const std::string& text) {
    switch (command) {
        case AppCommand::kNew:
            New();
            break;
        case AppCommand::kOpen:
            OpenWithDialog();
            break;
        case AppCommand::kSave:
            Save();
            break;
        case AppCommand::kSaveAs:
            SaveAs();
            break;
        case AppCommand::kOpenRecent: {
            std::string path = RecentFile(argument);
            if (!path.empty()) OpenFile(path);
            break;
        }
        case AppCommand::kSelectPort:
            Environ().comPort = argument;
            EvMan().Send(ev::kMenusBuilt);
            break;
        case AppCommand::kCloneRead:
            ReadFromRadio();
            break;
        case AppCommand::kCloneWrite:
            WriteToRadio();
            break;
        case AppCommand::kCloneInfo:
            CloneInformation();
            break;
        case AppCommand::kCloneFleet:
            if (ReadyToWriteTemplate())
                View().RunWindowCommand(static_cast<int>(command), argument, text);
            break;
        case AppCommand::kChangeModel: {
            RecordStep({});
            UndoWhat what;
            what.kind = UndoWhat::kModelChange;
            what.modelBefore = model_.ModelType();
            what.documentBefore = DocumentState();
            if (model_.ChangeModel(argument, true)) {
                what.documentAfter = DocumentState();
                RecordStep(what);
            }
            break;
        }
        default:
            // Printing, the port dialogs, fonts, the toolbar and sheets are the window's.
            View().RunWindowCommand(static_cast<int>(command), argument, text);
            break;
    }
}

void indMain::ModelTypeChanged(int type) {
    Environ().modelType = type;
}

void indMain::DocumentReset() {
    // Only a model change replaces the document this way, and it can be undone.
    ResetDocumentToReference(true);
}

void indMain::RecordChange(const cmcCellCapsule& req) {
    UndoWhat what;
    if (req.cell == nullptr) return RecordStep(what);
    what.category = req.cell->Category;
    what.label = req.cell->Label;
    what.row = req.cell->Index;
    what.lastRow = what.row;
    if (req.menuCommand >= CL_PMenu_Copy && req.menuCommand <= CL_PMenu_Insert) {
        what.kind = UndoWhat::kRowCommand;
        what.command = req.menuCommand;
        if (req.rowSelFlags & cmcCellCapsule::kRowBlock) {
            what.row = req.rowSelFirst;
            what.lastRow = req.rowSelLast;
        }
    } else {
        what.kind = UndoWhat::kCellEdit;
    }
    RecordStep(what);
}

const CellPlaces& indMain::CellNames() const {
    if (namesStale_ || names_.ModelType() != model_.ModelType()) {
        names_.Build(Tree(), model_.ModelType());
        namesStale_ = false;
    }
    return names_;
}

namespace {

// The text of a row command as its popup menu shows it, without "..." and the '&' marks.
std::string RowCommandName(int command) {
    cmcCellObj basic;
    for (int n = 0;; ++n) {
        std::string line = GTex().GetLine(keys::kPMenuRowBody, n);
        if (line.empty() || line[0] == '#') return {};
        cmcCellObj item;
        ParseCell(line.substr(line.find('+') + 1), item, nullptr, &basic);
        if (item.Label != command) continue;
        std::string text;
        for (char ch : item.Text)
            if (ch != '&') text += ch;
        while (!text.empty() && text.back() == '.') text.pop_back();
        return text;
    }
}

}  // namespace

std::string indMain::DescribeStep(const UndoWhat& what) const {
    auto line = [](int n) { return GTex().GetLine(keys::kAppMessUndo, n); };
    switch (what.kind) {
        case UndoWhat::kCellEdit: {
            const CellPlaces& names = CellNames();
            if (auto* place = names.Find(what.category, what.label, what.row))
                return FormatOverlay(line(4), {names.Phrase(*place)});
            return {};
        }
        case UndoWhat::kRowCommand: {
            const CellPlaces& names = CellNames();
            auto* first = names.Find(what.category, kCellNoLabel, what.row);
            auto* last = names.Find(what.category, kCellNoLabel, what.lastRow);
            std::string command = RowCommandName(what.command);
            if (first == nullptr || command.empty()) return {};
            std::string rows =
                names.Sheets()[first->sheet].caption + " " + names.RowName(*first, false);
            if (last != nullptr && what.lastRow != what.row)
                rows = FormatOverlay(line(10), {rows, names.RowName(*last, false)});
            return FormatOverlay(line(5), {command, rows});
        }
        case UndoWhat::kImport:
            return FormatOverlay(line(6), {what.text});
        case UndoWhat::kModelChange:
            return FormatOverlay(line(7), {GTex().GetLine(keys::kAppIndModel, what.modelAfter)});
        case UndoWhat::kRadioRead:
            return line(8);
        case UndoWhat::kChange:
            break;
    }
    return {};
}

void indMain::AfterHistoryStep(int modelType, const std::vector<UndoHistory::Range>& changed) {
    if (modelType >= 0 && modelType != model_.ModelType()) {
        model_.ChangeModel(modelType, false);  // loads its factory image and rebuilds the tree
        return;
    }
    // The function switches decide which regional sheets the tree shows.
    for (const auto& r : changed) {
        if (r.first <= smap::kFunctionSwitches && smap::kFunctionSwitches <= r.last) {
            EvMan().Send(ev::kRebuildTree);
            return;
        }
    }
}

void indMain::OnEvent(void* self, HubEvent& event) {
    auto* app = static_cast<indMain*>(self);
    if (event.code == ev::kMenusBuilt) {
        // Menus and toolbar ask their states afresh.
        EvMan().Send(ev::kRefreshMenuStates);
        EvMan().Send(ev::kRefreshToolbar);
        return;
    }
    if (event.code == ev::kRebuildTree) {
        app->namesStale_ = true;
        // The image may have changed its regional tables: the tree follows.
        app->RebuildTreeData();
        app->View().TreeChanged();
    }
}

std::vector<std::string> indMain::DescribeDifferences(const cmcEeprom& sent,
                                                      const cmcEeprom& held) {
    // The cells are rendered from the working image: lend it each side in turn.
    cmcEeprom kept;
    kept.Assign(Working());
    Working().Assign(sent);
    SheetValues before = TakeSheetValues(Tree(), model_.ModelType());
    Working().Assign(held);
    SheetValues after = TakeSheetValues(Tree(), model_.ModelType(), &before);
    Working().Assign(sent);
    std::vector<std::string> lines;
    for (const CellDifference& d : CompareSheetValues(before, after)) {
        if (d.a < 0 || d.b < 0) continue;
        lines.push_back(CellPath(*before.names, before.names->Cells()[d.a]) + ": \"" +
                        TrimSpaces(before.values[d.a]) + "\" -> \"" +
                        TrimSpaces(after.values[d.b]) + "\"");
    }
    Working().Assign(kept);
    return lines;
}
