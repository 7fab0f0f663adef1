#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/ScopedInstall.h"
#include "text/cmcGTex.h"

namespace {

class TempFile {
  public:
    explicit TempFile(const std::string& bytes) {
        char tmpl[] = "/tmp/kelda-ovl-XXXXXX";
        int fd = mkstemp(tmpl);
        path_ = tmpl;
        if (fd >= 0) {
            ssize_t n = write(fd, bytes.data(), bytes.size());
            (void)n;
            close(fd);
        }
    }
    ~TempFile() { unlink(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string Fatal(const std::string& key) {
    return "The index '" + key + "' was not found";
}

const std::vector<std::string> kSample = {
    "stray line before any header",
    "#Alpha",
    "a0",
    "a1",
    "#Alpha ",  // trailing blank: another key
    "with blank",
    "#List",
    "one",
    "#",
    "after hash",
    "#alpha",
    "lower",
    "#Alpha",  // duplicate: never found
    "dup",
    "#Empty",
    "#End_Of_Ovl",
    "#After",
    "tail",
};

// Every lookup rule holds alike for a memory source and the same lines in a file.
class GTexSources : public testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (GetParam()) {
            std::string bytes;
            for (const auto& l : kSample) bytes += l + "\n";
            file_ = std::make_unique<TempFile>(bytes);
            ASSERT_TRUE(store_.BindFile(file_->path()));
        } else {
            ASSERT_TRUE(store_.BindLines(kSample));
        }
    }
    std::unique_ptr<TempFile> file_;
    cmcGTex store_;
};

TEST_P(GTexSources, LooksUpBodiesByExactKey) {
    EXPECT_EQ(store_.GetLine("Alpha"), "a0");
    EXPECT_EQ(store_.GetLine("Alpha", 1), "a1");
    EXPECT_EQ(store_.GetLine("Alpha "), "with blank");
    EXPECT_EQ(store_.GetLine("alpha"), "lower");
    EXPECT_EQ(store_.GetText("Alpha"), "a0\na1");
    // Reading past the body goes on into the next entry, header included.
    EXPECT_EQ(store_.GetLine("Alpha", 2), "#Alpha ");
    EXPECT_EQ(store_.GetLine("Alpha", 3), "with blank");
}

TEST_P(GTexSources, LoneHashIsABodyLine) {
    EXPECT_EQ(store_.GetLine("List", 1), "#");
    EXPECT_EQ(store_.GetLine("List", 2), "after hash");
    EXPECT_EQ(store_.GetText("List"), "one");
    EXPECT_EQ(store_.GetText("Empty"), "");
}

TEST_P(GTexSources, ResumesAndRestartsWithinABody) {
    EXPECT_EQ(store_.GetLine("Alpha", 1), "a1");
    EXPECT_EQ(store_.GetLine("Alpha", 0), "a0");
    EXPECT_EQ(store_.GetLine("Alpha", 1), "a1");
    EXPECT_EQ(store_.GetLine("Alpha", 1), "a1");
}

TEST_P(GTexSources, EndMarkerStopsIndexingButNotReading) {
    EXPECT_EQ(store_.GetLine("End_Of_Ovl"), "#After");
    EXPECT_EQ(store_.GetLine("End_Of_Ovl", 1), "tail");
    EXPECT_TRUE(store_.GetStats().indexingDone);
    // Indexed entries stay readable after indexing has finished.
    EXPECT_EQ(store_.GetLine("alpha"), "lower");
    EXPECT_EXIT(store_.GetLine("After"), testing::ExitedWithCode(3), Fatal("After"));
}

TEST_P(GTexSources, FirstOfDuplicateKeysWins) {
    EXPECT_EQ(store_.GetLine("End_Of_Ovl"), "#After");  // indexes everything
    EXPECT_EQ(store_.GetLine("Alpha"), "a0");
}

TEST_P(GTexSources, MissingKeyOrReadPastTheEndIsFatal) {
    EXPECT_EXIT(store_.GetLine("Nope"), testing::ExitedWithCode(3), Fatal("Nope"));
    EXPECT_EXIT(store_.GetLine("Alpha", 1000), testing::ExitedWithCode(3), Fatal("Alpha"));
    EXPECT_EXIT(store_.GetLine("End_Of_Ovl", 2), testing::ExitedWithCode(3), Fatal("End_Of_Ovl"));
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, GTexSources, testing::Bool());

TEST(GTex, BindsOneSourceOnly) {
    cmcGTex store;
    EXPECT_TRUE(store.BindLines({"#K", "first", "#End_Of_Ovl"}));
    EXPECT_FALSE(store.BindLines({"#K", "second", "#End_Of_Ovl"}));
    EXPECT_FALSE(store.BindFile("/nonexistent"));
    EXPECT_EQ(store.GetLine("K"), "first");
}

TEST(GTex, UnopenableSourceIsFatalOnFirstLookup) {
    cmcGTex missing, empty, unbound;
    missing.BindFile("/nonexistent/KELDA.OVL");
    empty.BindFile("");
    EXPECT_EXIT(missing.GetLine("GI_Sys_AppTitle"), testing::ExitedWithCode(3),
                "GTEX Error !\nThe index 'GI_Sys_AppTitle' was not found in "
                "/nonexistent/KELDA.OVL \\(the file is missing, damaged or cut short\\)");
    EXPECT_EXIT(empty.GetLine("K"), testing::ExitedWithCode(3), Fatal("K"));
    EXPECT_EXIT(unbound.GetLine("K"), testing::ExitedWithCode(3), Fatal("K"));
}

TEST(GTex, FileHoldingOnlyTheEndMarker) {
    TempFile f("#End_Of_Ovl\n");
    cmcGTex store;
    store.BindFile(f.path());
    EXPECT_EXIT(store.GetLine("GI_Sys_AppTitle"), testing::ExitedWithCode(3),
                Fatal("GI_Sys_AppTitle"));
    EXPECT_EXIT(store.GetLine("End_Of_Ovl"), testing::ExitedWithCode(3), Fatal("End_Of_Ovl"));
}

TEST(GTex, ReadsCrLfLfAndOddBytes) {
    std::string nul("x\0y", 3);
    TempFile f("#A\r\nline one\r\n#\r\nlf only\nlone\rcr\n#B\n" + nul + "\nafter nul\n#C\nlast");
    cmcGTex store;
    store.BindFile(f.path());
    EXPECT_EQ(store.GetLine("A"), "line one");
    EXPECT_EQ(store.GetLine("A", 1), "#");
    EXPECT_EQ(store.GetLine("A", 2), "lf only");
    EXPECT_EQ(store.GetLine("A", 3), "lone\rcr");
    EXPECT_EQ(store.GetLine("B"), nul);
    EXPECT_EQ(store.GetLine("B", 1), "after nul");
    // No end marker and no final line end: the last line still reads, a missing key is fatal.
    EXPECT_EQ(store.GetLine("C"), "last");
    EXPECT_EXIT(store.GetLine("C", 1), testing::ExitedWithCode(3), Fatal("C"));
    EXPECT_EXIT(store.GetLine("D"), testing::ExitedWithCode(3), Fatal("D"));
}

TEST(GTex, SplitsLongLines) {
    const size_t max = cmcGTex::kMaxLine;
    std::string exact(max, 'e');         // fills the line: its LF reads as an empty line
    std::string fits(max - 1, 'f');      // with its CR LF still one line
    std::string longer(max + 5, 'l');    // the first kMaxLine characters, then the rest
    std::string crAtEdge(max - 1, 'c');  // a lone CR as the last character that fits
    TempFile f("#K\n" + exact + "\n" + fits + "\r\n" + longer + "\n" + crAtEdge + "\rZ\n" +
               "#End_Of_Ovl\n");
    cmcGTex store;
    store.BindFile(f.path());
    std::vector<std::string> expected = {
        exact, "", fits, std::string(max, 'l'), "lllll", crAtEdge + "\r", "Z", "#End_Of_Ovl"};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(store.GetLine("K", static_cast<int>(i)), expected[i]) << "line " << i;

    // A header longer than a line names a key of its first characters.
    cmcGTex lines;
    lines.BindLines({"#" + std::string(max + 10, 'k'), "body", "#End_Of_Ovl"});
    EXPECT_EQ(lines.GetLine(std::string(max - 1, 'k')), "body");
}

std::string Numbered(int entries, int bodyLines) {
    std::string s;
    for (int i = 0; i < entries; ++i) {
        s += "#K" + std::to_string(i) + "\n";
        for (int j = 0; j < bodyLines; ++j)
            s += "k" + std::to_string(i) + "." + std::to_string(j) + "\n";
    }
    return s + "#End_Of_Ovl\n";
}

TEST(GTex, IndexesOnlyAsFarAsTheKey) {
    TempFile f(Numbered(3000, 3));
    cmcGTex store;
    store.BindFile(f.path());
    EXPECT_EQ(store.GetLine("K10", 2), "k10.2");
    auto s = store.GetStats();
    EXPECT_EQ(s.indexedRecords, 11u);
    EXPECT_FALSE(s.indexingDone);
    EXPECT_LE(s.bytesRead, 16384u);  // one buffer, not the whole file
    EXPECT_EQ(store.GetLine("K2999"), "k2999.0");
    EXPECT_EQ(store.GetStats().indexedRecords, 3000u);
}

TEST(GTex, MovesRecordsFoundBeyondTheFirstElevenToTheHead) {
    cmcGTex store;
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) lines.push_back("#K" + std::to_string(i));
    lines.push_back("#End_Of_Ovl");
    store.BindLines(lines);
    store.GetLine("K19");
    store.GetLine("K10");  // the 11th record stays
    EXPECT_EQ(store.IndexOrder()[10], "K10");
    store.GetLine("K11");  // the 12th moves to the head
    auto order = store.IndexOrder();
    EXPECT_EQ(order[0], "K11");
    EXPECT_EQ(order[1], "K0");
    EXPECT_EQ(order[11], "K10");
    EXPECT_EQ(order[12], "K12");
    store.GetLine("K11");
    EXPECT_EQ(store.IndexOrder(), order);
}

TEST(GTex, CachesRecentlyReadLines) {
    TempFile f(Numbered(200, 2));
    cmcGTex store;
    store.BindFile(f.path());
    EXPECT_EQ(store.GetLine("K5", 1), "k5.1");
    auto before = store.GetStats();
    // Line 1 then line 2 costs one more line; going back restarts from the body start.
    EXPECT_EQ(store.GetLine("K5", 2), "#K6");
    EXPECT_EQ(store.GetStats().cacheHits, before.cacheHits);
    EXPECT_EQ(store.GetLine("K5", 1), "k5.1");
    EXPECT_EQ(store.GetStats().cacheHits, before.cacheHits + 2);

    // Far-away lines need the file; recently read ones do not.
    store.GetLine("K199", 1);
    auto afterFar = store.GetStats();
    EXPECT_EQ(store.GetLine("K5", 0), "k5.0");
    EXPECT_EQ(store.GetStats().fileReads, afterFar.fileReads);

    // Reading 64 other lines evicts the oldest.
    for (int i = 100; i < 132; ++i) store.GetLine("K" + std::to_string(i), 1);
    EXPECT_EQ(store.GetStats().cachedLines, size_t(cmcGTex::kCacheLines));
    auto hits = store.GetStats().cacheHits;
    EXPECT_EQ(store.GetLine("K5", 0), "k5.0");
    EXPECT_EQ(store.GetStats().cacheHits, hits);
    EXPECT_EQ(store.GetLine("K131", 1), "k131.1");
    EXPECT_EQ(store.GetStats().cacheHits, hits + 2);
}

TEST(GTex, ContextHelpNumbers) {
    cmcGTex store;
    store.BindLines({"#GI_AppItem_CellName_to_ContextID", "CL_Alpha\t12", "CL_Beta\t034x9",
                     "CL_Gamma", "CL_Alpha\t99", "#", "CL_Late\t5", "#End_Of_Ovl"});
    struct Case {
        const char* label;
        int number;
    } cases[] = {{"CL_Alpha", 12}, {"CL_Beta", 34}, {"CL_Gamma", 0},
                 {"CL_Late", 0},   {"CL_Alph", 0},  {"", 0}};
    for (const auto& c : cases) EXPECT_EQ(store.ContextHelpNumber(c.label), c.number) << c.label;

    // A list without its '#' line runs into the next entries and at the end is fatal.
    cmcGTex open;
    open.BindLines(
        {"#GI_AppItem_CellName_to_ContextID", "CL_A\t1", "#Next", "CL_B\t2", "#End_Of_Ovl"});
    EXPECT_EQ(open.ContextHelpNumber("CL_B"), 2);
    EXPECT_EXIT(open.ContextHelpNumber("CL_C"), testing::ExitedWithCode(3),
                Fatal("GI_AppItem_CellName_to_ContextID"));
}

TEST(GTex, ProcessWideStoresCanBeReplaced) {
    cmcGTex main;
    cmcHelpGTex help;
    main.BindLines({"#GI_Sys_AppTitle", "KELDA", "#End_Of_Ovl"});
    help.BindLines({"#H", "help", "#End_Of_Ovl"});
    ScopedInstall<InstallGTex> mainSlot(&main);
    ScopedInstall<InstallHelpGTex> helpSlot(&help);
    EXPECT_EQ(GTex().GetLine("GI_Sys_AppTitle"), "KELDA");
    EXPECT_EQ(HelpGTex().GetLine("H"), "help");
}

}  // namespace
