// The sheet grid in the real window over the shipped overlay and a factory image: in-place
// editing, choosers, marking rows with the popup's row commands, markers, kept column widths,
// fixed header rows, and every shipped sheet built and painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "app/indEnviron.h"
#include "gui/AppSession.h"
#include "gui/CellPainter.h"
#include "gui/MainStatusBar.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

class GridWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        app_ = std::make_unique<QApplication>(gArgc, gArgv);
        char tmpl[] = "/tmp/kelda-grid-XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        session_ = std::make_unique<AppSession>(KELDA_BIN_DIR, dir_ + "/settings.conf", 1280, 800);
        ASSERT_TRUE(session_->FirstInstance());
        // Every international channel in use: the factory list has some that are not, and
        // those take no input.
        for (int r = 0; r < 418; ++r) {
            datCh rec = Channel(r);
            rec.flags &= uint8_t(~datCh::kUnused);
            rec.Commit();
        }
        window_ = std::make_unique<TForm1>(&session_->App());
        window_->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window_.reset();
        session_.reset();
        app_.reset();
        std::system(("rm -rf " + dir_).c_str());
    }

    cuiSheet* Open(const std::string& reference) {
        window_->OpenSheet(reference);
        QApplication::processEvents();
        cuiSheet* sheet = Sheet();
        EXPECT_NE(sheet, nullptr);
        return sheet;
    }
    cuiSheet* Sheet() { return dynamic_cast<cuiSheet*>(window_->CurrentSheet()); }
    cuiGrid* Grid() { return Sheet()->Grid(); }
    cmcGridModel& Model() { return *Grid()->Model(); }
    // What a cell shows now.
    std::string Shown(int column, int row) {
        cmcCellCapsule req;
        Model().FillPaintRequest(req, column, row, false);
        Model().Dispatcher()(req, false);
        return req.displayText;
    }
    // Row of the channel list whose channel row (item) is `index`.
    int RowOf(int index) {
        for (int r = 0; r < Model().RowCount(); ++r)
            if (Model().CellAt(1, r).Index == index) return r;
        return -1;
    }
    datCh Channel(int row) {
        datCh rec(&session_->App().WorkingImage());
        rec.Load(1, row);  // the international list
        return rec;
    }
    std::string Trimmed(std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }

    test::ManualClock clock_;
    test::ScriptedPrompter prompts_;
    std::unique_ptr<QApplication> app_;
    std::string dir_;
    std::unique_ptr<AppSession> session_;
    std::unique_ptr<TForm1> window_;
};

constexpr int kName = 6;  // columns of the channel lists
constexpr int kTag = 2;
constexpr int kInUse = 1;

TEST_F(GridWindowTest, TypingANameEditsInPlaceAndEscapeKeepsTheValue) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(5);
    Model().SelectCell(kName, row);
    const std::string before = Shown(kName, row);
    QTest::keyClicks(Grid(), "HARBOUR");
    ASSERT_NE(Grid()->Editor(), nullptr);
    ASSERT_TRUE(Grid()->Editor()->isVisible());
    // Over the cell, in the grid, not a dialog.
    EXPECT_TRUE(
        Grid()->CellRectOnScreen(kName, row).contains(Grid()->Editor()->geometry().center()));
    EXPECT_EQ(Grid()->Editor()->window(), window_.get());
    EXPECT_EQ(Grid()->Editor()->toPlainText(), "HARBOUR");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    EXPECT_FALSE(Grid()->Editor()->isVisible());
    EXPECT_EQ(Trimmed(std::string(Channel(5).name.data(), 10)), "HARBOUR");
    EXPECT_EQ(Trimmed(Shown(kName, row)), "HARBOUR");
    EXPECT_NE(Shown(kName, row), before);

    // Escape closes the editor and keeps what the cell had.
    QTest::keyClicks(Grid(), "XY");
    ASSERT_TRUE(Grid()->Editor()->isVisible());
    QTest::keyClick(Grid()->Editor(), Qt::Key_Escape);
    EXPECT_FALSE(Grid()->Editor()->isVisible());
    EXPECT_EQ(Trimmed(Shown(kName, row)), "HARBOUR");

    // Down commits and moves on.
    QTest::keyClicks(Grid(), "NORTH");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Down);
    EXPECT_EQ(Trimmed(Shown(kName, row)), "NORTH");
    EXPECT_EQ(Model().Row(), row + 1);
}

TEST_F(GridWindowTest, APastedThousandCharactersAreCutToWhatTheCellTakes) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(7);
    Model().SelectCell(kName, row);
    QTest::keyClick(Grid(), Qt::Key_Z);
    ASSERT_TRUE(Grid()->Editor()->isVisible());
    Grid()->Editor()->selectAll();
    Grid()->Editor()->insertPlainText(QString(1000, 'M') + QString(1000, 'N'));
    EXPECT_EQ(Grid()->Editor()->toPlainText().size(), cuiCellEditor::kMaxLength);
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    const std::string stored(Channel(7).name.data(), 10);
    EXPECT_EQ(stored, std::string(10, 'M'));
    EXPECT_EQ(Shown(kName, row), stored.substr(0, Shown(kName, row).size()));
}

TEST_F(GridWindowTest, AChooserUnderTheCellPicksAValue) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(9);
    Model().SelectCell(kTag, row);
    const std::string before = Shown(kTag, row);
    QTest::keyClick(Grid(), Qt::Key_Return);
    cuiChooser* chooser = Grid()->Chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    // Under the cell, as a small sheet with the current value as its cursor.
    const QPoint cellBottom =
        Grid()->viewport()->mapToGlobal(Grid()->CellRectOnScreen(kTag, row).bottomLeft());
    EXPECT_GE(chooser->geometry().top(), cellBottom.y() - 1);
    cmcGridModel& list = *chooser->Grid()->Model();
    EXPECT_TRUE(list.IsChooser());
    const int start = list.Row();
    QTest::keyClick(chooser->Grid(), Qt::Key_Down);
    EXPECT_NE(list.Row(), start);
    const std::string picked = list.CellAt(list.Column(), list.Row()).Text;
    QTest::keyClick(chooser->Grid(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Grid()->Chooser(), nullptr);
    EXPECT_NE(Shown(kTag, row), before);
    EXPECT_EQ(Trimmed(Shown(kTag, row)), Trimmed(picked));
}

TEST_F(GridWindowTest, InUseChooserSetsWhatItSays) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(11);
    ASSERT_FALSE(Channel(11).Unused());
    Model().SelectCell(kInUse, row);
    auto choose = [&](const std::string& text) {
        QTest::keyClick(Grid(), Qt::Key_Return);
        cuiChooser* chooser = Grid()->Chooser();
        ASSERT_NE(chooser, nullptr);
        cmcGridModel& list = *chooser->Grid()->Model();
        for (int r = 0; r < list.RowCount(); ++r)
            if (Trimmed(list.CellAt(0, r).Text) == text) {
                list.SelectCell(0, r);
                QTest::keyClick(chooser->Grid(), Qt::Key_Return);
                QApplication::processEvents();
                return;
            }
        ADD_FAILURE() << "no item " << text;
    };
    choose("Used");
    EXPECT_FALSE(Channel(11).Unused());  // was: made it unused
    choose("Not used");
    EXPECT_TRUE(Channel(11).Unused());
    choose("Not used");
    EXPECT_TRUE(Channel(11).Unused());  // was: made it used again
    choose("Used");
    EXPECT_FALSE(Channel(11).Unused());
    // Space still toggles.
    QTest::keyClick(Grid(), Qt::Key_Space);
    EXPECT_TRUE(Channel(11).Unused());
}

TEST_F(GridWindowTest, ShiftDownMarksRowsAndThePopupCopiesAndPastesThem) {
    Open("GI_Sheet_IntCh");
    const int first = RowOf(20);
    // Give the three rows names to carry.
    const char* names[] = {"ALPHA", "BRAVO", "CHARLIE"};
    for (int i = 0; i < 3; ++i) {
        Model().SelectCell(kName, first + i);
        QTest::keyClicks(Grid(), names[i]);
        QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    }
    Model().SelectCell(kName, first);
    QTest::keyClick(Grid(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(Grid(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(Model().MultiSelectionActive());
    for (int r = first; r < first + 3; ++r)
        for (int c = Model().FixedCols(); c < Model().ColumnCount(); ++c)
            EXPECT_TRUE(Model().DrawnSelected(c, r)) << c << "," << r;
    EXPECT_FALSE(Model().DrawnSelected(kName, first + 3));

    auto trigger = [&](int label) {
        std::unique_ptr<QMenu> menu(Grid()->PopupMenu(QPoint(), false));
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions())
            if (a->data().toInt() == label) {
                ASSERT_TRUE(a->isEnabled()) << a->text().toStdString();
                a->trigger();
                return;
            }
        ADD_FAILURE() << "no item " << label;
    };
    trigger(CL_PMenu_Copy);
    const int target = RowOf(40);
    Model().SelectCell(kName, target);
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    trigger(CL_PMenu_Paste);
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Trimmed(std::string(Channel(40 + i).name.data(), 10)), names[i]) << i;
    // Ctrl+C and Ctrl+V reach the same commands.
    Model().SelectCell(kName, RowOf(20));
    QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier);
    Model().SelectCell(kName, RowOf(50));
    QTest::keyClick(Grid(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Trimmed(std::string(Channel(50).name.data(), 10)), "ALPHA");
}

TEST_F(GridWindowTest, AnErrorCellShowsItsMarker) {
    // A P channel marked not in use is an error of its in-use cell.
    datCh rec = Channel(3);
    rec.marks |= datCh::kMarkP;
    rec.flags |= datCh::kUnused;
    rec.Commit();
    Open("GI_Sheet_IntCh");
    const int row = RowOf(3);
    ASSERT_GE(row, 0);
    auto redPixels = [&](int r) {
        QRect rect = Grid()->CellRectOnScreen(kInUse, r);
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.translate(-rect.topLeft());
        CellPaintOptions o;
        o.focused = false;
        PaintGridCell(p, Model(), kInUse, r, rect, o);
        p.end();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                QColor c = image.pixelColor(x, y);
                n += c.red() > 150 && c.green() < 80 && c.blue() < 80;
            }
        return n;
    };
    EXPECT_GT(redPixels(row), 10);
    EXPECT_EQ(redPixels(RowOf(4)), 0);
}

TEST_F(GridWindowTest, ASavedColumnWidthComesBackAfterTheSheetIsRebuilt) {
    Open("GI_Sheet_IntCh");
    Model().SetColumnWidth(kName, 213);
    Sheet()->Rebuild();
    EXPECT_EQ(Model().ColumnWidth(kName), 213);
    window_->CloseSheet();
    QApplication::processEvents();
    Open("GI_Sheet_IntCh");
    EXPECT_EQ(Model().ColumnWidth(kName), 213);
    // Double click on the heading's right border fits the column to what it shows.
    Model().SetColumnWidth(kName, 400);
    QRect head = Grid()->CellRectOnScreen(kName, 0);
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(head.right() - 1, head.center().y()));
    EXPECT_LT(Model().ColumnWidth(kName), 400);
    EXPECT_GE(Model().ColumnWidth(kName), 10);
}

TEST_F(GridWindowTest, FixedHeaderRowsStayWhenScrolled) {
    Open("GI_Sheet_IntCh");
    ASSERT_EQ(Model().FixedRows(), 1);
    QRect head = Grid()->CellRectOnScreen(kName, 0);
    Model().SelectCell(kName, RowOf(300));
    QApplication::processEvents();
    EXPECT_GT(Model().TopRow(), 100);
    const QRect after = Grid()->CellRectOnScreen(kName, 0);
    EXPECT_EQ(after.top(), head.top());  // columns may have scrolled to show the cursor
    EXPECT_EQ(after.height(), head.height());
    head = after;
    int c = 0, r = 0;
    ASSERT_TRUE(Model().CellAtPoint(head.center().x(), head.center().y(), c, r));
    EXPECT_EQ(r, 0);
    // The heading is painted there: its background is the button face, not the list's.
    QImage shot = Grid()->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(head.left() + 2, head.top() + 2), ToQColor(0x8000000F));
    // Going back to the sheet restores where the user was.
    cuiSheet::ViewState state = Sheet()->SaveViewState();
    window_->CloseSheet();
    QApplication::processEvents();
    Open("GI_Sheet_IntCh")->RestoreViewState(state);
    EXPECT_EQ(Model().Row(), RowOf(300));
    EXPECT_EQ(Model().TopRow(), state.top);
}

// Every sheet of the shipped overlay builds and paints over the factory image; with
// KELDA_SCREENSHOT_DIR set each is saved as a PNG there.
TEST_F(GridWindowTest, EverySheetBuildsAndPaints) {
    std::ifstream overlay(std::string(KELDA_BIN_DIR) + "/KELDA.OVL");
    std::string line;
    std::vector<std::string> keys;
    const std::regex style("^#(GI_Sheet_[A-Za-z0-9_]+)_Style\\s*$");
    std::smatch m;
    while (std::getline(overlay, line))
        if (std::regex_match(line, m, style)) keys.push_back(m[1]);
    ASSERT_GT(keys.size(), 20u);
    const char* shots = std::getenv("KELDA_SCREENSHOT_DIR");
    for (const std::string& key : keys) {
        cuiSheet sheet(key);
        const QSize need = sheet.Grid()->NeededSize();
        sheet.resize(std::min(need.width() + 40, 1100), std::min(need.height() + 60, 760));
        sheet.show();
        QApplication::processEvents();
        EXPECT_TRUE(sheet.Grid()->Model()->Built()) << key;
        QPixmap pixmap = sheet.grab();
        EXPECT_FALSE(pixmap.isNull()) << key;
        if (shots) pixmap.save(QString(shots) + "/" + QString::fromStdString(key) + ".png");
    }
    if (shots) {
        Open("GI_Sheet_IntCh");
        window_->grab().save(QString(shots) + "/main_window_channels.png");
    }
}

}  // namespace

// A mistyped MMSI typed over a stored contact is refused: the ID and the name stay, and the
// bottom bar says why.
TEST_F(GridWindowTest, AMistypedMmsiIsRefusedAndTheContactStays) {
    Open("GI_Sheet_DscIndId");
    constexpr int kId = 1, kComment = 2;
    int row = -1;
    for (int r = 0; r < Model().RowCount() && row < 0; ++r)
        if (Model().CellAt(kId, r).Index == 0 && Model().MaySelect(kId, r)) row = r;
    ASSERT_GE(row, 0);
    Model().SelectCell(kId, row);
    QTest::keyClicks(Grid(), "235123456");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    Model().SelectCell(kComment, row);
    QTest::keyClicks(Grid(), "OCEAN STAR");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    ASSERT_EQ(Shown(kId, row), "235123456");
    ASSERT_EQ(Trimmed(Shown(kComment, row)), "OCEAN STAR");

    cmcEeprom before;
    before.Assign(session_->App().WorkingImage());
    for (const char* typed : {"23512345", "2351234567", "23512345X"}) {
        Model().SelectCell(kId, row);
        QTest::keyClicks(Grid(), typed);
        QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
        for (int i = 0; i < 20; ++i) {
            clock_.Advance(20);
            QApplication::processEvents();
        }
        EXPECT_FALSE(session_->App().WorkingImage().Differs(before)) << typed;
        EXPECT_EQ(Shown(kId, row), "235123456") << typed;
        EXPECT_EQ(Trimmed(Shown(kComment, row)), "OCEAN STAR") << typed;
        EXPECT_NE(window_->StatusPanels()->IndicatorText().toStdString().find("9 digits"),
                  std::string::npos)
            << window_->StatusPanels()->IndicatorText().toStdString();
    }
}
