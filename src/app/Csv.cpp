#include "app/Csv.h"

namespace csv {

std::string FormatRow(const Row& row, char separator) {
    std::string out;
    const char special[] = {separator, '"', '\r', '\n', '\0'};
    for (size_t i = 0; i < row.size(); ++i) {
        if (i) out += separator;
        const std::string& f = row[i];
        bool quote = f.find_first_of(special) != std::string::npos ||
                     (!f.empty() && (f.front() == ' ' || f.back() == ' '));
        if (!quote) {
            out += f;
            continue;
        }
        out += '"';
        for (char c : f) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    out += "\r\n";
    return out;
}

bool Parse(const std::string& text, std::vector<Row>* rows, ParseError* error,
           std::vector<int>* lines, char separator) {
    rows->clear();
    if (lines) lines->clear();
    Row row;
    std::string field;
    int line = 1;
    int recordLine = 1;
    size_t i = 0;
    const size_t n = text.size();
    bool inRecord = false;
    auto fail = [&](const std::string& what) {
        if (error) *error = {recordLine, what};
        return false;
    };
    while (i < n) {
        char c = text[i];
        if (!inRecord) {
            recordLine = line;
            inRecord = true;
        }
        if (c == '"') {
            // ="..." is how a spreadsheet is told that the text is text ("007" stays 007).
            const bool textCell = field == "=";
            if (!field.empty() && !textCell) return fail("a quote inside an unquoted field");
            if (textCell) field += '"';
            ++i;
            for (;;) {
                if (i >= n) return fail("a quoted field is not closed");
                char q = text[i++];
                if (q == '"') {
                    if (i < n && text[i] == '"') {
                        field += textCell ? "\"\"" : "\"";
                        ++i;
                        continue;
                    }
                    break;
                }
                if (q == '\n') ++line;
                field += q;
            }
            if (textCell) field += '"';
            if (i < n && text[i] != separator && text[i] != '\r' && text[i] != '\n')
                return fail("text after the closing quote of a field");
            continue;
        }
        if (c == separator) {
            row.push_back(std::move(field));
            field.clear();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            // CR LF, and CR CR LF as a file converted twice has it, end one line.
            if (c == '\r') {
                size_t j = i + 1;
                while (j < n && text[j] == '\r') ++j;
                if (j < n && text[j] == '\n') i = j;
            }
            ++i;
            ++line;
            row.push_back(std::move(field));
            field.clear();
            rows->push_back(std::move(row));
            if (lines) lines->push_back(recordLine);
            row.clear();
            inRecord = false;
            continue;
        }
        field += c;
        ++i;
    }
    if (inRecord) {
        row.push_back(std::move(field));
        rows->push_back(std::move(row));
        if (lines) lines->push_back(recordLine);
    }
    return true;
}

}  // namespace csv
