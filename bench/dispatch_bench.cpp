// Rendering cells through the dispatcher, as the sheets do on every paint, and the whole
// warning check, as the delayed re-check runs it after an edit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/WarningMessages.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "radio/WarningCheck.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
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
        if (file.Read(std::string(KELDA_SOURCE_DIR) + "/data/initial/KELDA02.kcf", nullptr) !=
            FileError::kNone)
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

// An image with every address-book row and every user channel filled, the user channels in use
// in all three lists: the most the warning check has to look at.
void FillEveryRow(cmcEeprom& image) {
    datCh c(&image);
    for (int t : {mm::kDscIndId, mm::kDscGrpId}) {
        for (int r = 0; r < mm::kTables[t].rows; ++r) {
            c.Load(t, r);
            const int n = 100 * t + r;  // distinct numbers and names
            // 2350xxxxx a ship of the United Kingdom, 02350xxxx a group of it.
            const char* first = t == mm::kDscIndId ? "2350" : "0235";
            char digits[16];
            std::snprintf(digits, sizeof digits, "%s%05d", first, n);
            for (int i = 0; i < 5; ++i)
                c.id[i] = static_cast<uint8_t>((digits[2 * i] - '0') * 10 +
                                               (i < 4 ? digits[2 * i + 1] - '0' : 0));
            char name[16];
            std::snprintf(name, sizeof name, "BOAT %05d", n);
            for (int i = 0; i < 10; ++i) c.name[i] = name[i];
            c.kind = t == mm::kDscIndId ? 0 : 1;
            c.state |= datCh::kLoaded;
            c.Store();
        }
    }
    for (int r = 0; r < mm::kFreeRows; ++r) {
        c.Load(mm::kFreeCh, r);
        c.state &= ~(datCh::kRxBlank | datCh::kTxBlank);
        c.rxHz = c.txHz = 156'025'000u + 12'500u * static_cast<uint32_t>(r);
        c.shortName = {'U', static_cast<char>('A' + r % 26), static_cast<char>(r < 35 ? 'A' : 'B')};
        c.Store();
        for (int t : {mm::kIntCh, mm::kUsaCh, mm::kCanCh}) {
            c.Load(t, mm::kFirstFreeRow + r);
            c.flags &= ~(datCh::kUnused | datCh::kTxInh);
            c.Store();
        }
    }
}

// The warning check over an image as the window runs it after an edit, with every entry worded:
// the factory image of model type 2 (0), and the same with every row filled (1).
void BM_WarningCheckList(benchmark::State& state) {
    Setup& s = Installed();
    cmcEeprom image;
    image.Assign(s.host.image);
    if (state.range(0) == 1) FillEveryRow(image);
    size_t entries = 0, length = 0;
    for (auto _ : state) {
        const std::vector<warncheck::Finding> findings = warncheck::CheckImage(image, 2);
        length = 0;
        for (const warncheck::Finding& f : findings) length += WarningText(f).size();
        entries = findings.size();
        benchmark::DoNotOptimize(length);
    }
    state.counters["entries"] = double(entries);
    state.SetLabel(state.range(0) == 1 ? "every row filled" : "factory image");
}
BENCHMARK(BM_WarningCheckList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
