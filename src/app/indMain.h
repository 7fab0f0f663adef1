#pragma once
// The application object of this radio: the document core of cuiMain with the model operations
// of RadioModel behind its virtual slots, and the host the cell dispatcher reaches the program
// through. The window and the command-line tool both run this one class.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/CellPlaces.h"
#include "app/RadioModel.h"
#include "app/cuiMain.h"
#include "radio/CellDispatchHost.h"

struct HubEvent;
class datClipCh;
class CompareBaseImage;
class RecordRowCommands;

class indMain : public cuiMain, public CellDispatchHost, private RadioModelHost {
  public:
    indMain();
    ~indMain() override;

    RadioModel& Model() { return model_; }
    const RadioModel& Model() const { return model_; }

    // --- model operations ---
    void InitIdentity() override;
    bool IsOwnImage(const cmcEeprom& image, bool strict) override;
    bool CheckImageExtra(const cmcEeprom& image) override;
    void OnImageLoaded(cmcEeprom& image) override;
    void AdoptImage(cmcEeprom& image, bool forSave) override;
    void AdjustImage(cmcEeprom& image) override;
    bool ConfirmMakerWrite() override;
    int CurrentModelType() const override { return model_.ModelType(); }
    // The factory image of the start model into the reference image, and an untitled
    // document holding it. Fatal when the initial file is missing or wrong.
    void LoadStartImage() override;
    // The tree of sheets with the regional sheets of the working image and the model's name
    // on the root node.
    void BuildTree() override;
    bool MakerMode() const override { return model_.MakerMode(); }
    // Manufacturer mode after the caution; true when this call turned it on.
    bool EnterManufacturerMode() { return model_.EnterManufacturerMode(); }
    // A key typed in the About box: the letters "svcmode" in any case enter manufacturer mode.
    void AboutKeyPress(char key);

    // --- what the cell dispatcher asks of the program ---
    cmcEeprom& WorkingImage() override { return Working(); }
    int ModelType() const override { return model_.ModelType(); }
    bool UsableOnlyView() const override;
    bool ManufacturerMode() const override { return model_.MakerMode(); }
    std::string RecentFile(int index) const override;
    int FontSize() const override;
    bool ToolbarVisible() const override;
    int SelectedPort() const override;
    bool DocumentUntitled() const override { return Untitled(); }
    bool CanPrintCurrent() const override { return View().CanPrintCurrent(); }
    int PopupMenuItemCount() const override { return popupItems_; }
    void SetPopupMenuItemCount(int count) override { popupItems_ = count; }
    int CloneInfoModel() const override;
    std::string CloneInfoRevision() const override;
    std::string CloneInfoComment() const override;
    void RunCommand(AppCommand command, int argument, const std::string& text) override;
    void ArmWarningRecheck() override { cuiMain::ArmWarningRecheck(); }
    void UpdateModified() override { CheckModified(); }
    void RecordChange(const cmcCellCapsule& request) override;
    void OpenHelp(int label) override { View().ShowHelp(label); }
    const cmcEeprom* CompareBase() const override;
    // The debug compare: every byte that differs from the compare base, which then becomes a
    // copy of the working image.
    std::string DebugCompare();
    void ShowDebugStatus(const std::string& text) override { View().ShowDebugStatus(text); }
    RowCommander* RowCommands() override;

    // Where each value cell stands in the sheets of the current model and tree.
    const CellPlaces& CellNames() const;

  protected:
    void RefreshTreeData() override;
    std::string DescribeStep(const UndoWhat& what) const override;
    std::vector<std::string> DescribeDifferences(const cmcEeprom& sent,
                                                 const cmcEeprom& held) override;
    void AfterHistoryStep(int modelType, const std::vector<UndoHistory::Range>& changed) override;

  private:
    // RadioModelHost
    void ModelTypeChanged(int type) override;
    void DocumentReset() override;
    static void OnEvent(void* self, HubEvent& event);

    RadioModel model_;
    std::unique_ptr<datClipCh> clipboard_;
    std::unique_ptr<RecordRowCommands> rowCommands_;
    mutable CellPlaces names_;
    mutable bool namesStale_ = true;
    std::unique_ptr<CompareBaseImage> compareBase_;
    std::string aboutKeys_;  // the last letters typed in the About box, lower-cased
    int popupItems_ = 0;     // top-level items of the popup menu being shown
};
