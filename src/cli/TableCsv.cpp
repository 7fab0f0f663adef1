#include "cli/TableCsv.h"

#include <memory>
#include <string_view>

#include "app/Csv.h"
#include "cli/CellAccess.h"
#include "cli/CliArgs.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "radio/cmcCellHost.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChannelSheetDef.h"
#include "sheet/TextHelpers.h"
#include "text/cmcGTex.h"

namespace cli {

namespace {

struct TableName {
    const char* name;
    const char* sheet;
};
constexpr TableName kTables[] = {
    {"int", "GI_Sheet_IntCh"},    {"usa", "GI_Sheet_UsaCh"},    {"can", "GI_Sheet_CanCh"},
    {"dsc", "GI_Sheet_DscCh"},    {"wx", "GI_Sheet_WxCh"},      {"free", "GI_Sheet_FreeCh"},
    {"ind", "GI_Sheet_DscIndId"}, {"grp", "GI_Sheet_DscGrpId"},
};

// The table's sheet as a window would build it, with every channel row shown.
struct TableSheet {
    std::unique_ptr<ChannelSheetDef> def;
    int firstRow = 0;
    std::vector<int> columns;  // the row heading, then the editable columns

    explicit TableSheet(const std::string& table) {
        ChannelSheetContext context;
        context.usableOnly = false;
        context.modelVariant = CellHost().ModelType();
        def = std::make_unique<ChannelSheetDef>(GTex(), TableSheetKey(table), context);
        def->Build();
        firstRow = def->FixedRows();
        columns.push_back(0);
        if (firstRow < def->RowCount()) {
            for (int c = def->FixedCols(); c < def->ColumnCount(); ++c) {
                const cmcCellObj& cell = def->Cell(c, firstRow);
                if (cell.Selectable && cell.IsBound()) columns.push_back(c);
            }
        }
    }
    int DataRows() const { return def->RowCount() - firstRow; }
    std::vector<std::string> Header() const {
        std::vector<std::string> titles;
        for (int c : columns) titles.push_back(def->Cell(c, 0).Text);
        return titles;
    }
    cmcCellObj& Cell(int column, int dataRow) {
        return def->Cell(columns[column], firstRow + dataRow);
    }
    std::string Show(int column, int dataRow) { return CellText(Cell(column, dataRow), 0); }
};

std::string Joined(const std::vector<std::string>& fields) {
    std::string line = csv::FormatRow(fields);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// The channel lists' rows of the user channels are headed by the user channel's own name,
// which an import may be about to change.
bool HeadingFollowsData(const cmcCellObj& heading) {
    return heading.Label == CL_ChList_No && heading.Index >= mm::kFirstFreeRow;
}

std::string RowName(size_t csvRow) {
    return "row " + std::to_string(csvRow + 1);
}

}  // namespace

std::string TableSheetKey(const std::string& table) {
    for (const auto& t : kTables)
        if (table == t.name) return t.sheet;
    std::string names;
    for (const auto& t : kTables) names += std::string(names.empty() ? "" : ", ") + t.name;
    throw UsageError{"unknown table '" + table + "' (tables: " + names + ")"};
}

std::string ExportTable(const std::string& table) {
    TableSheet sheet(table);
    std::string out = csv::FormatRow(sheet.Header());
    for (int r = 0; r < sheet.DataRows(); ++r) {
        csv::Row row;
        // The grid's padding ("Used ", the heading's spaces) is no part of a value.
        for (size_t c = 0; c < sheet.columns.size(); ++c)
            row.push_back(TrimSpaces(sheet.Show(int(c), r)));
        out += csv::FormatRow(row);
    }
    return out;
}

ImportReport ImportTable(const std::string& table, const std::string& csvText) {
    TableSheet sheet(table);
    std::vector<csv::Row> rows;
    csv::ParseError error;
    // Spreadsheets mark a UTF-8 CSV with a byte-order mark and may end it with empty lines.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::string_view text = std::string_view(csvText).starts_with(kByteOrderMark)
                                      ? std::string_view(csvText).substr(kByteOrderMark.size())
                                      : std::string_view(csvText);
    if (!csv::Parse(std::string(text), &rows, &error))
        throw UsageError{"CSV line " + std::to_string(error.line) + ": " + error.what};
    while (rows.size() > 1 && rows.back() == csv::Row{""}) rows.pop_back();
    const std::vector<std::string> header = sheet.Header();
    if (rows.empty())
        throw UsageError{"the CSV is empty; its first row must be: " + Joined(header)};
    if (rows[0] != header)
        throw UsageError{"row 1: the header must be: " + Joined(header) +
                         " (it is: " + Joined(rows[0]) + ")"};
    const size_t dataRows = rows.size() - 1;
    if (dataRows > static_cast<size_t>(sheet.DataRows()))
        throw UsageError{RowName(sheet.DataRows() + 1) + ": the table has only " +
                         std::to_string(sheet.DataRows()) + " rows"};
    for (size_t i = 1; i < rows.size(); ++i) {
        const csv::Row& row = rows[i];
        if (row.size() < header.size())
            throw UsageError{RowName(i) + ": " + std::to_string(row.size()) + " columns, " +
                             std::to_string(header.size()) + " expected (missing columns)"};
        if (row.size() > header.size())
            throw UsageError{RowName(i) + ": " + std::to_string(row.size()) + " columns, " +
                             std::to_string(header.size()) + " expected (extra columns)"};
        const std::string heading = sheet.Show(0, int(i - 1));
        if (!SameText(row[0], heading) && !HeadingFollowsData(sheet.Cell(0, int(i - 1))))
            throw UsageError{RowName(i) + ": " + header[0] + " is '" + row[0] + "' where '" +
                             TrimSpaces(heading) +
                             "' was expected (rows must stay in the table's order)"};
    }

    ImportReport report;
    for (size_t i = 1; i < rows.size(); ++i) {
        const int r = int(i - 1);
        for (size_t c = 1; c < header.size(); ++c) {
            // What the sheet already shows needs no edit; this keeps a round trip exact.
            // (with or without the grid's padding, as older exports carry it).
            if (TrimSpaces(sheet.Show(int(c), r)) == TrimSpaces(rows[i][c])) continue;
            cmcEeprom& image = CellHost().WorkingImage();
            cmcEeprom before;
            before.Assign(image);
            SetOutcome outcome = SetCell(sheet.Cell(int(c), r), rows[i][c]);
            if (outcome.ok && !outcome.storedAs.empty()) {
                // A value the cell would keep otherwise (cut short, letters it cannot show)
                // is no value of the CSV: it stays as it was, and the import says so.
                image.Assign(before);
                CellHost().UpdateModified();
                outcome = {false,
                           "'" + rows[i][c] + "' would be stored as '" + outcome.storedAs + "'",
                           {}};
            }
            if (outcome.ok)
                ++report.changedValues;
            else
                report.problems.push_back(RowName(i) + ", column '" + header[c] +
                                          "': " + outcome.message);
        }
    }
    return report;
}

}  // namespace cli
