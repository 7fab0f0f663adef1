#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/GridModel.h"
#include "gui/AppSession.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "support/ManualClock.h"
#include "support/TestFiles.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

TEST(MainWindow, OpensAndClosesCleanly) {
    QApplication app(gArgc, gArgv);
    auto* w = new TForm1;
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->isVisible());
    EXPECT_GE(w->minimumWidth(), 400);
    EXPECT_TRUE(w->close());
    delete w;
}

// The whole window over the shipped data: the tree comes from the overlay, a node opens its
// sheet, and the sheet shows what the factory image holds.
TEST(MainWindow, TreeOpensSheetsOverTheFactoryImage) {
    QApplication qapp(gArgc, gArgv);
    char tmpl[] = "/tmp/kelda-gui-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    {
        test::ManualClock clock;
        AppSession session(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800);
        ASSERT_TRUE(session.FirstInstance());
        TForm1 w(&session.App());
        w.show();
        QApplication::processEvents();
        ASSERT_GT(w.TreeView()->topLevelItemCount(), 0);
        QTreeWidgetItem* root = w.TreeView()->topLevelItem(0);
        ASSERT_GT(root->childCount(), 0);
        QTreeWidgetItem* intCh = nullptr;
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->text(0).contains("International")) intCh = root->child(i);
        ASSERT_NE(intCh, nullptr);
        w.TreeView()->setCurrentItem(intCh);
        // The sheet opens after the tree's change delay.
        for (int i = 0;
             i < 100 && !(w.CurrentSheet() && w.CurrentSheet()->Reference() == "GI_Sheet_IntCh");
             ++i)
            QTest::qWait(10);
        ASSERT_NE(w.CurrentSheet(), nullptr);
        EXPECT_EQ(w.CurrentSheet()->Reference(), "GI_Sheet_IntCh");
        // Channel 16 is in every factory image's international list.
        bool found16 = false;
        auto* sheet = dynamic_cast<cuiSheet*>(w.CurrentSheet());
        ASSERT_NE(sheet, nullptr);
        GridModel& m = *sheet->Grid()->Model();
        for (int r = 0; r < m.RowCount() && !found16; ++r) {
            cmcCellCapsule req;
            m.FillPaintRequest(req, 0, r, false);
            m.Dispatcher()(req, false);
            found16 = QString::fromStdString(req.displayText).trimmed() == "16";
        }
        EXPECT_TRUE(found16);
        // New rebuilds the tree; the user stays on the sheet they were looking at.
        session.App().New();
        ASSERT_NE(w.TreeView()->currentItem(), nullptr);
        EXPECT_TRUE(w.TreeView()->currentItem()->text(0).contains("International"));
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            w.grab().save(QString(shots) + "/main_window.png");
        w.close();
    }
    RemoveTree(dir);
}

// The start image's warning check may wait for the first frame, but it must then run, mark the
// tree as a check at start would, and never hold back a later tree build's check.
TEST(MainWindow, WarningCheckPutOffAtStartRunsAfterTheFirstFrame) {
    QApplication qapp(gArgc, gArgv);
    char tmpl[] = "/tmp/kelda-gui-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    {
        test::ManualClock clock;
        AppSession session(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800, true);
        ASSERT_TRUE(session.FirstInstance());
        indMain& app = session.App();
        EXPECT_TRUE(app.WarningCheckPending());
        TForm1 w(&app);
        w.show();
        for (int i = 0; i < 100 && app.WarningCheckPending(); ++i) QTest::qWait(10);
        EXPECT_FALSE(app.WarningCheckPending());
        const WarningLists first = app.LastWarnings();
        std::vector<int> marks;
        for (size_t i = 0; i < app.Tree().Nodes().size(); ++i)
            marks.push_back(app.Tree().ShownOverlay(static_cast<int>(i)));
        app.RunWarningCheck();
        EXPECT_EQ(app.LastWarnings().errors, first.errors);
        EXPECT_EQ(app.LastWarnings().warnings, first.warnings);
        for (size_t i = 0; i < marks.size(); ++i)
            EXPECT_EQ(app.Tree().ShownOverlay(static_cast<int>(i)), marks[i]) << "node " << i;
        app.DeferNextWarningCheck();
        app.BuildTree();
        EXPECT_TRUE(app.WarningCheckPending());
        app.BuildTree();
        EXPECT_FALSE(app.WarningCheckPending()) << "the deferral lasts one tree build only";
        w.close();
    }
    RemoveTree(dir);
}

// Without a display the program explains what to do instead of failing with a toolkit error.
TEST(MainWindow, WithoutADisplayTheProgramSaysHowToRunIt) {
    std::string cmd =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " KELDA_BIN_DIR "/kelda 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int status = pclose(p);
    EXPECT_NE(out.find("no display"), std::string::npos) << out;
    EXPECT_NE(out.find("xvfb-run"), std::string::npos) << out;
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// Where nobody can dismiss a message box (the offscreen platform), a fatal stop still ends the
// program with status 3 and its reason on stderr instead of waiting for ever.
TEST(MainWindow, AFatalStopWithoutAScreenEndsWithStatus3) {
    std::string cmd = "QT_QPA_PLATFORM=offscreen timeout 60 " KELDA_BIN_DIR
                      "/kelda --data /nonexistent/kelda-data 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int status = pclose(p);
    EXPECT_EQ(WEXITSTATUS(status), 3) << out;
    EXPECT_NE(out.find("/nonexistent/kelda-data"), std::string::npos) << out;
}

}  // namespace
