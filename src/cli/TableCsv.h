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
    int changedValues = 0;
};

// Table names: int, usa, can, dsc, wx, free, ind, grp. Throws UsageError for others.
std::string TableSheetKey(const std::string& table);

// The table of the working image as CSV text.
std::string ExportTable(const std::string& table);

// Checks the CSV against the table's sheet (header, columns, rows, row headings) and throws
// UsageError naming the first row that does not fit; then commits every value that differs
// from what the sheet shows, as `set` does. Refused values, and values the cell would store
// otherwise (cut short, letters it cannot show), are listed in the report and leave their cell
// as it was. A UTF-8 byte-order mark and empty lines at the end are no part of the table.
ImportReport ImportTable(const std::string& table, const std::string& csvText);

}  // namespace cli
