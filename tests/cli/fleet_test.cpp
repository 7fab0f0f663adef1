// kelda-cli fleet against several kelda-radiosim instances, each on its own pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <set>
#include <thread>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"
#include "support/Radiosim.h"

namespace {

using test::CliResult;
using test::Radiosim;
using test::RunCli;
using test::TempFolder;
using test::WriteFile;

class CliFleet : public testing::Test {
  protected:
    TempFolder tmp;
    std::string templ = test::MakeEdited(tmp, "template.kcf");

    std::vector<std::unique_ptr<Radiosim>> Radios(int n, const std::string& tag,
                                                  std::vector<std::string> extraOfFirst = {}) {
        std::vector<std::unique_ptr<Radiosim>> radios;
        for (int i = 0; i < n; ++i) {
            std::vector<std::string> options = {"--save", Saved(tag, i)};
            if (i == 0) options.insert(options.end(), extraOfFirst.begin(), extraOfFirst.end());
            radios.push_back(std::make_unique<Radiosim>(tmp.Path(), options));
        }
        return radios;
    }
    std::string Saved(const std::string& tag, int i) const {
        return tmp / (tag + std::to_string(i) + ".kcf");
    }
    std::vector<std::string> Command(const std::vector<std::unique_ptr<Radiosim>>& radios,
                                     const std::string& list) const {
        std::vector<std::string> words = {"fleet",    templ,   "--list", list,
                                          "--verify", "--yes", "--log",  tmp / "fleet-log.csv"};
        for (const auto& r : radios) words.insert(words.end(), {"--device", r->Device()});
        return words;
    }
    // The MMSI and comment a radio was written with, after its write was saved.
    std::string Holds(const std::string& saved) const {
        for (int i = 0; i < 200 && ReadFile(saved).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ReadFile(saved).empty()) return "nothing";
        return RunCli({"get", saved, "CT_Null.CL_ComDsc_SelfId", "CT_Null.CL_ComCom_CloneComment"},
                      tmp)
            .out;
    }
    // What the template is with a row's values, over the range every write sends.
    std::string Expected(const std::string& mmsi, const std::string& comment) {
        const std::string path = tmp / ("expected-" + mmsi + ".kcf");
        CliResult set = RunCli({"set", templ, "-o", path, "CT_Null.CL_ComDsc_SelfId=" + mmsi,
                                "CT_Null.CL_ComCom_CloneComment=" + comment},
                               tmp);
        EXPECT_EQ(set.status, 0) << set.err;
        return Dump(path);
    }
    std::string Dump(const std::string& file) const {
        return RunCli({"dump", file, "--from", "0x0310", "--to", "0x46AF"}, tmp).out;
    }
    int LogLines(const std::string& result) const {
        const std::string log = ReadFile(tmp / "fleet-log.csv");
        int n = 0;
        for (size_t at = 0; (at = log.find("," + result + ",", at)) != std::string::npos; ++at) ++n;
        return n;
    }
    // Waits until the log holds `count` lines of the result (a run in the background).
    bool AwaitLog(const std::string& result, int count) const {
        for (int i = 0; i < 600; ++i) {
            if (LogLines(result) >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};

const char kList[] =
    "\xEF\xBB\xBFMMSI;Comment\r\n"
    "211000001;BOAT ONE\r\n"
    "211000002;BOAT TWO\r\n"
    "211000003;BOAT THREE\r\n"
    "211000004;BOAT FOUR\r\n";

TEST_F(CliFleet, ThreeCablesSideBySideEachRadioHoldsTheTemplateWithOneRow) {
    // Three rows, comma-separated this time, with the header in another case.
    WriteFile(tmp / "list.csv",
              "mmsi,comment\n211000001,BOAT ONE\n211000002,BOAT TWO\n211000003,BOAT THREE\n");
    auto radios = Radios(3, "radio");
    CliResult r = RunCli(Command(radios, tmp / "list.csv"), tmp);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("3 of 3 rows written and verified"), std::string::npos) << r.err;

    std::set<std::string> held;
    for (int i = 0; i < 3; ++i) held.insert(Holds(Saved("radio", i)));
    const std::set<std::string> rows = {"211000001\nBOAT ONE\n", "211000002\nBOAT TWO\n",
                                        "211000003\nBOAT THREE\n"};
    EXPECT_EQ(held, rows);  // each row used once
    for (int i = 0; i < 3; ++i) {
        const std::string h = Holds(Saved("radio", i));
        const std::string mmsi = h.substr(0, 9);
        const std::string comment = h.substr(10, h.size() - 11);
        EXPECT_EQ(Dump(Saved("radio", i)), Expected(mmsi, comment)) << h;
    }
    EXPECT_EQ(LogLines("verified"), 3);
    const std::string log = ReadFile(tmp / "fleet-log.csv");
    EXPECT_EQ(log.rfind("time,port,row,mmsi,comment,model,revision,result,code,message,seconds", 0),
              0u)
        << log;
    EXPECT_NE(log.find(",International,"), std::string::npos) << log;
}

TEST_F(CliFleet, ABadListIsRefusedWholeNamingEveryBadRowAndNoRadioIsTouched) {
    auto radios = Radios(1, "radio");
    WriteFile(tmp / "bad.csv",
              "MMSI;Comment\n"
              "211000001;ONE\n"
              "21100000X;TWO\n"    // not digits
              "002111234;THREE\n"  // a coast station's
              "211000001;FOUR\n"   // twice
              "211000005;A COMMENT TOO LONG\n");
    CliResult bad = RunCli(Command(radios, tmp / "bad.csv"), tmp);
    EXPECT_EQ(bad.status, 2);
    for (const char* row : {"row 2 (line 3)", "row 3 (line 4)", "row 4 (line 5)",
                            "is already in row 1", "row 5 (line 6)"})
        EXPECT_NE(bad.err.find(row), std::string::npos) << row << "\n" << bad.err;
    EXPECT_EQ(bad.err.find("row 1 "), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("refused whole; no radio was touched"), std::string::npos);

    // Lists and command lines refused before any radio, with what the message names.
    WriteFile(tmp / "empty.csv", "");
    WriteFile(tmp / "header.csv", "MMSI,Comment\r\n");
    WriteFile(tmp / "binary.csv", std::string("\x89PNG\r\n\x1a\n\0\0\"x", 12));
    WriteFile(tmp / "good.csv", "MMSI\n211000001\n");
    WriteFile(tmp / "atis.csv", "MMSI,ATIS\n211000001,9211000001\n");
    struct Case {
        std::vector<std::string> words;
        int status;
        const char* says;
    };
    const std::string dev = radios[0]->Device();
    const std::vector<Case> cases = {
        {{"--list", tmp / "empty.csv", "--device", dev}, 2, "the list is empty"},
        {{"--list", tmp / "header.csv", "--device", dev}, 2, "has a header line but no row"},
        {{"--list", tmp / "binary.csv", "--device", dev}, 2, "no CSV list"},
        {{"--list", tmp / "atis.csv", "--device", dev}, 2, "has no ATIS"},
        {{"--list", tmp / "good.csv", "--device", dev, "--device", dev}, 2, "named twice"},
        {{"--list", tmp / "good.csv", "--device", dev, "--log", tmp / "no/such/dir/log.csv"},
         2,
         "cannot be written"},
        {{"--list", tmp / "good.csv", "--device", dev, "--log", templ}, 2, "would replace"},
        {{"--list", tmp / "good.csv"}, 2, "give each cable's port"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"fleet", templ, "--yes"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        CliResult r = RunCli(words, tmp);
        EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.says << "\n" << r.err;
    }
    // A template with an error in its warning list is refused as the template's fault.
    const std::string broken = tmp / "broken.kcf";
    ASSERT_EQ(
        RunCli({"set", templ, "-o", broken, "CT_Null.CL_ComDsc_SelfId=002111234"}, tmp).status, 0);
    CliResult t =
        RunCli({"fleet", broken, "--yes", "--list", tmp / "good.csv", "--device", dev}, tmp);
    EXPECT_EQ(t.status, 1) << t.err;
    EXPECT_NE(t.err.find("the template"), std::string::npos) << t.err;
    EXPECT_EQ(ReadFile(Saved("radio", 0)), "");
}

TEST_F(CliFleet, ARadioRefusingWritesDoesNotStopTheOthersAndItsRowIsLeftAfterCtrlC) {
    WriteFile(tmp / "list.csv", kList);
    auto radios = Radios(3, "radio", {"--refuse-write"});
    test::BackgroundProgram run("kelda-cli", Command(radios, tmp / "list.csv"), tmp / "run.out");
    ASSERT_TRUE(AwaitLog("verified", 2));
    ASSERT_TRUE(AwaitLog("failed", 1));
    EXPECT_EQ(run.Stop(SIGINT), 6);
    const std::string err = ReadFile(tmp / "run.out.err");
    EXPECT_NE(err.find("the row goes to the next radio"), std::string::npos) << err;
    EXPECT_NE(err.find("2 of 4 rows written"), std::string::npos) << err;
    // The refused row and the fourth, never taken, are left to write.
    EXPECT_NE(err.find("not written: row"), std::string::npos) << err;
    EXPECT_NE(err.find("MMSI 211000004"), std::string::npos) << err;
    EXPECT_EQ(Holds(Saved("radio", 0)), "nothing");
}

TEST_F(CliFleet, MoreRowsThanRadiosStopsWhenAskedAndARerunResumesFromTheLog) {
    WriteFile(tmp / "list.csv", kList);
    {
        auto radios = Radios(2, "first");
        test::BackgroundProgram run("kelda-cli", Command(radios, tmp / "list.csv"),
                                    tmp / "run.out");
        ASSERT_TRUE(AwaitLog("verified", 2));
        EXPECT_EQ(run.Stop(SIGINT), 6);
        const std::string err = ReadFile(tmp / "run.out.err");
        EXPECT_NE(err.find("not written: row 3 (MMSI 211000003), row 4 (MMSI 211000004)"),
                  std::string::npos)
            << err;
    }
    auto radios = Radios(2, "second");
    CliResult again = RunCli(Command(radios, tmp / "list.csv"), tmp);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("2 of 4 rows are done"), std::string::npos) << again.err;
    std::set<std::string> held = {Holds(Saved("second", 0)), Holds(Saved("second", 1))};
    EXPECT_EQ(held, (std::set<std::string>{"211000003\nBOAT THREE\n", "211000004\nBOAT FOUR\n"}));
    EXPECT_EQ(LogLines("verified"), 4);
    // Every row is done now: nothing more to do, and no radio is needed for it.
    CliResult done = RunCli(Command(radios, tmp / "list.csv"), tmp);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_NE(done.err.find("every row of the list is done"), std::string::npos) << done.err;
}

}  // namespace
