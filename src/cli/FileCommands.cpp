// The commands of kelda-cli that work on clone files.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/Csv.h"
#include "cli/CellAccess.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "cli/TableCsv.h"
#include "platform/AtomicFile.h"
#include "platform/FileReader.h"
#include "platform/StandardOutput.h"
#include "radio/SettingsMap.h"
#include "radio/cmcClnFile.h"
#include "sheet/CellCatalogue.h"
#include "sheet/TextHelpers.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace cli {

namespace {

const std::set<std::string> kNoFlags;

std::string DataFolder(const CliArgs& args) {
    return args.ValueOr("--data", CliSession::DefaultDataFolder());
}

// Exactly `count` positional words (at least, with atLeast).
void NeedWords(const CliArgs& args, size_t count, const char* what, bool atLeast = false) {
    size_t n = args.Positional().size();
    if (n < count || (!atLeast && n > count)) throw UsageError{std::string("usage: ") + what};
}

// Opens the document as the window's Open does; returns 0 or the file error's exit status.
int OpenDocument(CliSession& session, const std::string& path) {
    if (session.App().OpenFile(path) == 0) return kExitOk;
    return ExitStatusOf(session.App().LastFileError());
}

int SaveDocument(CliSession& session, const std::string& path) {
    if (session.App().SaveToFile(path) == 0) return kExitOk;
    return ExitStatusOf(session.App().LastFileError());
}

// Writes text to a file (atomically) or to stdout for "" or "-".
int WriteOutput(const std::string& path, const std::string& text) {
    if (path.empty() || path == "-") {
        // Checked with everything else printed before the program ends (main).
        platform::WriteStandardOutput(text);
        return kExitOk;
    }
    std::string reason;
    switch (platform::WriteFileAtomically(path, text, &reason)) {
        case platform::WriteResult::Ok:
            return kExitOk;
        case platform::WriteResult::OpenFailed:
            std::fprintf(stderr, "kelda-cli: cannot write %s: %s\n", path.c_str(), reason.c_str());
            return ExitStatusOf(FileError::kFileOpen);
        case platform::WriteResult::WriteFailed:
            std::fprintf(stderr, "kelda-cli: writing %s failed: %s\n", path.c_str(),
                         reason.c_str());
            return ExitStatusOf(FileError::kFileAccess);
    }
    return kExitFatal;
}

}  // namespace

// The largest table as CSV is some tens of kilobytes; anything near this is no table.
constexpr int64_t kMaxCsvFile = 4 * 1024 * 1024;

// Reads a CSV file to import; empty result with `why` set when it cannot be one.
bool ReadCsvFile(const std::string& path, std::string& text, std::string& why) {
    platform::FileReader file;
    switch (file.Open(path)) {
        case platform::FileStatus::Ok:
            break;
        case platform::FileStatus::NotAFile:
            why = "not a plain file";
            return false;
        default:
            why = file.Reason();
            return false;
    }
    if (file.Size() > kMaxCsvFile) {
        why = "too large for a table (" + std::to_string(file.Size()) +
              " bytes; a table is at most " + std::to_string(kMaxCsvFile / (1024 * 1024)) + " MB)";
        return false;
    }
    switch (file.ReadAll(kMaxCsvFile, text)) {
        case platform::FileStatus::Ok:
            return true;
        case platform::FileStatus::TooLarge:
            why = "too large for a table";
            return false;
        default:
            why = file.Reason();
            return false;
    }
}

namespace {

// Model types are the lines of the initial-file list.
int ModelTypeCount() {
    int n = 0;
    for (;; ++n) {
        std::string line = GTex().GetLine(keys::kAppInitialFile, n);
        if (line.empty() || line[0] == '#') return n;
    }
}

}  // namespace

int CmdNew(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data", "--model", "-o"}, kNoFlags);
    NeedWords(args, 0, "kelda-cli new --model N -o OUT");
    auto model = args.Number("--model");
    auto out = args.Value("-o");
    if (!model || !out) throw UsageError{"usage: kelda-cli new --model N -o OUT"};
    CliSession session(DataFolder(args));
    const int types = ModelTypeCount();
    if (*model >= types)
        throw UsageError{"--model " + std::to_string(*model) + ": model types are 0 to " +
                         std::to_string(types - 1)};
    indMain& app = session.App();
    app.Model().ChangeModel(static_cast<int>(*model), false);
    app.ResetDocumentToReference();
    return SaveDocument(session, *out);
}

int CmdCheck(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data"}, kNoFlags);
    NeedWords(args, 1, "kelda-cli check FILE");
    CliSession session(DataFolder(args));
    int status = OpenDocument(session, args.Positional()[0]);
    if (status == kExitOk) platform::WriteStandardOutput("ok\n");
    return status;
}

int CmdDump(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data", "--from", "--to"}, kNoFlags);
    NeedWords(args, 1, "kelda-cli dump FILE [--from ADDR] [--to ADDR]");
    CliSession session(DataFolder(args));
    indMain& app = session.App();
    const long size = app.ImageSize();
    const long from = args.Number("--from").value_or(kDocumentRanges[0].first);
    const long to = args.Number("--to").value_or(kDocumentRanges[0].last);
    if (from >= size || to >= size || to < from)
        throw UsageError{"--from and --to must lie in 0x0000-0x7FFF, --from first"};
    // The bytes as the file holds them: Open's reading and checks, without the adoption that
    // Open applies afterwards.
    cmcEeprom image;
    image.SetSize(app.ImageSize());
    if (FileError code = app.ReadDocumentFile(args.Positional()[0], image);
        code != FileError::kNone)
        return ExitStatusOf(code);
    std::string out;
    char buf[8];
    for (long a = from; a <= to;) {
        long end = std::min(to, (a | 15));
        std::snprintf(buf, sizeof buf, "%04lX:", a);
        out += buf;
        for (; a <= end; ++a) {
            std::snprintf(buf, sizeof buf, " %02X", image.GetByte(static_cast<int>(a)));
            out += buf;
        }
        out += '\n';
    }
    return WriteOutput("", out);
}

int CmdGet(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data"}, kNoFlags);
    NeedWords(args, 2, "kelda-cli get FILE CELL...", true);
    std::vector<cmcCellObj> cells;
    for (size_t i = 1; i < args.Positional().size(); ++i)
        cells.push_back(ParseCellName(args.Positional()[i]));
    CliSession session(DataFolder(args));
    if (int status = OpenDocument(session, args.Positional()[0]); status != kExitOk) return status;
    std::string out;
    for (auto& cell : cells) out += GetCell(cell) + "\n";
    return WriteOutput("", out);
}

int CmdSet(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data", "-o"}, {"--strict"});
    NeedWords(args, 2, "kelda-cli set FILE CELL=VALUE... [-o OUT] [--strict]", true);
    struct Edit {
        cmcCellObj cell;
        std::string value;
    };
    std::vector<Edit> edits;
    for (size_t i = 1; i < args.Positional().size(); ++i) {
        const std::string& word = args.Positional()[i];
        auto eq = word.find('=');
        if (eq == std::string::npos) throw UsageError{"'" + word + "' is not CELL=VALUE"};
        edits.push_back({ParseCellName(word.substr(0, eq)), word.substr(eq + 1)});
    }
    const std::string file = args.Positional()[0];
    CliSession session(DataFolder(args));
    if (int status = OpenDocument(session, file); status != kExitOk) return status;
    const bool strict = args.Has("--strict");
    bool refused = false;
    std::vector<std::string> shown;  // what each edited cell shows once all are made
    for (auto& e : edits) {
        SetOutcome outcome = SetCell(e.cell, e.value);
        const std::string name = CellName(e.cell);
        if (!outcome.ok) {
            std::fprintf(stderr, "kelda-cli: %s: %s\n", name.c_str(),
                         Printable(outcome.message).c_str());
            refused = true;
        } else if (!outcome.storedAs.empty()) {
            std::fprintf(stderr, "kelda-cli: %s: %s \"%s\"\n", name.c_str(),
                         strict ? "refused (--strict), it would be stored as" : "stored as",
                         outcome.storedAs.c_str());
            refused = refused || strict;
        }
    }
    // A change that the save itself puts back (the model's factory setting decides it) must
    // not pass for done.
    if (!refused) {
        for (auto& e : edits) shown.push_back(GetCell(e.cell));
        // The soft keys follow the scan and watch functions switched on: the save gives them
        // the set that fits, which a change of those switches must not make silently.
        std::vector<cmcCellObj> keys(smap::kSoftKeyCount);
        std::vector<std::string> keysBefore;
        for (int k = 0; k < smap::kSoftKeyCount; ++k) {
            keys[k].Label = CL_ComConf_KeyAssign_SoftKey;
            keys[k].Index = k;
            keysBefore.push_back(GetCell(keys[k]));
        }
        cmcEeprom& working = session.App().Working();
        cmcEeprom edited;
        edited.Assign(working);
        session.App().AdoptImage(working, true);
        for (size_t i = 0; i < edits.size(); ++i) {
            if (GetCell(edits[i].cell) == shown[i]) continue;
            std::fprintf(stderr,
                         "kelda-cli: %s: not kept: the factory setting of this model decides "
                         "this value\n",
                         CellName(edits[i].cell).c_str());
            refused = true;
        }
        for (int k = 0; k < smap::kSoftKeyCount && !refused; ++k) {
            const std::string now = GetCell(keys[k]);
            if (now == keysBefore[k]) continue;
            std::fprintf(stderr,
                         "kelda-cli: %s: soft key %d becomes '%s' (was '%s'): the soft keys "
                         "follow the scan and watch functions switched on\n",
                         CellName(keys[k]).c_str(), k + 1, Printable(TrimSpaces(now)).c_str(),
                         Printable(TrimSpaces(keysBefore[k])).c_str());
        }
        working.Assign(edited);
    }
    if (refused) {
        std::fprintf(stderr, "kelda-cli: nothing saved\n");
        return kExitUsage;
    }
    return SaveDocument(session, args.ValueOr("-o", file));
}

int CmdWarnings(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data", "--format"}, kNoFlags);
    NeedWords(args, 1, "kelda-cli warnings FILE [--format text|csv]");
    const std::string format = args.ValueOr("--format", "text");
    if (format != "text" && format != "csv")
        throw UsageError{"kelda-cli warnings: --format is text or csv, not '" + format + "'"};
    CliSession session(DataFolder(args));
    if (int status = OpenDocument(session, args.Positional()[0]); status != kExitOk) return status;
    indMain& app = session.App();
    app.RunWarningCheck();
    const SheetTree& tree = app.Tree();
    const WarningLists& lists = app.LastWarnings();
    std::string out;
    if (format == "csv") out = csv::FormatRow({"sheet", "row", "cell", "severity", "message"});
    bool error = false;
    // Only what the tree shows: a sheet the model hides cannot be edited, and the window
    // neither shows nor counts its marks.
    auto print = [&](const std::vector<std::string>& refs, const char* kind) {
        for (const auto& ref : refs) {
            int node = tree.FindByReference(ref);
            if (node < 0) continue;
            const std::string& sheet = tree.Nodes()[node].Caption();
            error = error || kind[0] == 'e';
            if (format == "text") out += std::string(kind) + " " + sheet + "\n";
            // One line per fault of this sheet, the cell it points at in the csv table.
            for (const auto& e : lists.entries) {
                if (e.reference != ref) continue;
                const char* severity = e.error ? "error" : "warning";
                if (format == "text") {
                    out += std::string("  ") + severity + ": " + e.text + "\n";
                    continue;
                }
                cmcCellObj cell;
                cell.Category = e.category == CT_Null ? kNoCellCategory : e.category;
                cell.Label = e.label;
                cell.Index = e.row;
                std::string row = e.place.substr(e.place.find(' ') + 1);
                if (e.place.empty()) row.clear();
                row = row.substr(0, row.find(" ("));
                out += csv::FormatRow({sheet, row, CellName(cell), severity, e.text});
            }
        }
    };
    print(lists.errors, "error");
    print(lists.warnings, "warning");
    int status = WriteOutput("", out);
    if (status != kExitOk) return status;
    return error ? kExitWarningsError : kExitOk;
}

int CmdExport(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data", "--table", "-o", "--separator", "--format"}, kNoFlags);
    const char* usage =
        "usage: kelda-cli export FILE --table T [-o OUT.csv] [--separator ';'] "
        "[--format csv|xlsx]";
    NeedWords(args, 1, usage);
    auto table = args.Value("--table");
    if (!table) throw UsageError{usage};
    TableSheetKey(*table);
    const std::string format = args.ValueOr("--format", "csv");
    if (format != "csv" && format != "xlsx")
        throw UsageError{"--format " + format + ": the formats are csv and xlsx"};
    const std::string sep = args.ValueOr("--separator", ",");
    char separator = ',';
    if (sep == ";" || sep == "tab" || sep == "\t" || sep == "\\t")
        separator = sep == ";" ? ';' : '\t';
    else if (sep != ",")
        throw UsageError{"--separator " + sep + ": the separators are ',' ';' and tab"};
    const std::string out = args.ValueOr("-o", "");
    RefuseReplacing(out, format == "xlsx" ? "the workbook" : "the CSV", {args.Positional()[0]},
                    false);
    if (format == "xlsx" && (out.empty() || out == "-"))
        throw UsageError{"--format xlsx writes a workbook file: give it with -o OUT.xlsx"};
    if (format == "xlsx" && args.Value("--separator"))
        throw UsageError{"--separator is for CSV; a workbook has no separator"};
    CliSession session(DataFolder(args));
    if (int status = OpenDocument(session, args.Positional()[0]); status != kExitOk) return status;
    if (format == "csv") return WriteOutput(out, ExportTable(*table, separator));

    // The workbook is made beside the system's temporary files, then saved over OUT in one
    // step as every other output is, so a failed export leaves OUT as it was.
    std::error_code ec;
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path(ec) /
        ("kelda-export-" + std::to_string(std::random_device{}()) + ".xlsx");
    std::string why, bytes;
    const bool made = !ec && ExportTableWorkbook(*table, scratch.string(), why);
    if (made) {
        std::ifstream in(scratch, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        bytes = all.str();
    }
    std::filesystem::remove(scratch, ec);
    if (!made || bytes.empty()) {
        std::fprintf(stderr, "kelda-cli: cannot write %s: %s\n", out.c_str(),
                     why.empty() ? "the workbook could not be made" : why.c_str());
        return ExitStatusOf(FileError::kFileOpen);
    }
    return WriteOutput(out, bytes);
}

int CmdImport(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data", "--table", "-o"}, {"--partial", "--strict"});
    const char* usage =
        "usage: kelda-cli import FILE --table T IN.csv [-o OUT] [--partial] [--strict]";
    NeedWords(args, 2, usage);
    auto table = args.Value("--table");
    if (!table) throw UsageError{usage};
    TableSheetKey(*table);
    const std::string file = args.Positional()[0];
    const std::string csvPath = args.Positional()[1];
    const std::string out = args.ValueOr("-o", file);
    RefuseReplacing(out, "the clone file", {csvPath}, true);
    std::string csvText, why;
    if (!ReadCsvFile(csvPath, csvText, why)) {
        std::fprintf(stderr, "kelda-cli: cannot read %s: %s\n", csvPath.c_str(), why.c_str());
        return ExitStatusOf(FileError::kFileOpen);
    }
    CliSession session(DataFolder(args));
    if (int status = OpenDocument(session, file); status != kExitOk) return status;
    // The whole import is one step, as in the window.
    session.App().BeginStepGroup();
    ImportOptions options;
    options.strict = args.Has("--strict");
    ImportReport report = ImportTable(*table, csvText, options);
    UndoWhat what;
    what.kind = UndoWhat::kImport;
    what.text = *table;
    session.App().EndStepGroup(what);
    for (const auto& n : report.notes)
        std::fprintf(stderr, "kelda-cli: %s\n", Printable(n).c_str());
    for (const auto& p : report.problems)
        std::fprintf(stderr, "kelda-cli: %s\n", Printable(p).c_str());
    if (!report.problems.empty() && !args.Has("--partial")) {
        std::fprintf(stderr, "kelda-cli: %zu value(s) refused, nothing saved\n",
                     report.problems.size());
        return kExitUsage;
    }
    int status = SaveDocument(session, out);
    if (status != kExitOk) return status;
    if (!report.problems.empty()) {
        std::fprintf(stderr, "kelda-cli: saved without the %zu refused value(s)\n",
                     report.problems.size());
        return kExitUsage;
    }
    return kExitOk;
}

int RunCommand(const std::string& command, int argc, char** argv) {
    struct Entry {
        const char* name;
        int (*run)(int, char**);
    };
    static const Entry kCommands[] = {
        {"new", CmdNew},       {"check", CmdCheck},   {"dump", CmdDump},
        {"get", CmdGet},       {"set", CmdSet},       {"warnings", CmdWarnings},
        {"export", CmdExport}, {"import", CmdImport}, {"diff", CmdDiff},
        {"ports", CmdPorts},   {"info", CmdInfo},     {"read", CmdRead},
        {"write", CmdWrite},   {"fleet", CmdFleet},
    };
    for (const auto& c : kCommands)
        if (command == c.name) return c.run(argc, argv);
    throw UsageError{"unknown command '" + command + "' (see kelda-cli --help)"};
}

}  // namespace cli
