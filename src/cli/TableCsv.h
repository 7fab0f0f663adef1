#pragma once
// Record tables as comma-separated values: one row per row of the table's sheet, the sheet's
// row heading first (to keep rows from being mixed up in a spreadsheet), then one column per
// editable cell, with the sheet's column titles as the header and the values as the sheet
// shows them.
#include <string>
#include <vector>

namespace cli {

struct ImportReport {
    std::vector<std::string> problems;  // "row 5, column 'Name': ..." for every refused value
    std::vector<std::string> notes;     // how the CSV was read where a spreadsheet changed it
    int changedValues = 0;
};

struct ImportOptions {
    bool strict = false;  // an MMSI that lost its leading zeros is refused, not padded
};

// Table names: int, usa, can, dsc, wx, free, ind, grp. Throws UsageError for others.
std::string TableSheetKey(const std::string& table);

// The table of the working image as CSV text, fields separated by `separator`. A value that a
// spreadsheet would run as a formula (it starts with = + - or @) is written with a leading
// apostrophe, which the import takes off again.
std::string ExportTable(const std::string& table, char separator = ',');

// The table of the working image as an Excel workbook (.xlsx) at `path`, its values in text
// cells so that a spreadsheet keeps them as they are ("007", "023512345"). False with `why`
// set when it cannot be written, or when this build has no workbook writer.
bool ExportTableWorkbook(const std::string& table, const std::string& path, std::string& why);

// Checks the CSV against the table's sheet (header, columns, rows, row headings) and throws
// UsageError naming the first row that does not fit; then commits every value that differs
// from what the sheet shows, as `set` does. Refused values, and values the cell would store
// otherwise (cut short, letters it cannot show), are listed in the report and leave their cell
// as it was. A UTF-8 byte-order mark and empty lines at the end are no part of the table.
// What spreadsheets save is read as they meant it: the separator (comma, semicolon or tab) is
// told from the header row; text that is not UTF-8 is read as Windows-1252; ="..." text cells
// and the export's apostrophe are taken off; a 7- or 8-digit MMSI gets its leading zeros back
// (a note per row). A value that is only a spreadsheet's rewrite of what the cell holds (the
// same number written differently, a date made of it, a formula's result) is refused.
ImportReport ImportTable(const std::string& table, const std::string& csvText,
                         const ImportOptions& options = {});

}  // namespace cli
