// kelda-cli on clone files: the real program on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"
#include "text/cmcGTex.h"

namespace {

using test::CliResult;
using test::RunCli;
using test::TempFolder;
using test::WriteFile;

std::string OverlayText(const char* key) {
    static cmcGTex* text = [] {
        auto* t = new cmcGTex;
        t->BindFile(KELDA_SOURCE_DIR "/data/overlay/KELDA.OVL");
        return t;
    }();
    return text->GetText(key);
}

// Replaces one byte of a saved clone file (whose data lines hold 16 bytes from 0x0000 on).
std::string WithByte(std::string file, int address, int value) {
    char line[8];
    std::snprintf(line, sizeof line, "\n%04X10", address & ~15);
    size_t at = file.find(line);
    EXPECT_NE(at, std::string::npos);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", value);
    file.replace(at + 7 + 2 * (address & 15), 2, hex);
    return file;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class CliFiles : public testing::Test {
  protected:
    TempFolder tmp;
};

TEST_F(CliFiles, NewWritesEachModelsFactoryImageThatOpensAgain) {
    for (int model = 0; model <= 7; ++model) {
        SCOPED_TRACE(model);
        const std::string path = test::MakeFactory(tmp, model, "m.kcf");
        std::string text = ReadFile(path);
        EXPECT_EQ(text.rfind("37150001\r\n#Comment=", 0), 0u);
        EXPECT_NE(text.find("\r\n471010"), std::string::npos);
        CliResult check = RunCli({"check", path}, tmp);
        EXPECT_EQ(check.status, 0) << check.err;
        EXPECT_EQ(check.out, "ok\n");
        // The image names its model type.
        CliResult dump = RunCli({"dump", path, "--from", "0x0F19", "--to", "0x0F19"}, tmp);
        char expect[16];
        std::snprintf(expect, sizeof expect, "0F19: %02X\n", model);
        EXPECT_EQ(dump.out, expect);
    }
    CliResult bad = RunCli({"new", "--model", "8", "-o", tmp / "x.kcf"}, tmp);
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("model types are 0 to 7"), std::string::npos);
}

TEST_F(CliFiles, CheckReportsEachFileErrorWithItsMessageAndExitStatus) {
    const std::string good = ReadFile(test::MakeFactory(tmp, 2, "good.kcf"));
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> make;  // null: no file at all
        int status;
        const char* key;
    };
    const Case cases[] = {
        {"missing", nullptr, 11, "GI_Mess_FileErr_FileOpen"},
        {"letters in the header", [](std::string f) { return f.replace(4, 4, "000A"); }, 16,
         "GI_Mess_FileErr_Format"},
        {"other sub-code", [](std::string f) { return f.replace(4, 4, "0002"); }, 14,
         "GI_Mess_FileErr_Extra"},
        {"other model", [](std::string f) { return f.replace(0, 4, "3716"); }, 13,
         "GI_Mess_FileErr_Model"},
        {"no revision line", [](std::string f) { return f.erase(f.find("#MapRev=1\r\n"), 11); }, 15,
         "GI_Mess_FileErr_NoMapRev"},
        {"revision 2", [](std::string f) { return f.replace(f.find("#MapRev=1"), 9, "#MapRev=2"); },
         15, "GI_Mess_FileErr_MapRev"},
        {"last line missing", [](std::string f) { return f.substr(0, f.find("471010")); }, 17,
         "GI_Mess_FileErr_Coverage"},
        {"bytes beyond the document", [](std::string f) { return f + "4720010A\r\n"; }, 18,
         "GI_Mess_FileErr_Data"},
        {"map marker cleared", [](std::string f) { return WithByte(f, 0x0F1A, 0); }, 18,
         "GI_Mess_FileErr_Data"},
        {"last line end missing", [](std::string f) { return f.substr(0, f.size() - 2); }, 16,
         "GI_Mess_FileErr_Format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tmp / "case.kcf";
        std::remove(path.c_str());
        if (c.make) WriteFile(path, c.make(good));
        CliResult r = RunCli({"check", path}, tmp);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(OverlayText("GI_Mess_FileErr_Headline")), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(OverlayText(c.key)), std::string::npos) << r.err;
    }
}

TEST_F(CliFiles, DumpShowsTheFileBytesSixteenALine) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    CliResult r = RunCli({"dump", path, "--from", "0x0F0C", "--to", "3874"}, tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    // The maker string, the model type and the map marker; lines end on 16-byte boundaries.
    EXPECT_EQ(r.out.substr(0, 6), "0F0C: ");
    EXPECT_NE(r.out.find("\n0F10: 56 65 78 61 20 49 6E 63 00 02 01 "), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 16), "\n0F20: 20 20 20\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);

    CliResult whole = RunCli({"dump", path}, tmp);
    EXPECT_EQ(std::count(whole.out.begin(), whole.out.end(), '\n'), 0x4720 / 16);
    EXPECT_EQ(whole.out.substr(whole.out.size() - 54, 6), "4710: ");

    EXPECT_EQ(RunCli({"dump", path, "--from", "0x8000"}, tmp).status, 2);
    EXPECT_EQ(RunCli({"dump", path, "--from", "0x20", "--to", "0x10"}, tmp).status, 2);
    EXPECT_EQ(RunCli({"dump", tmp / "none.kcf"}, tmp).status, 11);
}

TEST_F(CliFiles, SetCommitsAsTheSheetEditorsAndGetShowsTheResult) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    CliResult set =
        RunCli({"set", path,
                "CT_IntCh.CL_ChList_Comment[12]=harbour",  // upper-cased
                "CT_IntCh.CL_ChList_Tag[12]=TAG",          // choice, any case
                "CT_IntCh.CL_ChList_Poc[12]=#1",           // choice by item
                "CT_IntCh.CL_ChList_Atr[1]=Used",          // action list
                "CT_FreeCh.CL_Fch_FreqR[3]=156.81",        // snapped to the raster
                "CT_FreeCh.CL_Fch_ChName[3]=xy", "CT_DscIndId.CL_DscIndId_Id[0]=211234567",
                "CT_DscIndId.CL_DscIndId_Comment[0]=Friend, Bob"},
               tmp);
    ASSERT_EQ(set.status, 0) << set.err;
    CliResult get = RunCli(
        {"get", path, "CT_IntCh.CL_ChList_Comment[12]", "CT_IntCh.CL_ChList_Tag[12]",
         "CT_IntCh.CL_ChList_Poc[12]", "CT_IntCh.CL_ChList_Atr[1]", "CT_FreeCh.CL_Fch_FreqR[3]",
         "CT_FreeCh.CL_Fch_FreqT[3]", "CT_FreeCh.CL_Fch_ChName[3]", "CT_DscIndId.CL_DscIndId_Id[0]",
         "CT_DscIndId.CL_DscIndId_Comment[0]"},
        tmp);
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(get.out, "HARBOUR\nTag\nPOC\nUsed \n156.81250\n<-\nXY\n211234567\nFRIEND, BO\n");
    EXPECT_EQ(RunCli({"check", path}, tmp).status, 0);
}

// Every choice the channel-use cell lists is taken as the window takes it: "Not used" on the P
// and C channel keeps its marks, "Make this the P channel" moves the mark here.
TEST_F(CliFiles, SetTakesEveryChoiceOfAChannelsUse) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string pc = "CT_IntCh.CL_ChList_Atr[32]", other = "CT_IntCh.CL_ChList_Atr[12]";
    ASSERT_EQ(RunCli({"get", path, pc}, tmp).out, "Used PC\n");
    CliResult r = RunCli({"set", path, pc + "=Not used"}, tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"get", path, pc}, tmp).out, "Not used PC\n");
    EXPECT_EQ(RunCli({"set", path, pc + "=Not used"}, tmp).status, 0);  // already so
    EXPECT_EQ(RunCli({"get", path, pc}, tmp).out, "Not used PC\n");
    r = RunCli({"set", path, other + "=Make this the P channel", pc + "=Used"}, tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"get", path, other, pc}, tmp).out, "Used P\nUsed C\n");
    r = RunCli({"set", path, other + "=make this the c channel"}, tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"get", path, other, pc}, tmp).out, "Used PC\nUsed \n");
}

// Names keep the spaces they start with through an export and an import; only the padding
// after them goes.
TEST_F(CliFiles, TablesKeepLeadingSpacesOfNames) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    ASSERT_EQ(RunCli({"set", path, "CT_IntCh.CL_ChList_Comment[12]=  HARBOUR",
                      "CT_DscIndId.CL_DscIndId_Id[0]=235012345",
                      "CT_DscIndId.CL_DscIndId_Comment[0]= BOB"},
                     tmp)
                  .status,
              0);
    CliResult ints = RunCli({"export", path, "--table", "int"}, tmp);
    EXPECT_NE(ints.out.find("\n6,Used,-,TX/RX,-,Simplex,\"  HARBOUR\"\r\n"), std::string::npos)
        << ints.out;
    CliResult ind = RunCli({"export", path, "--table", "ind"}, tmp);
    EXPECT_NE(ind.out.find("\n1,235012345,\" BOB\"\r\n"), std::string::npos) << ind.out;
    const std::string before = ReadFile(path);
    WriteFile(tmp / "ind.csv", ind.out);
    CliResult back = RunCli({"import", path, "--table", "ind", tmp / "ind.csv"}, tmp);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_TRUE(ReadFile(path) == before) << "the round trip changed the file";
}

// Switching scan off gives the soft keys another set when the file is saved: set says which.
TEST_F(CliFiles, SetSaysWhichSoftKeysTheScanSwitchChanges) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    CliResult r = RunCli({"set", path, "CL_ComCom_ScanF=Off"}, tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("CL_ComConf_KeyAssign_SoftKey[4]: soft key 5 becomes 'Dual watch / tri "
                         "watch' (was 'Scan'): the soft keys follow the scan and watch functions "
                         "switched on\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 8) << r.err;
    EXPECT_EQ(RunCli({"get", path, "CL_ComConf_KeyAssign_SoftKey[4]"}, tmp).out,
              "Dual watch / tri watch\n");
    // Another switch leaves them alone and says nothing.
    r = RunCli({"set", path, "CL_ComCom_BandEx=Off"}, tmp);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST_F(CliFiles, RefusedValuesAndUnknownCellsSaveNothing) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string before = ReadFile(path);
    struct Case {
        const char* edit;
        const char* says;
    };
    const Case cases[] = {
        {"CT_IntCh.CL_ChList_Tag[12]=maybe", "is not one of: -, Tag"},
        {"CT_IntCh.CL_ChList_Poc[12]=#7", "not an item number"},
        {"CT_DscIndId.CL_DscIndId_Id[0]=12345678", "An ID has 9 digits"},
        {"CT_IntCh.CL_ChList_Comment[1]=X", "cannot be edited here"},  // unused channel
        {"CT_IntCh.CL_ChList_No[12]=5", "cannot be edited here"},
        {"CT_DscIndId.CL_DscIndId_Comment[4]=Bob", "give CT_DscIndId.CL_DscIndId_Id[4] first"},
        {"CL_Menu_File_New=1", "not a cell that holds a value"},
        {"CT_IntCh.CL_ChList_Commnet[12]=X", "unknown label CL_ChList_Commnet"},
        {"CT_IntCH.CL_ChList_Comment[12]=X", "unknown category CT_IntCH"},
        {"CT_IntCh.CL_ChList_Comment[999]=X", "the table has no row 999"},
        {"CT_IntCh.CL_ChList_Comment[x]=X", "the index must be a number"},
        {"CL_ChList_Comment[12]=X", "has no behaviour"},
        {"CT_IntCh.CL_ChList_Comment[12]", "is not CELL=VALUE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        // A good edit before the bad one is not saved either.
        CliResult r = RunCli({"set", path, "CT_IntCh.CL_ChList_Comment[12]=CHANGED", c.edit}, tmp);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(path), before);
    }
}

// A mistyped MMSI, over the radio's own one or over a contact with a name, erases nothing.
TEST_F(CliFiles, AWrongMmsiIsRefusedAndKeepsTheStoredOneAndItsName) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    ASSERT_EQ(RunCli({"set", path, "CT_Null.CL_ComDsc_SelfId=366123456",
                      "CT_DscIndId.CL_DscIndId_Id[3]=235123456",
                      "CT_DscIndId.CL_DscIndId_Comment[3]=OCEAN STAR"},
                     tmp)
                  .status,
              0);
    const std::string before = ReadFile(path);
    for (const char* edit :
         {"CT_Null.CL_ComDsc_SelfId=12345", "CT_DscIndId.CL_DscIndId_Id[3]=23512345",
          "CT_DscIndId.CL_DscIndId_Id[3]=2351234567", "CT_DscIndId.CL_DscIndId_Id[3]=x"}) {
        SCOPED_TRACE(edit);
        CliResult r = RunCli({"set", path, edit}, tmp);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("An ID has 9 digits; nothing was changed"), std::string::npos)
            << r.err;
        EXPECT_EQ(ReadFile(path), before);
    }
    EXPECT_EQ(RunCli({"get", path, "CT_Null.CL_ComDsc_SelfId", "CT_DscIndId.CL_DscIndId_Id[3]",
                      "CT_DscIndId.CL_DscIndId_Comment[3]"},
                     tmp)
                  .out,
              "366123456\n235123456\nOCEAN STAR\n");
    // Empty clears, as it always did.
    ASSERT_EQ(RunCli({"set", path, "CT_DscIndId.CL_DscIndId_Id[3]="}, tmp).status, 0);
    EXPECT_EQ(RunCli({"get", path, "CT_DscIndId.CL_DscIndId_Id[3]"}, tmp).out, "\n");
    // What the empty own ID shows is taken back: it empties the ID, and again changes nothing.
    const std::string notSet = OverlayText("GI_AppInd_Dsc_SelfIdOff");
    for (int pass = 0; pass < 2; ++pass) {
        CliResult r = RunCli({"set", path, "CT_Null.CL_ComDsc_SelfId=" + notSet}, tmp);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(RunCli({"get", path, "CT_Null.CL_ComDsc_SelfId"}, tmp).out, notSet + "\n");
    }
}

// set says what it stored when the cell's own rules changed the value, --strict refuses such
// a change, and a change that cannot be kept is refused whatever the flags.
TEST_F(CliFiles, SetSaysWhatItStoredAndRefusesWhatWouldNotBeKept) {
    const std::string m2 = test::MakeFactory(tmp, 2, "m2.kcf");
    const std::string m1 = test::MakeFactory(tmp, 1, "m1.kcf");
    const std::string m4 = test::MakeFactory(tmp, 4, "m4.kcf");
    const std::string m0 = test::MakeFactory(tmp, 0, "m0.kcf");
    const std::string nothing = "";  // no message at all
    const struct {
        std::string file;
        const char* edit;
        int status, strictStatus;
        std::string says;   // on stderr
        const char* shown;  // what get shows afterwards (without --strict)
    } cases[] = {
        // A frequency outside the band is refused with the band, never bent to its edge.
        {m2, "CT_FreeCh.CL_Fch_FreqR[1]=99", 2, 2, "marine VHF band, 156.000 to 163.275 MHz", ""},
        {m2, "CT_FreeCh.CL_Fch_FreqR[1]=1568", 2, 2, "156.000 to 163.275 MHz", ""},
        {m2, "CT_FreeCh.CL_Fch_FreqR[1]=156.81", 0, 2, "stored as \"156.81250\"", "156.81250"},
        {m2, "CT_FreeCh.CL_Fch_FreqR[1]=156.800", 0, 0, nothing, "156.80000"},
        {m2, "CT_FreeCh.CL_Fch_FreqR[1]=156,6", 0, 0, nothing, "156.60000"},
        {m2, "CT_IntCh.CL_ChList_Comment[12]=Harbour Master", 0, 2, "stored as \"HARBOUR MA\"",
         "HARBOUR MA"},
        {m2, "CT_IntCh.CL_ChList_Comment[12]=harbour", 0, 0, nothing, "HARBOUR"},
        // Out of the range, or "off" where 0 is outside it: refused with the range.
        {m2, "CL_RadioSet_ScanSpeed=250", 2, 2, "Enter milliseconds from 50 to 200", "100 msec"},
        {m2, "CL_RadioSet_ScanSpeed=200", 0, 0, nothing, "200 msec"},
        {m2, "CL_RadioSet_ScanSpeed=off", 2, 2, "Enter milliseconds from 50 to 200", "200 msec"},
        {m2, "CL_MakerR_DwTw_Timer=OFF", 2, 2, "Enter seconds from 0.80 to 1.50", "1.20 sec"},
        {m2, "CL_ComCom_TotTimer=5 min", 2, 2, "Enter seconds from 0 to 600", "300 sec"},
        {m2, "CL_MakerR_TX_Mute_Timer=off", 0, 2, "stored as \"0\"", "0 msec"},
        // Below the range and above it alike.
        {m2, "CL_ComCom_RemoteID=0", 2, 2, "Enter a number from 1 to 69", "1"},
        {m2, "CL_ComCom_RemoteID=70", 2, 2, "Enter a number from 1 to 69", "1"},
        // What the cell already holds, however it is written.
        {m2, "CL_MakerR_DwTw_Timer=1.20", 0, 0, nothing, "1.20 sec"},
        {m2, "CL_MakerR_DwTw_Timer=1.2", 0, 0, nothing, "1.20 sec"},
        {m2, "CL_MakerR_DwTw_Timer=1.30", 0, 0, nothing, "1.30 sec"},
        // Saving would put the factory's weather choices back.
        {m4, "CT_WxCh.CL_WX_ChAtr[8]=Used", 2, 2, "factory setting of this model", "Not used"},
        {m1, "CL_ComCom_Wx=On", 2, 2, "factory setting of this model", "Off"},
        {m0, "CT_WxCh.CL_WX_ChAtr[8]=Used", 0, 0, nothing, "Used"},
    };
    for (const auto& c : cases) {
        for (bool strict : {true, false}) {
            SCOPED_TRACE(std::string(c.edit) + (strict ? " --strict" : ""));
            const std::string before = ReadFile(c.file);
            std::vector<std::string> args = {"set", c.file, c.edit};
            if (strict) args.push_back("--strict");
            CliResult r = RunCli(args, tmp);
            const int status = strict ? c.strictStatus : c.status;
            EXPECT_EQ(r.status, status) << r.err;
            if (c.says.empty()) {
                EXPECT_EQ(r.err, "");
            } else {
                EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
            }
            if (status != 0) {
                EXPECT_NE(r.err.find("nothing saved"), std::string::npos) << r.err;
                EXPECT_EQ(ReadFile(c.file), before);
            }
        }
        const std::string cell = std::string(c.edit).substr(0, std::string(c.edit).find('='));
        EXPECT_EQ(RunCli({"get", c.file, cell}, tmp).out, std::string(c.shown) + "\n") << c.edit;
    }
    // Setting what a file already holds leaves it byte for byte as it was.
    const std::string before = ReadFile(m2);
    EXPECT_EQ(RunCli({"set", m2, "CL_MakerR_DwTw_Timer=1.3"}, tmp).status, 0);
    EXPECT_EQ(ReadFile(m2), before);
}

// Debug byte cells name bytes of the image only; an index that would overflow is refused.
TEST_F(CliFiles, DebugCellsOutsideTheImageAreRefused) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    for (const char* cell : {"CL_EeDebugWin_5[268435456]", "CL_EeDebugWin_0[1024]",
                             "CL_EeDebugWin_Adr[2147483647]", "CL_Free_Byte_Dec[32768]"}) {
        CliResult r = RunCli({"get", path, cell}, tmp);
        EXPECT_EQ(r.status, 2) << cell;
        EXPECT_NE(r.err.find("has that index"), std::string::npos) << r.err;
    }
    CliResult r = RunCli({"get", path, "CL_EeDebugWin_F[1023]", "CL_Free_Byte_Dec[32767]"}, tmp);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliFiles, SetWithAnOutputFileLeavesTheInputAlone) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string before = ReadFile(path);
    CliResult r =
        RunCli({"set", path, "CT_WxCh.CL_WX_ChComment[0]=WX ONE", "-o", tmp / "out.kcf"}, tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(RunCli({"get", tmp / "out.kcf", "CT_WxCh.CL_WX_ChComment[0]"}, tmp).out, "WX ONE\n");
    EXPECT_EQ(RunCli({"get", tmp / "missing.kcf", "CT_WxCh.CL_WX_ChComment[0]"}, tmp).status, 11);
}

TEST_F(CliFiles, WarningsNameTheSheetsOfErrorsAndWarnings) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    CliResult clean = RunCli({"warnings", path}, tmp);
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_EQ(clean.out, "");

    // A P channel that is not in use is an error; an MMSI listed twice is a warning.
    ASSERT_EQ(
        RunCli({"set", path, "CT_IntCh.CL_ChList_Atr[12]=Used P", "CT_IntCh.CL_ChList_Atr[12]=#3",
                "CT_DscIndId.CL_DscIndId_Id[0]=211234567", "CT_DscIndId.CL_DscIndId_Comment[0]=A",
                "CT_DscIndId.CL_DscIndId_Id[1]=211234567", "CT_DscIndId.CL_DscIndId_Comment[1]=B"},
               tmp)
            .status,
        0);
    EXPECT_EQ(RunCli({"get", path, "CT_IntCh.CL_ChList_Atr[12]"}, tmp).out, "Not used P\n");
    CliResult r = RunCli({"warnings", path}, tmp);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "error International Channels\n"
              "  error: International list, channel 6: not in use, but it is the P channel; mark "
              "another channel or put this one in use\n"
              "warning Individual MMSIs\n"
              "  warning: Individual MMSIs, row 2 (B): MMSI 211234567 is already in row 1 (A)\n");
}

TEST_F(CliFiles, ExportThenImportChangesNothingAndEditsArriveInEveryTable) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    for (const auto& table : test::Tables()) {
        SCOPED_TRACE(table);
        CliResult ex = RunCli({"export", path, "--table", table, "-o", tmp / "t.csv"}, tmp);
        ASSERT_EQ(ex.status, 0) << ex.err;
        const std::string csv0 = ReadFile(tmp / "t.csv");
        const std::string before = ReadFile(path);
        CliResult same = RunCli({"import", path, "--table", table, tmp / "t.csv"}, tmp);
        ASSERT_EQ(same.status, 0) << same.err;
        EXPECT_EQ(ReadFile(path), before);

        const std::string csv1 = test::EditCsv(csv0, table);
        ASSERT_NE(csv1, csv0);
        WriteFile(tmp / "t.csv", csv1);
        CliResult im = RunCli({"import", path, "--table", table, tmp / "t.csv"}, tmp);
        ASSERT_EQ(im.status, 0) << im.err;
        EXPECT_EQ(RunCli({"export", path, "--table", table}, tmp).out, csv1);
        const std::string edited = ReadFile(path);
        EXPECT_EQ(RunCli({"import", path, "--table", table, tmp / "t.csv"}, tmp).status, 0);
        EXPECT_EQ(ReadFile(path), edited);
    }
}

// Exported fields carry no display padding, and an import takes a value with or without it.
TEST_F(CliFiles, ExportIsTrimmedAndImportTakesPaddedValues) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string csv = RunCli({"export", path, "--table", "int"}, tmp).out;
    auto rows = test::ParseCsv(csv);
    for (const auto& row : rows)
        for (const auto& field : row)
            ASSERT_EQ(field, field.empty() ? field
                                           : field.substr(field.find_first_not_of(' '),
                                                          field.find_last_not_of(' ') -
                                                              field.find_first_not_of(' ') + 1));
    EXPECT_NE(csv.find(",Used,"), std::string::npos);
    for (auto& row : rows)
        for (auto& field : row)
            if (field == "Used" || field == "Not used") field += " ";  // as older exports
    WriteFile(tmp / "padded.csv", test::FormatCsv(rows));
    const std::string before = ReadFile(path);
    CliResult r = RunCli({"import", path, "--table", "int", tmp / "padded.csv"}, tmp);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(path), before);
}

// Output that does not arrive is a file-access failure with a message; a CSV that is no plain
// file or far too big is refused before it is read.
TEST_F(CliFiles, LostOutputAndImpossibleCsvFilesAreFileErrors) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    for (const std::string& command : {"dump '" + path + "'", "export '" + path + "' --table int",
                                       "get '" + path + "' CL_RadioSet_ScanSpeed"}) {
        SCOPED_TRACE(command);
        const std::string err = tmp / "err.txt";
        int ws = std::system(
            (std::string(KELDA_BIN_DIR) + "/kelda-cli " + command + " >/dev/full 2>'" + err + "'")
                .c_str());
        ASSERT_TRUE(WIFEXITED(ws));
        EXPECT_EQ(WEXITSTATUS(ws), 12);
        EXPECT_NE(ReadFile(err).find("writing to standard output failed: No space left on device"),
                  std::string::npos)
            << ReadFile(err);
    }
    WriteFile(tmp / "huge.csv", std::string(5 * 1024 * 1024, ','));
    const std::string before = ReadFile(path);
    const struct {
        std::string csv;
        const char* says;
    } cases[] = {{"/dev/zero", "not a plain file"},
                 {tmp.Path(), "not a plain file"},
                 {tmp / "huge.csv", "too large for a table"},
                 {tmp / "missing.csv", "No such file or directory"}};
    for (const auto& c : cases) {
        CliResult r = RunCli({"import", path, "--table", "int", c.csv}, tmp);
        EXPECT_EQ(r.status, 11) << c.csv;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(path), before);
    }
}

// What every program prints must arrive: to a full disk each one says so and ends in 12, where
// it would end in 0 (or diff's 1) with its output lost.
TEST_F(CliFiles, EveryPrintingCommandTellsALostOutput) {
    const std::string a = test::MakeFactory(tmp, 2, "a.kcf");
    const std::string b = test::MakeFactory(tmp, 3, "b.kcf");
    const struct {
        const char* program;
        std::vector<std::string> args;
    } cases[] = {
        {"kelda-cli", {"check", a}},
        {"kelda-cli", {"help"}},
        {"kelda-cli", {"--help"}},
        {"kelda-cli", {"diff", a, b}},
        {"kelda-cli", {"diff", a, b, "--bytes"}},
        {"kelda-radiosim", {"--help"}},
        {"kelda-radiosim", {"--no-publish"}},  // the port's name is lost: it ends at once
        {"kelda", {"--help"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.args[0]);
        // A build without the window program (the sanitizer build) has no kelda to ask.
        if (std::string(c.program) == "kelda" &&
            access((std::string(KELDA_BIN_DIR) + "/kelda").c_str(), X_OK) != 0)
            continue;
        CliResult r = test::RunProgram(c.program, c.args, tmp, "/dev/full");
        EXPECT_EQ(r.status, 12) << r.err;
        EXPECT_NE(r.err.find("writing to standard output failed: No space left on device"),
                  std::string::npos)
            << r.err;
    }
}

// An output never replaces what the command reads, nor a clone file unless it is one itself;
// named directly, through a symbolic link, or by content when the name does not say it.
TEST_F(CliFiles, AnOutputThatWouldReplaceTheInputOrACloneFileIsRefused) {
    const std::string boat = test::MakeFactory(tmp, 2, "boat.kcf");
    const std::string other = test::MakeFactory(tmp, 3, "other.kcf");
    const std::string plain = tmp / "plain-name";
    WriteFile(plain, ReadFile(other));
    ASSERT_EQ(symlink(boat.c_str(), (tmp / "link.csv").c_str()), 0);
    WriteFile(tmp / "in.csv", RunCli({"export", boat, "--table", "int"}, tmp).out);
    const std::vector<std::string> files = {boat, other, plain, tmp / "in.csv"};
    std::vector<std::string> before;
    for (const auto& f : files) before.push_back(ReadFile(f));
    const std::vector<std::vector<std::string>> cases = {
        {"export", boat, "--table", "int", "-o", boat},
        {"export", boat, "--table", "int", "-o", tmp / "link.csv"},
        {"export", boat, "--table", "int", "-o", other},
        {"export", boat, "--table", "int", "-o", plain},
        {"import", boat, "--table", "int", tmp / "in.csv", "-o", tmp / "in.csv"},
        {"write", boat, "--log", boat, "--device", tmp / "no-such-device"},
        {"info", "--log", other, "--device", tmp / "no-such-device"},
        {"read", "-o", tmp / "new.kcf", "--log", plain, "--device", tmp / "no-such-device"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + " " + args[args.size() - 1]);
        CliResult r = RunCli(args, tmp);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("would replace the"), std::string::npos) << r.err;
        for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadFile(files[i]), before[i]);
    }
    // A clone file saved over a clone file is a save, as it always was.
    EXPECT_EQ(RunCli({"set", boat, "CT_WxCh.CL_WX_ChComment[0]=WX ONE", "-o", other}, tmp).status,
              0);
    EXPECT_EQ(RunCli({"import", boat, "--table", "int", tmp / "in.csv", "-o", plain}, tmp).status,
              0);
}

// A folder, a device or a pipe named as the clone file is told as what it is, with its name.
TEST_F(CliFiles, AFileThatIsNoPlainFileIsToldAsWhatItIs) {
    ASSERT_EQ(mkfifo((tmp / "pipe").c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {{tmp.Path(), "GI_Mess_FileErr_Folder"},
                 {"/dev/null", "GI_Mess_FileErr_NotAFile"},
                 {tmp / "pipe", "GI_Mess_FileErr_NotAFile"},
                 {tmp / "missing.kcf", "GI_Mess_FileErr_FileOpen"}};
    for (const auto& c : cases) {
        CliResult r = RunCli({"check", c.path}, tmp);
        EXPECT_EQ(r.status, 11) << c.path;
        EXPECT_NE(r.err.find(OverlayText(c.says)), std::string::npos) << r.err;
        if (std::string(c.says) != "GI_Mess_FileErr_FileOpen") {
            EXPECT_NE(r.err.find(c.path), std::string::npos) << r.err;
        }
    }
}

// A CSV value with a control byte or a line break is shown whole, on the message's one line.
TEST_F(CliFiles, CsvValuesWithControlBytesAreShownSafely) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    auto rows = test::ParseCsv(RunCli({"export", path, "--table", "int"}, tmp).out);
    rows[1][0] = "X\x01Y\nZ";
    WriteFile(tmp / "t.csv", test::FormatCsv(rows));
    CliResult r = RunCli({"import", path, "--table", "int", tmp / "t.csv"}, tmp);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is 'X\\x01Y\\nZ' where"), std::string::npos) << r.err;
}

// The simulated radio reads its image as the other programs do: a device or a pipe is refused
// at once, neither read without end nor waited on.
TEST_F(CliFiles, TheSimulatedRadioRefusesAnImageThatIsNoPlainFile) {
    ASSERT_EQ(mkfifo((tmp / "pipe").c_str(), 0600), 0);
    for (const std::string& image : {std::string("/dev/zero"), tmp / "pipe", tmp.Path()}) {
        CliResult r = test::RunProgram("kelda-radiosim", {"--no-publish", "--image", image}, tmp);
        EXPECT_EQ(r.status, 2) << image;
        EXPECT_NE(r.err.find(image + ": cannot be read"), std::string::npos) << r.err;
    }
}

// A row number names a row of a table: an index no table has is refused, not shown overflowed.
TEST_F(CliFiles, RowNumberCellsRefuseIndicesOutsideTheTables) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    for (const char* cell : {"CL_Misc_ChNo_1Base[2147483647]", "CL_Misc_ChNo_0Base[100000]",
                             "CT_WxCh.CL_Misc_ChNo_1Base[500]"}) {
        CliResult r = RunCli({"get", path, cell}, tmp);
        EXPECT_EQ(r.status, 2) << cell;
        EXPECT_NE(r.err.find("row"), std::string::npos) << r.err;
    }
    CliResult r =
        RunCli({"get", path, "CL_Misc_ChNo_1Base[0]", "CT_IntCh.CL_Misc_ChNo_0Base[3]"}, tmp);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n3\n");
}

// A save that cannot be made says so, naming the file and the system's reason.
TEST_F(CliFiles, AFailedSaveSaysTheFileCannotBeWrittenAndWhy) {
    const struct {
        std::string out;
        const char* reason;
    } cases[] = {{tmp / "no/such/folder/x.kcf", "No such file or directory"},
                 {tmp.Path(), "Is a directory"}};
    for (const auto& c : cases) {
        CliResult r = RunCli({"new", "--model", "2", "-o", c.out}, tmp);
        EXPECT_EQ(r.status, 11) << c.out;
        EXPECT_NE(r.err.find("The file cannot be written"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.out + "\n" + c.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("allowed to read"), std::string::npos) << r.err;
    }
}

TEST_F(CliFiles, BadCsvIsRefusedNamingTheRowAndSavesNothing) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string before = ReadFile(path);
    const std::string good = RunCli({"export", path, "--table", "ind"}, tmp).out;
    std::string huge = good;
    for (int i = 0; i < 10000; ++i) huge += "1,,\r\n";
    struct Case {
        const char* name;
        std::string csv;
        const char* says;
    };
    const Case cases[] = {
        {"missing column", good.substr(0, good.find("\r\n2,")) + "\r\n2,\r\n",
         "row 3: 2 columns, 3 expected (missing columns)"},
        {"extra column", Replace(good, "\r\n1,,\r\n", "\r\n1,,,\r\n"),
         "row 2: 4 columns, 3 expected (extra columns)"},
        {"bad quoting", good.substr(0, good.find("\r\n") + 2) + "1,\"unclosed,\r\n",
         "CSV line 2: a quoted field is not closed"},
        {"wrong header", "No.,Name,MMSI\r\n" + good.substr(good.find("\r\n") + 2),
         "row 1: the header must be: No.,MMSI,Name"},
        {"10,000 rows", huge, "row 77: the table has only 75 rows"},
        {"rows moved", good.substr(0, good.find("\r\n") + 2) + "2,,\r\n1,,\r\n",
         "row 2: No. is '2' where '1' was expected"},
        {"empty", "", "the CSV is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(tmp / "bad.csv", c.csv);
        CliResult r = RunCli({"import", path, "--table", "ind", tmp / "bad.csv"}, tmp);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(path), before);
    }
    EXPECT_EQ(RunCli({"import", path, "--table", "ind", tmp / "none.csv"}, tmp).status, 11);
    EXPECT_EQ(RunCli({"export", path, "--table", "all"}, tmp).status, 2);
}

TEST_F(CliFiles, ImportListsEveryRefusedValueAndSavesOnlyWithPartial) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string before = ReadFile(path);
    auto rows = test::ParseCsv(RunCli({"export", path, "--table", "ind"}, tmp).out);
    rows[1] = {"1", "211234567", "GOOD"};
    rows[2] = {"2", "211234", "SHORT"};  // too few digits
    rows[4] = {"4", "", "NO ID"};        // a name needs an MMSI
    WriteFile(tmp / "in.csv", test::FormatCsv(rows));

    CliResult r = RunCli({"import", path, "--table", "ind", tmp / "in.csv"}, tmp);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("row 3, column 'MMSI': '211234' refused: An ID has 9 digits"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("row 5, column 'Name'"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(path), before);

    CliResult partial =
        RunCli({"import", path, "--table", "ind", tmp / "in.csv", "--partial"}, tmp);
    EXPECT_EQ(partial.status, 2);
    EXPECT_NE(partial.err.find("saved without"), std::string::npos);
    EXPECT_EQ(RunCli({"get", path, "CT_DscIndId.CL_DscIndId_Comment[0]"}, tmp).out, "GOOD\n");
}

// A value the cell would keep in another form (cut short, letters the radio cannot show) is
// refused like a bad one: an import never saves something other than the CSV says.
TEST_F(CliFiles, ImportRefusesAValueTheCellWouldStoreOtherwise) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string before = ReadFile(path);
    auto rows = test::ParseCsv(RunCli({"export", path, "--table", "ind"}, tmp).out);
    rows[1] = {"1", "211234567", "Jörg Bäcker"};
    rows[2] = {"2", "211234568", "ABCDEFGHIJKLMNOP"};  // longer than the radio keeps
    rows[3] = {"3", "211234569", "bertha"};            // the radio's capitals are the same name
    WriteFile(tmp / "in.csv", test::FormatCsv(rows));

    CliResult r = RunCli({"import", path, "--table", "ind", tmp / "in.csv"}, tmp);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("row 2, column 'Name': ö and ä cannot be shown by the radio ('Jörg "
                         "Bäcker' would be stored as"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("row 3, column 'Name': 'ABCDEFGHIJKLMNOP' would be stored as "
                         "'ABCDEFGHIJ'"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("row 4"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(path) == before) << "the file was changed";

    CliResult partial =
        RunCli({"import", path, "--table", "ind", tmp / "in.csv", "--partial"}, tmp);
    EXPECT_EQ(partial.status, 2);
    EXPECT_EQ(RunCli({"get", path, "CT_DscIndId.CL_DscIndId_Comment[0]",
                      "CT_DscIndId.CL_DscIndId_Comment[1]", "CT_DscIndId.CL_DscIndId_Comment[2]"},
                     tmp)
                  .out,
              "\n\nBERTHA\n");
}

// What a spreadsheet saves: a byte-order mark, Windows line ends, empty lines at the end.
TEST_F(CliFiles, ImportTakesASpreadsheetsUtf8Csv) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    auto rows = test::ParseCsv(RunCli({"export", path, "--table", "ind"}, tmp).out);
    rows[1] = {"1", "211234567", "GOOD"};
    WriteFile(tmp / "in.csv", "\xEF\xBB\xBF" + test::FormatCsv(rows) + "\r\n\r\n");
    CliResult r = RunCli({"import", path, "--table", "ind", tmp / "in.csv"}, tmp);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"get", path, "CT_DscIndId.CL_DscIndId_Comment[0]"}, tmp).out, "GOOD\n");
}

TEST_F(CliFiles, UsageMistakesExitWithTwo) {
    const std::string path = test::MakeFactory(tmp, 2, "m.kcf");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"check"},
             {"check", path, "--bogus"},
             {"new", "--model", "two", "-o", tmp / "x.kcf"},
         }) {
        CliResult r = RunCli(args, tmp);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(RunCli({"--help"}, tmp).status, 0);
}

}  // namespace
