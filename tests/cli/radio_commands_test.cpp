// kelda-cli against kelda-radiosim on a pseudo-terminal: both real programs, real serial I/O.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"
#include "support/Radiosim.h"

namespace {

using test::CliResult;
using test::RunCli;
using test::TempFolder;

using Background = test::BackgroundProgram;
using test::Radiosim;

class CliRadio : public testing::Test {
  protected:
    TempFolder tmp;
};

std::string ExportAll(const std::string& file, const TempFolder& tmp) {
    std::string all;
    for (const auto& t : test::Tables()) all += RunCli({"export", file, "--table", t}, tmp).out;
    return all;
}

TEST_F(CliRadio, ReadGivesTheRadiosImageInEveryTableAndInfoNamesTheRadio) {
    const std::string edited = test::MakeEdited(tmp, "edited.kcf");
    Radiosim radio(tmp.Path(), {"--image", edited, "--version", "1234"});

    CliResult info = RunCli({"info", "--device", radio.Device(), "--log", tmp / "link.log"}, tmp);
    ASSERT_EQ(info.status, 0) << info.err;
    // The log holds the request going out and the answer coming back, in hex.
    const std::string log = ReadFile(tmp / "link.log");
    EXPECT_NE(log.find("# open " + radio.Device()), std::string::npos) << log;
    EXPECT_NE(log.find(" > FE FE"), std::string::npos) << log;
    EXPECT_NE(log.find(" < FE FE"), std::string::npos) << log;
    EXPECT_NE(info.out.find("model: International\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("revision: 1.234\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("refuses reading: no\n"), std::string::npos) << info.out;

    CliResult read = RunCli({"read", "--device", radio.Device(), "-o", tmp / "read.kcf"}, tmp);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(RunCli({"check", tmp / "read.kcf"}, tmp).status, 0);
    const std::string fromRadio = ExportAll(tmp / "read.kcf", tmp);
    EXPECT_EQ(fromRadio, ExportAll(edited, tmp));
    EXPECT_NE(fromRadio, ExportAll(test::MakeFactory(tmp, 2, "factory.kcf"), tmp));
}

TEST_F(CliRadio, WriteIsConfirmedAndTheRadioHoldsTheDocumentOverTheWrittenRanges) {
    const std::string edited = test::MakeEdited(tmp, "edited.kcf");
    const std::string saved = tmp / "saved.kcf";
    Radiosim radio(tmp.Path(), {"--save", saved});

    CliResult unconfirmed = RunCli({"write", edited, "--device", radio.Device()}, tmp);
    EXPECT_EQ(unconfirmed.status, 2);
    EXPECT_NE(unconfirmed.err.find("--yes"), std::string::npos);
    EXPECT_EQ(ReadFile(saved), "");

    CliResult write = RunCli({"write", edited, "--device", radio.Device(), "--yes"}, tmp);
    ASSERT_EQ(write.status, 0) << write.err;
    for (int i = 0; i < 100 && ReadFile(saved).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Every range of either write list lies inside 0x0310-0x46AF or outside what changed.
    auto dump = [&](const std::string& file) {
        return RunCli({"dump", file, "--from", "0x0310", "--to", "0x46AF"}, tmp).out;
    };
    EXPECT_EQ(dump(saved), dump(edited));
    EXPECT_NE(dump(saved), dump(test::MakeFactory(tmp, 2, "factory.kcf")));
}

TEST_F(CliRadio, WriteVerifyReportsAByteTheRadioDidNotKeepAndNeverSuccess) {
    const std::string edited = test::MakeEdited(tmp, "edited.kcf");
    // The first letter of channel 16's name.
    Radiosim radio(tmp.Path(), {"--corrupt-store", "0x1080"});
    CliResult r = RunCli({"write", edited, "--device", radio.Device(), "--yes", "--verify"}, tmp);
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_NE(r.out.find("1080: written "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("International Channels | Channel 16 | Name: "), std::string::npos)
        << r.out;
    EXPECT_EQ(r.err.find("succeeded"), std::string::npos) << r.err;
}

TEST_F(CliRadio, WarningListErrorsRefuseTheWrite) {
    const std::string file = test::MakeFactory(tmp, 2, "bad.kcf");
    ASSERT_EQ(
        RunCli({"set", file, "CT_IntCh.CL_ChList_Atr[12]=Used P", "CT_IntCh.CL_ChList_Atr[12]=#3"},
               tmp)
            .status,
        0);
    const std::string saved = tmp / "saved.kcf";
    Radiosim radio(tmp.Path(), {"--save", saved});
    CliResult r = RunCli({"write", file, "--device", radio.Device(), "--yes"}, tmp);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(saved), "");
}

TEST_F(CliRadio, FaultsOfTheRadioGiveTheirResultCodes) {
    const std::string file = test::MakeFactory(tmp, 2, "m.kcf");
    struct Case {
        std::vector<std::string> fault;
        const char* command;
        int status;
        const char* words;
    };
    const Case cases[] = {
        {{"--silent"}, "read", 25, "The radio did not answer."},
        {{"--no-echo"}, "read", 24, "did not match what was sent"},
        {{"--refuse-read"}, "read", 40, "The radio does not allow its memory to be read."},
        {{"--bad-checksum", "3"}, "read", 26, "a wrong checksum"},
        {{"--wrong-count"}, "read", 27, "ended too early"},
        {{"--drop-frame", "3"}, "read", 28, "Not all of the radio's memory"},
        {{"--refuse-write"}, "write", 30, "did not confirm"},
        {{"--model-group", "0"}, "write", 33, "a different model"},
        {{"--silent"}, "info", 25, "The radio did not answer."},
        {{"--stop-write", "5000"}, "write", 25, "of 17312 bytes; it may hold part of the data."},
        {{"--chatter"}, "info", 39, "Another device is sending on this port."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault[0]);
        Radiosim radio(tmp.Path(), c.fault);
        const std::string out = tmp / "read.kcf";
        std::remove(out.c_str());
        std::vector<std::string> args = {c.command, "--device", radio.Device()};
        if (std::string(c.command) == "read") args.insert(args.end(), {"-o", out});
        if (std::string(c.command) == "write") args.insert(args.end(), {file, "--yes"});
        CliResult r = RunCli(args, tmp);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find("error: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        EXPECT_NE(access(out.c_str(), F_OK), 0);  // a failed read writes no file
    }
    CliResult none = RunCli({"info", "--device", tmp / "no-such-device"}, tmp);
    EXPECT_EQ(none.status, 22);
    // The device the user named, in the headline too; no number they never chose.
    EXPECT_NE(none.err.find("Serial port " + tmp / "no-such-device"), std::string::npos)
        << none.err;
    EXPECT_EQ(none.err.find("port 1"), std::string::npos) << none.err;
    EXPECT_EQ(RunCli({"info"}, tmp).status, 2);
    CliResult empty = RunCli({"info", "--device", ""}, tmp);
    EXPECT_EQ(empty.status, 2) << empty.err;
    EXPECT_EQ(empty.err.find("cannot be opened"), std::string::npos) << empty.err;
}

// A write that could never be checked is not begun: the radio says it refuses reading.
TEST_F(CliRadio, WriteVerifyToARadioThatRefusesReadingIsRefusedBeforeWriting) {
    const std::string file = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string saved = tmp / "saved.kcf";
    Radiosim radio(tmp.Path(), {"--refuse-read", "--save", saved});
    const auto start = std::chrono::steady_clock::now();
    CliResult r = RunCli({"write", file, "--device", radio.Device(), "--yes", "--verify"}, tmp);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("does not allow its memory to be read"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Nothing was written."), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(saved), "");
    // Without the check the write goes ahead.
    CliResult plain = RunCli({"write", file, "--device", radio.Device(), "--yes"}, tmp);
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(ReadFile(saved), "");
}

// A device that keeps sending, not a radio, is told within about a second.
TEST_F(CliRadio, AnotherDeviceSendingOnThePortIsToldWithinASecond) {
    Radiosim radio(tmp.Path(), {"--chatter"});
    const auto start = std::chrono::steady_clock::now();
    CliResult r = RunCli({"info", "--device", radio.Device()}, tmp);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, 39) << r.err;
    EXPECT_NE(r.err.find("Another device is sending on this port."), std::string::npos) << r.err;
    EXPECT_LT(took, std::chrono::milliseconds(2500));
}

TEST_F(CliRadio, AWriteWhoseLineStallsEndsWithTheSendFailureAndNeverClaimsSuccess) {
    const std::string file = test::MakeFactory(tmp, 2, "m.kcf");
    const std::string saved = tmp / "saved.kcf";
    // Well into the data frames: the radio's memory has been partly overwritten.
    Radiosim radio(tmp.Path(), {"--stall-write", "3000", "--save", saved});
    CliResult r = RunCli({"write", file, "--device", radio.Device(), "--yes"}, tmp);
    EXPECT_EQ(r.status, 37) << r.err;
    EXPECT_NE(r.err.find("error: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The serial port stopped sending."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Write to the radio again"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("succeeded"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("succeeded"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFile(saved), "");

    // The next run opens the port anew, and the line goes again until the stall.
    CliResult again = RunCli({"info", "--device", radio.Device()}, tmp);
    EXPECT_EQ(again.status, 0) << again.err;
}

// A line whose transmitter stops keeps its output queued; closing it then waits for the
// driver's closing wait (30 s) unless the queue is thrown away first. The program ends within
// a second of telling the failure.
TEST_F(CliRadio, ALineThatStopsDrainingDoesNotHoldTheProgramAtItsEnd) {
    Radiosim radio(tmp.Path(), {});
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        std::string(asan ? asan : "") + ":verify_asan_link_order=0";  // the shim comes first
    setenv("LD_PRELOAD", KELDA_STUCK_LINE_SHIM, 1);
    setenv("KELDA_STUCK_LINE", radio.Device().c_str(), 1);
    setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    CliResult r = RunCli({"info", "--device", radio.Device()}, tmp);
    const auto took = std::chrono::steady_clock::now() - start;
    unsetenv("LD_PRELOAD");
    unsetenv("KELDA_STUCK_LINE");
    if (asan)
        setenv("ASAN_OPTIONS", asan, 1);
    else
        unsetenv("ASAN_OPTIONS");
    EXPECT_EQ(r.status, 37) << r.err;
    EXPECT_NE(r.err.find("The serial port stopped sending."), std::string::npos) << r.err;
    // The request's echo is awaited 1 s and the queue 1 s more: then it ends at once.
    EXPECT_LT(took, std::chrono::milliseconds(3500));
}

TEST_F(CliRadio, APulledCableIsToldApartFromASilentRadio) {
    Radiosim radio(tmp.Path(), {"--baud", "38400"});
    const std::string out = tmp / "read.kcf";
    Background read("kelda-cli", {"read", "--device", radio.Device(), "-o", out}, tmp / "cli.out");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    radio.Kill();
    EXPECT_EQ(read.Wait(), 38);
    const std::string err = ReadFile(tmp / "cli.out.err");
    EXPECT_NE(err.find("was lost"), std::string::npos) << err;
    EXPECT_NE(err.find(radio.Device()), std::string::npos) << err;
    EXPECT_EQ(err.find("did not answer"), std::string::npos) << err;
    EXPECT_NE(access(out.c_str(), F_OK), 0);
    EXPECT_NE(RunCli({"--help"}, tmp).out.find("38 the connection was lost"), std::string::npos);
}

TEST_F(CliRadio, AnOutputThatCannotBeWrittenIsToldBeforeTheRadioIsRead) {
    Radiosim radio(tmp.Path(), {"--silent"});  // a read would take a second to fail with 25
    for (const std::string& out : {tmp / "no-folder/read.kcf", tmp.Path()}) {
        SCOPED_TRACE(out);
        CliResult r = RunCli({"read", "--device", radio.Device(), "-o", out}, tmp);
        EXPECT_EQ(r.status, 11) << r.err;
        EXPECT_NE(r.err.find(out + " cannot be written"), std::string::npos) << r.err;
    }
}

TEST_F(CliRadio, AnInterruptedReadLeavesNoFile) {
    Radiosim radio(tmp.Path(), {"--baud", "9600"});
    const std::string out = tmp / "read.kcf";
    Background read("kelda-cli", {"read", "--device", radio.Device(), "-o", out}, tmp / "cli.out");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(read.Stop(SIGINT), 130);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
}

// An interrupted write says what the radio holds: nothing new while the radio was still being
// asked who it is, part of the data once data frames went out.
TEST_F(CliRadio, AnInterruptedWriteSaysWhetherTheRadioWasTouched) {
    const std::string file = test::MakeFactory(tmp, 2, "m.kcf");
    struct Case {
        std::vector<std::string> sim;
        int afterMs;
        const char* told;
        const char* notTold;
    } const cases[] = {
        {{"--silent"}, 400, "before anything was written; the radio is unchanged", "part"},
        {{"--baud", "9600"}, 2500, "the radio may hold part of the data", "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        std::vector<std::string> opts = c.sim;
        opts.push_back("--save");
        opts.push_back(tmp / "saved.kcf");
        Radiosim radio(tmp.Path(), opts);
        Background write("kelda-cli", {"write", file, "--yes", "--device", radio.Device()},
                         tmp / "cli.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        EXPECT_EQ(write.Stop(SIGINT), 130);
        const std::string err = ReadFile(tmp / "cli.out.err");
        EXPECT_NE(err.find(c.told), std::string::npos) << err;
        EXPECT_EQ(err.find(c.notTold), std::string::npos) << err;
        EXPECT_EQ(ReadFile(tmp / "saved.kcf"), "");
    }
}

}  // namespace
