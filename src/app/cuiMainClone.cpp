// The clone commands of the application object: reading the radio into the document, writing
// the document into the radio and showing the radio's identity, around the clone manager's runs.
#include <cstdio>
#include <cstring>

#include "app/CloneMessages.h"
#include "app/cuiMain.h"
#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "comm/RadioIdentity.h"
#include "comm/dst_CDrv_Result.h"
#include "comm/indCloneMan.h"
#include "platform/Prompt.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

constexpr AddressRange kReadList[] = {{0x0000, 0x471F}, kEndOfRanges};
constexpr AddressRange kShortWriteList[] = {{0x0310, 0x46AF}, kEndOfRanges};
constexpr AddressRange kFullWriteList[] = {
    {0x01C0, 0x02DF}, {0x0310, 0x46AF}, {0x4710, 0x471F}, kEndOfRanges};

// Identity bytes the commands use.
constexpr int kIdMapMarker = 6;
constexpr int kIdFlags = 23;
constexpr uint8_t kIdRefusesRead = 0x01;
constexpr uint8_t kIdModelGroup = 0x02;
constexpr int kIdVersion[4] = {26, 28, 29, 30};
// The image's own map version digits.
constexpr int kImageVersion[4] = {390, 392, 393, 394};
// Model types from this one on form the second radio group.
constexpr int kSecondGroupType = 7;

int Version(uint8_t c0, uint8_t c1, uint8_t c2, uint8_t c3) {
    const uint8_t c[4] = {c0, c1, c2, c3};
    int v = 0;
    for (uint8_t d : c) {
        if (d > '9') return 0;  // a letter: the oldest version there is
        v = v * 10 + (d - '0');
    }
    return v;
}

std::string AppTitle() {
    return GTex().GetLine(keys::kSysAppTitle, 0);
}

void ShowText(const char* key, platform::PromptIcon icon) {
    platform::GetPrompter().Show(GTex().GetText(key), AppTitle(), icon,
                                 platform::PromptButtons::Ok);
}

}  // namespace

void cuiMain::InformationCheck(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk || r->operation != CloneOperation::kInfo) return;
    const cmcBuff& data = r->information;
    if (r->word1 != app->modelCode_ || r->word2 != app->subCode_ || data.Size() <= 33 ||
        data.Data()[0] != data.Size()) {
        r->result = CloneResult::kNotIdentified;
        return;
    }
    std::memcpy(app->radioIdentity_.data(), data.Data(), kRadioIdentitySize);
    if (app->radioIdentity_[kIdMapMarker] != 1) r->result = CloneResult::kNotReady;
}

void cuiMain::ReadCheck(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk || r->operation != CloneOperation::kRead) return;
    if (!app->IsOwnImage(r->image, true))
        r->result = CloneResult::kForeignData;
    else if (app->CheckImageExtra(r->image))
        r->result = CloneResult::kNewerData;
}

void cuiMain::StopClone(CloneOutcome outcome, CloneResult result) {
    cloneOutcome_ = outcome;
    cloneResult_ = result;
}

void cuiMain::ReadFromRadio() {
    cloneOutcome_ = CloneOutcome::kRunning;
    if (ConfirmDiscard(false) == kCancel || cloneMan_->IsBusy())
        return StopClone(CloneOutcome::kStopped);
    cloneMan_->SetRequestWords(modelCode_, 0);
    if (!cloneMan_->StartInfo(&cuiMain::ReadInfoDone, this)) StopClone(CloneOutcome::kStopped);
}

bool cuiMain::RadioRefusesReading() const {
    return radioIdentity_[kIdFlags] & kIdRefusesRead;
}

bool cuiMain::VerifyAfterWriteChoosable() const {
    return !RadioRefusesReading() || Environ().verifyAfterWrite;
}

void cuiMain::ReadInfoDone(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk) return app->StopClone(CloneOutcome::kFailed, r->result);
    if (app->cloneMan_->IsBusy()) return app->StopClone(CloneOutcome::kStopped);
    if (app->RadioRefusesReading()) {
        ShowCloneFailure(app->cloneMan_->Failure(CloneResult::kReadRefused));
        return app->StopClone(CloneOutcome::kFailed, CloneResult::kReadRefused);
    }
    app->cloneMan_->SetImageSize(app->working_.Size());
    if (!app->cloneMan_->StartRead(kReadList, &cuiMain::ReadDone, app))
        app->StopClone(CloneOutcome::kStopped);
}

void cuiMain::ReadDone(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk) return app->StopClone(CloneOutcome::kFailed, r->result);
    UndoWhat what;
    what.kind = UndoWhat::kRadioRead;
    what.modelBefore = app->CurrentModelType();
    app->RecordStep({});  // an edit not yet a step stays apart from the read
    what.documentBefore = app->DocumentState();
    app->working_.Assign(r->image);
    ++app->documentSerial_;
    app->AdjustImage(app->working_);
    app->OnImageLoaded(app->working_);
    // A read is a new, unsaved document.
    app->modified_ = true;
    app->SetDocumentPath("");
    what.documentAfter = app->DocumentState();
    app->RecordStep(what);
    app->View().CloseSheet();
    EvMan().Send(ev::kRebuildTree);
    app->StopClone(CloneOutcome::kDone);
}

void cuiMain::WriteToRadio() {
    cloneOutcome_ = CloneOutcome::kRunning;
    EvMan().Send(ev::kCommitEditors);
    if (RunWarningCheck().errors > 0) {
        ShowText(keys::kMessDataError, platform::PromptIcon::Error);
        return StopClone(CloneOutcome::kDataErrors);
    }
    if (cloneMan_->IsBusy() || !ConfirmMakerWrite()) return StopClone(CloneOutcome::kStopped);
    int answer = platform::GetPrompter().Show(GTex().GetText(keys::kMessConfirmCloneWrite),
                                              AppTitle(), platform::PromptIcon::Warning,
                                              platform::PromptButtons::OkCancel);
    if (answer != platform::kAnswerOk) return StopClone(CloneOutcome::kStopped);
    cloneMan_->SetRequestWords(modelCode_, 0);
    if (!cloneMan_->StartInfo(&cuiMain::WriteInfoDone, this)) StopClone(CloneOutcome::kStopped);
}

bool cuiMain::ReadyToWriteTemplate() {
    EvMan().Send(ev::kCommitEditors);
    if (RunWarningCheck().errors > 0) {
        ShowText(keys::kMessDataError, platform::PromptIcon::Error);
        return false;
    }
    return !cloneMan_->IsBusy() && ConfirmMakerWrite();
}

void cuiMain::WriteInfoDone(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk) return app->StopClone(CloneOutcome::kFailed, r->result);
    const auto& id = app->radioIdentity_;
    const bool firstGroup = id[kIdFlags] & kIdModelGroup;
    const int type = app->CurrentModelType();
    if (firstGroup != (type < kSecondGroupType)) {
        r->result = CloneResult::kOtherModel;
        ShowText(keys::kMessModelError, platform::PromptIcon::Error);
        return app->StopClone(CloneOutcome::kFailed, CloneResult::kOtherModel);
    }
    if (Environ().verifyAfterWrite && app->RadioRefusesReading()) {
        // The check after the write would be refused: better no write than one never checked.
        ShowText(keys::kMessCloneWriteVerifyRefused, platform::PromptIcon::Error);
        return app->StopClone(CloneOutcome::kRefused);
    }
    if (app->cloneMan_->IsBusy()) return app->StopClone(CloneOutcome::kStopped);
    app->cloneMan_->SetImageSize(app->working_.Size());

    const bool wasModified = app->CheckModified();
    app->RecordStep({});
    app->AdoptImage(app->working_, true);
    app->history_.Absorb(app->working_);
    if (!wasModified) app->MarkSaved();  // the adoption alone does not make it modified

    cmcEeprom copy;
    copy.Assign(app->working_);
    const AddressRange* list = app->WriteRangesFor(id.data());
    app->written_.Assign(copy);
    app->writtenList_ = list;
    app->verifyBytes_.clear();
    app->verifyMeaning_.clear();
    if (!app->cloneMan_->StartWrite(copy, list, &cuiMain::WriteDone, app))
        app->StopClone(CloneOutcome::kStopped);
}

const AddressRange* cuiMain::WriteRangesFor(const uint8_t* id) const {
    const int radioVersion =
        Version(id[kIdVersion[0]], id[kIdVersion[1]], id[kIdVersion[2]], id[kIdVersion[3]]);
    const cmcEeprom& ref = reference_;
    const int refVersion = Version(ref.GetByte(kImageVersion[0]), ref.GetByte(kImageVersion[1]),
                                   ref.GetByte(kImageVersion[2]), ref.GetByte(kImageVersion[3]));
    return (MakerMode() || radioVersion < refVersion) ? kFullWriteList : kShortWriteList;
}

const AddressRange* cuiMain::ReadRanges() {
    return kReadList;
}

void cuiMain::WriteDone(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk) return app->StopClone(CloneOutcome::kFailed, r->result);
    app->View().CloseSheet();
    if (Environ().verifyAfterWrite) {
        // Read back at once, while the radio is still on the cable.
        if (app->cloneMan_->StartRead(kReadList, &cuiMain::VerifyDone, app)) return;
        ShowText(keys::kMessCloneWriteNotVerified, platform::PromptIcon::Warning);
        return app->StopClone(CloneOutcome::kNotVerified, CloneResult::kPortFailed);
    }
    ShowText(keys::kMessCloneWriteSucceeded, platform::PromptIcon::Information);
    app->StopClone(CloneOutcome::kDone);
}

void cuiMain::VerifyDone(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk) {
        // The manager has told why the read failed; the write itself is not known to be good.
        ShowText(keys::kMessCloneWriteNotVerified, platform::PromptIcon::Warning);
        return app->StopClone(CloneOutcome::kNotVerified, r->result);
    }
    // The radio keeps its own flags and revision whatever a write sends.
    const int ownFirst = radioid::kMemoryOrigin + radioid::kFirmwareFirst;
    const int ownLast = radioid::kMemoryOrigin + radioid::kSize - 1;
    app->verifyBytes_.clear();
    for (const auto& d : CompareBytes(app->written_, r->image, app->writtenList_))
        if (d.address < ownFirst || d.address > ownLast) app->verifyBytes_.push_back(d);
    if (app->verifyBytes_.empty()) {
        app->verifyMeaning_.clear();
        ShowText(keys::kMessCloneWriteVerified, platform::PromptIcon::Information);
        return app->StopClone(CloneOutcome::kDone);
    }
    app->verifyMeaning_ = app->DescribeDifferences(app->written_, r->image);
    app->ReportVerified();
    app->StopClone(CloneOutcome::kMismatch);
}

void cuiMain::ReportVerified() {
    constexpr size_t kShown = 12;  // a message box must stay on the screen
    auto line = [](int n) { return GTex().GetLine(keys::kMessCloneWriteMismatch, n); };
    std::string text = FormatOverlay(line(0), {std::to_string(verifyBytes_.size())}) + "\n";
    for (size_t i = 0; i < verifyMeaning_.size() && i < kShown; ++i)
        text += "\n" + verifyMeaning_[i];
    if (verifyMeaning_.size() > kShown)
        text += "\n" + FormatOverlay(line(2), {std::to_string(verifyMeaning_.size() - kShown)});
    text += "\n";
    char hex[8];
    for (size_t i = 0; i < verifyBytes_.size() && i < kShown; ++i) {
        const ByteDifference& d = verifyBytes_[i];
        std::string at, sent, held;
        std::snprintf(hex, sizeof hex, "%04X", d.address);
        at = hex;
        std::snprintf(hex, sizeof hex, "%02X", d.a);
        sent = hex;
        std::snprintf(hex, sizeof hex, "%02X", d.b);
        held = hex;
        text += "\n" + FormatOverlay(line(1), {at, sent, held});
    }
    if (verifyBytes_.size() > kShown)
        text += "\n" + FormatOverlay(line(2), {std::to_string(verifyBytes_.size() - kShown)});
    platform::GetPrompter().Show(text, AppTitle(), platform::PromptIcon::Error,
                                 platform::PromptButtons::Ok);
}

void cuiMain::CloneInformation() {
    cloneOutcome_ = CloneOutcome::kRunning;
    if (cloneMan_->IsBusy()) return StopClone(CloneOutcome::kStopped);
    cloneMan_->SetRequestWords(modelCode_, 0);
    if (!cloneMan_->StartInfo(&cuiMain::InfoDone, this)) StopClone(CloneOutcome::kStopped);
}

void cuiMain::InfoDone(void* self, dst_CDrv_Result* r) {
    auto* app = static_cast<cuiMain*>(self);
    if (r->result != CloneResult::kOk) return app->StopClone(CloneOutcome::kFailed, r->result);
    app->View().ShowCloneInformation();
    app->StopClone(CloneOutcome::kDone);
}
