// Every text the sheets paint reads on its background (at least 4.5:1 by WCAG's formula) under
// a light, a dark and a high-contrast palette: plain cells, the cursor's row, the selection with
// and without the focus, a drop-down chooser and the sheet's title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QStyle>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/GridModel.h"
#include "app/indMain.h"
#include "gui/AppSession.h"
#include "gui/CellPainter.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "radio/CellUi.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

QColor Rgb(uint32_t bgr) {
    return ToQColor(bgr & 0xFFFFFF);
}

struct NamedPalette {
    const char* name;
    QPalette palette;
};

QPalette Dark() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    p.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(60, 60, 60));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Light, QColor(90, 90, 90));
    p.setColor(QPalette::Mid, QColor(70, 70, 70));
    p.setColor(QPalette::Dark, QColor(25, 25, 25));
    p.setColor(QPalette::Shadow, QColor(10, 10, 10));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    return p;
}

// As the desktops' high-contrast black themes: white on black, a bright selection.
QPalette HighContrast() {
    QPalette p(QColor(0, 0, 0));
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
        p.setColor(role, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, Qt::white);
    p.setColor(QPalette::Highlight, QColor(26, 235, 255));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(63, 242, 63));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(63, 242, 63));
    return p;
}

std::vector<NamedPalette> Palettes() {
    return {{"light", QApplication::style()->standardPalette()},
            {"dark", Dark()},
            {"high contrast", HighContrast()}};
}

std::string Describe(const QColor& text, const QColor& back) {
    return text.name().toStdString() + " on " + back.name().toStdString() + " (" +
           std::to_string(ContrastRatio(text, back)) + ":1)";
}

TEST(Contrast, RatiosFollowWcagAndReadableColoursChangeOnlyWhatFails) {
    int argc = 1;
    QApplication app(argc, gArgv);
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
    EXPECT_NEAR(ContrastRatio(Qt::red, Qt::red), 1.0, 1e-9);

    // Readable pairs stay exactly as they are.
    EXPECT_EQ(ReadableOn(Qt::black, Qt::white), QColor(Qt::black));
    EXPECT_EQ(ReadableOn(Rgb(0x800000), QColor(239, 239, 239)), Rgb(0x800000));  // navy
    EXPECT_EQ(ReadableOn(Qt::white, Qt::black), QColor(Qt::white));

    // Olive read-only text on white falls just short: it darkens a little and stays olive.
    const QColor olive = Rgb(cellcolor::kOlive);
    const QColor fixed = ReadableOn(olive, Qt::white);
    EXPECT_GE(ContrastRatio(fixed, Qt::white), kReadableContrast);
    EXPECT_LT(ContrastRatio(fixed, Qt::white), kReadableContrast + 0.2);
    EXPECT_GT(fixed.red(), 100);
    EXPECT_EQ(fixed.red(), fixed.green());
    EXPECT_EQ(fixed.blue(), 0);

    // Every fixed colour a cell's text may take, on every background the grid fills with,
    // comes out readable: dark text on a dark face turns light, light on light turns dark.
    const QColor texts[] = {olive,         Rgb(cellcolor::kSilver), Rgb(cellcolor::kRed),
                            Rgb(0x800000), Rgb(0x000080),           Qt::white,
                            Qt::black,     QColor(128, 128, 128),   QColor(127, 127, 127)};
    for (const NamedPalette& p : Palettes())
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Highlight, QPalette::Window})
            for (const QColor& text : texts) {
                const QColor back = p.palette.color(role);
                const QColor out = ReadableOn(text, back);
                EXPECT_GE(ContrastRatio(out, back), kReadableContrast)
                    << p.name << ": " << Describe(text, back) << " became " << Describe(out, back);
            }
    const QColor navyOnDark = ReadableOn(Rgb(0x800000), QColor(60, 60, 60));
    EXPECT_GT(navyOnDark.lightness(), 128);
    EXPECT_GT(navyOnDark.blue(), navyOnDark.red());  // still blue
}

class SheetContrast : public testing::Test {
  protected:
    void SetUp() override {
        app_ = std::make_unique<QApplication>(gArgc, gArgv);
        char tmpl[] = "/tmp/kelda-contrast-XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        session_ = std::make_unique<AppSession>(KELDA_BIN_DIR, dir_ + "/settings.conf", 1280, 800);
        ASSERT_TRUE(session_->FirstInstance());
        session_->App().Model().ChangeModel(2, false);
        window_ = std::make_unique<TForm1>(&session_->App());
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override {
        window_.reset();
        session_.reset();
        app_.reset();
        RemoveTree(dir_);
    }

    // Every text of the grid in each way a cell is drawn; failures as readable lines.
    void Sweep(const std::string& where, cuiGrid& grid, bool chooser,
               std::vector<std::string>& failures, int& checked) {
        GridModel& m = *grid.Model();
        const auto check = [&](int c, int r, const CellPaintOptions& o, const char* state) {
            const CellRectangle cr = m.CellRect(c, r);
            const CellLook look = LookOfCell(
                m, c, r, QRect(QPoint(cr.left, cr.top), QPoint(cr.right - 1, cr.bottom - 1)), o);
            if (look.text.find_first_not_of(" \n") == std::string::npos) return;
            ++checked;
            if (ContrastRatio(look.pen, look.back) >= kReadableContrast) return;
            failures.push_back(where + " row " + std::to_string(r) + " column " +
                               std::to_string(c) + " " + state + " \"" + look.text +
                               "\": " + Describe(look.pen, look.back));
        };
        CellPaintOptions focused, unfocused;
        focused.chooser = unfocused.chooser = chooser;
        unfocused.focused = false;
        for (int r = 0; r < m.RowCount(); ++r) {
            // The cursor on this row (the cursor's row is tinted on some sheets), else as is.
            for (int c = m.FixedCols(); c < m.ColumnCount(); ++c)
                if (m.CellAt(c, r).Selectable) {
                    m.SelectCell(c, r);
                    break;
                }
            for (int c = 0; c < m.ColumnCount(); ++c) {
                check(c, r, focused, "focused");
                check(c, r, unfocused, "unfocused");
            }
        }
    }

    std::unique_ptr<QApplication> app_;
    std::string dir_;
    test::ScriptedPrompter prompts_;
    std::unique_ptr<AppSession> session_;
    std::unique_ptr<TForm1> window_;
};

TEST_F(SheetContrast, EveryTextOfEverySheetReadsUnderLightDarkAndHighContrastPalettes) {
    std::vector<std::string> references;
    for (const auto& node : session_->App().Tree().Nodes())
        if (!node.SheetReference().empty()) references.push_back(node.SheetReference());
    ASSERT_GT(references.size(), 8u);
    const auto checkTitle = [](cuiSheet& sheet, const std::string& where,
                               std::vector<std::string>& failures) {
        for (QLabel* title : sheet.findChildren<QLabel*>())
            if (title->isVisible() && !title->text().isEmpty()) {
                const QColor text = title->palette().color(QPalette::WindowText);
                const QColor back = title->palette().color(QPalette::Window);
                if (ContrastRatio(text, back) < kReadableContrast)
                    failures.push_back(where + " title: " + Describe(text, back));
            }
    };
    for (const NamedPalette& p : Palettes()) {
        // The sheet open as the palette changes follows it at once.
        QApplication::setPalette(p.palette);
        QApplication::processEvents();
        std::vector<std::string> failures;
        int checked = 0;
        if (auto* open = dynamic_cast<cuiSheet*>(window_->CurrentSheet())) {
            EXPECT_EQ(open->Grid()->viewport()->palette().color(QPalette::Window),
                      p.palette.color(QPalette::Base))
                << p.name;
            checkTitle(*open, "open sheet", failures);
        }
        for (const std::string& reference : references) {
            window_->OpenSheet(reference);
            QApplication::processEvents();
            auto* sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
            if (!sheet) continue;
            Sweep(reference, *sheet->Grid(), false, failures, checked);
            checkTitle(*sheet, reference, failures);
        }
        // A drop-down chooser: the Tri watch choices of the Functions sheet.
        window_->OpenSheet("GI_Sheet_ComCom");
        QApplication::processEvents();
        cuiGrid* grid = dynamic_cast<cuiSheet*>(window_->CurrentSheet())->Grid();
        GridModel& m = *grid->Model();
        for (int r = 0; r < m.RowCount(); ++r)
            for (int c = 0; c < m.ColumnCount(); ++c)
                if (m.CellAt(c, r).Label == CL_ComCom_TriWatchF) m.SelectCell(c, r);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_NE(grid->Chooser(), nullptr) << p.name;
        Sweep("chooser", *grid->Chooser()->Grid(), true, failures, checked);
        QTest::keyClick(grid->Chooser(), Qt::Key_Escape);
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            for (const char* sheet : {"GI_Sheet_ComCom", "GI_Sheet_IntCh"}) {
                window_->OpenSheet(sheet);
                QApplication::processEvents();
                window_->grab().save(QString("%1/contrast_%2_%3.png")
                                         .arg(shots, QString(p.name).replace(' ', '_'), sheet));
            }

        EXPECT_GT(checked, 5000) << p.name;
        EXPECT_TRUE(failures.empty())
            << p.name << ": " << failures.size() << " texts, first " << failures.front();
    }
}

}  // namespace
