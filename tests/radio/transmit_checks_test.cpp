// The transmit checks of the warning list over small changes to a factory image: each change
// that lets the radio transmit where it must not is an error of exactly the check that owns it,
// a 1 W channel that may transmit is a warning, and what stays allowed stays silent.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/AddressRange.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "radio/cmcClnFile.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "support/CellDoubles.h"

namespace {

constexpr uint8_t kE = cmcCellCapsule::kError;
constexpr uint8_t kW = cmcCellCapsule::kWarning;

// Rows of the channel lists.
constexpr int kRow15 = 30, kRow70 = 140, kRow70A = 141, kRow75 = 150, kRow1070 = 272,
              kRow2021 = 311;

void SetFlags(cmcEeprom& image, int table, int row, bool used, bool txInh) {
    datCh c(&image);
    c.Load(table, row);
    c.flags = (c.flags & ~(datCh::kUnused | datCh::kTxInh)) | (used ? 0 : datCh::kUnused) |
              (txInh ? datCh::kTxInh : 0);
    c.Store();
}

// Free channel `row` on rx/tx (Hz, 0 = blank), offered by channel list `table`.
void SetFree(cmcEeprom& image, int row, uint32_t rx, uint32_t tx, int table, bool txInh) {
    datCh c(&image);
    c.Load(mm::kFreeCh, row);
    c.state &= ~(datCh::kRxBlank | datCh::kTxBlank);
    c.rxHz = rx;
    c.txHz = tx;
    if (!rx) c.state |= datCh::kRxBlank;
    if (!tx) c.state |= datCh::kTxBlank;
    c.shortName = {'U', '1', ' '};
    c.Store();
    SetFlags(image, table, mm::kFirstFreeRow + row, true, txInh);
}

class TransmitChecks : public testing::Test {
  protected:
    TransmitChecks() {
        std::ifstream in(std::string(KELDA_SOURCE_DIR) + "/data/initial/KELDA02.kcf");
        std::ostringstream text;
        text << in.rdbuf();
        cmcClnFile file;
        file.Attach(&factory);
        factory.SetSize(cmcEeprom::kImageSize);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
        EXPECT_EQ(file.ReadText(text.str(), kDocumentRanges), FileError::kNone);
    }

    // What each transmit check reports, those that report anything.
    std::map<int, uint8_t> Found() {
        std::map<int, uint8_t> found;
        for (int label = CL_Check_Int_ChTx; label <= CL_Check_Dsc_Inland; ++label)
            if (uint8_t f = CellCheckFlags(CT_Null, label, 0)) found[label] = f;
        return found;
    }

    test::InstalledOverlay overlay;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    test::RecordingHost host;
    ScopedInstall<InstallCellHost> hostSlot{&host};
    cmcEeprom factory;
};

TEST_F(TransmitChecks, EachFaultIsReportedByItsOwnCheck) {
    using Flags = std::map<int, uint8_t>;
    struct Case {
        const char* what;
        std::function<void(test::RecordingHost&)> change;
        Flags expected;
    };
    const Case cases[] = {
        {"factory image", [](auto&) {}, {}},
        {"voice on 70",
         [](auto& h) { SetFlags(h.image, mm::kIntCh, kRow70, true, false); },
         {{CL_Check_Int_ChTx, kE}}},
        {"voice on 70A",
         [](auto& h) { SetFlags(h.image, mm::kUsaCh, kRow70A, true, false); },
         {{CL_Check_Usa_ChTx, kE}}},
        {"voice on 1070",
         [](auto& h) { SetFlags(h.image, mm::kCanCh, kRow1070, true, false); },
         {{CL_Check_Can_ChTx, kE}}},
        {"70 in use receive-only",
         [](auto& h) { SetFlags(h.image, mm::kUsaCh, kRow70A, true, true); },
         {}},
        {"transmit on coast-station 2021",
         [](auto& h) { SetFlags(h.image, mm::kCanCh, kRow2021, true, false); },
         {{CL_Check_Can_ChTx, kE}}},
        {"transmit on 1 W channels 15 and 75",
         [](auto& h) {
             SetFlags(h.image, mm::kIntCh, kRow15, true, false);
             SetFlags(h.image, mm::kIntCh, kRow75, true, false);
         },
         {{CL_Check_Int_ChTx, kW}}},
        {"1 W warning and an error in one list",
         [](auto& h) {
             SetFlags(h.image, mm::kIntCh, kRow15, true, false);
             SetFlags(h.image, mm::kIntCh, kRow70, true, false);
         },
         {{CL_Check_Int_ChTx, kE | kW}}},
        {"DSC call onto 70",
         [](auto& h) { SetFlags(h.image, mm::kDscCh, 70, true, false); },
         {{CL_Check_Dsc_ChTx, kE}}},
        {"DSC call onto 1070, receive-only",
         [](auto& h) { SetFlags(h.image, mm::kDscCh, 1070, true, true); },
         {}},
        {"DSC call onto AIS 2087",
         [](auto& h) { SetFlags(h.image, mm::kDscCh, 2087, true, false); },
         {{CL_Check_Dsc_ChTx, kE}}},
        {"DSC call onto 1 W channel 17",
         [](auto& h) { SetFlags(h.image, mm::kDscCh, 17, true, false); },
         {{CL_Check_Dsc_ChTx, kW}}},
        {"user channel below the band",
         [](auto& h) { SetFree(h.image, 0, 155500000, 155500000, mm::kIntCh, false); },
         {{CL_Check_Free_Freq, kE}}},
        {"user channel blank",
         [](auto& h) { SetFree(h.image, 1, 0, 0, mm::kCanCh, false); },
         {{CL_Check_Free_Freq, kE}}},
        {"user channel without transmit frequency",
         [](auto& h) { SetFree(h.image, 1, 157850000, 0, mm::kUsaCh, false); },
         {{CL_Check_Free_Freq, kE}}},
        {"user channel transmitting on AIS 1",
         [](auto& h) { SetFree(h.image, 2, 161975000, 161975000, mm::kIntCh, false); },
         {{CL_Check_Free_Freq, kE}}},
        {"user channel listening on 156.525",
         [](auto& h) { SetFree(h.image, 3, 156525000, 156525000, mm::kIntCh, true); },
         {}},
        {"user channel at the top of the ship side and the weather band",
         [](auto& h) {
             SetFree(h.image, 4, 162000000, 157425000, mm::kIntCh, false);
             SetFree(h.image, 5, 163275000, 156000000, mm::kIntCh, false);
         },
         {}},
        {"user channel transmitting on the coast side",
         [](auto& h) { SetFree(h.image, 4, 160600000, 160600000, mm::kIntCh, false); },
         {{CL_Check_Free_Freq, kE}}},
        {"user channel above the receiver's range",
         [](auto& h) { SetFree(h.image, 6, 163281250, 157000000, mm::kIntCh, false); },
         {{CL_Check_Free_Freq, kE}}},
        {"user channel on a 1 W frequency",
         [](auto& h) { SetFree(h.image, 7, 156850000, 156850000, mm::kIntCh, false); },
         {{CL_Check_Free_Freq, kW}}},
        {"user channel not offered by any list",
         [](auto& h) {
             SetFree(h.image, 8, 155500000, 0, mm::kIntCh, false);
             SetFlags(h.image, mm::kIntCh, mm::kFirstFreeRow + 8, false, false);
         },
         {}},
        {"DSC on an inland radio",
         [](auto& h) {
             h.modelType = 7;
             h.image.SetByte(0x2224, 0x02);
         },
         {{CL_Check_Dsc_Inland, kE}}},
        {"DSC on a sea-going radio", [](auto& h) { h.image.SetByte(0x2224, 0x07); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.image.Assign(factory);
        host.modelType = 2;
        c.change(host);
        std::string got, want;
        for (const auto& [label, flags] : Found())
            got += LabelName(label) + "=" + std::to_string(flags) + " ";
        for (const auto& [label, flags] : c.expected)
            want += LabelName(label) + "=" + std::to_string(flags) + " ";
        EXPECT_EQ(got, want);
    }
}

// The marks sit on the cells the user must change.
TEST_F(TransmitChecks, TheCellsConcernedCarryTheMarks) {
    host.image.Assign(factory);
    EXPECT_EQ(CellCheckFlags(CT_IntCh, CL_ChList_TxInh, kRow70), 0);
    SetFlags(host.image, mm::kIntCh, kRow70, true, false);
    EXPECT_EQ(CellCheckFlags(CT_IntCh, CL_ChList_TxInh, kRow70), kE);
    SetFlags(host.image, mm::kDscCh, 2087, true, false);
    EXPECT_EQ(CellCheckFlags(CT_DscCh, CL_DSC_TxInh, 2087), kE);
    SetFree(host.image, 0, 155500000, 162025000, mm::kIntCh, false);
    EXPECT_EQ(CellCheckFlags(CT_FreeCh, CL_Fch_FreqR, 0), kE);
    EXPECT_EQ(CellCheckFlags(CT_FreeCh, CL_Fch_FreqT, 0), kE);
    // A user channel's frequencies are its own fault, marked once where they are set.
    EXPECT_EQ(CellCheckFlags(CT_IntCh, CL_ChList_TxInh, mm::kFirstFreeRow), 0);
}

}  // namespace
