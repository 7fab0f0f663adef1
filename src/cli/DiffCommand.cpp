// kelda-cli diff: two clone files compared cell by cell as the sheets show them, or byte by
// byte with --bytes.
#include <cstdio>
#include <optional>

#include "app/ImageCompare.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "platform/StandardOutput.h"
#include "radio/cmcClnFile.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace cli {

namespace {

const char kDiffUsage[] = "usage: kelda-cli diff A B [--bytes]";

std::string Quoted(const std::string& value) {
    return "\"" + TrimSpaces(value) + "\"";
}

// A document as the window shows it after Open.
struct Shown {
    cmcEeprom image;
    int model = 0;
    SheetValues values;
};

int OpenShown(indMain& app, const std::string& path, Shown& out, const Shown* other) {
    if (app.OpenFile(path) != 0) return ExitStatusOf(app.LastFileError());
    out.model = app.Model().ModelType();
    out.image.Assign(app.Working());
    out.values = TakeSheetValues(app.Tree(), out.model, other ? &other->values : nullptr);
    return kExitOk;
}

// Puts a side back as the working image, so that its rows are named from its own data.
void Show(indMain& app, const Shown& side) {
    app.Model().SetModelType(side.model);
    app.Working().Assign(side.image);
}

// A lost output is told, and turned into its exit status, when the program ends (main).
int Print(const std::string& text, bool different) {
    platform::WriteStandardOutput(text);
    return different ? kExitDifferent : kExitOk;
}

// The cells that differ, a line each in the order of `cells`, named from their own side's data;
// a sheet that only one side's model or channel sets show is one line, not all its cells.
std::string CellLines(indMain& app, const Shown& a, const Shown& b,
                      const std::vector<CellDifference>& cells) {
    std::vector<std::string> lines(cells.size());
    const std::string none = "(not shown)";
    auto shows = [](const Shown& side, const std::string& key) {
        for (const auto& sheet : side.values.names->Sheets())
            if (sheet.key == key) return true;
        return false;
    };
    std::vector<std::string> sheetsSaid;
    auto sheetLine = [&](const Shown& side, const CellPlaces::Place& place, const Shown& other,
                         bool first) -> std::optional<std::string> {
        const auto& sheet = side.values.names->Sheets()[place.sheet];
        if (shows(other, sheet.key)) return std::nullopt;
        for (const auto& said : sheetsSaid)
            if (said == sheet.key) return std::string();
        sheetsSaid.push_back(sheet.key);
        return sheet.caption + ": " + (first ? "sheet -> " + none : none + " -> sheet");
    };
    Show(app, a);
    for (size_t i = 0; i < cells.size(); ++i) {
        const CellDifference& d = cells[i];
        if (d.a < 0) continue;
        const auto& place = a.values.names->Cells()[d.a];
        if (d.b < 0) {
            if (auto line = sheetLine(a, place, b, true)) {
                lines[i] = *line;
                continue;
            }
        }
        lines[i] = CellPath(*a.values.names, place) + ": " + Quoted(a.values.values[d.a]) + " -> " +
                   (d.b < 0 ? none : Quoted(b.values.values[d.b]));
    }
    Show(app, b);
    for (size_t i = 0; i < cells.size(); ++i) {
        const CellDifference& d = cells[i];
        if (d.a >= 0) continue;
        const auto& place = b.values.names->Cells()[d.b];
        if (auto line = sheetLine(b, place, a, false)) {
            lines[i] = *line;
            continue;
        }
        lines[i] =
            CellPath(*b.values.names, place) + ": " + none + " -> " + Quoted(b.values.values[d.b]);
    }
    std::string out;
    for (const auto& line : lines)
        if (!line.empty()) out += line + "\n";
    return out;
}

}  // namespace

int CmdDiff(int argc, char** argv) {
    CliArgs args(argc, argv, 2, {"--data"}, {"--bytes"});
    if (args.Positional().size() != 2) throw UsageError{kDiffUsage};
    const std::string pathA = args.Positional()[0];
    const std::string pathB = args.Positional()[1];
    CliSession session(args.ValueOr("--data", CliSession::DefaultDataFolder()));
    indMain& app = session.App();

    // The bytes as the files hold them, before Open brings them into line with their model.
    cmcEeprom rawA, rawB;
    rawA.SetSize(app.ImageSize());
    rawB.SetSize(app.ImageSize());
    if (FileError code = app.ReadDocumentFile(pathA, rawA); code != FileError::kNone)
        return ExitStatusOf(code);
    if (FileError code = app.ReadDocumentFile(pathB, rawB); code != FileError::kNone)
        return ExitStatusOf(code);
    const std::vector<ByteDifference> bytes = CompareBytes(rawA, rawB, kDocumentRanges);

    std::string out;
    if (args.Has("--bytes")) {
        char line[32];
        for (const auto& d : bytes) {
            std::snprintf(line, sizeof line, "%04X: %02X %02X\n", d.address, d.a, d.b);
            out += line;
        }
        return Print(out, !bytes.empty());
    }

    Shown a, b;
    if (int status = OpenShown(app, pathA, a, nullptr); status != kExitOk) return status;
    if (int status = OpenShown(app, pathB, b, &a); status != kExitOk) return status;
    if (a.model != b.model) {
        out += "Model: " + Quoted(GTex().GetLine(keys::kAppIndModel, a.model)) + " -> " +
               Quoted(GTex().GetLine(keys::kAppIndModel, b.model)) + "\n";
    }
    const std::vector<CellDifference> cells = CompareSheetValues(a.values, b.values);
    out += CellLines(app, a, b, cells);
    if (!bytes.empty() && cells.empty() && a.model == b.model) {
        out += std::to_string(bytes.size()) +
               " byte(s) differ that no sheet shows (kelda-cli diff --bytes lists them)\n";
    }
    return Print(out, !bytes.empty() || a.model != b.model);
}

}  // namespace cli
