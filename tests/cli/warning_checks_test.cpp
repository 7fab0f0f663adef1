// kelda-cli warnings on small changes to a factory image: the transmit checks name their sheet
// and say what they found, and an error makes the exit status 1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"

namespace {

using test::CliResult;
using test::RunCli;
using test::TempFolder;

// The text a check carries in the shipped warning check list.
std::string CheckText(const std::string& label) {
    const std::string overlay = ReadFile(KELDA_SOURCE_DIR "/data/overlay/KELDA.OVL");
    const std::string key = "{(%" + label + ":";
    const size_t at = overlay.find(key);
    EXPECT_NE(at, std::string::npos) << label;
    const size_t text = overlay.find('}', at) + 1;
    return overlay.substr(text, overlay.find('\n', text) - text);
}

TEST(CliWarningChecks, TransmitFaultsOnFixtureImages) {
    struct Case {
        const char* what;
        int model;
        std::vector<std::string> edits;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {"voice transmit on channel 70",
         2,
         {"CT_IntCh.CL_ChList_TxInh[140]=TX/RX"},
         1,
         "error International Channels\n  " + CheckText("CL_Check_Int_ChTx") + "\n"},
        {"transmit on the 1 W channel 15",
         2,
         {"CT_CanCh.CL_ChList_TxInh[30]=TX/RX"},
         0,
         "warning Canadian Channels\n  " + CheckText("CL_Check_Can_ChTx") + "\n"},
        {"a user channel in use below the marine band",
         2,
         {"CT_FreeCh.CL_Fch_FreqR[0]=155.500", "CT_IntCh.CL_ChList_Atr[348]=Used"},
         1,
         "error International Channels\n  " + CheckText("CL_Check_Int_ChTx") +
             "\nerror User Channels\n  " + CheckText("CL_Check_Free_Freq") + "\n"},
        {"a user channel in use with no frequency, receive-only",
         2,
         {"CT_UsaCh.CL_ChList_Atr[349]=Used", "CT_UsaCh.CL_ChList_TxInh[349]=RX only"},
         1,
         "error User Channels\n  " + CheckText("CL_Check_Free_Freq") + "\n"},
        {"a DSC call onto channel 70",
         0,
         {"CT_DscCh.CL_DSC_ChAtr[70]=Used"},
         1,
         "error DSC Channels\n  " + CheckText("CL_Check_Dsc_ChTx") + "\n"},
        {"DSC switched on in an inland radio",
         7,
         {"CT_Null.CL_ComDsc_IntCh=On"},
         1,
         "error DSC\n  " + CheckText("CL_Check_Dsc_Inland") + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        const std::string path = test::MakeFactory(tmp, c.model, "m.kcf");
        std::vector<std::string> set = {"set", path};
        set.insert(set.end(), c.edits.begin(), c.edits.end());
        CliResult edited = RunCli(set, tmp);
        ASSERT_EQ(edited.status, 0) << edited.err;
        CliResult r = RunCli({"warnings", path}, tmp);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
}

}  // namespace
