// The sheet grid in the real window over the shipped overlay and a factory image: in-place
// editing, choosers, marking rows with the popup's row commands, markers, kept column widths,
// fixed header rows, and every shipped sheet built and painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "app/ImageCompare.h"
#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/AppSession.h"
#include "gui/CellPainter.h"
#include "gui/EditHistoryMenu.h"
#include "gui/MainStatusBar.h"
#include "gui/SheetDialog.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "text/cmcGTex.h"

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
        RemoveTree(dir_);
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
    GridModel& Model() { return *Grid()->Model(); }
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
    EXPECT_EQ(Grid()->Editor()->toPlainText().size(), CellEditor::kMaxLength);
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
    ChooserPopup* chooser = Grid()->Chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    // Under the cell, as a small sheet with the current value as its cursor.
    const QPoint cellBottom =
        Grid()->viewport()->mapToGlobal(Grid()->CellRectOnScreen(kTag, row).bottomLeft());
    EXPECT_GE(chooser->geometry().top(), cellBottom.y() - 1);
    GridModel& list = *chooser->Grid()->Model();
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
        ChooserPopup* chooser = Grid()->Chooser();
        ASSERT_NE(chooser, nullptr);
        GridModel& list = *chooser->Grid()->Model();
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

// In the usable-only view two neighbouring rows of the list may have a hidden channel between
// them: a block over them is not copied, and the bottom bar says why.
TEST_F(GridWindowTest, InTheUsableOnlyViewABlockOverAHiddenChannelIsRefused) {
    for (int r : {20, 22}) {
        datCh rec = Channel(r);
        rec.flags &= ~datCh::kUnused;
        rec.Commit();
    }
    datCh hidden = Channel(21);
    hidden.flags |= datCh::kUnused;
    hidden.marks = 0;
    hidden.Commit();
    Environ().chListView = true;
    Open("GI_Sheet_IntCh");
    ASSERT_EQ(RowOf(21), -1);
    ASSERT_EQ(RowOf(22), RowOf(20) + 1);
    cmcEeprom before;
    before.Assign(session_->App().WorkingImage());
    Model().SelectCell(kName, RowOf(20));
    QTest::keyClick(Grid(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier);
    Model().SelectCell(kName, RowOf(30));
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    QTest::keyClick(Grid(), Qt::Key_V, Qt::ControlModifier);
    for (int i = 0; i < 20; ++i) {
        clock_.Advance(20);
        QApplication::processEvents();
    }
    EXPECT_FALSE(session_->App().WorkingImage().Differs(before));
    EXPECT_EQ(window_->StatusPanels()->IndicatorText().toStdString(),
              GTex().GetLine("GI_Botttom_HiddenRows", 0));
    if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
        window_->grab().save(QString(shots) + "/hidden_rows_refused.png");
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

// File > Compare With...: the differing cell is marked in the sheet with the other file's
// value, the marks follow edits and go with the comparison, and a click in the panel selects
// the sheet in the tree and puts the cursor on the cell, also in the usable-only view.
TEST_F(GridWindowTest, CompareMarksTheDifferingCellsAndThePanelGoesToThem) {
    // Channels 3 to 6 out of use, so the usable-only list has other rows than the full one.
    for (int r = 6; r < 14; ++r) {
        datCh rec = Channel(r);
        rec.flags |= datCh::kUnused;
        rec.Commit();
    }
    const std::string path = dir_ + "/before.kcf";
    ASSERT_EQ(session_->App().SaveToFile(path), 0);
    Environ().chListView = true;
    Open("GI_Sheet_IntCh");
    const int row = RowOf(32);  // channel 16
    ASSERT_GE(row, 0);
    EXPECT_NE(row, 33);  // its row in the full list
    const std::string factory = Trimmed(Shown(kName, row));
    Model().SelectCell(kName, row);
    QTest::keyClicks(Grid(), "CALLING");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);

    EditHistoryMenu* history = window_->History();
    ASSERT_TRUE(history->CompareWith(path));
    QListWidget* list = history->DifferenceList();
    ASSERT_EQ(list->count(), 4);  // the four channel lists show the name
    const std::string* other = Model().CompareValue(kName, row);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Trimmed(*other), factory);
    EXPECT_EQ(Model().CompareValue(kName, row + 1), nullptr);
    EXPECT_EQ(Model().CompareValue(kTag, row), nullptr);
    // Painted in its own colour, away from the cursor.
    Model().SelectCell(kName, row + 2);
    QApplication::processEvents();
    auto markPixels = [&](int r) {
        const QRect rect = Grid()->CellRectOnScreen(kName, r);
        const QImage shot = Grid()->viewport()->grab(rect).toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) n += shot.pixelColor(x, y) == CompareMarkColor();
        return n;
    };
    EXPECT_GT(markPixels(row), 20);
    EXPECT_EQ(markPixels(row + 1), 0);
    // The tooltip says what the other file has there.
    const QRect marked = Grid()->CellRectOnScreen(kName, row);
    QHelpEvent help(QEvent::ToolTip, marked.center(),
                    Grid()->viewport()->mapToGlobal(marked.center()));
    QApplication::sendEvent(Grid()->viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), "before.kcf has \"" + factory + "\" here.");
    QToolTip::hideText();

    // From another sheet, a click in the panel goes to the cell; the view stays usable-only.
    Open("GI_Sheet_DscIndId");
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    QApplication::processEvents();
    ASSERT_NE(Sheet(), nullptr);
    EXPECT_EQ(Sheet()->Reference(), "GI_Sheet_IntCh");
    EXPECT_TRUE(Environ().chListView);
    EXPECT_EQ(Model().Column(), kName);
    EXPECT_EQ(Model().Row(), row);
    EXPECT_EQ(Model().CurrentCell()->Index, 32);
    ASSERT_NE(window_->TreeView()->currentItem(), nullptr);
    EXPECT_EQ(window_->TreeView()->currentItem()->text(0).trimmed().toStdString(),
              "International Channels");
    if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
        window_->grab().save(QString(shots) + "/compare_marks.png");

    // A channel the usable-only view leaves out: the view switches off to show it.
    datCh kept = Channel(30);  // channel 15
    datCh out = kept;
    out.flags |= datCh::kUnused;
    out.Commit();
    Sheet()->Rebuild();  // as the in-use cell's event does
    ASSERT_LT(RowOf(30), 0);
    history->FollowChanges();
    int outLine = -1;
    for (int i = 0; i < list->count() && outLine < 0; ++i)
        if (list->item(i)->text().startsWith("International Channels | Channel 15 |")) outLine = i;
    ASSERT_GE(outLine, 0);
    emit list->itemClicked(list->item(outLine));
    QApplication::processEvents();
    EXPECT_FALSE(Environ().chListView);
    EXPECT_EQ(Model().CurrentCell()->Index, 30);

    // Put back, the cell loses its mark; the name keeps its own.
    kept.Commit();
    history->FollowChanges();
    for (int c = 0; c < Model().ColumnCount(); ++c)
        EXPECT_EQ(Model().CompareValue(c, RowOf(30)), nullptr) << c;
    EXPECT_NE(Model().CompareValue(kName, RowOf(32)), nullptr);

    // Closing the panel ends the comparison; so does another document.
    history->ComparePanel()->close();
    EXPECT_EQ(Model().CompareValue(kName, RowOf(32)), nullptr);
    ASSERT_TRUE(history->CompareWith(path));
    EXPECT_NE(Model().CompareValue(kName, RowOf(32)), nullptr);
    prompts_.SetDefaultAnswer(platform::kAnswerNo);
    session_->App().New();
    history->FollowChanges();
    EXPECT_FALSE(history->Comparing());
    EXPECT_FALSE(history->ComparePanel()->isVisible());
    EXPECT_TRUE(CompareMarks().Empty());
}

// A command that takes the document (here Ctrl+S) first commits the edit in progress: the
// saved file holds what was typed without Enter. Shift and Ctrl alone reach the editor too
// (they used to bounce between the editor and the grid until the stack ran out).
TEST_F(GridWindowTest, SaveCommitsTheEditInProgress) {
    const std::string path = dir_ + "/saved.kcf";
    ASSERT_EQ(session_->App().SaveToFile(path), 0);
    // Shortcuts go to the active window.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    Open("GI_Sheet_IntCh");
    const int row = RowOf(24);
    Model().SelectCell(kName, row);
    Grid()->setFocus();
    QTest::keyClicks(Grid(), "PILOT");
    ASSERT_TRUE(Grid()->Editor()->isVisible());
    QTest::keyClick(Grid()->Editor(), Qt::Key_S, Qt::ShiftModifier);
    QTest::keyClick(Grid()->Editor(), Qt::Key_S, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_FALSE(Grid()->Editor()->isVisible());
    EXPECT_FALSE(session_->App().Modified());
    cmcEeprom saved;
    saved.SetSize(session_->App().ImageSize());
    ASSERT_EQ(session_->App().ReadDocumentFile(path, saved), FileError::kNone);
    datCh rec(&saved);
    rec.Load(1, 24);
    EXPECT_EQ(Trimmed(std::string(rec.name.data(), 10)), "PILOTS");
}

// A command from the menu bar leaves the editor open (the menu takes the focus only as a
// popup); one that builds the sheet again (here View > Font Size) keeps what was typed.
TEST_F(GridWindowTest, ARebuildWhileEditingKeepsWhatWasTyped) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(12);
    Model().SelectCell(kName, row);
    QTest::keyClicks(Grid(), "ANCHORAGE");
    ASSERT_TRUE(Grid()->EditorVisible());
    QMenu* view = window_->MenuNamed("View");
    ASSERT_NE(view, nullptr);
    QAction* larger = nullptr;
    for (QAction* a : view->findChildren<QAction*>())
        if (a->text().startsWith("125")) larger = a;
    ASSERT_NE(larger, nullptr);
    larger->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(Grid()->EditorVisible());
    EXPECT_EQ(Trimmed(std::string(Channel(12).name.data(), 10)), "ANCHORAGE");
    EXPECT_EQ(Trimmed(Shown(kName, RowOf(12))), "ANCHORAGE");
}

// The chooser belongs to its owner grid: it closes when the grid goes (event 1) and when a
// command commits editors (event 21, choosing nothing), and while open it keeps the wheel from
// the owner (query 27). A popup's owner answers for its current cell (query 12).
TEST_F(GridWindowTest, TheChooserAndThePopupAnswerTheirOwnersEvents) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(9);
    Model().SelectCell(kTag, row);
    const auto owner = reinterpret_cast<intptr_t>(Grid());

    std::optional<cmcCellObj> cell = GridModel::QueryPopupCell(owner);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(cell->Label, Model().CellAt(kTag, row).Label);
    EXPECT_EQ(cell->Index, 9);
    EXPECT_FALSE(GridModel::QueryPopupCell(owner + 1).has_value());

    const std::string before = Shown(kTag, row);
    EXPECT_FALSE(EvMan().Query(ev::kQueryIgnoreWheel, owner).has_value());
    QTest::keyClick(Grid(), Qt::Key_Return);
    QPointer<ChooserPopup> chooser = Grid()->Chooser();
    ASSERT_FALSE(chooser.isNull());
    EXPECT_TRUE(EvMan().Query(ev::kQueryIgnoreWheel, owner).has_value());
    EvMan().Send(ev::kControlGone, owner + 1);  // another grid
    QApplication::processEvents();
    EXPECT_FALSE(chooser.isNull());
    QTest::keyClick(chooser->Grid(), Qt::Key_Down);
    EvMan().Send(ev::kCommitEditors);
    QApplication::processEvents();
    EXPECT_TRUE(chooser.isNull());
    EXPECT_EQ(Shown(kTag, row), before);
    EXPECT_FALSE(EvMan().Query(ev::kQueryIgnoreWheel, owner).has_value());

    QTest::keyClick(Grid(), Qt::Key_Return);
    chooser = Grid()->Chooser();
    ASSERT_FALSE(chooser.isNull());
    window_->CloseSheet();  // the sheet and its grid go
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(chooser.isNull());
}

// The overlay-built dialog: as big as its sheet, centred on its owner and kept on the screen,
// the owner without input while it is open, closed by Enter or Escape.
TEST_F(GridWindowTest, ASheetDialogShowsItsSheetWholeAndClosesOnEnterOrEscape) {
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        QPointer<SheetDialog> dialog =
            ShowSheetDialog(window_.get(), "Radio", GTex(), "GI_Sheet_CloneInfo");
        ASSERT_FALSE(dialog.isNull());
        QApplication::processEvents();
        EXPECT_FALSE(window_->isEnabled());
        EXPECT_EQ(dialog->windowTitle(), "Radio");
        EXPECT_TRUE(dialog->Button()->isDefault());
        const QSize need = dialog->Grid()->NeededSize();
        EXPECT_GE(dialog->Grid()->viewport()->width(), need.width());
        EXPECT_GE(dialog->Grid()->viewport()->height(), need.height());
        const QPoint centre = window_->frameGeometry().center();
        EXPECT_LE(std::abs(dialog->frameGeometry().center().x() - centre.x()), 2);
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            dialog->grab().save(QString(shots) + "/sheet_dialog.png");
        QTest::keyClick(dialog, Qt::Key(key));
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull()) << key;
        EXPECT_TRUE(window_->isEnabled());
    }
    // An owner in the screen's corner, narrower than the dialog: the dialog stays on screen.
    QWidget corner;
    const QRect area = corner.screen()->availableGeometry();
    corner.setGeometry(area.right() - 60, area.bottom() - 30, 50, 20);
    corner.show();
    QPointer<SheetDialog> dialog = ShowSheetDialog(&corner, "Radio", GTex(), "GI_Sheet_CloneInfo");
    QApplication::processEvents();
    EXPECT_LE(dialog->frameGeometry().right(), area.right());
    EXPECT_LE(dialog->frameGeometry().bottom(), area.bottom());
    EXPECT_GE(dialog->frameGeometry().left(), area.left());
    dialog->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(corner.isEnabled());
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
        // The editor stays on the mistyped ID for correcting; Escape gives it up.
        ASSERT_TRUE(Grid()->EditorVisible()) << typed;
        EXPECT_EQ(Grid()->Editor()->toPlainText().toStdString(), typed);
        QTest::keyClick(Grid()->Editor(), Qt::Key_Escape);
    }
}

TEST_F(GridWindowTest, ACellsEdgeLinesRunItsFullLengthAndNoFurther) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(3);
    ASSERT_GE(row, 0);
    const cmcCellObj& cell = Model().Def().Cell(kName, row);
    ASSERT_TRUE(cell.BottomLine);
    ASSERT_EQ(cell.RightLine, kRightLineFull);
    const QRect rect = Grid()->CellRectOnScreen(kName, row);
    // One pixel of margin round the cell shows anything drawn past its edges.
    QImage image(rect.size() + QSize(2, 2), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    p.translate(QPoint(1, 1) - rect.topLeft());
    CellPaintOptions o;
    o.focused = false;
    PaintGridCell(p, Model(), kName, row, rect, o);
    p.end();
    const QColor line(0x80, 0x80, 0x80);
    const int right = rect.width(), bottom = rect.height();
    for (int x = 1; x <= right; ++x) EXPECT_EQ(image.pixelColor(x, bottom), line) << x;
    for (int y = 1; y <= bottom; ++y) EXPECT_EQ(image.pixelColor(right, y), line) << y;
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(image.pixelColor(x, 0), QColor(Qt::magenta)) << x;
        EXPECT_EQ(image.pixelColor(x, bottom + 1), QColor(Qt::magenta)) << x;
    }
    for (int y = 0; y < image.height(); ++y) {
        EXPECT_EQ(image.pixelColor(0, y), QColor(Qt::magenta)) << y;
        EXPECT_EQ(image.pixelColor(right + 1, y), QColor(Qt::magenta)) << y;
    }
}

namespace {

// A typed frequency is read as meant (the decimal comma too) or refused with the band in the
// bottom bar, the editor staying open on the text; the cursor does not leave a refused cell.
TEST_F(GridWindowTest, AFrequencyOutsideTheBandIsRefusedAndTheEditorStaysOnIt) {
    Open("GI_Sheet_FreeCh");
    int column = -1, row = -1;
    for (int r = 0; r < Model().RowCount() && row < 0; ++r)
        for (int c = 0; c < Model().ColumnCount(); ++c)
            if (Model().CellAt(c, r).Label == CL_Fch_FreqR && Model().CellAt(c, r).Index == 5) {
                column = c;
                row = r;
            }
    ASSERT_GE(row, 0);
    auto settle = [&] {
        for (int i = 0; i < 20; ++i) {
            clock_.Advance(20);
            QApplication::processEvents();
        }
    };
    Model().SelectCell(column, row);
    QTest::keyClicks(Grid(), "156,8");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(Grid()->EditorVisible());
    EXPECT_EQ(Shown(column, row), "156.80000");

    cmcEeprom before;
    before.Assign(session_->App().WorkingImage());
    const std::string band = "156.000 to 163.275 MHz";
    for (const char* typed : {"1568", "99", "156.8 kHz"}) {
        Model().SelectCell(column, row);
        QTest::keyClicks(Grid(), typed);
        QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
        settle();
        EXPECT_FALSE(session_->App().WorkingImage().Differs(before)) << typed;
        ASSERT_TRUE(Grid()->EditorVisible()) << typed;
        EXPECT_EQ(Grid()->Editor()->toPlainText().toStdString(), typed);
        EXPECT_NE(window_->StatusPanels()->IndicatorText().toStdString().find(band),
                  std::string::npos)
            << window_->StatusPanels()->IndicatorText().toStdString();
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            window_->grab().save(QString(shots) + "/frequency_refused.png");
        // Moving on commits first: refused again, so the cursor and the editor stay.
        QTest::keyClick(Grid()->Editor(), Qt::Key_Down);
        settle();
        EXPECT_TRUE(Grid()->EditorVisible()) << typed;
        EXPECT_EQ(Model().Row(), row) << typed;
        EXPECT_FALSE(Model().MaySelect(column, row + 1)) << typed;
        QTest::keyClick(Grid()->Editor(), Qt::Key_Escape);
        EXPECT_FALSE(Grid()->EditorVisible()) << typed;
        EXPECT_EQ(Shown(column, row), "156.80000") << typed;
    }
    // Corrected in place, it is taken.
    Model().SelectCell(column, row);
    QTest::keyClicks(Grid(), "1568");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    ASSERT_TRUE(Grid()->EditorVisible());
    QTest::keyClick(Grid()->Editor(), Qt::Key_End);
    QTest::keyClick(Grid()->Editor(), Qt::Key_Backspace);
    QTest::keyClick(Grid()->Editor(), Qt::Key_Backspace);
    QTest::keyClicks(Grid()->Editor(), "6,5");
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(Grid()->EditorVisible());
    EXPECT_EQ(Shown(column, row), "156.50000");
}

}  // namespace

namespace {

// The free-channel cell (column, row) of a label and free row.
std::pair<int, int> FreeCell(GridModel& m, int label, int index) {
    for (int r = 0; r < m.RowCount(); ++r)
        for (int c = 0; c < m.ColumnCount(); ++c)
            if (m.CellAt(c, r).Label == label && m.CellAt(c, r).Index == index) return {c, r};
    return {-1, -1};
}

// Tab-separated text from a spreadsheet fills the cells from the cursor as typing would, as
// one undo step; a refused value, text larger than the sheet or a NUL changes nothing and the
// bottom bar says why.
TEST_F(GridWindowTest, PastedTabSeparatedTextIsTypedInAllOrNothing) {
    Open("GI_Sheet_FreeCh");
    const auto [column, row] = FreeCell(Model(), CL_Fch_FreqR, 2);
    ASSERT_GE(row, 0);
    auto settle = [&] {
        for (int i = 0; i < 20; ++i) {
            clock_.Advance(20);
            QApplication::processEvents();
        }
    };
    auto paste = [&](const QString& text) {
        Model().SelectCell(column, row);
        QApplication::clipboard()->setText(text);
        QTest::keyClick(Grid(), Qt::Key_V, Qt::ControlModifier);
        settle();
    };
    cmcEeprom start;
    start.Assign(session_->App().WorkingImage());
    paste("156,8\t<-\tM1\r\n157.1\t157.2\tm2\r\n");
    EXPECT_EQ(Shown(column, row), "156.80000");
    EXPECT_EQ(Shown(column + 1, row), "<-");
    EXPECT_EQ(Trimmed(Shown(column + 2, row)), "M1");
    EXPECT_EQ(Shown(column, row + 1), "157.10000");
    EXPECT_EQ(Shown(column + 1, row + 1), "157.20000");
    EXPECT_EQ(Trimmed(Shown(column + 2, row + 1)), "M2");
    // Copying the block gives the same text back, one line a row.
    Model().SelectCell(column, row);
    QTest::keyClick(Grid(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(Grid(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(Grid(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "156.80000\t<-\tM1\n157.10000\t157.20000\tM2\n");
    // One step undoes the whole paste.
    ASSERT_TRUE(session_->App().Undo());
    EXPECT_FALSE(session_->App().WorkingImage().Differs(start));

    const struct {
        QString text;
        const char* says;
    } refused[] = {
        {"156.8\t\tA\n1568\t\tB\n", "does not take '1568'"},
        {"156.8\tM1", "does not take 'M1'"},
        {QString("156.8\n").repeated(100000), "rows of up to"},
        {"156.8\t157\tA\tB\tC", "rows of up to"},
        {QString("156.8") + QChar(0) + "\t", "NUL"},
    };
    for (const auto& r : refused) {
        paste(r.text);
        EXPECT_FALSE(session_->App().WorkingImage().Differs(start)) << r.says;
        const std::string bar = window_->StatusPanels()->IndicatorText().toStdString();
        EXPECT_NE(bar.find("Nothing was pasted"), std::string::npos) << bar;
        EXPECT_NE(bar.find(r.says), std::string::npos) << bar;
    }
    EXPECT_NE(window_->StatusPanels()->IndicatorText().toStdString().find("NUL"),
              std::string::npos);
    paste("156.8\t\tA\n1568\t\tB\n");
    EXPECT_NE(window_->StatusPanels()->IndicatorText().toStdString().find("156.000 to 163.275"),
              std::string::npos);
}

// Home and End over the row, Ctrl+Home and Ctrl+End over the sheet; Tab in the editor commits
// and goes to the next cell of the grid, Shift+Tab to the one before.
TEST_F(GridWindowTest, HomeEndAndTabMoveOverTheGrid) {
    Open("GI_Sheet_IntCh");
    const int row = RowOf(12);
    Model().SelectCell(kName, row);
    QTest::keyClick(Grid(), Qt::Key_Home);
    const int first = Model().Column();
    EXPECT_LT(first, kName);
    EXPECT_EQ(Model().Row(), row);
    QTest::keyClick(Grid(), Qt::Key_End);
    EXPECT_EQ(Model().Row(), row);
    EXPECT_GE(Model().Column(), kName);
    QTest::keyClick(Grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Model().Row(), Model().RowCount() - 1);
    QTest::keyClick(Grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Model().Row(), Model().FixedRows());
    EXPECT_EQ(Model().Column(), first);

    Model().SelectCell(kName, row);
    QTest::keyClicks(Grid(), "TABBED");
    ASSERT_TRUE(Grid()->EditorVisible());
    QTest::keyClick(Grid()->Editor(), Qt::Key_Tab);
    EXPECT_FALSE(Grid()->EditorVisible());
    EXPECT_EQ(Trimmed(Shown(kName, row)), "TABBED");
    EXPECT_TRUE(Grid()->hasFocus());
    const std::pair<int, int> next{Model().Column(), Model().Row()};
    EXPECT_NE(next, std::make_pair(kName, row));
    QTest::keyClick(Grid(), Qt::Key_Return);  // opens the next cell's editor or chooser
    if (Grid()->EditorVisible()) {
        QTest::keyClick(Grid()->Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(Model().Column(), kName);
        EXPECT_EQ(Model().Row(), row);
    }
}

// The usable-only view is in the View menu too; its red title goes when it is switched off.
TEST_F(GridWindowTest, TheViewMenuSwitchesTheUsableOnlyViewAndItsTitle) {
    Open("GI_Sheet_IntCh");
    QMenu* view = window_->MenuNamed("View");
    ASSERT_NE(view, nullptr);
    QAction* usable = nullptr;
    for (QAction* a : view->findChildren<QAction*>())
        if (a->text().contains("Usable")) usable = a;
    ASSERT_NE(usable, nullptr);
    const QColor normal = Sheet()->TitleBar()->palette().color(QPalette::WindowText);
    const QString title = Sheet()->TitleBar()->text();
    auto settle = [&] {
        for (int i = 0; i < 20; ++i) {
            clock_.Advance(20);
            QApplication::processEvents();
        }
    };
    usable->trigger();
    settle();
    EXPECT_TRUE(Environ().chListView);
    EXPECT_NE(Sheet()->TitleBar()->text(), title);
    EXPECT_NE(Sheet()->TitleBar()->palette().color(QPalette::WindowText), normal);
    usable->trigger();
    settle();
    EXPECT_FALSE(Environ().chListView);
    EXPECT_EQ(Sheet()->TitleBar()->text(), title);
    EXPECT_EQ(Sheet()->TitleBar()->palette().color(QPalette::WindowText), normal);
}

}  // namespace
