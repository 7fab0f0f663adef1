// The commands of kelda-cli that talk to the radio: the same clone commands as the window's,
// run to their end on the program's run loop, with a progress bar on a terminal.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/ScopedInstall.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "cli/LinkLog.h"
#include "comm/PortLists.h"
#include "comm/PortNumbering.h"
#include "comm/indCloneMan.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/RunLoop.h"
#include "platform/StandardOutput.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcClnFile.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"

namespace cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
void OnInterrupt(int) {
    gInterrupted = 1;
}

// Progress of reads and writes as a bar of 32 segments on stderr, when stderr is a terminal.
class TerminalProgress : public CloneManView {
  public:
    TerminalProgress() : shown_(platform::ErrorStreamIsTerminal()) {}
    void RunStarted(CloneOperation operation, bool showProgress) override {
        active_ = shown_ && showProgress;
        operation_ = operation;
        if (active_) ProgressChanged(0);
    }
    void ProgressChanged(int filled) override {
        if (!active_) return;
        if (filled > indCloneMan::kSegments) filled = indCloneMan::kSegments;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.resize(indCloneMan::kSegments, '.');
        std::fprintf(stderr, "\r%s [%s]",
                     operation_ == CloneOperation::kWrite ? "writing" : "reading", bar.c_str());
        std::fflush(stderr);
    }
    void RunEnded() override {
        if (active_) std::fputs("\n", stderr);
        active_ = false;
    }

  private:
    bool shown_;
    bool active_ = false;
    CloneOperation operation_ = CloneOperation::kNone;
};

struct PortChoice {
    PortNumbering table;  // a memory-only table for --device
    std::optional<ScopedInstall<InstallPortTable>> tableSlot;
    bool OwnTable() const { return tableSlot.has_value(); }
};

// --port N uses the numbered ports as `ports` lists them; --device PATH names the device.
void ChoosePort(const CliArgs& args, PortChoice& choice) {
    auto device = args.Value("--device");
    auto port = args.Number("--port");
    if (device && port) throw UsageError{"give --port or --device, not both"};
    if (device) {
        if (device->empty()) throw UsageError{"--device needs the path of the radio's serial port"};
        choice.table.Assign(1, *device);
        choice.tableSlot.emplace(&choice.table);
        Environ().comPort = 1;
    } else if (port) {
        if (*port < PortNumbering::kFirst || *port > PortNumbering::kLast)
            throw UsageError{"--port must be 1 to 256"};
        PortTable().Refresh();
        Environ().comPort = static_cast<int>(*port);
    } else {
        throw UsageError{"give the radio's port: --port N (see kelda-cli ports) or --device PATH"};
    }
}

// Runs the loop until the command's chain has ended; false when interrupted.
bool RunToEnd(cuiMain& app) {
    gInterrupted = 0;
    // The C library's signal() is what Windows has too (Ctrl+C arrives as SIGINT there).
    auto oldInt = std::signal(SIGINT, OnInterrupt);
    auto oldTerm = std::signal(SIGTERM, OnInterrupt);
    platform::RunLoop::Default().RunUntil(
        [&] { return gInterrupted || app.LastCloneOutcome() != cuiMain::CloneOutcome::kRunning; });
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    return !gInterrupted;
}

int OutcomeStatus(const cuiMain& app) {
    switch (app.LastCloneOutcome()) {
        case cuiMain::CloneOutcome::kDone:
            return kExitOk;
        case cuiMain::CloneOutcome::kFailed:
            return kExitCloneErrorBase + CloneResultNumber(app.LastCloneResult());
        case cuiMain::CloneOutcome::kDataErrors:
            return kExitWarningsError;
        case cuiMain::CloneOutcome::kNotVerified:
            return kExitNotVerified;
        case cuiMain::CloneOutcome::kMismatch:
            return kExitMismatch;
        case cuiMain::CloneOutcome::kRefused:
        case cuiMain::CloneOutcome::kStopped:
        case cuiMain::CloneOutcome::kRunning:
            break;
    }
    return kExitUsage;
}

std::string CloneInfoText(int label) {
    cmcCellObj cell;
    cell.Label = label;
    return CellText(cell, 0);
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

struct CloneRun {
    CliArgs args;
    PortChoice port;
    TerminalProgress progress;
    LinkLog log;
    std::unique_ptr<CliSession> session;

    CloneRun(int argc, char** argv, std::set<std::string> valued, std::set<std::string> flags)
        : args(argc, argv, 2, Add(std::move(valued)), std::move(flags)) {}
    static std::set<std::string> Add(std::set<std::string> v) {
        v.insert({"--data", "--port", "--device", "--log"});
        return v;
    }
    void Start(bool assumeYes) {
        // The log goes in first: the clone manager makes its port with the session.
        if (auto path = args.Value("--log")) {
            std::vector<std::string> inputs = args.Positional();
            if (auto out = args.Value("-o")) inputs.push_back(*out);
            RefuseReplacing(*path, "the log", inputs, false);
            std::string why;
            if (!log.Open(*path, &why)) throw UsageError{"--log " + *path + ": " + why};
        }
        session =
            std::make_unique<CliSession>(args.ValueOr("--data", CliSession::DefaultDataFolder()),
                                         assumeYes, log.DeviceWrapper());
        ChoosePort(args, port);
        session->App().CloneMan().SetPortNamedByDevice(port.OwnTable());
        session->App().CloneMan().SetView(&progress);
    }
    ~CloneRun() {
        if (session) session->App().CloneMan().SetView(nullptr);
    }
};

const char kInterrupted[] = "kelda-cli: interrupted; nothing was saved\n";
constexpr int kExitInterrupted = 130;

}  // namespace

int CmdPorts(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data"}, {});
    if (!args.Positional().empty()) throw UsageError{"usage: kelda-cli ports"};
    std::vector<std::string> numbers, described;
    ListPresentPorts(numbers);
    DescribePorts(numbers, described);
    std::string out;
    for (const auto& line : described) out += line + "\n";
    platform::WriteStandardOutput(out);
    return kExitOk;
}

int CmdInfo(int argc, char** argv) {
    CloneRun run(argc, argv, {}, {});
    if (!run.args.Positional().empty()) throw UsageError{"usage: kelda-cli info --port N"};
    run.Start(false);
    indMain& app = run.session->App();
    app.CloneInformation();
    if (!RunToEnd(app)) {
        std::fputs(kInterrupted, stderr);
        return kExitInterrupted;
    }
    if (app.LastCloneOutcome() != cuiMain::CloneOutcome::kDone) return OutcomeStatus(app);
    const bool refuses = app.RadioRefusesReading();
    platform::WriteStandardOutput("model: " + CloneInfoText(CL_CloneInfo_Model) +
                                  "\nrevision: " + CloneInfoText(CL_CloneInfo_Revision) +
                                  "\ncomment: " + TrimRight(app.CloneInfoComment()) +
                                  "\nrefuses reading: " + (refuses ? "yes" : "no") + "\n");
    return kExitOk;
}

int CmdRead(int argc, char** argv) {
    CloneRun run(argc, argv, {"-o"}, {});
    auto out = run.args.Value("-o");
    if (!out || !run.args.Positional().empty())
        throw UsageError{"usage: kelda-cli read -o OUT --port N"};
    run.Start(false);
    std::string why;
    if (!platform::CanWriteFileAtomically(*out, why)) {
        std::fprintf(stderr, "kelda-cli: %s cannot be written (%s); the radio was not read\n",
                     out->c_str(), why.c_str());
        return ExitStatusOf(FileError::kFileOpen);
    }
    indMain& app = run.session->App();
    app.ReadFromRadio();
    if (!RunToEnd(app)) {
        std::fputs(kInterrupted, stderr);
        return kExitInterrupted;
    }
    if (app.LastCloneOutcome() != cuiMain::CloneOutcome::kDone) return OutcomeStatus(app);
    if (app.SaveToFile(*out) != 0) return ExitStatusOf(app.LastFileError());
    return kExitOk;
}

int CmdWrite(int argc, char** argv) {
    CloneRun run(argc, argv, {}, {"--yes", "--verify"});
    if (run.args.Positional().size() != 1)
        throw UsageError{"usage: kelda-cli write FILE [--yes] [--verify] --port N"};
    run.Start(run.args.Has("--yes"));
    indMain& app = run.session->App();
    if (app.OpenFile(run.args.Positional()[0]) != 0) return ExitStatusOf(app.LastFileError());
    Environ().verifyAfterWrite = run.args.Has("--verify");
    app.WriteToRadio();
    if (app.LastCloneOutcome() == cuiMain::CloneOutcome::kStopped && !run.args.Has("--yes")) {
        std::fputs("kelda-cli: the write was not confirmed (add --yes)\n", stderr);
        return kExitUsage;
    }
    if (!RunToEnd(app)) {
        // Say what the radio holds now: what to do next depends on it.
        switch (app.CloneMan().Operation()) {
            case CloneOperation::kInfo:
                std::fputs(
                    "kelda-cli: interrupted before anything was written; the radio is "
                    "unchanged\n",
                    stderr);
                break;
            case CloneOperation::kRead:
                std::fputs(
                    "kelda-cli: interrupted while reading back; the radio took the write, "
                    "but it was not checked\n",
                    stderr);
                break;
            default:
                std::fputs(
                    "kelda-cli: interrupted; the radio may hold part of the data: write "
                    "it again before using the radio\n",
                    stderr);
                break;
        }
        return kExitInterrupted;
    }
    if (app.LastCloneOutcome() == cuiMain::CloneOutcome::kMismatch) {
        // Everything, where the message box above shows the first lines only.
        std::string out;
        for (const auto& line : app.VerifyMeaning()) out += line + "\n";
        char buf[64];
        for (const auto& d : app.VerifyMismatches()) {
            std::snprintf(buf, sizeof buf, "%04X: written %02X, read back %02X\n", d.address, d.a,
                          d.b);
            out += buf;
        }
        platform::WriteStandardOutput(out);
    }
    return OutcomeStatus(app);
}

}  // namespace cli
