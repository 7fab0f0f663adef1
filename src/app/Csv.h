#pragma once
// RFC 4180 comma-separated values: fields with the separator, quotes or line breaks are quoted
// and quotes doubled. The separator is a comma unless told otherwise (spreadsheets in much of
// Europe save semicolons). The reader takes CR LF or LF line ends and reports where the text
// goes wrong; a spreadsheet's text cell written as ="..." is kept as it stands, quotes included,
// for the caller to read.
#include <string>
#include <vector>

namespace csv {

using Row = std::vector<std::string>;

std::string FormatRow(const Row& row, char separator = ',');  // one line, ended by CR LF

struct ParseError {
    int line = 0;  // 1-based line where the bad record starts
    std::string what;
};

// Splits the text into records. Returns false and fills error on bad quoting. A final line
// without a line end counts; an empty last line does not. `lines`, when given, receives the
// 1-based line on which each record starts.
bool Parse(const std::string& text, std::vector<Row>* rows, ParseError* error,
           std::vector<int>* lines = nullptr, char separator = ',');

}  // namespace csv
