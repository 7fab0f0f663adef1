// kelda-cli import on tables as LibreOffice and Excel save them: separators, encodings, text
// cells, and the values a spreadsheet rewrote on the way.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"

namespace {

using test::CliResult;
using test::RunCli;
using test::TempFolder;
using test::WriteFile;

std::string IndName(int row) {
    return "CT_DscIndId.CL_DscIndId_Comment[" + std::to_string(row) + "]";
}
std::string IndId(int row) {
    return "CT_DscIndId.CL_DscIndId_Id[" + std::to_string(row) + "]";
}

// The ind table as a spreadsheet saves the rows of the test's file up to the last one given:
// the rows given as they stand (separated as they are), the others as they were.
std::string Ind(const std::map<int, std::string>& rows, char separator = ',') {
    const std::vector<std::string> was = {"211234560,007",  "211234561,1.50",  "211234562,'=1+1",
                                          "211234563,1/2",  "211234564,MAR 3", "211234565,(1)",
                                          "002570100,COAST"};
    auto separated = [separator](std::string line) {
        for (char& c : line)
            if (c == ',') c = separator;
        return line;
    };
    std::string text = separated("No.,MMSI,Name") + "\r\n";
    for (int n = 1; n <= rows.rbegin()->first; ++n) {
        auto given = rows.find(n);
        text +=
            given != rows.end()
                ? given->second
                : separated(std::to_string(n) + "," + (n <= int(was.size()) ? was[n - 1] : ","));
        text += "\r\n";
    }
    return text;
}

class SpreadsheetCsv : public testing::Test {
  protected:
    TempFolder tmp;
    std::string base;  // names a spreadsheet rewrites, and MMSIs with leading zeros

    void SetUp() override {
        base = test::MakeFactory(tmp, 2, "base.kcf");
        const std::vector<std::string> names = {"007",   "1.50", "=1+1",     "1/2",
                                                "MAR 3", "(1)",  "002570100"};
        std::vector<std::string> args = {"set", base};
        for (size_t i = 0; i < names.size(); ++i) {
            args.push_back(IndId(int(i)) + "=21123456" + std::to_string(i));
            args.push_back(IndName(int(i)) + "=" + (i == 6 ? "COAST" : names[i]));
        }
        args[args.size() - 2] = IndId(6) + "=002570100";
        args.push_back("CT_DscGrpId.CL_DscGrpId_Id[0]=023512345");
        args.push_back("CT_DscGrpId.CL_DscGrpId_Comment[0]=FLEET");
        CliResult r = RunCli(args, tmp);
        ASSERT_EQ(r.status, 0) << r.err;
    }
};

TEST_F(SpreadsheetCsv, ImportReadsWhatSpreadsheetsSave) {
    struct Case {
        const char* name;
        std::string csv;
        std::vector<std::string> options;  // after the CSV; the table is ind unless given
        int status;
        std::vector<std::string> says;  // in the messages
        std::string cell;               // and what it shows afterwards ("" when unchanged)
        std::string shows;
    };
    const std::string ind = "No.,MMSI,Name\r\n";
    const std::string grp = "No.,Group MMSI,Name\r\n";
    const Case cases[] = {
        // Separators, marks and encodings.
        {"comma, as exported", Ind({{1, "1,211234560,007"}}), {}, 0, {}, IndName(0), "007"},
        {"semicolons (German or Norwegian)",
         Ind({{1, "1;211234560;NEW"}}, ';'),
         {},
         0,
         {},
         IndName(0),
         "NEW"},
        {"tabs", "No.\tMMSI\tName\n1\t211234560\tNEW\n", {}, 0, {}, IndName(0), "NEW"},
        {"BOM, every field quoted",
         "\xEF\xBB\xBF\"No.\";\"MMSI\";\"Name\"\r\n\"1\";\"211234560\";\"A;B\"\r\n",
         {},
         0,
         {},
         IndName(0),
         "A;B"},
        {"Windows-1252, letters the radio has",
         Ind({{1, "1,211234560,CAF\xC9"}}),
         {},
         2,
         {"read as Windows-1252", "É cannot be shown by the radio ('CAFÉ' would be stored as"},
         "",
         ""},
        {"UTF-8 letter the radio lacks",
         Ind({{1, "1;211234560;MÜLLER"}}, ';'),
         {},
         2,
         {"row 2, column 'Name': Ü cannot be shown by the radio"},
         "",
         ""},
        {"=\"...\" text cells",
         Ind({{1, "1,=\"211234560\",=\"008\""}}),
         {},
         0,
         {},
         IndName(0),
         "008"},
        {"apostrophe before a formula stays off",
         Ind({{3, "3,211234562,'=2+2"}}),
         {},
         0,
         {},
         IndName(2),
         "=2+2"},
        // Leading zeros of MMSIs.
        {"group MMSI lost its zero",
         grp + "1,23512345,FLEET\r\n2,23577777,OTHER\r\n",
         {"grp"},
         0,
         {"row 2: 23512345 read as 023512345 — the spreadsheet dropped the leading zero",
          "row 3: 23577777 read as 023577777"},
         "CT_DscGrpId.CL_DscGrpId_Id[1]",
         "023577777"},
        {"coast station lost two zeros",
         Ind({{7, "7,2570100,COAST"}}),
         {},
         0,
         {"row 8: 2570100 read as 002570100"},
         IndId(6),
         "002570100"},
        {"--strict refuses the padding",
         grp + "1,23512345,FLEET\r\n",
         {"grp", "--strict"},
         2,
         {"row 2, column 'Group MMSI': 23512345 has 8 digits", "refused (--strict)"},
         "",
         ""},
        // Values the spreadsheet rewrote: refused, naming the old and the new text.
        {"numbers written differently",
         Ind({{1, "1,211234560,7"}, {2, "2,211234561,1.5"}, {6, "6,211234565,-1"}}),
         {},
         2,
         {"row 2, column 'Name': '007' came back as '7'", "the same number written differently",
          "row 3, column 'Name': '1.50' came back as '1.5'", "'(1)' came back as '-1'"},
         "",
         ""},
        {"German decimal comma",
         Ind({{2, "2;211234561;\"1,5\""}}, ';'),
         {},
         2,
         {"'1.50' came back as '1,5'"},
         "",
         ""},
        {"a formula run",
         Ind({{3, "3,211234562,2"}}),
         {},
         2,
         {"'=1+1' came back as '2'", "a formula's result"},
         "",
         ""},
        {"dates",
         Ind({{4, "4,211234563,01/02/2026"}, {5, "5,211234564,3-Mar"}}),
         {},
         2,
         {"'1/2' came back as '01/02/2026'", "a date made of it", "'MAR 3' came back as '3-Mar'"},
         "",
         ""},
        {"--partial keeps the rewrites and saves the rest",
         Ind({{1, "1,211234560,7"}, {8, "8,211234567,NEW"}}),
         {"--partial"},
         2,
         {"'007' came back as '7'", "saved without the 1 refused value"},
         IndName(7),
         "NEW"},
        // The decimal comma in a frequency: a German 156,8 is 156.800 MHz; a comma that makes
        // no frequency of the band is refused, never read as another number.
        {"decimal comma in a frequency",
         "No.;Receive (MHz);Transmit (MHz);Name\r\n1;156,8;<-;AB\r\n",
         {"free"},
         0,
         {},
         "CT_FreeCh.CL_Fch_FreqR[0]",
         "156.80000"},
        {"1,56 is no frequency of the band",
         "No.;Receive (MHz);Transmit (MHz);Name\r\n1;1,56;<-;AB\r\n",
         {"free"},
         2,
         {"row 2, column 'Receive (MHz)': '1,56' refused: Enter a frequency of the marine VHF "
          "band"},
         "",
         ""},
        {"15,6 is no frequency of the band",
         "No.;Receive (MHz);Transmit (MHz);Name\r\n1;15,6;<-;AB\r\n",
         {"free"},
         2,
         {"'15,6' refused: Enter a frequency of the marine VHF band"},
         "",
         ""},
        // Bad input.
        {"one column", "No.\r\n1\r\n", {}, 2, {"row 1: the separator cannot be told"}, "", ""},
        {"mixed separators in the header",
         "No.,MMSI;Name\r\n",
         {},
         2,
         {"row 1: the header row mixes separators (commas and semicolons)"},
         "",
         ""},
        {"a row of another separator",
         "No.;MMSI;Name\r\n1,211234560,X\r\n",
         {},
         2,
         {"row 2: 1 columns, 3 expected (missing columns) (the header is separated by "
          "semicolons, this row by commas)"},
         "",
         ""},
        {"NUL",
         ind + "1,2112" + std::string(1, '\0') + "34560,X\r\n",
         {},
         2,
         {"CSV line 2: a NUL byte"},
         "",
         ""},
        {"line break in a cell",
         Ind({{1, "1,211234560,\"A\nB\""}}),
         {},
         2,
         {"'A\\nB' holds a line break"},
         "",
         ""},
        {"UTF-16", std::string("\xFF\xFEN\0o\0", 6), {}, 2, {"UTF-16"}, "", ""},
        {"a workbook", "PK\x03\x04 rest of a zip", {}, 2, {"this is a workbook"}, "", ""},
        {"a million rows",
         ind +
             [] {
                 std::string rows;
                 for (int i = 0; i < 1000000; ++i) rows += "1\n";
                 return rows;
             }(),
         {},
         2,
         {"row 77: the table has only 75 rows"},
         "",
         ""},
    };
    const std::string before = ReadFile(base);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tmp / "m.kcf";
        WriteFile(path, before);
        WriteFile(tmp / "in.csv", c.csv);
        std::string table = "ind";
        std::vector<std::string> args = {"import", path, "--table", "", tmp / "in.csv"};
        for (const auto& o : c.options) {
            if (o.rfind("--", 0) == 0)
                args.push_back(o);
            else
                table = o;
        }
        args[3] = table;
        CliResult r = RunCli(args, tmp);
        EXPECT_EQ(r.status, c.status) << r.err;
        for (const auto& s : c.says)
            EXPECT_NE(r.err.find(s), std::string::npos) << s << "\n" << r.err;
        if (c.cell.empty())
            EXPECT_TRUE(ReadFile(path) == before) << "the file was changed";
        else
            EXPECT_EQ(RunCli({"get", path, c.cell}, tmp).out, c.shows + "\n");
    }
}

// An export read back by a spreadsheet and saved again: names that start like a formula are
// not run, the separator is the one asked for, and the import takes all of it back unchanged.
TEST_F(SpreadsheetCsv, ExportGuardsFormulasAndTakesItsOwnSeparator) {
    const std::string path = tmp / "m.kcf";
    WriteFile(path, ReadFile(base));
    ASSERT_EQ(RunCli({"set", path, IndName(1) + "=+5", IndName(3) + "=-ABC", IndName(4) + "=-12",
                      IndName(5) + "='=X"},
                     tmp)
                  .status,
              0);
    CliResult ex = RunCli({"export", path, "--table", "ind", "--separator", ";"}, tmp);
    ASSERT_EQ(ex.status, 0) << ex.err;
    test::ExpectGolden("spreadsheet/ind-semicolons.csv", ex.out);
    WriteFile(tmp / "in.csv", ex.out);
    const std::string before = ReadFile(path);
    CliResult im = RunCli({"import", path, "--table", "ind", tmp / "in.csv"}, tmp);
    EXPECT_EQ(im.status, 0) << im.err;
    EXPECT_EQ(im.err, "");
    EXPECT_TRUE(ReadFile(path) == before);
    // The workbook (its cells are read back by the LibreOffice round trip): a file, never
    // standard output, and never mistaken for a CSV.
    EXPECT_EQ(RunCli({"export", path, "--table", "ind", "--format", "xlsx"}, tmp).status, 2);
    CliResult book =
        RunCli({"export", path, "--table", "ind", "--format", "xlsx", "-o", tmp / "ind.xlsx"}, tmp);
    ASSERT_EQ(book.status, 0) << book.err;
    EXPECT_EQ(ReadFile(tmp / "ind.xlsx").substr(0, 4), "PK\x03\x04");
    CliResult wrong = RunCli({"import", path, "--table", "ind", tmp / "ind.xlsx"}, tmp);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("this is a workbook"), std::string::npos) << wrong.err;
    for (const char* bad : {"|", "semicolon"})
        EXPECT_EQ(RunCli({"export", path, "--table", "ind", "--separator", bad}, tmp).status, 2);
}

}  // namespace
