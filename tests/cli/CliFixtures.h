#pragma once
// Clone files for the kelda-cli tests: factory images made by the program itself and an image
// that differs from the factory image in every record table, made through CSV imports.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Csv.h"
#include "cli/CliRunner.h"

namespace test {

// One value of a table's CSV: the row with this heading, the column with this title.
struct TableEdit {
    const char* table;
    const char* row;
    const char* column;
    const char* value;
};

// At least one edit per table; each value is stored as written, so the sheet shows it back.
inline const std::vector<TableEdit>& EveryTableEdits() {
    static const std::vector<TableEdit> edits = {
        {"int", "6", "Name", "HARBOUR"},       {"int", "8", "Tag", "Tag"},
        {"usa", "6", "Transmit", "RX only"},   {"can", "6", "Name", "CANAL"},
        {"dsc", "12", "Name", "WHEELHOUSE"},   {"dsc", "14", "POC", "POC"},
        {"wx", "2", "Name", "NOAA 2"},         {"free", "1", "Receive (MHz)", "156.81250"},
        {"free", "1", "Transmit (MHz)", "<-"},  // follows the receive frequency
        {"free", "1", "Name", "AB"},           {"ind", "1", "MMSI", "211234567"},
        {"ind", "1", "Name", "FRIEND"},        {"grp", "1", "Group MMSI", "012345678"},
        {"grp", "1", "Name", "FLEET"},
    };
    return edits;
}

inline std::vector<csv::Row> ParseCsv(const std::string& text) {
    std::vector<csv::Row> rows;
    csv::ParseError error;
    EXPECT_TRUE(csv::Parse(text, &rows, &error)) << error.what;
    return rows;
}

inline std::string FormatCsv(const std::vector<csv::Row>& rows) {
    std::string text;
    for (const auto& r : rows) text += csv::FormatRow(r);
    return text;
}

// Applies the edits of one table to its CSV text.
inline std::string EditCsv(const std::string& text, const std::string& table) {
    auto rows = ParseCsv(text);
    for (const auto& e : EveryTableEdits()) {
        if (table != e.table) continue;
        size_t col = 0;
        while (col < rows[0].size() && rows[0][col] != e.column) ++col;
        EXPECT_LT(col, rows[0].size()) << e.column;
        bool found = false;
        for (size_t r = 1; r < rows.size(); ++r) {
            if (rows[r][0] != e.row) continue;
            rows[r][col] = e.value;
            found = true;
            break;
        }
        EXPECT_TRUE(found) << table << " row " << e.row;
    }
    return FormatCsv(rows);
}

inline std::vector<std::string> Tables() {
    return {"int", "usa", "can", "dsc", "wx", "free", "ind", "grp"};
}

// The factory image of a model type, as `new` writes it.
inline std::string MakeFactory(const TempFolder& tmp, int model, const std::string& name) {
    const std::string path = tmp / name;
    CliResult r = RunCli({"new", "--model", std::to_string(model), "-o", path}, tmp);
    EXPECT_EQ(r.status, 0) << r.err;
    return path;
}

// Compares output with its reviewed file under tests/golden/, byte for byte. KELDA_UPDATE_GOLDEN=1
// writes the files anew after a deliberate change (and the diff is reviewed).
inline void ExpectGolden(const std::string& name, const std::string& text) {
    const std::string path = std::string(KELDA_SOURCE_DIR) + "/tests/golden/" + name;
    if (std::getenv("KELDA_UPDATE_GOLDEN") != nullptr) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFile(path, text);
    }
    EXPECT_EQ(text, ReadFile(path)) << name;
}

// The factory image of model type 2 with every table edited.
inline std::string MakeEdited(const TempFolder& tmp, const std::string& name) {
    const std::string path = MakeFactory(tmp, 2, name);
    for (const auto& table : Tables()) {
        CliResult ex = RunCli({"export", path, "--table", table}, tmp);
        EXPECT_EQ(ex.status, 0) << ex.err;
        WriteFile(tmp / "edit.csv", EditCsv(ex.out, table));
        CliResult im = RunCli({"import", path, "--table", table, tmp / "edit.csv"}, tmp);
        EXPECT_EQ(im.status, 0) << table << ": " << im.err;
    }
    return path;
}

}  // namespace test
