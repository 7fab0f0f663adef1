#include "app/indMain.h"

#include "app/EventCodes.h"
#include "app/cmcEvMan.h"
#include "app/indEnviron.h"
#include "radio/SettingsMap.h"
#include "radio/datClipCh.h"
#include "radio/datRowCommands.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

indMain::indMain()
    : cuiMain("KELDA", cmcEeprom::kImageSize),
      model_(Working(), Reference(), nullptr),
      clipboard_(std::make_unique<datClipCh>()),
      rowCommands_(std::make_unique<datRowCommands>(*clipboard_)) {
    model_.SetHost(this);
    indMain::InitIdentity();
    EvMan().Subscribe(&indMain::OnEvent, this);
}

indMain::~indMain() {
    EvMan().Unsubscribe(&indMain::OnEvent, this);
}

void indMain::InitIdentity() {
    cuiMain::InitIdentity();
    SetCodes(indModel::kModelCode, indModel::kSubCode);
}

bool indMain::CheckImageIdentity(const cmcEeprom& image, bool strict) {
    return model_.CheckImageIdentity(image, strict);
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
    model_.SetModelType(indModel::kStartModelType);
    Environ().modelType = indModel::kStartModelType;
    model_.LoadInitialFile(indModel::kStartModelType);
    ResetDocumentToReference();
}

void indMain::RefreshTreeData() {
    cuiMain::RefreshTreeData();
    cmcSheetTree& tree = MutableTree();
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

cmcRowCommander* indMain::RowCommands() {
    return rowCommands_.get();
}

void indMain::RunCommand(cmcAppCommand command, int argument, const std::string& text) {
    switch (command) {
        case cmcAppCommand::kNew:
            New();
            break;
        case cmcAppCommand::kOpen:
            OpenWithDialog();
            break;
        case cmcAppCommand::kSave:
            Save();
            break;
        case cmcAppCommand::kSaveAs:
            SaveAs();
            break;
        case cmcAppCommand::kOpenRecent: {
            std::string path = RecentFile(argument);
            if (!path.empty()) OpenFile(path);
            break;
        }
        case cmcAppCommand::kSelectPort:
            Environ().comPort = argument;
            EvMan().Send(ev::kMenusBuilt);
            break;
        case cmcAppCommand::kCloneRead:
            ReadFromRadio();
            break;
        case cmcAppCommand::kCloneWrite:
            WriteToRadio();
            break;
        case cmcAppCommand::kCloneInfo:
            CloneInformation();
            break;
        case cmcAppCommand::kChangeModel:
            model_.ChangeModel(argument, true);
            break;
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
    ResetDocumentToReference();
}

void indMain::OnEvent(void* self, cmcEvent& event) {
    auto* app = static_cast<indMain*>(self);
    if (event.code == ev::kRebuildTree) {
        // The image may have changed its regional tables: the tree follows.
        app->RebuildTreeData();
        app->View().TreeChanged();
    }
}
