// Printing through the real code path into PDF files, read back with pdftotext: the cells of a
// test image and the page frame, pages cut by columns, nothing left behind on failure, the
// command line, and the print preview driven as a user drives it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/ScopedInstall.h"
#include "gui/AppSession.h"
#include "gui/TForm1.h"
#include "gui/cuiPreview.h"
#include "gui/cuiPrinter.h"
#include "platform/AtomicFile.h"
#include "platform/qt/QtClock.h"
#include "radio/CellDispatchHost.h"
#include "support/ScriptedPrompter.h"

namespace fs = std::filesystem;

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

// Pictures of windows for people to look at, when KELDA_SCREENSHOT_DIR names a folder.
void Shot(QWidget* w, const char* name) {
    if (const char* dir = std::getenv("KELDA_SCREENSHOT_DIR"))
        w->grab().save(QString(dir) + '/' + name + ".png");
}

std::string Capture(const std::string& command, int* status = nullptr) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        const int rc = pclose(p);
        if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

// The text of one page (from 1), or of all pages.
std::string PdfText(const std::string& path, int page = 0) {
    std::string range =
        page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : std::string();
    return Capture("pdftotext -layout" + range + " '" + path + "' - 2>/dev/null");
}

int PdfPages(const std::string& path) {
    const std::string info = Capture("pdfinfo '" + path + "' 2>/dev/null");
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Printing : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { qapp_ = new QApplication(gArgc, gArgv); }
    static void TearDownTestSuite() {
        delete qapp_;
        qapp_ = nullptr;
    }

    void SetUp() override {
        char tmpl[] = "/tmp/kelda-print-XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        session_ = std::make_unique<AppSession>(KELDA_BIN_DIR, dir_ + "/settings.conf", 1280, 800);
        ASSERT_TRUE(session_->FirstInstance());
        printer_ = std::make_unique<cuiPrinter>(nullptr, &session_->App());
    }
    void TearDown() override {
        cuiPrinter::SetSetupDialog(nullptr);
        printer_.reset();
        session_.reset();
        fs::remove_all(dir_);
    }

    // A clone file with a renamed channel 16 and a stored contact, made by kelda-cli.
    std::string TestImage() {
        const std::string file = dir_ + "/boat.kcf";
        fs::copy_file(std::string(KELDA_BIN_DIR) + "/KELDA02.kcf", file);
        int status = -1;
        Capture(std::string(KELDA_BIN_DIR) + "/kelda-cli set '" + file +
                    "' 'CT_IntCh.CL_ChList_Comment[16]=MAYDAY ZZ' "
                    "'CT_DscIndId.CL_DscIndId_Id[0]=235123456' "
                    "'CT_DscIndId.CL_DscIndId_Comment[0]=OCEAN STAR' 2>&1",
                &status);
        EXPECT_EQ(status, 0);
        return file;
    }

    // The set-up dialog answered with a PDF file as the destination.
    void SetUpToPdf(const std::string& path) {
        cuiPrinter::SetSetupDialog([path](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(path));
            return true;
        });
    }

    // Runs `act` on the preview once it is shown (the print command waits in it).
    void WhenPreviewShows(std::function<void(cuiPreview&)> act) {
        QTimer::singleShot(0, [this, act] {
            cuiPreview* preview = printer_->Preview();
            ASSERT_NE(preview, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
            QApplication::processEvents();
            act(*preview);
            if (preview->isVisible()) preview->reject();
        });
    }

    static QApplication* qapp_;
    platform::QtClock clock_;
    ScopedInstall<platform::InstallClock> clockSlot_{&clock_};
    std::string dir_;
    std::unique_ptr<AppSession> session_;
    std::unique_ptr<cuiPrinter> printer_;
};
QApplication* Printing::qapp_ = nullptr;

TEST_F(Printing, ThePdfHoldsTheCellsOfTheImageUnderThePageFrame) {
    ASSERT_EQ(session_->App().OpenFile(TestImage()), 0);
    const std::string out = dir_ + "/boat.pdf";
    std::string reason;
    const int pages = printer_->WritePdf({"GI_Sheet_IntCh", "GI_Sheet_DscIndId"}, out, &reason);
    ASSERT_GT(pages, 2) << reason;
    EXPECT_EQ(PdfPages(out), pages);
    const std::string all = PdfText(out);
    EXPECT_TRUE(Has(all, "MAYDAY ZZ"));
    EXPECT_TRUE(Has(all, "235123456"));
    EXPECT_TRUE(Has(all, "OCEAN STAR"));
    EXPECT_TRUE(Has(PdfText(out, 1), "International Channels"));
    EXPECT_TRUE(Has(PdfText(out, pages), "Individual MMSIs"));
    for (int p = 1; p <= pages; ++p) {
        const std::string page = PdfText(out, p);
        EXPECT_TRUE(Has(page, "KELDA 1.0.0")) << "page " << p;
        EXPECT_TRUE(Has(page, "Vexa Inc.")) << "page " << p;
    }
}

// With the channel lists showing usable channels only, the printed lists hold only those rows.
TEST_F(Printing, ChannelListsPrintAsTheViewShowsThem) {
    ASSERT_EQ(session_->App().OpenFile(TestImage()), 0);
    int pages[2] = {0, 0};
    std::string text[2];
    for (bool usableOnly : {false, true}) {
        Environ().chListView = usableOnly;
        const std::string out = dir_ + (usableOnly ? "/usable.pdf" : "/all.pdf");
        std::string reason;
        pages[usableOnly] = printer_->WritePdf({"GI_Sheet_IntCh"}, out, &reason);
        ASSERT_GT(pages[usableOnly], 0) << reason;
        text[usableOnly] = PdfText(out);
    }
    Environ().chListView = false;
    EXPECT_LT(pages[1], pages[0]);
    EXPECT_TRUE(Has(text[0], "Not used"));
    EXPECT_FALSE(Has(text[1], "Not used"));
    EXPECT_TRUE(Has(text[1], "MAYDAY ZZ"));
}

// On a page too narrow for the channel list its columns go on several pages, each with the
// channel number column again, and the rows of one row block on each of them.
TEST_F(Printing, ANarrowPageCutsTheSheetIntoColumnBlocks) {
    std::string reason;
    const std::string a4 = dir_ + "/a4.pdf", narrow = dir_ + "/narrow.pdf";
    const int wide = printer_->WritePdf({"GI_Sheet_IntCh"}, a4, &reason);
    const int pages = printer_->WritePdf({"GI_Sheet_IntCh"}, narrow, &reason, 100, 297);
    ASSERT_GT(wide, 0);
    ASSERT_EQ(pages % wide, 0) << pages << " narrow pages, " << wide << " wide";
    const int blocks = pages / wide;
    ASSERT_GE(blocks, 2);
    EXPECT_EQ(PdfPages(narrow), pages);
    // Pages go row block by row block, the column blocks side by side inside each.
    for (int rowBlock = 0; rowBlock < wide; ++rowBlock) {
        const std::string first = PdfText(narrow, rowBlock * blocks + 1);
        const std::string last = PdfText(narrow, rowBlock * blocks + blocks);
        for (const std::string& page : {first, last}) {
            EXPECT_TRUE(Has(page, "Channel"));
            EXPECT_TRUE(Has(page, "International Channels"));
        }
        EXPECT_TRUE(Has(first, "In Use"));
        EXPECT_FALSE(Has(first, "Name"));
        EXPECT_TRUE(Has(last, "Name"));
        EXPECT_FALSE(Has(last, "In Use"));
    }
    EXPECT_TRUE(Has(PdfText(narrow, 1), " 16 "));
    EXPECT_TRUE(Has(PdfText(narrow, blocks), " 16 "));
    EXPECT_TRUE(Has(PdfText(narrow, blocks), "DISTRESS"));
}

TEST_F(Printing, AFailedPdfLeavesNothingBehind) {
    const std::string kept = dir_ + "/kept.pdf";
    std::ofstream(kept) << "the old file";
    fs::create_directory(dir_ + "/folder");
    struct Case {
        const char* what;
        std::vector<std::string> sheets;
        std::string path;
        platform::WriteFault fault;
        cuiPrinter::Result result;
    } cases[] = {
        {"a folder",
         {"GI_Sheet_IntCh"},
         dir_ + "/folder",
         platform::WriteFault::None,
         cuiPrinter::Result::kCannotOpen},
        {"a missing folder",
         {"GI_Sheet_IntCh"},
         dir_ + "/none/x.pdf",
         platform::WriteFault::None,
         cuiPrinter::Result::kCannotOpen},
        {"no printable sheet",
         {"GI_Sheet_CloneInfo"},
         dir_ + "/info.pdf",
         platform::WriteFault::None,
         cuiPrinter::Result::kNoPages},
        {"a disk that fills",
         {"GI_Sheet_IntCh"},
         kept,
         platform::WriteFault::Write,
         cuiPrinter::Result::kWriteFailed},
    };
    for (const Case& c : cases) {
        const size_t entries = std::distance(fs::directory_iterator(dir_), {});
        platform::InjectWriteFault(c.fault);
        std::string reason;
        EXPECT_EQ(printer_->WritePdf(c.sheets, c.path, &reason), -1) << c.what;
        EXPECT_EQ(printer_->LastResult(), c.result) << c.what;
        EXPECT_FALSE(reason.empty()) << c.what;
        platform::InjectWriteFault(platform::WriteFault::None);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), entries) << c.what;
    }
    EXPECT_TRUE(fs::is_directory(dir_ + "/folder"));
    std::ifstream in(kept);
    std::string old((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(old, "the old file");
}

TEST_F(Printing, TheCommandLinePrintsWithoutAWindow) {
    const std::string image = TestImage();
    const std::string kelda = std::string(KELDA_BIN_DIR) + "/kelda";
    const std::string garbage = dir_ + "/garbage.kcf";
    std::ofstream(garbage) << "not a clone file\n";
    fs::create_directory(dir_ + "/folder");
    struct Case {
        std::string args;
        int status;
        std::string output;  // checked to exist (status 0) or not to exist
    } cases[] = {
        {"--print '" + image + "' --pdf '" + dir_ + "/one.pdf' --sheet DscIndId", 0,
         dir_ + "/one.pdf"},
        {"--print '" + image + "' --pdf '" + dir_ + "/all.pdf' --all", 0, dir_ + "/all.pdf"},
        {"--print '" + image + "' --pdf '" + dir_ + "/x.pdf' --sheet NoSuchSheet", 4,
         dir_ + "/x.pdf"},
        {"--print '" + garbage + "' --pdf '" + dir_ + "/y.pdf'", 16, dir_ + "/y.pdf"},
        {"--print '" + dir_ + "/missing.kcf' --pdf '" + dir_ + "/z.pdf'", 11, dir_ + "/z.pdf"},
        {"--print '" + image + "' --pdf '" + dir_ + "/folder'", 11, dir_ + "/folder/boat.pdf"},
        {"--print '" + image + "' --pdf '" + image + "'", 2, ""},
        {"--print '" + image + "' --pdf '" + dir_ + "/w.pdf' --all --sheet IntCh", 2,
         dir_ + "/w.pdf"},
        // An empty sheet name (a script's unset variable) is no sheet, not every sheet.
        {"--print '" + image + "' --pdf '" + dir_ + "/e.pdf' --sheet ''", 2, dir_ + "/e.pdf"},
        {"--print '" + image + "'", 2, ""},
    };
    const auto imageBefore = fs::file_size(image);
    for (const Case& c : cases) {
        int status = -1;
        // No display: the command must not need one.
        Capture("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + kelda + " " + c.args +
                    " >/dev/null 2>&1",
                &status);
        EXPECT_EQ(status, c.status) << c.args;
        if (!c.output.empty()) {
            EXPECT_EQ(fs::exists(c.output), c.status == 0) << c.args;
        }
    }
    EXPECT_EQ(fs::file_size(image), imageBefore);
    EXPECT_TRUE(Has(PdfText(dir_ + "/one.pdf"), "OCEAN STAR"));
    EXPECT_TRUE(Has(PdfText(dir_ + "/all.pdf"), "MAYDAY ZZ"));
}

// --- the print command with its preview ---

TEST_F(Printing, OnAOnePageJobEveryMoveIsDisabled) {
    const std::string out = dir_ + "/one.pdf";
    SetUpToPdf(out);
    const std::string sheet = printer_->TreeSheetNames().front();
    bool seen = false;
    WhenPreviewShows([&](cuiPreview& p) {
        seen = true;
        ASSERT_EQ(p.PageCount(), 1);
        for (QToolButton* b : {p.TopButton(), p.PreviousButton(), p.NextButton(), p.LastButton()})
            EXPECT_FALSE(b->isEnabled());
        EXPECT_EQ(p.StatusPanel()->text(), QStringLiteral(" 1 / 1"));
        EXPECT_EQ(p.CountLabel()->text(), QStringLiteral(" / 1"));
        Shot(&p, "print-preview-settings-sheet");
    });
    printer_->Print(false, sheet);
    EXPECT_TRUE(seen);
    // Closed without the print button: nothing printed.
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(Printing, ThePreviewPagesThroughTheJob) {
    const std::string out = dir_ + "/list.pdf";
    SetUpToPdf(out);
    int pages = 0;
    WhenPreviewShows([&](cuiPreview& p) {
        pages = p.PageCount();
        ASSERT_GE(pages, 3);
        auto typed = [&](const char* text) {
            p.PageField()->clear();
            QTest::keyClicks(p.PageField(), text);
            QTest::keyClick(p.PageField(), Qt::Key_Return);
            return p.Current();
        };
        EXPECT_EQ(typed("9"), std::min(9, pages) - 1);
        EXPECT_EQ(typed("0"), 0);
        EXPECT_EQ(typed("2"), 1);
        // Letters never reach the field.
        EXPECT_EQ(typed("x3"), 2);
        EXPECT_EQ(p.PageField()->text(), QStringLiteral("3"));
        QTest::keyClick(p.PageField(), Qt::Key_PageDown);
        EXPECT_EQ(p.Current(), 3);
        QTest::keyClick(p.PageField(), Qt::Key_Up);
        EXPECT_EQ(p.Current(), 2);
        p.LastButton()->click();
        EXPECT_EQ(p.Current(), pages - 1);
        EXPECT_FALSE(p.NextButton()->isEnabled());
        EXPECT_TRUE(p.PreviousButton()->isEnabled());
        p.NextPage();
        EXPECT_EQ(p.Current(), pages - 1);
        EXPECT_EQ(p.StatusPanel()->text(), QStringLiteral(" %1 / %1").arg(pages));
        p.TopButton()->click();
        EXPECT_EQ(p.Current(), 0);
        // Zoomed, Up and Down scroll instead of paging.
        p.SetZoomed(true);
        QTest::keyClick(p.PageField(), Qt::Key_Down);
        EXPECT_EQ(p.Current(), 0);
        Shot(&p, "print-preview-channel-list");
        p.PrintButton()->click();
    });
    printer_->Print(false, "GI_Sheet_IntCh");
    ASSERT_GT(pages, 0);
    EXPECT_EQ(PdfPages(out), pages);
    EXPECT_TRUE(Has(PdfText(out, 1), "International Channels"));
}

TEST_F(Printing, ASmallerPrinterFontPaginatesAgainFromTheFirstPage) {
    SetUpToPdf(dir_ + "/unused.pdf");
    Environ().printerFontSize = 12;
    int before = 0, after = 0, current = -1;
    WhenPreviewShows([&](cuiPreview& p) {
        before = p.PageCount();
        p.LastPage();
        QTimer::singleShot(0, [&p] {
            auto* list = p.SettingsDialog()->findChild<QComboBox*>("fontSize");
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->currentText(), QStringLiteral("12 pt"));
            Shot(p.SettingsDialog(), "print-preview-setting");
            list->setCurrentIndex(0);  // 8 points
            for (auto* b : p.SettingsDialog()->findChildren<QPushButton*>())
                if (b->isDefault()) b->click();
        });
        p.SettingButton()->click();
        after = p.PageCount();
        current = p.Current();
    });
    printer_->Print(false, "GI_Sheet_IntCh");
    EXPECT_EQ(Environ().printerFontSize, 8);
    EXPECT_LT(after, before);
    EXPECT_EQ(current, 0);
}

// Print all: the sheets go one per tick under the printing dialog; a cancel ends the document
// after the sheet being printed, and the PDF holds what was printed until then.
TEST_F(Printing, PrintAllRunsSheetBySheetAndCanBeCancelled) {
    const std::string out = dir_ + "/all.pdf";
    SetUpToPdf(out);
    int previewPages = 0;
    WhenPreviewShows([&](cuiPreview& p) {
        previewPages = p.PageCount();
        p.PrintButton()->click();
    });
    printer_->Print(true, {});
    ASSERT_TRUE(printer_->PrintingAll());
    ASSERT_NE(printer_->PrintingDialog(), nullptr);
    Shot(printer_->PrintingDialog(), "printing-dialog");
    for (int i = 0; i < 500 && printer_->PrintingAll(); ++i) QTest::qWait(10);
    EXPECT_FALSE(printer_->PrintingAll());
    EXPECT_EQ(PdfPages(out), previewPages);
    // No sheet of the tree is left out, and the radio information sheet is not printed.
    const std::string text = PdfText(out);
    EXPECT_TRUE(Has(text, "International Channels"));
    EXPECT_TRUE(Has(text, "Individual MMSIs"));

    const std::string cancelled = dir_ + "/cancelled.pdf";
    SetUpToPdf(cancelled);
    WhenPreviewShows([&](cuiPreview& p) { p.PrintButton()->click(); });
    printer_->Print(true, {});
    ASSERT_TRUE(printer_->PrintingAll());
    QTest::qWait(60);  // a tick: one sheet printed
    ASSERT_TRUE(printer_->PrintingAll());
    printer_->PrintingDialog()->findChild<QPushButton*>("cancel")->click();
    for (int i = 0; i < 500 && printer_->PrintingAll(); ++i) QTest::qWait(10);
    EXPECT_FALSE(printer_->PrintingAll());
    const int printed = PdfPages(cancelled);
    EXPECT_GT(printed, 0);
    EXPECT_LT(printed, previewPages);

    // Cancelled before the first sheet: no blank page replaces the file already there.
    const std::string early = dir_ + "/early.pdf";
    std::ofstream(early) << "the old file";
    SetUpToPdf(early);
    WhenPreviewShows([&](cuiPreview& p) { p.PrintButton()->click(); });
    printer_->Print(true, {});
    ASSERT_TRUE(printer_->PrintingAll());
    printer_->PrintingDialog()->findChild<QPushButton*>("cancel")->click();
    for (int i = 0; i < 500 && printer_->PrintingAll(); ++i) QTest::qWait(10);
    EXPECT_FALSE(printer_->PrintingAll());
    std::ifstream in(early);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "the old file");
}

// The pages the set-up dialog asks for are the pages printed, counted across the sheets of the
// job as the preview counts them; a range past the end prints what there is of it.
TEST_F(Printing, OnlyThePagesOfTheRangeAskedForArePrinted) {
    const struct { int from, to; } ranges[] = {{2, 3}, {1, 1}, {4, 9999}};
    for (const auto& r : ranges) {
        const std::string out = dir_ + "/range-" + std::to_string(r.from) + ".pdf";
        cuiPrinter::SetSetupDialog([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(out));
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(r.from, r.to);
            return true;
        });
        int previewPages = 0;
        QString lastPage;
        WhenPreviewShows([&](cuiPreview& p) {
            previewPages = p.PageCount();
            p.PrintButton()->click();
        });
        printer_->Print(true, {});
        for (int i = 0; i < 500 && printer_->PrintingAll(); ++i) QTest::qWait(10);
        ASSERT_GE(previewPages, 5);
        const int wanted = std::min(r.to, previewPages) - r.from + 1;
        EXPECT_EQ(PdfPages(out), wanted) << r.from << "-" << r.to;
    }
    // A single sheet keeps its own count.
    const std::string one = dir_ + "/one.pdf";
    cuiPrinter::SetSetupDialog([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(one));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        return true;
    });
    WhenPreviewShows([&](cuiPreview& p) { p.PrintButton()->click(); });
    printer_->Print(false, "GI_Sheet_IntCh");
    EXPECT_EQ(PdfPages(one), 1);
}

// Where no printer is set up a PDF file is offered, named after the program; a cancelled set-up
// prints nothing; what was chosen is offered again for the next job.
TEST_F(Printing, APdfFileIsOfferedAndTheSetUpIsKept) {
    QString offered;
    QPrinter::OutputFormat format = QPrinter::NativeFormat;
    cuiPrinter::SetSetupDialog([&](QPrinter& printer, QWidget*) {
        format = printer.outputFormat();
        offered = printer.outputFileName();
        return false;  // cancelled
    });
    printer_->Print(false, "GI_Sheet_IntCh");
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_EQ(format, QPrinter::PdfFormat);
        EXPECT_TRUE(offered.endsWith(QStringLiteral("/KELDA.pdf"))) << offered.toStdString();
    }
    EXPECT_EQ(printer_->Preview(), nullptr);

    const std::string out = dir_ + "/kept.pdf";
    SetUpToPdf(out);
    WhenPreviewShows([](cuiPreview&) {});  // closed without printing
    printer_->Print(false, "GI_Sheet_IntCh");
    cuiPrinter::SetSetupDialog([&](QPrinter& printer, QWidget*) {
        offered = printer.outputFileName();
        return false;
    });
    printer_->Print(false, "GI_Sheet_IntCh");
    EXPECT_EQ(offered.toStdString(), out);
    EXPECT_FALSE(fs::exists(out));
}

// The window's File menu runs the print command on the open sheet.
TEST_F(Printing, PrintSheetFromTheWindowShowsThePreview) {
    printer_.reset();
    TForm1 window(&session_->App());
    window.show();
    window.OpenSheet("GI_Sheet_IntCh");
    QApplication::processEvents();
    EXPECT_TRUE(window.CanPrintCurrent());
    SetUpToPdf(dir_ + "/window.pdf");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* preview = window.findChild<cuiPreview*>("printPreview");
        ASSERT_NE(preview, nullptr);
        shown = true;
        EXPECT_FALSE(window.isEnabled());
        preview->reject();
    });
    window.RunWindowCommand(int(AppCommand::kPrintCurrent), 0, {});
    EXPECT_TRUE(shown);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_FALSE(fs::exists(dir_ + "/window.pdf"));
}

}  // namespace
