#pragma once
// The application core: the document's images, its file, its modified state, and the document
// and clone commands. It has no window; the window (or the command-line tool) drives it and
// receives its effects through DocumentView. Model-specific behaviour lives in the virtual
// operations that the model class overrides.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/DocumentView.h"
#include "app/ImageCompare.h"
#include "app/SheetTree.h"
#include "app/UndoHistory.h"
#include "comm/CloneResult.h"
#include "radio/FileError.h"
#include "radio/cmcEeprom.h"

class cmcTick;
class indCloneMan;
struct dst_CDrv_Result;

class cuiMain {
  public:
    // Answers of ConfirmDiscard, as the message box gives them.
    static constexpr int kGoOn = 6;
    static constexpr int kGoOnWithoutSaving = 7;
    static constexpr int kCancel = 2;
    static constexpr int kWarningRecheckMs = 250;

    cuiMain(std::string baseName, int imageSize);
    virtual ~cuiMain();
    cuiMain(const cuiMain&) = delete;
    cuiMain& operator=(const cuiMain&) = delete;

    void SetView(DocumentView* view) { view_ = view ? view : &noView_; }

    // --- model operations (overridden by the model class) ---
    virtual void InitIdentity();
    // True when the image is of this model; a program without a model takes none.
    virtual bool IsOwnImage(const cmcEeprom& /*image*/, bool /*strict*/) { return false; }
    virtual bool CheckImageExtra(const cmcEeprom& /*image*/) { return false; }
    virtual void OnImageLoaded(cmcEeprom& /*image*/) {}
    virtual void AdoptImage(cmcEeprom& /*image*/, bool /*forSave*/) {}
    virtual void AdjustImage(cmcEeprom& /*image*/) {}
    // True: go on with a write to the radio.
    virtual bool ConfirmMakerWrite() { return true; }
    // The regional variant in force and the manufacturer mode (the model class keeps them).
    virtual int CurrentModelType() const { return 0; }
    virtual bool MakerMode() const { return false; }

    // --- clone commands ---
    // How the last clone command ended.
    enum class CloneOutcome {
        kRunning,
        kDone,        // the run chain completed
        kFailed,      // a run failed or a check refused it: LastCloneResult() says why
        kDataErrors,  // the warning list holds errors: nothing was written
        kStopped,     // a confirmation was declined, or the manager was busy
        // With the check after a write (the setting verifyAfterWrite):
        kNotVerified,  // written, but reading it back failed: LastCloneResult() says why
        kMismatch,     // written, and the radio holds other bytes: VerifyMismatches()
        kRefused,      // nothing written: the radio refuses the read that would check it
    };
    void ReadFromRadio();
    void WriteToRadio();
    // What Write asks before the document goes into radios as a template: no error in the
    // warning list (else it says so), no clone run under way, manufacturer mode confirmed.
    bool ReadyToWriteTemplate();
    void CloneInformation();
    indCloneMan& CloneMan() { return *cloneMan_; }
    CloneOutcome LastCloneOutcome() const { return cloneOutcome_; }
    CloneResult LastCloneResult() const { return cloneResult_; }
    // What the check after the last write found: the bytes (outside the radio's own identity
    // bytes) the radio holds other than was sent, and the cells they change, in words.
    const std::vector<ByteDifference>& VerifyMismatches() const { return verifyBytes_; }
    const std::vector<std::string>& VerifyMeaning() const { return verifyMeaning_; }
    // The two checks the clone manager runs on information and read results.
    static void InformationCheck(void* self, dst_CDrv_Result* result);
    static void ReadCheck(void* self, dst_CDrv_Result* result);

    // --- sheet tree and warning list ---
    // Rebuilds the tree of sheets from the overlay, runs the warning check, closes the current
    // sheet and announces the new tree (event 28).
    virtual void BuildTree();
    const SheetTree& Tree() const { return tree_; }
    // Runs the warning check list over the working image and marks the tree; the counts are
    // of marked tree nodes, as the window shows them.
    SheetTree::Counts RunWarningCheck();
    // The error and warning lists of the last check, in check-list order.
    const WarningLists& LastWarnings() const { return lastWarnings_; }
    // The window asks at start for the next tree build's check to wait until its first frame
    // is painted; it then runs the pending check at once.
    void DeferNextWarningCheck() { deferNextCheck_ = true; }
    bool WarningCheckPending() const { return checkPending_; }
    void RunPendingWarningCheck() {
        if (checkPending_) RunWarningCheck();
    }
    // After an edit: the warning check runs again 250 ms later, from Tick.
    void ArmWarningRecheck();
    bool WarningRecheckArmed() const { return recheck_ != nullptr; }
    // The application's periodic work that does not need a window: the delayed warning check.
    void Tick();

    // --- document ---
    const std::string& DocumentPath() const { return documentPath_; }
    const std::string& DocumentDirectory() const { return documentDirectory_; }
    // The path, or "<directory>/Untitled" while untitled.
    std::string DocumentName() const;
    bool Untitled() const { return documentPath_.empty(); }
    bool Modified() const { return modified_; }
    // Changes whenever another document takes the working image's place (New, Open, a read
    // from the radio); edits, undo and model changes keep it.
    int DocumentSerial() const { return documentSerial_; }
    // Sets the modified flag when the working image differs from the baseline; never clears it.
    bool CheckModified();
    void MarkSaved();
    void UpdateTitle();
    std::string Title() const;

    // Document commands. Results: 0 done, 1 not done.
    void New();
    int OpenWithDialog();
    int OpenFile(const std::string& path);
    // Open's reading and checks of a clone file into an image, without touching the document.
    // Reports a failure and returns its file error code (0 when the file is good).
    FileError ReadDocumentFile(const std::string& path, cmcEeprom& image);
    // File error code of the last Open or Save (0 after success).
    FileError LastFileError() const { return lastFileError_; }
    void Save();
    int SaveAs();
    int SaveToFile(const std::string& path);
    int ConfirmDiscard(bool anotherFile);
    void RecentAdd(const std::string& path);
    std::string RecentDisplayName(int index, const std::string& directory) const;

    // Start-up: the reference image from the initial file of the start model, and an untitled
    // unmodified document holding it.
    virtual void LoadStartImage() {}
    // keepHistory: the reset is itself a step the user may undo (a model change).
    void ResetDocumentToReference(bool keepHistory = false);

    // --- undo and redo ---
    // Takes what changed in the working image since the last step as one step (nothing when
    // nothing changed). Inside a group the steps wait for EndStepGroup, which makes them one.
    void RecordStep(UndoWhat what);
    // The document as it stands (file name, modified mark, saved image), for a step that
    // replaces it.
    std::shared_ptr<const UndoDocument> DocumentState() const;
    void BeginStepGroup();
    void EndStepGroup(const UndoWhat& what);
    // Ends the outermost group calling its changes off: the image as it was when the group
    // began, no step, and the modified mark as it was then.
    void DiscardStepGroup();
    // False, and nothing changes, when there is no step or a clone run is going on.
    bool Undo();
    bool Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    // "Undo change of channel 16 name"; the plain command name when there is no step.
    std::string UndoCaption() const;
    std::string RedoCaption() const;
    // Bytes the last undo or redo put back: the cells over them are repainted.
    const std::vector<UndoHistory::Range>& LastStepRanges() const { return lastStepRanges_; }
    UndoHistory& History() { return history_; }

    cmcEeprom& Working() { return working_; }
    cmcEeprom& Reference() { return reference_; }
    cmcEeprom& Baseline() { return baseline_; }
    cmcEeprom& Scratch() { return scratch_; }
    int ImageSize() const { return imageSize_; }
    // Identity block of the radio from the last information exchange (zeros before one).
    static constexpr int kRadioIdentitySize = 34;
    const std::array<uint8_t, kRadioIdentitySize>& RadioIdentity() const { return radioIdentity_; }
    // The radio last identified does not allow its memory to be read: it cannot be read, and a
    // write to it cannot be checked by reading back.
    bool RadioRefusesReading() const;
    // Whether the window offers the check after writing: not for a radio that refuses reading,
    // except to switch a check that is on off again.
    bool VerifyAfterWriteChoosable() const;
    int ModelCode() const { return modelCode_; }
    int SubCode() const { return subCode_; }
    // The address ranges a write sends to the radio whose identity block is `identity` (the
    // whole writable memory for an older radio or in manufacturer mode), and those a read takes.
    const AddressRange* WriteRangesFor(const uint8_t* identity) const;
    static const AddressRange* ReadRanges();
    const std::string& BaseName() const { return baseName_; }

  protected:
    DocumentView& View() { return *view_; }
    const DocumentView& View() const { return *view_; }
    // What a step was, in words ("change of channel 16 name"); empty for a step without a name.
    virtual std::string DescribeStep(const UndoWhat& /*what*/) const { return {}; }
    // The cells that differ between what was sent and what the radio holds, one line each
    // ("International Channels | Channel 16 | Name: "DISTRESS" -> "DISTRESR"").
    virtual std::vector<std::string> DescribeDifferences(const cmcEeprom& /*sent*/,
                                                         const cmcEeprom& /*held*/) {
        return {};
    }
    // After an undo or redo: the model class puts back the model type the image had and
    // rebuilds what depends on the bytes put back.
    virtual void AfterHistoryStep(int /*modelType*/,
                                  const std::vector<UndoHistory::Range>& /*changed*/) {}
    // Reads the tree from the overlay; the model class adds its regional pruning.
    virtual void RefreshTreeData();
    // The tree data anew, with the marks of the last warning check.
    void RebuildTreeData();
    SheetTree& MutableTree() { return tree_; }
    void SetCodes(int modelCode, int subCode) {
        modelCode_ = modelCode;
        subCode_ = subCode;
    }

  private:
    static std::string FileNamePart(const std::string& path);
    static std::string DirectoryPart(const std::string& path);
    void SetDocumentPath(const std::string& path);
    void RestoreDocumentState(const UndoDocument& document);

    std::string baseName_;
    int imageSize_;
    int modelCode_ = 0;
    int subCode_ = 0;
    DocumentView noView_;
    DocumentView* view_ = &noView_;
    std::string documentDirectory_;
    std::string documentPath_;
    bool modified_ = false;
    int documentSerial_ = 0;
    FileError lastFileError_ = FileError::kNone;
    cmcEeprom working_, reference_, baseline_, scratch_;
    SheetTree tree_;
    WarningLists lastWarnings_;
    bool deferNextCheck_ = false;
    bool checkPending_ = false;
    std::unique_ptr<cmcTick> recheck_;
    std::array<uint8_t, kRadioIdentitySize> radioIdentity_{};
    UndoHistory history_;
    int stepGroup_ = 0;
    bool modifiedBeforeGroup_ = false;
    std::vector<UndoHistory::Range> lastStepRanges_;
    bool MoveInHistory(bool redo);
    std::string Caption(bool redo, const UndoWhat* what) const;

    // Clone command chains.
    void StopClone(CloneOutcome outcome, CloneResult result = CloneResult::kOk);
    static void ReadInfoDone(void* self, dst_CDrv_Result* result);
    static void ReadDone(void* self, dst_CDrv_Result* result);
    static void WriteInfoDone(void* self, dst_CDrv_Result* result);
    static void WriteDone(void* self, dst_CDrv_Result* result);
    static void InfoDone(void* self, dst_CDrv_Result* result);
    static void VerifyDone(void* self, dst_CDrv_Result* result);
    void ReportVerified();
    cmcEeprom written_;
    const AddressRange* writtenList_ = nullptr;
    std::vector<ByteDifference> verifyBytes_;
    std::vector<std::string> verifyMeaning_;
    std::unique_ptr<indCloneMan> cloneMan_;
    CloneOutcome cloneOutcome_ = CloneOutcome::kStopped;
    CloneResult cloneResult_ = CloneResult::kOk;
};
