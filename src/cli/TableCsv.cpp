#include "cli/TableCsv.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>

#include "app/Csv.h"
#include "cli/CellAccess.h"
#include "cli/CliArgs.h"
#include "cli/SpreadsheetText.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChannelSheetDef.h"
#include "sheet/TextHelpers.h"
#include "text/cmcGTex.h"

#ifdef KELDA_HAVE_XLSXWRITER
#include <xlsxwriter.h>
#endif

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

// A cell's value without the grid's padding: the spaces after it ("Used ", a name's unused
// places). Spaces before it belong to the value (a name may start with one).
std::string Unpadded(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

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

std::string Joined(const std::vector<std::string>& fields, char separator = ',') {
    std::string line = csv::FormatRow(fields, separator);
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

std::string SeparatorName(char separator) {
    switch (separator) {
        case ';':
            return "semicolons";
        case '\t':
            return "tabs";
        default:
            return "commas";
    }
}

// The columns that hold MMSIs, whose leading zeros a spreadsheet drops.
bool IsMmsiColumn(const cmcCellObj& cell) {
    return cell.Label == CL_DscIndId_Id || cell.Label == CL_DscGrpId_Id;
}

// The separator of the CSV, told from its header row: the one that splits it into the header
// expected, else the only one it has. Throws UsageError when it cannot be told.
char TellSeparator(std::string_view text, const std::vector<std::string>& header) {
    const std::string first(text.substr(0, text.find_first_of("\r\n")));
    const char candidates[] = {',', ';', '\t'};
    std::string present;
    for (char c : candidates) {
        bool quoted = false;
        bool found = false;
        for (char ch : first) {
            if (ch == '"') quoted = !quoted;
            found = found || (!quoted && ch == c);
        }
        if (!found) continue;
        present += c;
        std::vector<csv::Row> rows;
        csv::ParseError error;
        if (csv::Parse(first, &rows, &error, nullptr, c) && rows.size() == 1 && rows[0] == header)
            return c;
    }
    if (present.size() == 1) return present[0];
    const std::string expected = Joined(header);
    if (present.empty())
        throw UsageError{"row 1: the separator cannot be told: the header row is one column ('" +
                         Printable(first) + "'); it must be: " + expected +
                         " (separated by commas, semicolons or tabs)"};
    std::string names;
    for (size_t i = 0; i < present.size(); ++i)
        names += std::string(i == 0                    ? ""
                             : i + 1 == present.size() ? " and "
                                                       : ", ") +
                 SeparatorName(present[i]);
    throw UsageError{"row 1: the header row mixes separators (" + names +
                     "), so the columns cannot be told; it must be: " + expected +
                     " (or the same with semicolons or tabs)"};
}

// A CSV field as the value it stands for: a spreadsheet's ="..." text cell and the export's
// apostrophe before = + - @ are no part of it.
std::string FieldValue(const std::string& field) {
    return Unprotected(UnwrapTextCell(field));
}

// The number of the line on which the byte at `offset` stands.
int LineAt(std::string_view text, size_t offset) {
    int line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n';
    return line;
}

}  // namespace

std::string TableSheetKey(const std::string& table) {
    for (const auto& t : kTables)
        if (table == t.name) return t.sheet;
    std::string names;
    for (const auto& t : kTables) names += std::string(names.empty() ? "" : ", ") + t.name;
    throw UsageError{"unknown table '" + table + "' (tables: " + names + ")"};
}

std::string ExportTable(const std::string& table, char separator) {
    TableSheet sheet(table);
    std::string out = csv::FormatRow(sheet.Header(), separator);
    for (int r = 0; r < sheet.DataRows(); ++r) {
        csv::Row row;
        // The grid's padding ("Used ", the heading's spaces) is no part of a value.
        for (size_t c = 0; c < sheet.columns.size(); ++c) {
            std::string value = Unpadded(sheet.Show(int(c), r));
            if (NeedsFormulaGuard(value)) value = "'" + value;
            row.push_back(std::move(value));
        }
        out += csv::FormatRow(row, separator);
    }
    return out;
}

bool ExportTableWorkbook(const std::string& table, const std::string& path, std::string& why) {
#ifdef KELDA_HAVE_XLSXWRITER
    TableSheet sheet(table);
    lxw_workbook* book = workbook_new(path.c_str());
    if (book == nullptr) {
        why = "the workbook cannot be made";
        return false;
    }
    lxw_worksheet* page = workbook_add_worksheet(book, table.c_str());
    lxw_format* heading = workbook_add_format(book);
    format_set_bold(heading);
    // Text format ("@") on the value columns: what the dealer types there later stays text too.
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");
    const std::vector<std::string> header = sheet.Header();
    for (size_t c = 0; c < header.size(); ++c) {
        size_t width = header[c].size();
        for (int r = 0; r < sheet.DataRows(); ++r)
            width = std::max(width, Unpadded(sheet.Show(int(c), r)).size());
        worksheet_set_column(page, lxw_col_t(c), lxw_col_t(c), double(width) + 2,
                             c == 0 ? nullptr : text);
        worksheet_write_string(page, 0, lxw_col_t(c), header[c].c_str(), heading);
    }
    worksheet_freeze_panes(page, 1, 1);
    for (int r = 0; r < sheet.DataRows(); ++r) {
        for (size_t c = 0; c < header.size(); ++c) {
            const std::string value = Unpadded(sheet.Show(int(c), r));
            const auto row = lxw_row_t(r + 1);
            // The row heading is a number where it is a plain one, so the rows can be counted
            // and sorted back; every value is text, kept as the radio shows it.
            const bool number = c == 0 && !value.empty() && value.size() < 6 &&
                                value.find_first_not_of("0123456789") == std::string::npos &&
                                (value == "0" || value[0] != '0');
            if (number)
                worksheet_write_number(page, row, lxw_col_t(c), std::stod(value), nullptr);
            else
                worksheet_write_string(page, row, lxw_col_t(c), value.c_str(), text);
        }
    }
    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        why = lxw_strerror(error);
        return false;
    }
    return true;
#else
    (void)table;
    (void)path;
    why = "this build of kelda-cli cannot write workbooks; export CSV instead";
    return false;
#endif
}

ImportReport ImportTable(const std::string& table, const std::string& csvText,
                         const ImportOptions& options) {
    TableSheet sheet(table);
    ImportReport report;
    std::string_view text(csvText);
    // Spreadsheets mark a UTF-8 CSV with a byte-order mark and may end it with empty lines.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        throw UsageError{
            "the CSV is in UTF-16 (a spreadsheet's \"Unicode text\"): save it as "
            "\"CSV UTF-8\" or \"Text CSV\" and import that"};
    if (text.starts_with("PK\x03\x04"))
        throw UsageError{
            "this is a workbook (.xlsx or .ods), not a CSV: save it from the "
            "spreadsheet as CSV (\"Text CSV\" or \"CSV UTF-8\") and import that"};
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos)
        throw UsageError{"CSV line " + std::to_string(LineAt(text, nul)) +
                         ": a NUL byte; this is not a text file as spreadsheets save CSV"};
    std::string converted;
    if (!IsUtf8(text)) {
        converted = Windows1252ToUtf8(text);
        text = converted;
        report.notes.push_back(
            "the CSV is not UTF-8: read as Windows-1252 (what Excel saves as \"CSV\" in Western "
            "Europe)");
    }
    const std::vector<std::string> header = sheet.Header();
    if (TrimBlanks(text).empty())
        throw UsageError{"the CSV is empty; its first row must be: " + Joined(header)};
    const char separator = TellSeparator(text, header);

    std::vector<csv::Row> rows;
    csv::ParseError error;
    if (!csv::Parse(std::string(text), &rows, &error, nullptr, separator))
        throw UsageError{"CSV line " + std::to_string(error.line) + ": " + error.what};
    while (rows.size() > 1 && rows.back() == csv::Row{""}) rows.pop_back();
    if (rows[0] != header)
        throw UsageError{"row 1: the header must be: " + Joined(header, separator) +
                         " (it is: " + Printable(Joined(rows[0], separator)) + ")"};
    const size_t dataRows = rows.size() - 1;
    if (dataRows > static_cast<size_t>(sheet.DataRows()))
        throw UsageError{RowName(sheet.DataRows() + 1) + ": the table has only " +
                         std::to_string(sheet.DataRows()) + " rows"};
    for (size_t i = 1; i < rows.size(); ++i) {
        const csv::Row& row = rows[i];
        if (row.size() < header.size()) {
            // A row of another separator is one long column.
            std::string other;
            for (char c : {',', ';', '\t'})
                if (c != separator && row.size() == 1 && row[0].find(c) != std::string::npos)
                    other = " (the header is separated by " + SeparatorName(separator) +
                            ", this row by " + SeparatorName(c) + ")";
            throw UsageError{RowName(i) + ": " + std::to_string(row.size()) + " columns, " +
                             std::to_string(header.size()) + " expected (missing columns)" + other};
        }
        if (row.size() > header.size())
            throw UsageError{RowName(i) + ": " + std::to_string(row.size()) + " columns, " +
                             std::to_string(header.size()) + " expected (extra columns)"};
        const std::string heading = sheet.Show(0, int(i - 1));
        const std::string given = FieldValue(row[0]);
        if (!SameText(given, heading) && !HeadingFollowsData(sheet.Cell(0, int(i - 1))))
            throw UsageError{RowName(i) + ": " + header[0] + " is '" + Printable(given) +
                             "' where '" + TrimSpaces(heading) +
                             "' was expected (rows must stay in the table's order)"};
    }

    for (size_t i = 1; i < rows.size(); ++i) {
        const int r = int(i - 1);
        for (size_t c = 1; c < header.size(); ++c) {
            std::string value = FieldValue(rows[i][c]);
            const std::string where = RowName(i) + ", column '" + header[c] + "': ";
            if (value.find_first_of("\r\n") != std::string::npos) {
                report.problems.push_back(where + "'" + Printable(value) +
                                          "' holds a line break; a value is one line");
                continue;
            }
            const std::string old = Unpadded(sheet.Show(int(c), r));
            if (IsMmsiColumn(sheet.Cell(int(c), r)) && value.size() >= 7 && value.size() <= 8 &&
                value.find_first_not_of("0123456789") == std::string::npos) {
                const std::string padded = std::string(9 - value.size(), '0') + value;
                if (options.strict) {
                    report.problems.push_back(where + value + " has " +
                                              std::to_string(value.size()) +
                                              " digits (the spreadsheet dropped the leading "
                                              "zero of " +
                                              padded + "?); refused (--strict)");
                    continue;
                }
                report.notes.push_back(RowName(i) + ": " + value + " read as " + padded +
                                       " — the spreadsheet dropped the leading zero");
                value = padded;
            }
            // What the sheet already shows needs no edit; this keeps a round trip exact.
            // (with or without the grid's padding, as older exports carry it).
            if (old == Unpadded(value)) continue;
            cmcEeprom& image = CellHost().WorkingImage();
            cmcEeprom before;
            before.Assign(image);
            SetOutcome outcome = SetCell(sheet.Cell(int(c), r), value);
            const std::string shown = "'" + Printable(value) + "'";
            if (outcome.ok && image.Differs(before)) {
                // A spreadsheet that took the value for a number, a date or a formula wrote
                // back what it made of it: that is no edit of the dealer's.
                if (const std::string how = RewriteOf(old, value); !how.empty()) {
                    image.Assign(before);
                    CellHost().UpdateModified();
                    outcome = {false,
                               "'" + old + "' came back as " + shown +
                                   ", a spreadsheet's rewrite of it (" + how + "); it stays '" +
                                   old + "' (export with --format xlsx to keep it as text)",
                               {}};
                }
            }
            if (outcome.ok && !outcome.storedAs.empty()) {
                // A value the cell would keep otherwise (cut short, letters it cannot show)
                // is no value of the CSV: it stays as it was, and the import says so.
                image.Assign(before);
                CellHost().UpdateModified();
                const std::string letters = UnshownLetters(value);
                const std::string stored = shown + " would be stored as '" + outcome.storedAs + "'";
                outcome = {false,
                           letters.empty()
                               ? stored
                               : letters + " cannot be shown by the radio (" + stored + ")",
                           {}};
            }
            if (outcome.ok) {
                ++report.changedValues;
                continue;
            }
            // Say what was read where the cell's own word does not.
            if (outcome.message.find(shown) == std::string::npos)
                outcome.message = shown + " refused: " + outcome.message;
            report.problems.push_back(where + outcome.message);
        }
    }
    return report;
}

}  // namespace cli
