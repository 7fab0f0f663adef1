#include "app/cuiMain.h"

#include <set>
#include <utility>

#include "app/CloneMessages.h"
#include "app/FileMessages.h"
#include "app/RecentFileList.h"
#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "base/cmcTick.h"
#include "comm/indCloneMan.h"
#include "platform/FileDialogs.h"
#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "radio/CellDispatcher.h"
#include "radio/CellUi.h"
#include "radio/WarningCheck.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcClnFile.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

std::string TrimSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Shows the busy cursor for the life of a command.
class BusyCursor {
  public:
    explicit BusyCursor(DocumentView& view) : view_(view) { view_.SetBusy(true); }
    ~BusyCursor() { view_.SetBusy(false); }

  private:
    DocumentView& view_;
};

}  // namespace

cuiMain::cuiMain(std::string baseName, int imageSize)
    : baseName_(std::move(baseName)), imageSize_(imageSize) {
    const std::string& stored = Environ().currentDirectory;
    if (!stored.empty())
        documentDirectory_ = stored;
    else {
        documentDirectory_ = platform::DocumentsFolder();
        if (documentDirectory_.empty()) documentDirectory_ = platform::CurrentFolder();
    }
    cloneMan_ = std::make_unique<indCloneMan>();
    cloneMan_->SetPortSource([] { return Environ().comPort; });
    cloneMan_->SetFailureReport(&ShowCloneFailure);
    working_.SetSize(imageSize_);
    reference_.Assign(working_);
    history_.Reset(working_);
    InitIdentity();
}

cuiMain::~cuiMain() = default;

void cuiMain::InitIdentity() {
    SetCodes(0, 0);
    cloneMan_->SetInfoCheck(&cuiMain::InformationCheck, this);
    cloneMan_->SetReadCheck(&cuiMain::ReadCheck, this);
}

std::string cuiMain::FileNamePart(const std::string& path) {
    return platform::FileNamePart(path);
}

std::string cuiMain::DirectoryPart(const std::string& path) {
    std::string folder = platform::FolderPart(path);
    return folder.empty() ? platform::CurrentFolder() : folder;
}

std::string cuiMain::DocumentName() const {
    if (!documentPath_.empty()) return documentPath_;
    return platform::JoinPath(documentDirectory_.empty() ? std::string("/") : documentDirectory_,
                              "Untitled");
}

std::string cuiMain::Title() const {
    return FileNamePart(DocumentName()) + " - " + GTex().GetLine(keys::kSysAppTitle, 0);
}

void cuiMain::UpdateTitle() {
    View().SetTitle(Title());
}

bool cuiMain::CheckModified() {
    if (working_.Differs(baseline_)) {
        modified_ = true;
        UpdateTitle();
    }
    return modified_;
}

void cuiMain::MarkSaved() {
    baseline_.Assign(working_);
    modified_ = false;
    UpdateTitle();
}

void cuiMain::SetDocumentPath(const std::string& path) {
    documentPath_ = path;
    UpdateTitle();
}

void cuiMain::ResetDocumentToReference(bool keepHistory) {
    working_.Assign(reference_);
    MarkSaved();
    scratch_.Assign(reference_);
    SetDocumentPath("");
    if (!keepHistory) history_.Reset(working_);
}

void cuiMain::RecentAdd(const std::string& path) {
    Environ().recentFiles.Add(path);
}

std::string cuiMain::RecentDisplayName(int index, const std::string& directory) const {
    if (index < 0) return {};
    std::string entry = Environ().recentFiles.At(static_cast<size_t>(index));
    if (entry.empty()) return {};
    if (RecentFileList::SamePath(TrimSlash(DirectoryPart(entry)), TrimSlash(directory)))
        return FileNamePart(entry);
    return entry;
}

int cuiMain::ConfirmDiscard(bool anotherFile) {
    EvMan().Send(ev::kCommitEditors);
    std::string question = anotherFile
                               ? GTex().GetLine(keys::kMessConfirmWriteAnother, 0)
                               : FormatOverlay(GTex().GetLine(keys::kMessConfirmWriteFile, 0),
                                               {FileNamePart(DocumentName())});
    if (!modified_) return kGoOn;
    int answer = platform::GetPrompter().Show(question, GTex().GetLine(keys::kSysAppTitle, 0),
                                              platform::PromptIcon::Warning,
                                              platform::PromptButtons::YesNoCancel);
    if (answer == platform::kAnswerNo) return kGoOnWithoutSaving;
    if (answer != platform::kAnswerYes) return kCancel;
    int saved = (Untitled() || anotherFile) ? SaveAs() : SaveToFile(documentPath_);
    return saved == 0 ? kGoOn : kCancel;
}

void cuiMain::New() {
    if (ConfirmDiscard(false) == kCancel) return;
    working_.Assign(reference_);
    ++documentSerial_;
    MarkSaved();
    history_.Reset(working_);
    SetDocumentPath("");
    View().CloseSheet();
    EvMan().Send(ev::kRebuildTree);
}

int cuiMain::OpenWithDialog() {
    EvMan().Send(ev::kCommitEditors);
    platform::FileDialogRequest req;
    req.defaultExtension = GTex().GetLine(keys::kSysDialogFOpen, 0);
    req.filter = GTex().GetLine(keys::kSysDialogFOpen, 1);
    req.initialDirectory = documentDirectory_;
    auto path = platform::GetFileDialogs().AskOpen(req);
    if (!path) return 1;
    return OpenFile(*path);
}

FileError cuiMain::ReadDocumentFile(const std::string& path, cmcEeprom& image) {
    cmcClnFile file;
    file.Attach(&image);
    file.SetCodes(modelCode_, subCode_);
    file.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
    FileError code = file.Read(path, nullptr);
    if (code == FileError::kNone) {
        if (!IsOwnImage(image, false))
            code = FileError::kData;
        else if (CheckImageExtra(image))
            code = FileError::kNewer;
        else
            code = file.CheckCoverage(kDocumentRanges);
    }
    ReportReadError(path, code, file.MapRevision());
    return code;
}

int cuiMain::OpenFile(const std::string& path) {
    lastFileError_ = FileError::kNone;  // a declined question is no file error
    bool same = RecentFileList::SamePath(path, DocumentName());
    if (ConfirmDiscard(same) == kCancel) return 1;
    scratch_.Assign(working_);
    scratch_.Fill(0x00);
    BusyCursor busy(View());

    lastFileError_ = ReadDocumentFile(path, scratch_);
    if (lastFileError_ != FileError::kNone) return 1;
    documentDirectory_ = DirectoryPart(path);
    Environ().currentDirectory = documentDirectory_;
    SetDocumentPath(path);
    RecentAdd(path);
    working_.Assign(scratch_);
    ++documentSerial_;
    OnImageLoaded(working_);
    MarkSaved();
    history_.Reset(working_);
    View().CloseSheet();
    EvMan().Send(ev::kRebuildTree);
    return 0;
}

void cuiMain::Save() {
    if (Untitled())
        SaveAs();
    else
        SaveToFile(documentPath_);
}

int cuiMain::SaveAs() {
    platform::FileDialogRequest req;
    req.defaultExtension = GTex().GetLine(keys::kSysDialogFOpen, 0);
    req.filter = GTex().GetLine(keys::kSysDialogFOpen, 1);
    req.initialDirectory = documentDirectory_;
    req.initialName = FileNamePart(DocumentName());
    auto path = platform::GetFileDialogs().AskSave(req);
    if (!path) return 1;
    return SaveToFile(*path);
}

int cuiMain::SaveToFile(const std::string& path) {
    EvMan().Send(ev::kCommitEditors);
    RecordStep({});
    AdoptImage(working_, true);
    history_.Absorb(working_);
    BusyCursor busy(View());
    cmcClnFile file;
    file.Attach(&working_);
    file.SetCodes(modelCode_, subCode_);
    file.SetMapRevision(cmcClnFile::kMapRevision);
    file.SetComment(cmcClnFile::CommentFromImage(working_));
    lastFileError_ = file.Write(path, kDocumentRanges);
    if (lastFileError_ != FileError::kNone) {
        ReportWriteError(path, file.Reason());
        return 1;
    }
    documentDirectory_ = DirectoryPart(path);
    Environ().currentDirectory = documentDirectory_;
    SetDocumentPath(path);
    RecentAdd(path);
    MarkSaved();
    return 0;
}

// --- sheet tree and warning list ---

void cuiMain::RefreshTreeData() {
    tree_.Build(GTex(), keys::kTreeMain);
}

void cuiMain::RebuildTreeData() {
    RefreshTreeData();
    std::set<std::string> errors(lastWarnings_.errors.begin(), lastWarnings_.errors.end());
    std::set<std::string> warnings(lastWarnings_.warnings.begin(), lastWarnings_.warnings.end());
    tree_.Mark(errors, warnings);
}

void cuiMain::BuildTree() {
    RefreshTreeData();
    if (std::exchange(deferNextCheck_, false))
        checkPending_ = true;
    else
        RunWarningCheck();
    View().CloseSheet();
    View().TreeChanged();
    EvMan().Send(ev::kRebuildTree);
}

SheetTree::Counts cuiMain::RunWarningCheck() {
    checkPending_ = false;
    lastWarnings_ =
        RunWarningCheckList(GTex(), warncheck::CheckImage(working_, CurrentModelType()));
    std::set<std::string> errors(lastWarnings_.errors.begin(), lastWarnings_.errors.end());
    std::set<std::string> warnings(lastWarnings_.warnings.begin(), lastWarnings_.warnings.end());
    SheetTree::Counts counts = tree_.Mark(errors, warnings);
    View().TreeChanged();
    return counts;
}

void cuiMain::ArmWarningRecheck() {
    if (!recheck_) recheck_ = std::make_unique<cmcTick>();
    recheck_->Start(kWarningRecheckMs);
}

void cuiMain::Tick() {
    if (recheck_ && recheck_->Remaining() == 0) {
        recheck_.reset();
        RunWarningCheck();
        EvMan().Post(ev::kWarningsChanged);
    }
}

// --- undo and redo ---

void cuiMain::RecordStep(UndoWhat what) {
    if (stepGroup_ > 0) return;
    if (what.modelBefore < 0) what.modelBefore = CurrentModelType();
    if (what.modelAfter < 0) what.modelAfter = CurrentModelType();
    history_.Commit(working_, what);
}

std::shared_ptr<const UndoDocument> cuiMain::DocumentState() const {
    auto document = std::make_shared<UndoDocument>();
    document->path = documentPath_;
    document->modified = modified_;
    document->baseline.assign(baseline_.Bytes(), baseline_.Bytes() + baseline_.Size());
    return document;
}

void cuiMain::RestoreDocumentState(const UndoDocument& document) {
    if (static_cast<int>(document.baseline.size()) == baseline_.Size())
        baseline_.WriteBlock(0, document.baseline.data(), baseline_.Size());
    documentPath_ = document.path;
    modified_ = document.modified || working_.Differs(baseline_);
    UpdateTitle();
}

void cuiMain::BeginStepGroup() {
    if (stepGroup_ == 0) {
        RecordStep({});  // an earlier change stays a step of its own
        modifiedBeforeGroup_ = modified_;
    }
    ++stepGroup_;
}

void cuiMain::EndStepGroup(const UndoWhat& what) {
    if (stepGroup_ > 0) --stepGroup_;
    RecordStep(what);
}

void cuiMain::DiscardStepGroup() {
    if (stepGroup_ > 0) --stepGroup_;
    if (stepGroup_ > 0) return;  // the changes belong to the enclosing group
    EvMan().Send(ev::kCommitEditors);
    lastStepRanges_.clear();
    history_.Discard(working_, &lastStepRanges_);
    if (lastStepRanges_.empty()) return;
    AfterHistoryStep(CurrentModelType(), lastStepRanges_);
    modified_ = modifiedBeforeGroup_ || working_.Differs(baseline_);
    UpdateTitle();
    ArmWarningRecheck();
    EvMan().Send(ev::kRepaintAll);
}

bool cuiMain::CanUndo() const {
    return history_.CanUndo() && !cloneMan_->IsBusy();
}

bool cuiMain::CanRedo() const {
    return history_.CanRedo() && !cloneMan_->IsBusy();
}

bool cuiMain::Undo() {
    return MoveInHistory(false);
}

bool cuiMain::Redo() {
    return MoveInHistory(true);
}

bool cuiMain::MoveInHistory(bool redo) {
    // A clone run works on a copy of the image and reads into the document: no step may
    // change the image under it.
    if (cloneMan_->IsBusy()) {
        EvMan().SendText(ev::kIndicatorText, cellcolor::kRestrictText,
                         static_cast<int>(cellcolor::kRestrictBack),
                         GTex().GetLine(keys::kAppMessUndo, 11));
        return false;
    }
    EvMan().Send(ev::kCommitEditors);
    RecordStep({});
    const UndoWhat* next = redo ? history_.NextRedo() : history_.NextUndo();
    if (next == nullptr) return false;
    const int model = redo ? next->modelAfter : next->modelBefore;
    // A step that replaced the document gives back the document it replaced, unless the user
    // has saved under another name since: that name stays.
    const auto from = redo ? next->documentBefore : next->documentAfter;
    const auto to = redo ? next->documentAfter : next->documentBefore;
    lastStepRanges_.clear();
    if (redo)
        history_.Redo(working_, &lastStepRanges_);
    else
        history_.Undo(working_, &lastStepRanges_);
    AfterHistoryStep(model, lastStepRanges_);
    if (from && to && documentPath_ == from->path) RestoreDocumentState(*to);
    CheckModified();
    ArmWarningRecheck();
    EvMan().Send(ev::kRepaintAll);
    return true;
}

std::string cuiMain::Caption(bool redo, const UndoWhat* what) const {
    const int plain = redo ? 1 : 0;
    if (what == nullptr) return GTex().GetLine(keys::kAppMessUndo, plain);
    std::string words = DescribeStep(*what);
    if (words.empty()) words = GTex().GetLine(keys::kAppMessUndo, 9);
    return FormatOverlay(GTex().GetLine(keys::kAppMessUndo, plain + 2), {words});
}

std::string cuiMain::UndoCaption() const {
    return Caption(false, history_.NextUndo());
}

std::string cuiMain::RedoCaption() const {
    return Caption(true, history_.NextRedo());
}
