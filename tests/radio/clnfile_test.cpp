#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/FileMessages.h"
#include "base/ScopedInstall.h"
#include "platform/AtomicFile.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

void WriteAll(const std::string& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t e; (e = text.find("\r\n", pos)) != std::string::npos; pos = e + 2)
        lines.push_back(text.substr(pos, e - pos));
    EXPECT_EQ(pos, text.size()) << "every line ends in CR LF";
    return lines;
}

// Each message key's text is "M<code>" so a report shows which code it was for.
std::vector<std::string> OverlayFixture() {
    std::vector<std::string> lines = {"#GI_Sys_AppTitle", "KELDA", "#GI_Mess_FileErr_Headline",
                                      "Cannot use the file."};
    const char* keyOfCode[] = {nullptr,
                               keys::kMessFileErrFileOpen,
                               keys::kMessFileErrFileAccess,
                               keys::kMessFileErrModel,
                               keys::kMessFileErrExtra,
                               keys::kMessFileErrMapRev,
                               keys::kMessFileErrFormat,
                               keys::kMessFileErrCoverage,
                               keys::kMessFileErrData,
                               keys::kMessFileErrNewer};
    for (int code = 1; code <= 9; ++code) {
        lines.push_back(std::string("#") + keyOfCode[code]);
        lines.push_back("M" + std::to_string(code));
    }
    lines.push_back(std::string("#") + keys::kMessFileErrCannotWrite);
    lines.push_back("W");
    lines.push_back("#End_Of_Ovl");
    return lines;
}

class ClnFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-clone-XXXXXX";
        dir_ = mkdtemp(tmpl);
        path_ = dir_ + "/radio.cln";
        overlay_.BindLines(OverlayFixture());
        image_.SetSize(cmcEeprom::kImageSize);
        for (int a = 0; a < image_.Size(); ++a) image_.SetByte(a, static_cast<uint8_t>(a * 7));
        file_.Attach(&image_);
        file_.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file_.SetMapRevision(cmcClnFile::kMapRevision);
        file_.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
    }
    void TearDown() override { RemoveTree(dir_); }

    // The text of a saved document of the current image.
    std::string DocumentText() { return file_.FormatText(kDocumentRanges); }

    // The file layer shows nothing itself; the application's message of the code is one warning.
    void ExpectReported(FileError code) {
        ASSERT_TRUE(prompter_.shown().empty());
        ReportFileError(code);
        ASSERT_EQ(prompter_.shown().size(), 1u);
        const auto& box = prompter_.shown()[0];
        EXPECT_EQ(box.text, "Cannot use the file.\n\nM" + std::to_string(FileErrorNumber(code)));
        EXPECT_EQ(box.caption, "KELDA");
        EXPECT_EQ(box.icon, platform::PromptIcon::Warning);
        EXPECT_EQ(box.buttons, platform::PromptButtons::Ok);
        prompter_.Clear();
    }
    // A failed save names the file and the system's reason instead of the reading message.
    void ExpectWriteReported(const std::string& path) {
        ASSERT_TRUE(prompter_.shown().empty());
        ReportWriteError(path, file_.Reason());
        ASSERT_EQ(prompter_.shown().size(), 1u);
        const std::string& text = prompter_.shown()[0].text;
        EXPECT_EQ(text.rfind("W\n\n" + path + "\n", 0), 0u) << text;
        EXPECT_GT(text.size(), ("W\n\n" + path + "\n").size()) << text;
        prompter_.Clear();
    }

    std::string dir_, path_;
    cmcGTex overlay_;
    ScopedInstall<InstallGTex> overlaySlot_{&overlay_};
    test::ScriptedPrompter prompter_;
    cmcEeprom image_;
    cmcClnFile file_;
};

TEST_F(ClnFileTest, SavedDocumentHasTheExactLines) {
    for (int i = 0; i < 16; ++i) image_.SetByte(0x0F1B + i, "Sea Breeze \x01\x7F  "[i]);
    file_.SetComment(cmcClnFile::CommentFromImage(image_));
    ASSERT_EQ(file_.Write(path_, kDocumentRanges), FileError::kNone);
    EXPECT_TRUE(prompter_.shown().empty());

    auto lines = SplitCrLf(ReadFile(path_));
    ASSERT_EQ(lines.size(), 3u + 1138u);
    EXPECT_EQ(lines[0], "37150001");
    EXPECT_EQ(lines[1], "#Comment=Sea Breeze");
    EXPECT_EQ(lines[2], "#MapRev=1");
    EXPECT_EQ(lines[3],
              "000010"
              "00070E151C232A31383F464D545B6269");
    EXPECT_EQ(lines.back().substr(0, 6), "471010");
    for (size_t i = 3; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 38u) << i;
        char address[5];
        std::snprintf(address, sizeof address, "%04X", static_cast<unsigned>((i - 3) * 16));
        ASSERT_EQ(lines[i].substr(0, 4), address);
    }
}

TEST_F(ClnFileTest, LinesBreakOnSixteenByteBoundaries) {
    image_.Fill(0xAB);
    const AddressRange list[] = {
        {0x0005, 0x0014}, {0x0020, 0x0020}, {0x7FFF, 0x8000}, {0x0030, 0x0030}, kEndOfRanges};
    auto lines = SplitCrLf(file_.FormatText(list));
    ASSERT_EQ(lines.size(), 6u);  // the walk stops at the pair outside the image
    EXPECT_EQ(lines[3], "00050BABABABABABABABABABABAB");
    EXPECT_EQ(lines[4], "001005ABABABABAB");
    EXPECT_EQ(lines[5], "002001AB");
}

TEST_F(ClnFileTest, CommentTakesPrintableImageBytes) {
    image_.Fill(0);
    EXPECT_EQ(cmcClnFile::CommentFromImage(image_), "");
    const char bytes[16] = {'\t', 'A', 'B', '\x80', 'C', ' ', '\x7F', ' '};
    for (int i = 0; i < 16; ++i) image_.SetByte(0x0F1B + i, static_cast<uint8_t>(bytes[i]));
    EXPECT_EQ(cmcClnFile::CommentFromImage(image_), " AB C");
    // A comment set by hand cannot break the file into extra lines.
    file_.SetComment("one\r\n000101FF");
    EXPECT_EQ(SplitCrLf(file_.FormatText(kDocumentRanges))[1], "#Comment=one  000101FF");
}

TEST_F(ClnFileTest, ReadRestoresWhatWasWritten) {
    ASSERT_EQ(file_.Write(path_, kDocumentRanges), FileError::kNone);
    cmcEeprom copy;
    copy.SetSize(cmcEeprom::kImageSize);
    cmcClnFile reader;
    reader.Attach(&copy);
    reader.SetCodes(0x3715, 0x0001);
    reader.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
    EXPECT_EQ(reader.Read(path_, kDocumentRanges), FileError::kNone);
    EXPECT_EQ(reader.MapRevision(), 1);
    for (int a = 0; a <= 0x471F; ++a) ASSERT_EQ(copy.GetByte(a), image_.GetByte(a)) << a;
    EXPECT_EQ(copy.GetByte(0x4720), 0);  // outside the document, untouched
    EXPECT_TRUE(prompter_.shown().empty());
}

// LF or CR LF, any order, later lines win, lower-case hex in data lines, and without a list no
// coverage check until the caller asks for one.
TEST_F(ClnFileTest, ReaderTakesLinesInAnyOrderAndForm) {
    image_.Fill(0);
    const std::string text = "37150001\n#MapRev=1\r\n000202ab0c\n000001FF\r\n000101EE\n000201CD\n";
    EXPECT_EQ(file_.ReadText(text, nullptr), FileError::kNone);
    EXPECT_EQ(image_.GetByte(0), 0xFF);
    EXPECT_EQ(image_.GetByte(1), 0xEE);
    EXPECT_EQ(image_.GetByte(2), 0xCD);
    EXPECT_EQ(image_.GetByte(3), 0x0C);
    const AddressRange four[] = {{0, 3}, kEndOfRanges};
    const AddressRange three[] = {{0, 2}, kEndOfRanges};
    const AddressRange five[] = {{0, 4}, kEndOfRanges};
    EXPECT_EQ(file_.CheckCoverage(four), FileError::kNone);
    EXPECT_EQ(file_.CheckCoverage(three), FileError::kData);
    EXPECT_EQ(file_.CheckCoverage(five), FileError::kCoverage);
    EXPECT_EQ(file_.CheckCoverage(nullptr), FileError::kCoverage);
}

// Every bad file is refused with its code, leaves the image exactly as it was and shows one box.
TEST_F(ClnFileTest, BadFilesChangeNothing) {
    const std::string good = DocumentText();
    const std::string head = "37150001\r\n#Comment=\r\n#MapRev=1\r\n";
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    std::string withoutLastEnd = good.substr(0, good.size() - 2);
    std::string missingByte = good;
    missingByte.replace(missingByte.find("\r\n471010"), 40, "\r\n47100F" + std::string(30, '0'));
    std::mt19937 rng(7);
    std::string noise(4000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());

    struct Case {
        const char* name;
        std::string text;
        FileError code;
    } cases[] = {
        {"letter in header", replaced("37150001", "3715000A"), FileError::kFormat},
        {"lower-case header", "3715000a\r\n#MapRev=1\r\n000001FF\r\n", FileError::kFormat},
        {"short header", replaced("37150001", "3715001"), FileError::kFormat},
        {"header without line end", "37150001", FileError::kFormat},
        {"other sub-code", replaced("37150001", "37150002"), FileError::kExtra},
        {"other model", replaced("37150001", "37160001"), FileError::kModel},
        {"empty file", "", FileError::kFormat},
        {"no revision line", replaced("#MapRev=1\r\n", ""), FileError::kMapRev},
        {"revision after data", head.substr(0, 21) + "000001FF\r\n#MapRev=1\r\n",
         FileError::kMapRev},
        {"revision 2", replaced("#MapRev=1", "#MapRev=2"), FileError::kMapRev},
        {"revision without digits", replaced("#MapRev=1", "#MapRev=x1"), FileError::kMapRev},
        {"four-digit data line", head + "0000\r\n", FileError::kFormat},
        {"empty line", head + "\r\n", FileError::kFormat},
        {"count 16 with 15 bytes", head + "000010" + std::string(30, '0') + "\r\n",
         FileError::kFormat},
        {"non-hex digit", head + "000001FG\r\n", FileError::kFormat},
        {"odd length ending in a non-hex digit", head + "000001FFG\r\n", FileError::kFormat},
        {"odd length", head + "000001FF0\r\n", FileError::kFormat},
        {"NUL in data line",
         head + std::string("0000\0"
                            "01FF\r\n",
                            11),
         FileError::kFormat},
        {"NUL in header",
         std::string("3715\0"
                     "001\r\n",
                     10),
         FileError::kFormat},
        {"line longer than the buffer", head + "0000FF" + std::string(800, 'A') + "\r\n",
         FileError::kFormat},
        {"past the image end", head + "7FFF020000\r\n", FileError::kData},
        {"beyond the document", good + "47200100\r\n", FileError::kData},
        {"one byte missing", missingByte, FileError::kCoverage},
        {"last line without line end", withoutLastEnd, FileError::kFormat},
        {"random bytes", noise, FileError::kFormat},
        {"NUL bytes", std::string(100, '\0'), FileError::kFormat},
    };
    cmcEeprom before;
    before.Assign(image_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(path_, c.text);
        EXPECT_EQ(file_.Read(path_, kDocumentRanges), c.code);
        EXPECT_TRUE(image_.Equals(before));
        ExpectReported(c.code);
    }

    EXPECT_EQ(file_.Read(dir_, kDocumentRanges), FileError::kFileOpen);
    ExpectReported(FileError::kFileOpen);
    EXPECT_EQ(file_.Read(dir_ + "/missing.cln", kDocumentRanges), FileError::kFileOpen);
    ExpectReported(FileError::kFileOpen);
    file_.SetRevisionCheck(nullptr, nullptr);
    EXPECT_EQ(file_.ReadText(good, kDocumentRanges), FileError::kMapRev);
    EXPECT_TRUE(image_.Equals(before));
}

TEST_F(ClnFileTest, LowerCaseDataAndLongRemarksAreAccepted) {
    for (int a = 0x4720; a < image_.Size(); ++a) image_.SetByte(a, 0);  // not in the file
    std::string text = DocumentText();
    for (size_t i = text.find("#MapRev"); i < text.size(); ++i)
        if (text[i] >= 'A' && text[i] <= 'F') text[i] = static_cast<char>(text[i] - 'A' + 'a');
    // A remark longer than any data line is still one remark, whatever it holds.
    text.replace(text.find("#Comment="), 9, "#Comment=" + std::string(900, ' ') + "00000100");
    cmcEeprom expected;
    expected.Assign(image_);
    image_.Fill(0);
    EXPECT_EQ(file_.ReadText(text, kDocumentRanges), FileError::kNone);
    EXPECT_TRUE(image_.Equals(expected));
}

TEST_F(ClnFileTest, FailedWriteKeepsThePreviousFile) {
    ASSERT_EQ(file_.Write(path_, kDocumentRanges), FileError::kNone);
    const std::string previous = ReadFile(path_);
    image_.Fill(0x11);
    struct Case {
        platform::WriteFault fault;
        FileError code;
    } cases[] = {
        {platform::WriteFault::Open, FileError::kFileOpen},
        {platform::WriteFault::Write, FileError::kFileAccess},
        {platform::WriteFault::Rename, FileError::kFileAccess},
    };
    for (const auto& c : cases) {
        platform::InjectWriteFault(c.fault);
        EXPECT_EQ(file_.Write(path_, kDocumentRanges), c.code);
        EXPECT_EQ(ReadFile(path_), previous);
        ExpectWriteReported(path_);
    }
    EXPECT_EQ(file_.Write(dir_, kDocumentRanges), FileError::kFileOpen);
    ExpectWriteReported(dir_);
    EXPECT_EQ(file_.Write(dir_ + "/no/folder.cln", kDocumentRanges), FileError::kFileOpen);
    ExpectWriteReported(dir_ + "/no/folder.cln");
}

TEST_F(ClnFileTest, ReportShowsNothingForSuccessOrUnknownCodes) {
    for (int code : {0, 10, -1}) ReportFileError(static_cast<FileError>(code));
    EXPECT_TRUE(prompter_.shown().empty());
    for (int code = 1; code <= 9; ++code) ExpectReported(static_cast<FileError>(code));
}

// The maps follow the image when it is resized after being attached.
TEST_F(ClnFileTest, ReadsIntoAnImageResizedAfterAttach) {
    image_.SetSize(64);
    EXPECT_EQ(file_.ReadText("37150001\n#MapRev=1\n003F01AA\n", nullptr), FileError::kNone);
    EXPECT_EQ(image_.GetByte(0x3F), 0xAA);
    EXPECT_EQ(file_.ReadText("37150001\n#MapRev=1\n004001AA\n", nullptr), FileError::kData);
}

}  // namespace
