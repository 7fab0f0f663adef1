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
         "error International Channels\n  error: International list, channel 70: transmit is on, "
         "but "
         "channel 70 carries DSC calls only, never voice\n"},
        {"transmit on the 1 W channel 15",
         2,
         {"CT_CanCh.CL_ChList_TxInh[30]=TX/RX"},
         0,
         "warning Canadian Channels\n  warning: Canadian list, channel 15: transmit is on; the "
         "Canadian "
         "plan limits channel 15 to 1 W, and the radio transmits at the power last chosen: use low "
         "power there\n"},
        // The frequency cell refuses 155.500 MHz, so the file is made as another program could
        // have written it: receive and transmit raw in free channel 0's record at 0x0850.
        {"a user channel in use below the marine band",
         2,
         {"CT_IntCh.CL_ChList_Atr[348]=Used"},
         1,
         "error User Channels\n"
         "  error: User channels, row 1: receives on 155.500 MHz, outside the marine band the "
         "radio "
         "tunes\n"
         "  error: User channels, row 1: transmits on 155.500 MHz, which is not a ship's transmit "
         "frequency in the plans this radio carries (156.000-157.425 MHz and the national channels "
         "of its model)\n"
         "  warning: User channels, row 1: a channel list has it in use, but its name is blank, so "
         "the radio shows nothing to choose it by\n"},
        {"a user channel in use with no frequency, receive-only",
         2,
         {"CT_UsaCh.CL_ChList_Atr[349]=Used", "CT_UsaCh.CL_ChList_TxInh[349]=RX only"},
         1,
         "error User Channels\n"
         "  error: User channels, row 2: a channel list has it in use, but it has no receive "
         "frequency\n"
         "  warning: User channels, row 2: a channel list has it in use, but its name is blank, so "
         "the radio shows nothing to choose it by\n"},
        {"a DSC call onto channel 70",
         0,
         {"CT_DscCh.CL_DSC_ChAtr[70]=Used"},
         1,
         "error DSC Channels\n  error: DSC channels, channel 70: transmit is on, but channel 70 "
         "carries "
         "DSC calls only, never voice\n"},
        {"DSC switched on in an inland radio",
         7,
         {"CT_Null.CL_ComDsc_IntCh=On"},
         1,
         "error DSC\n  error: DSC setup: DSC is switched on in an inland waterways (ATIS) radio, "
         "where "
         "DSC is not allowed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        const std::string path = test::MakeFactory(tmp, c.model, "m.kcf");
        if (std::string(c.what).find("below the marine band") != std::string::npos) {
            std::string text = ReadFile(path);
            const size_t at = text.find("085010FFFFFFFF");
            ASSERT_NE(at, std::string::npos);
            text.replace(at, 14, "0850102C279830");  // (155.5 - 30.15) MHz / 12.5 kHz, 155.5 MHz
            test::WriteFile(path, text);
        }
        std::vector<std::string> set = {"set", path};
        set.insert(set.end(), c.edits.begin(), c.edits.end());
        CliResult edited = RunCli(set, tmp);
        ASSERT_EQ(edited.status, 0) << edited.err;
        CliResult r = RunCli({"warnings", path}, tmp);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
}

// The same lines as a table for scripts: the cell column names the cell as get and set take it.
TEST(CliWarningChecks, CsvNamesSheetRowCellSeverityAndMessage) {
    TempFolder tmp;
    const std::string path = test::MakeFactory(tmp, 0, "m.kcf");
    ASSERT_EQ(RunCli({"set", path, "CT_UsaCh.CL_ChList_TxInh[30]=TX/RX"}, tmp).status, 0);
    CliResult r = RunCli({"warnings", path, "--format", "csv"}, tmp);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "sheet,row,cell,severity,message\r\n"
              "USA Channels,15,CT_UsaCh.CL_ChList_TxInh[30],error,\"USA list, channel 15: transmit "
              "is on, but the US plan makes channel 15 receive-only\"\r\n");
    EXPECT_EQ(RunCli({"warnings", path, "--format", "xml"}, tmp).status, 2);
}

}  // namespace
