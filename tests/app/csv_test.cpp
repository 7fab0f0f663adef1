#include "app/Csv.h"

#include <gtest/gtest.h>

namespace {

TEST(Csv, RoundTripsAwkwardFields) {
    csv::Row row = {"16", "Ch, \"sixteen\"", "", "two\nlines", " padded "};
    std::string line = csv::FormatRow(row);
    EXPECT_EQ(line, "16,\"Ch, \"\"sixteen\"\"\",,\"two\nlines\",\" padded \"\r\n");
    std::vector<csv::Row> rows;
    csv::ParseError err;
    ASSERT_TRUE(csv::Parse(line + line, &rows, &err));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], row);
    EXPECT_EQ(rows[1], row);
}

TEST(Csv, LineEndsAndTrailingRecord) {
    std::vector<csv::Row> rows;
    csv::ParseError err;
    ASSERT_TRUE(csv::Parse("a,b\nc,d", &rows, &err));
    EXPECT_EQ(rows, (std::vector<csv::Row>{{"a", "b"}, {"c", "d"}}));
    ASSERT_TRUE(csv::Parse("a,\r\n\r\n", &rows, &err));
    EXPECT_EQ(rows, (std::vector<csv::Row>{{"a", ""}, {""}}));
    // CR CR LF (a file whose line ends were converted twice) ends one line; lone CRs each end
    // one.
    ASSERT_TRUE(csv::Parse("a,b\r\r\nc,d\r\r\n", &rows, &err));
    EXPECT_EQ(rows, (std::vector<csv::Row>{{"a", "b"}, {"c", "d"}}));
    ASSERT_TRUE(csv::Parse("a\r\rb\r", &rows, &err));
    EXPECT_EQ(rows, (std::vector<csv::Row>{{"a"}, {""}, {"b"}}));
}

TEST(Csv, BadQuotingNamesTheLine) {
    struct Case {
        const char* text;
        int line;
    } cases[] = {
        {"a,b\nc,\"open\n", 2},
        {"a\nb\n\"x\"y,z\n", 3},
        {"ab\"c\n", 1},
    };
    for (const auto& c : cases) {
        std::vector<csv::Row> rows;
        csv::ParseError err;
        EXPECT_FALSE(csv::Parse(c.text, &rows, &err)) << c.text;
        EXPECT_EQ(err.line, c.line) << c.text;
        EXPECT_FALSE(err.what.empty());
    }
}

}  // namespace
