// Rendering cells through the dispatcher, as the sheets do on every paint, and the whole
// warning check list, as the delayed re-check runs it after an edit.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChoiceLists.h"
#include "sheet/cmcCellObj.h"
#include "text/cmcGTex.h"

namespace {

struct BenchHost : CellDispatchHost {
    cmcEeprom image;
    cmcEeprom& WorkingImage() override { return image; }
    int ModelType() const override { return 2; }
    bool UsableOnlyView() const override { return false; }
    bool ManufacturerMode() const override { return false; }
    std::string RecentFile(int) const override { return {}; }
    int FontSize() const override { return 0; }
    bool ToolbarVisible() const override { return true; }
    int SelectedPort() const override { return 1; }
    bool DocumentUntitled() const override { return true; }
    bool CanPrintCurrent() const override { return true; }
    int PopupMenuItemCount() const override { return 1; }
    int CloneInfoModel() const override { return 0; }
    std::string CloneInfoRevision() const override { return "00000"; }
    std::string CloneInfoComment() const override { return std::string(16, ' '); }
    void RunCommand(AppCommand, int, const std::string&) override {}
    void ArmWarningRecheck() override {}
    void UpdateModified() override {}
    void OpenHelp(int) override {}
};

// The shipped overlay and the factory image of model type 2, installed once.
struct Setup {
    cmcGTex store;
    ChoiceLists choices{&store};
    BenchHost host;
    Setup() {
        store.BindFile(std::string(KELDA_SOURCE_DIR) + "/data/overlay/KELDA.OVL");
        InstallGTex(&store);
        InstallChoiceTable(&choices);
        host.image.SetSize(cmcEeprom::kImageSize);
        cmcClnFile file;
        file.Attach(&host.image);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
        if (file.Read(std::string(KELDA_SOURCE_DIR) + "/data/initial/KELDA02.kcf", nullptr) != 0)
            std::abort();
        InstallCellHost(&host);
    }
};
Setup& Installed() {
    static Setup setup;
    return setup;
}

std::vector<cmcCellObj> DataCells() {
    const struct {
        int category, label, row;
    } cells[] = {
        {CT_IntCh, CL_ChList_No, 33},
        {CT_IntCh, CL_ChList_Atr, 32},
        {CT_IntCh, CL_ChList_Tag, 32},
        {CT_IntCh, CL_ChList_TxInh, 32},
        {CT_UsaCh, CL_ChList_Poc, 40},
        {CT_UsaCh, CL_ChList_Simp, 40},
        {CT_CanCh, CL_ChList_Comment, 44},
        {CT_DscCh, CL_DSC_ChAtr, 70},
        {CT_DscCh, CL_DSC_Comment, 70},
        {CT_WxCh, CL_WX_ChAtr, 3},
        {CT_FreeCh, CL_Fch_FreqR, 2},
        {CT_FreeCh, CL_Fch_FreqT, 2},
        {CT_FreeCh, CL_Fch_ChName, 2},
        {CT_DscIndId, CL_DscIndId_Id, 10},
        {CT_DscIndId, CL_DscIndId_Comment, 10},
        {CT_DscGrpId, CL_DscGrpId_Id, 3},
        {kNoCellCategory, CL_ComDsc_IntCh, 0},
        {kNoCellCategory, CL_ComConf_UtcOffset, 0},
        {kNoCellCategory, CL_DscCall_Alarm_Min, 20},
        {kNoCellCategory, CL_RadioSet_ScanSpeed, 0},
    };
    std::vector<cmcCellObj> out;
    for (const auto& c : cells) {
        cmcCellObj cell;
        cell.Category = c.category;
        cell.Label = c.label;
        cell.Index = c.row;
        out.push_back(std::move(cell));
    }
    return out;
}

// One data cell rendered for painting; the cells cycle through every kind of data cell.
void BM_RenderDataCell(benchmark::State& state) {
    Installed();
    std::vector<cmcCellObj> cells = DataCells();
    cmcCellCapsule req;
    size_t i = 0;
    for (auto _ : state) {
        req.Reset();
        req.cell = &cells[i];
        DispatchCell(req, false);
        benchmark::DoNotOptimize(req.displayText.data());
        if (++i == cells.size()) i = 0;
    }
    state.SetLabel("per cell");
}
BENCHMARK(BM_RenderDataCell);

// The whole warning check list of the shipped overlay over the factory image.
void BM_WarningCheckList(benchmark::State& state) {
    Setup& s = Installed();
    std::vector<cmcCellObj> checks;
    for (int n = 0;; ++n) {
        const std::string line = s.store.GetLine("GI_WarningCheckList", n);
        if (!line.empty() && line[0] == '#') break;
        cmcCellObj cell;
        ParseCell(line, cell, nullptr, nullptr);
        checks.push_back(std::move(cell));
    }
    cmcCellCapsule req;
    int flagged = 0;
    for (auto _ : state) {
        flagged = 0;
        for (cmcCellObj& cell : checks) {
            req.Reset();
            req.cell = &cell;
            DispatchCell(req, false);
            flagged += (req.resultFlags & (cmcCellCapsule::kWarning | cmcCellCapsule::kError)) != 0;
        }
    }
    state.counters["items"] = double(checks.size());
    state.counters["flagged"] = flagged;
}
BENCHMARK(BM_WarningCheckList)->Unit(benchmark::kMicrosecond);

}  // namespace
