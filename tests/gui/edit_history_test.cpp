// The window's Edit > Undo and Redo, Radio > Verify After Writing and File > Compare With...:
// captions and shortcuts, the image put back and repainted, and the compare panel going to the
// cell clicked.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <cstdlib>
#include <string>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "gui/AppSession.h"
#include "gui/EditHistoryMenu.h"
#include "gui/TForm1.h"
#include "radio/CellDispatcher.h"
#include "sheet/CellCatalogue.h"
#include "support/ManualClock.h"
#include "support/TestFiles.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

// Channel n is row 2n of the channel lists.
void NameChannel16(const std::string& name) {
    cmcCellObj cell;
    cell.Category = CT_IntCh;
    cell.Label = CL_ChList_Comment;
    cell.Index = 32;
    cmcCellCapsule req;
    req.cell = &cell;
    req.commitMode = CommitMode::kText;
    req.inputText = name;
    DispatchCell(req, false);
}

std::string Channel16() {
    cmcCellObj cell;
    cell.Category = CT_IntCh;
    cell.Label = CL_ChList_Comment;
    cell.Index = 32;
    return CellText(cell, 0);
}

TEST(EditHistoryWindow, UndoRedoVerifyAndCompareFromTheMenus) {
    QApplication qapp(gArgc, gArgv);
    char tmpl[] = "/tmp/kelda-gui-undo-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    {
        test::ManualClock clock;
        AppSession session(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800);
        TForm1 w(&session.App());
        w.show();
        QApplication::processEvents();
        EditHistoryMenu* menu = w.History();
        ASSERT_NE(menu, nullptr);
        // Undo and Redo head the Edit menu, above what the current cell offers.
        QMenu* edit = w.MenuNamed("Edit");
        ASSERT_NE(edit, nullptr);
        emit edit->aboutToShow();
        ASSERT_GE(edit->actions().size(), 2);
        EXPECT_EQ(edit->actions()[0], menu->UndoAction());
        EXPECT_EQ(edit->actions()[1], menu->RedoAction());
        EXPECT_FALSE(menu->UndoAction()->isEnabled());
        EXPECT_FALSE(menu->RedoAction()->isEnabled());

        const std::string factory = Channel16();
        NameChannel16("CALLING");
        menu->UpdateActions();
        EXPECT_EQ(menu->UndoAction()->text().toStdString(), "Undo change of channel 16 name");
        ASSERT_TRUE(menu->UndoAction()->isEnabled());
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Channel16(), factory);
        menu->UpdateActions();
        EXPECT_EQ(menu->RedoAction()->text().toStdString(), "Redo change of channel 16 name");
        QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(Channel16(), "CALLING");
        menu->UpdateActions();
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        menu->UpdateActions();
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Channel16(), "CALLING");

        menu->VerifyAction()->trigger();
        EXPECT_TRUE(Environ().verifyAfterWrite);
        menu->VerifyAction()->trigger();
        EXPECT_FALSE(Environ().verifyAfterWrite);

        // The document as saved, then channel 16 back to its factory name: one difference in
        // each of the four channel lists that show the name.
        const std::string path = dir + "/calling.kcf";
        ASSERT_EQ(session.App().SaveToFile(path), 0);
        ASSERT_TRUE(session.App().Undo());
        ASSERT_TRUE(menu->CompareWith(path));
        QListWidget* list = menu->DifferenceList();
        ASSERT_EQ(list->count(), 4);
        EXPECT_TRUE(list->item(0)->text().startsWith("International Channels | Channel 16 | Name"))
            << list->item(0)->text().toStdString();
        list->setCurrentRow(0);
        emit list->itemActivated(list->item(0));
        ASSERT_NE(w.CurrentSheet(), nullptr);
        EXPECT_EQ(w.CurrentSheet()->Reference(), "GI_Sheet_IntCh");
        EXPECT_EQ(w.CurrentSheet()->Position().row, 33);  // below the heading row
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            w.grab().save(QString(shots) + "/compare_panel.png");
        w.close();
    }
    RemoveTree(dir);
}

}  // namespace
