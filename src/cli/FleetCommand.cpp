// kelda-cli fleet: one template written into many radios, each with its own MMSI and comment
// from a list, over several cables side by side, with a log to resume from.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/Fleet.h"
#include "base/ScopedInstall.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "comm/PortNumbering.h"
#include "platform/RunLoop.h"
#include "radio/cmcClnFile.h"

namespace cli {

namespace {

volatile std::sig_atomic_t gSignals = 0;
void OnSignal(int) {
    gSignals = gSignals + 1;
}

struct CableArg {
    bool device = false;
    std::string value;
};

const char kFleetUsage[] =
    "usage: kelda-cli fleet TEMPLATE.kcf --list LIST.csv (--port N | --device PATH)... "
    "[--verify] [--yes] [--log LOG.csv] [--again]";

std::string RowName(int number, const std::string& mmsi) {
    return "row " + std::to_string(number) + " (MMSI " + mmsi + ")";
}

// The rows named one by one, the first 20 of a long list and how many more.
std::string RowList(const std::vector<fleet::Row>& rows) {
    constexpr size_t kNamed = 20;
    std::string out;
    for (size_t i = 0; i < rows.size() && i < kNamed; ++i)
        out += (out.empty() ? "" : ", ") + RowName(rows[i].number, rows[i].mmsi);
    if (rows.size() > kNamed) out += " and " + std::to_string(rows.size() - kNamed) + " more";
    return out;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

int CmdFleet(int argc, char** argv) {
    // --port and --device may come many times: taken out here, in their order.
    std::vector<CableArg> cableArgs;
    std::vector<char*> rest(argv, argv + 2);
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        std::string name = a, value;
        bool inlineValue = false;
        if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        if (name == "--") {
            for (; i < argc; ++i) rest.push_back(argv[i]);
            break;
        }
        if (name != "--port" && name != "--device") {
            rest.push_back(argv[i]);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) throw UsageError{"option " + name + " needs a value"};
            value = argv[++i];
        }
        cableArgs.push_back({name == "--device", value});
    }
    CliArgs args(static_cast<int>(rest.size()), rest.data(), 2, {"--list", "--log", "--data"},
                 {"--verify", "--yes", "--again"});
    if (args.Positional().size() != 1) throw UsageError{kFleetUsage};
    const std::string templatePath = args.Positional()[0];
    auto listPath = args.Value("--list");
    if (!listPath)
        throw UsageError{"give the list of radios: --list LIST.csv (see " +
                         std::string(kFleetUsage).substr(7) + ")"};
    if (cableArgs.empty())
        throw UsageError{"give each cable's port: --port N (see kelda-cli ports) or --device PATH"};

    // Every cable's device, to find a port named twice before anything opens.
    PortTable().Refresh();
    std::vector<std::string> devices;
    std::vector<fleet::Cable> cables;
    bool anyDevice = false;
    for (const auto& c : cableArgs) {
        fleet::Cable cable;
        std::string device;
        if (c.device) {
            if (c.value.empty())
                throw UsageError{"--device needs the path of the radio's serial port"};
            device = c.value;
            cable.name = c.value;
            anyDevice = true;
        } else {
            auto n = ParseNumber(c.value);
            if (!n) throw UsageError{"option --port needs a number, not '" + c.value + "'"};
            if (*n < PortNumbering::kFirst || *n > PortNumbering::kLast)
                throw UsageError{"--port must be 1 to 256"};
            cable.port = static_cast<int>(*n);
            cable.name = "port " + c.value;
            device = PortTable().DevicePath(cable.port);
            if (device.empty()) device = "#" + c.value;
        }
        for (size_t i = 0; i < devices.size(); ++i)
            if (SameFile(devices[i], device))
                throw UsageError{cable.name + " is named twice (as " + cables[i].name +
                                 "): give each cable once"};
        devices.push_back(device);
        cables.push_back(cable);
    }
    // With a device among them, the cables are numbered 1.. in a table of their own.
    PortNumbering ownTable;
    std::optional<ScopedInstall<InstallPortTable>> tableSlot;
    if (anyDevice) {
        for (size_t i = 0; i < cables.size(); ++i) {
            if (devices[i][0] == '#')
                throw UsageError{cables[i].name + " is not present (see kelda-cli ports)"};
            cables[i].port = static_cast<int>(i) + 1;
            ownTable.Assign(cables[i].port, devices[i]);
        }
        tableSlot.emplace(&ownTable);
    }

    std::string listText, why;
    if (!ReadCsvFile(*listPath, listText, why)) {
        std::fprintf(stderr, "kelda-cli: cannot read %s: %s\n", listPath->c_str(), why.c_str());
        return ExitStatusOf(FileError::kFileOpen);
    }

    CliSession session(args.ValueOr("--data", CliSession::DefaultDataFolder()), args.Has("--yes"));
    indMain& app = session.App();
    if (app.OpenFile(templatePath) != 0) return ExitStatusOf(app.LastFileError());
    if (app.RunWarningCheck().errors > 0) {
        std::fprintf(stderr,
                     "kelda-cli: the template %s has errors in its warning list (see kelda-cli "
                     "warnings); no radio was touched\n",
                     templatePath.c_str());
        return kExitWarningsError;
    }
    fleet::List list = fleet::ReadList(listText, app.Working(), app.CurrentModelType());
    if (!list.problems.empty()) {
        for (const auto& p : list.problems)
            std::fprintf(stderr, "kelda-cli: %s: %s\n", listPath->c_str(), Printable(p).c_str());
        std::fprintf(stderr, "kelda-cli: the list was refused whole; no radio was touched\n");
        return kExitUsage;
    }

    // The log: appended per radio; a rerun skips what it shows as done.
    std::FILE* log = nullptr;
    std::vector<fleet::Row> rows = list.rows;
    if (auto logPath = args.Value("--log")) {
        RefuseReplacing(*logPath, "the log", {templatePath, *listPath}, false);
        std::string old;
        std::error_code error;
        if (std::filesystem::exists(*logPath, error) && !ReadCsvFile(*logPath, old, why))
            throw UsageError{"--log " + *logPath + ": " + why};
        std::vector<std::string> done;
        if (!fleet::DoneInLog(old, !args.Has("--verify"), done, why))
            throw UsageError{"--log " + *logPath + ": " + why + "; name another log file"};
        log = std::fopen(logPath->c_str(), "ab");
        if (!log)
            throw UsageError{"--log " + *logPath + ": cannot be written (" + std::strerror(errno) +
                             "); no radio was touched"};
        if (old.empty()) {
            const std::string header = fleet::LogHeader();
            if (std::fwrite(header.data(), 1, header.size(), log) != header.size() ||
                std::fflush(log) != 0) {
                std::fclose(log);
                throw UsageError{"--log " + *logPath + ": cannot be written; no radio was touched"};
            }
        }
        if (!args.Has("--again") && !done.empty()) {
            std::set<std::string> doneSet(done.begin(), done.end());
            std::vector<fleet::Row> left;
            for (const auto& r : rows)
                if (!doneSet.count(r.mmsi)) left.push_back(r);
            std::fprintf(stderr,
                         "kelda-cli: %zu of %zu rows are done in %s and are skipped (--again "
                         "writes them again)\n",
                         rows.size() - left.size(), rows.size(), logPath->c_str());
            rows = std::move(left);
        }
    }
    struct LogCloser {
        std::FILE*& f;
        ~LogCloser() {
            if (f) std::fclose(f);
        }
    } closer{log};
    if (rows.empty()) {
        std::fputs("kelda-cli: every row of the list is done already\n", stderr);
        return kExitOk;
    }
    const size_t total = rows.size();

    fleet::Options options;
    options.verify = args.Has("--verify");
    if (cables.size() == 1 && !args.Has("--yes")) {
        options.askForRadio = [](int, const fleet::Row& next) {
            std::fprintf(stderr, "Connect the radio for %s and press Enter\n",
                         RowName(next.number, next.mmsi).c_str());
            std::fflush(stderr);
            char line[256];
            return std::fgets(line, sizeof line, stdin) != nullptr && !gSignals;
        };
    }
    bool logFailed = false;
    auto report = [&](const fleet::Event& e) {
        const std::string row = RowName(e.row, e.mmsi);
        switch (e.kind) {
            case fleet::Event::kPortFailed:
                std::fprintf(stderr, "kelda-cli: %s cannot be used and is left out: %s\n",
                             e.port.c_str(), Printable(e.message).c_str());
                return;
            case fleet::Event::kRadioFound:
                std::fprintf(stderr, "kelda-cli: %s: a radio answered; writing %s\n",
                             e.port.c_str(), row.c_str());
                return;
            case fleet::Event::kWritten:
                std::fprintf(stderr, "kelda-cli: %s: %s %s in %.1f s\n", e.port.c_str(),
                             row.c_str(), e.log.result.c_str(), e.log.seconds);
                break;
            case fleet::Event::kFailed:
                std::fprintf(
                    stderr, "kelda-cli: %s: %s failed: %s%s; %s\n", e.port.c_str(), row.c_str(),
                    Printable(e.message).c_str(),
                    e.partial ? " (the radio may hold part of the data: write it "
                                "again before using it)"
                              : "",
                    e.retry ? "the row goes to the next radio" : "the row is marked failed");
                break;
            case fleet::Event::kGone:
                std::fprintf(stderr,
                             "kelda-cli: %s: the radio was taken off; waiting for the "
                             "next radio\n",
                             e.port.c_str());
                return;
            case fleet::Event::kProgress:
            case fleet::Event::kIdle:
                return;
        }
        if (!log) return;
        const std::string line = fleet::LogLine(e.log);
        if (std::fwrite(line.data(), 1, line.size(), log) != line.size() || std::fflush(log) != 0)
            logFailed = true;
    };

    fleet::FleetRun run(app, rows, cables, options, report);
    gSignals = 0;
    auto oldInt = std::signal(SIGINT, OnSignal);
    auto oldTerm = std::signal(SIGTERM, OnSignal);
    run.Start();
    int handled = 0;
    platform::RunLoop::Default().RunUntil([&] {
        if (gSignals > handled) {
            handled = gSignals;
            if (handled == 1) {
                std::fputs(
                    "kelda-cli: stopping: no new radio is taken; the radios being "
                    "written finish (Ctrl+C again ends them at once)\n",
                    stderr);
                run.Stop();
            } else {
                for (const auto& e : run.Abort()) {
                    std::fprintf(stderr, "kelda-cli: %s: %s %s\n", e.port.c_str(),
                                 RowName(e.row, e.mmsi).c_str(), e.message.c_str());
                    if (log) {
                        const std::string line = fleet::LogLine(e.log);
                        if (std::fwrite(line.data(), 1, line.size(), log) != line.size())
                            logFailed = true;
                    }
                }
            }
        }
        return run.Finished();
    });
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);

    const auto& written = run.Written();
    const auto& failed = run.Failed();
    const auto left = run.Left();
    std::fprintf(stderr, "kelda-cli: %zu of %zu rows written%s\n", written.size(), total,
                 options.verify ? " and verified" : "");
    if (!failed.empty())
        std::fprintf(stderr, "kelda-cli: failed twice: %s\n", RowList(failed).c_str());
    if (!left.empty()) std::fprintf(stderr, "kelda-cli: not written: %s\n", RowList(left).c_str());
    if (logFailed)
        std::fputs("kelda-cli: the log could not be written in full; it misses radios\n", stderr);
    if (written.size() == total) return kExitOk;
    return written.empty() ? kExitFleetNothing : kExitFleetPartial;
}

}  // namespace cli
