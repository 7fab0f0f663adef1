// The main window driven as a user drives it: menus, toolbar, tree keys, restarts over one
// settings file, the About box, help, manufacturer mode and the debug windows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemDelegate>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyleFactory>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/GridModel.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "gui/AboutBox.h"
#include "gui/AppSession.h"
#include "gui/CellPainter.h"
#include "gui/DataPaths.h"
#include "gui/DebugWindows.h"
#include "gui/HelpViewer.h"
#include "gui/IconSet.h"
#include "gui/MainStatusBar.h"
#include "gui/MainToolbar.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "platform/FileSettingsStore.h"
#include "platform/qt/QtClock.h"
#include "radio/CellDispatcher.h"
#include "radio/DebugCells.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/CellCatalogue.h"
#include "sheet/TextHelpers.h"
#include "sheet/cmcCellObj.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedPrompter.h"
#include "text/cmcGTex.h"

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

// Gives the tree panel a width, the sheet pane the rest.
void SetTreeWidth(QSplitter* splitter, int width) {
    const QList<int> sizes = splitter->sizes();
    splitter->setSizes({width, sizes.value(0) + sizes.value(1) - width});
}

bool WaitUntil(const std::function<bool()>& done, int limitMs = 3000) {
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (done()) return true;
        QTest::qWait(10);
    }
    return done();
}

QAction* FindAction(QMenu* menu, const QString& text) {
    if (!menu) return nullptr;
    for (QAction* a : menu->actions()) {
        if (a->text().remove('&') == text) return a;
        if (a->menu())
            if (QAction* inner = FindAction(a->menu(), text)) return inner;
    }
    return nullptr;
}

// The menu asked for its states as when the user opens it; the checked captions.
QStringList Checked(QMenu* menu) {
    emit menu->aboutToShow();
    QStringList checked;
    for (QAction* a : menu->actions())
        if (a->isChecked()) checked << a->text().remove('&');
    return checked;
}

// Captions the tree cuts (wider, by its delegate's own measure, than the tree's viewport), joined.
std::string CutCaptions(QTreeWidget* tree) {
    tree->expandAll();
    QApplication::processEvents();
    QStringList cut;
    QStyleOptionViewItem option;
    option.initFrom(tree->viewport());
    option.font = tree->font();
    option.fontMetrics = QFontMetrics(tree->font());
    option.decorationSize = tree->iconSize();
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QModelIndex index = tree->indexFromItem(*it);
        const int right =
            tree->visualRect(index).left() + tree->itemDelegate()->sizeHint(option, index).width();
        if (right > tree->viewport()->width()) cut << (*it)->text(0);
    }
    return cut.join(", ").toStdString();
}

class Window : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { qapp_ = new QApplication(gArgc, gArgv); }
    static void TearDownTestSuite() {
        delete qapp_;
        qapp_ = nullptr;
    }

    void SetUp() override {
        char tmpl[] = "/tmp/kelda-window-XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_ + "/cache").c_str(), 1);
        settings_ = dir_ + "/settings.conf";
    }
    void TearDown() override {
        prompts_.SetDefaultAnswer(platform::kAnswerNo);
        Stop();
        fs::remove_all(dir_);
    }

    void Start() {
        session_ = std::make_unique<AppSession>(KELDA_BIN_DIR, settings_, 1280, 800);
        ASSERT_TRUE(session_->FirstInstance());
        window_ = std::make_unique<TForm1>(&session_->App());
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    // Closes the window as the user does (the settings are written when the session ends).
    void Stop() {
        if (window_) {
            window_->close();
            window_.reset();
        }
        session_.reset();
    }
    void Restart() {
        Stop();
        Start();
    }
    // Changes one stored setting as a hand-edited settings file would (after a first run has
    // made a valid file).
    void WriteSetting(const char* section, const char* name, int value) {
        if (!fs::exists(settings_)) {
            Start();
            Stop();
        }
        platform::FileSettingsStore store(settings_);
        ASSERT_TRUE(store.Write(std::string(indEnviron::kKeyPath) + "\\" + section, name,
                                platform::SettingsValue::Int(value)));
        ASSERT_TRUE(store.Commit());
    }

    indMain& App() { return session_->App(); }
    QMenu* Menu(const char* caption) { return window_->MenuNamed(caption); }
    void Trigger(const char* menu, const char* item) {
        QAction* a = FindAction(Menu(menu), item);
        ASSERT_NE(a, nullptr) << menu << " > " << item;
        emit Menu(menu)->aboutToShow();
        a->trigger();
        QApplication::processEvents();
    }
    void OpenNode(const QString& caption) {
        QTreeWidgetItem* found = nullptr;
        QTreeWidgetItemIterator it(window_->TreeView());
        for (; *it; ++it)
            if ((*it)->text(0).startsWith(caption)) found = *it;
        ASSERT_NE(found, nullptr) << caption.toStdString();
        window_->TreeView()->setCurrentItem(found);
        window_->OpenSelectedNode();
    }

    static QApplication* qapp_;
    std::string dir_, settings_;
    platform::QtClock clock_;
    ScopedInstall<platform::InstallClock> clockSlot_{&clock_};
    test::ScriptedPrompter prompts_;
    test::ScriptedFileDialogs dialogs_;
    std::unique_ptr<AppSession> session_;
    std::unique_ptr<TForm1> window_;
};
QApplication* Window::qapp_ = nullptr;

TEST_F(Window, MenusCheckExactlyTheCurrentPortModelAndToolbarAfterSwitchingTwice) {
    Start();
    prompts_.SetDefaultAnswer(platform::kAnswerOk);  // the change-model question
    for (const char* port : {"Port 3", "Port 2"}) Trigger("Port", port);
    EXPECT_EQ(Checked(Menu("Port")), QStringList{"Port 2"});
    for (const char* model : {"Canada", "Europe"}) Trigger("Model", model);
    EXPECT_EQ(Checked(Menu("Model")), QStringList{"Europe"});
    EXPECT_EQ(App().ModelType(), 1);
    // The toolbar presses only the current port's button.
    int pressed = 0;
    for (int i = 0; i < window_->Toolbar()->LineCount(); ++i)
        if (QAction* a = window_->Toolbar()->ButtonAction(i); a && a->isChecked()) {
            ++pressed;
            EXPECT_EQ(a->toolTip(), "Port 2");
        }
    EXPECT_EQ(pressed, 1);
    // The model question declined changes nothing, and the check stays.
    prompts_.Answer(platform::kAnswerCancel);
    Trigger("Model", "USA");
    EXPECT_EQ(App().ModelType(), 1);
    EXPECT_EQ(Checked(Menu("Model")), QStringList{"Europe"});
}

TEST_F(Window, ToolbarSwitchIsCheckedRememberedAndShowsAfterRestart) {
    Start();
    ASSERT_FALSE(window_->Toolbar()->Rows().empty());
    EXPECT_TRUE(window_->Toolbar()->Rows().front()->isVisible());
    QMenu* view = Menu("View");
    EXPECT_TRUE(Checked(view).contains("Toolbar"));
    Trigger("View", "Toolbar");
    EXPECT_FALSE(window_->Toolbar()->Rows().front()->isVisible());
    EXPECT_FALSE(Checked(Menu("View")).contains("Toolbar"));
    Restart();
    EXPECT_FALSE(window_->Toolbar()->Rows().front()->isVisible());
    EXPECT_FALSE(Checked(Menu("View")).contains("Toolbar"));
    Trigger("View", "Toolbar");
    EXPECT_TRUE(window_->Toolbar()->Rows().front()->isVisible());
}

TEST_F(Window, IconsDrawnOnceAreKeptAndABadKeptPictureIsDrawnAgain) {
    Start();
    const QDir kept(QString::fromStdString(dir_ + "/cache/kelda/icons"));
    // The same picture kept under an older stamp, or in the earlier PNG form, goes when it is
    // kept anew; other pictures stay.
    ASSERT_TRUE(kept.mkpath("."));
    const QStringList stale = {"file_new-23x23-0-0123456789abcdef.argb",
                               "file_new-23x23-0-0123456789abcdef.png"};
    const QStringList others = {"file_new-22x22-0-0123456789abcdef.argb",
                                "file_open-23x23-0-0123456789abcdef.argb"};
    for (const QString& name : stale + others) {
        QFile f(kept.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Sizes no other test draws: the drawings of this run are in memory already.
    const QImage drawn = icons::Toolbar(0).pixmap(23, 23).toImage();
    const QStringList files = kept.entryList({"file_new-23x23-0-*"});
    ASSERT_EQ(files.size(), 1) << kept.entryList().join(", ").toStdString();
    for (const QString& name : others) EXPECT_TRUE(kept.exists(name)) << name.toStdString();
    const QString stamp = files[0].section('-', -1);
    EXPECT_EQ(icons::ReadKept(kept.filePath(files[0]), QSize(23, 23)),
              drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    EXPECT_TRUE(icons::ReadKept(kept.filePath(files[0]), QSize(24, 24)).isNull());
    // Damaged pictures (not one, cut short, a header of another size) are drawn again and
    // replaced by a whole one.
    const QByteArray whole = [&] {
        QFile f(kept.filePath(files[0]));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const std::pair<int, QByteArray> damages[] = {
        {31, "not a picture"}, {32, whole.left(whole.size() - 4)}, {33, whole}};
    for (const auto& [side, bytes] : damages) {
        const QString damaged =
            kept.filePath(QStringLiteral("file_new-%1x%1-0-").arg(side) + stamp);
        {
            QFile f(damaged);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const QImage redrawn = icons::Toolbar(0).pixmap(side, side).toImage();
        ASSERT_EQ(redrawn.size(), QSize(side, side));
        bool painted = false;
        for (int y = 0; y < side && !painted; ++y)
            for (int x = 0; x < side && !painted; ++x) painted = qAlpha(redrawn.pixel(x, y)) != 0;
        EXPECT_TRUE(painted) << side;
        EXPECT_EQ(icons::ReadKept(damaged, QSize(side, side)),
                  redrawn.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << side;
    }
}

TEST_F(Window, OverflowArrowsAreTheStylesOwnWhenAToolbarOrTheMenuBarOverflows) {
    const QString styleName = QApplication::style()->name();
    icons::DeferOverflowArrows();
    icons::DeferOverflowArrows();  // once is enough: no proxy over the proxy
    auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(qobject_cast<QProxyStyle*>(proxy->baseStyle()), nullptr);
    EXPECT_EQ(proxy->baseStyle()->name(), styleName);
    Start();
    window_->setMinimumSize(0, 0);
    window_->resize(120, 200);
    QApplication::processEvents();
    std::unique_ptr<QStyle> plain(QStyleFactory::create(styleName));
    for (const auto& [name, which] :
         {std::pair{"qt_menubar_ext_button", QStyle::SP_ToolBarHorizontalExtensionButton},
          std::pair{"qt_toolbar_ext_button", QStyle::SP_ToolBarHorizontalExtensionButton}}) {
        auto* arrow = window_->findChild<QToolButton*>(name);
        ASSERT_NE(arrow, nullptr) << name;
        EXPECT_TRUE(arrow->isVisible()) << name;
        EXPECT_FALSE(arrow->icon().isNull()) << name;
        const QImage shown = arrow->icon().pixmap(16, 16).toImage();
        EXPECT_FALSE(shown.isNull()) << name;
        EXPECT_EQ(shown, plain->standardIcon(which, nullptr, arrow).pixmap(16, 16).toImage())
            << name;
    }
}

TEST_F(Window, ToolbarButtonRunsItsCellAndSeparatorsHaveNoAction) {
    Start();
    MainToolbar* bar = window_->Toolbar();
    ASSERT_EQ(bar->LineCount(), 12);
    EXPECT_EQ(bar->ButtonAction(3), nullptr);  // "-"
    EXPECT_FALSE(bar->ButtonAction(0)->icon().isNull());
    bar->ButtonAction(6)->trigger();  // Port 3
    QApplication::processEvents();
    EXPECT_EQ(Environ().comPort, 3);
    EXPECT_TRUE(bar->ButtonAction(6)->isChecked());
    EXPECT_FALSE(bar->ButtonAction(4)->isChecked());
}

TEST_F(Window, FontSizeIsCheckedAppliedAndKeptAndAnAbsurdStoredSizeFallsBack) {
    Start();
    const qreal before = window_->TreeView()->font().pointSizeF();
    Trigger("View", "150 %");
    QStringList checked;
    QMenu* sizes = FindAction(Menu("View"), "Font Size")->menu();
    ASSERT_NE(sizes, nullptr);
    EXPECT_EQ(Checked(sizes), QStringList{"150 %"});
    EXPECT_NEAR(window_->TreeView()->font().pointSizeF(), before * 1.5, 0.01);
    Restart();
    EXPECT_EQ(Environ().fontSizePercentage, 150);
    Stop();
    WriteSetting("View Option", "FontSize Percentage", 999);
    Start();
    EXPECT_EQ(Environ().fontSizePercentage, 100);
    sizes = FindAction(Menu("View"), "Font Size")->menu();
    EXPECT_EQ(Checked(sizes), QStringList{"100 %"});
}

// Column widths grow and shrink with the font, and a heading is never cut, also where the
// stored width was made at another size.
TEST_F(Window, ColumnWidthsFollowTheFontSizeAndNeverCutAHeading) {
    Start();
    OpenNode("International");
    auto* sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
    ASSERT_NE(sheet, nullptr);
    const auto widths = [&] {
        std::vector<int> w;
        for (int c = 0; c < sheet->Grid()->Model()->ColumnCount(); ++c)
            w.push_back(sheet->Grid()->Model()->ColumnWidth(c));
        return w;
    };
    const auto cutHeadings = [&] {
        GridModel& m = *sheet->Grid()->Model();
        std::string cut;
        for (int c = m.FixedCols(); c < m.ColumnCount(); ++c) {
            const cmcCellObj& head = m.Def().Cell(c, m.FixedRows() - 1);
            const int needed = MeasureText(sheet->Grid()->Surface(), head.Text,
                                           EffectiveFont(head, m.Def().BasicCell()))
                                   .width;
            if (needed > m.ColumnWidth(c)) cut += head.Text + " ";
        }
        return cut;
    };
    const std::vector<int> at100 = widths();
    // The user narrows the transmit column (a width of the sheet's own, stored at 100 %).
    const int narrowed = 3;
    ASSERT_LT(narrowed, static_cast<int>(at100.size()));
    sheet->Grid()->Model()->SetColumnWidth(narrowed, at100[narrowed] + 20, true);
    Trigger("View", "150 %");
    sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
    Shot(window_.get(), "sheet_font_150");
    EXPECT_EQ(cutHeadings(), "");
    const std::vector<int> at150 = widths();
    EXPECT_NEAR(at150[narrowed], (at100[narrowed] + 20) * 1.5, 1.0);
    for (size_t c = 1; c < at100.size(); ++c) EXPECT_GT(at150[c], at100[c]) << "column " << c;
    Trigger("View", "100 %");
    sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
    EXPECT_EQ(cutHeadings(), "");
    EXPECT_NEAR(widths()[narrowed], at100[narrowed] + 20, 1.0);
}

TEST_F(Window, SplitterWidthIsTheSameOverFiveRestarts) {
    Start();
    ASSERT_TRUE(WaitUntil([&] { return window_->CurrentSheet() != nullptr; }));
    SetTreeWidth(window_->Splitter(), 237);
    QApplication::processEvents();
    ASSERT_EQ(window_->TreePanelWidth(), 237);
    for (int i = 0; i < 5; ++i) {
        Restart();
        // Measured once the first sheet has taken its pane.
        ASSERT_TRUE(WaitUntil([&] { return window_->CurrentSheet() != nullptr; }));
        QApplication::processEvents();
        EXPECT_EQ(window_->TreePanelWidth(), 237) << "start " << i + 2;
        EXPECT_EQ(window_->TreeView()->width(), 237) << "start " << i + 2;
    }
}

TEST_F(Window, TreeShowsEveryCaptionWholeUntilTheUserSetsItsWidth) {
    Start();
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    window_->RunCommandLine({"kelda", "/svcmode"});  // the maker-only nodes too
    const int first = window_->TreePanelWidth();
    for (const char* model : {"Australia and New Zealand", "Inland Waterways (ATIS)", "USA",
                              "Canada", "International"}) {
        Trigger("Model", model);
        EXPECT_EQ(CutCaptions(window_->TreeView()), "") << model;
    }
    Shot(window_.get(), "tree_default_width");
    // A larger font widens the panel as far as its captions need.
    Trigger("View", "200 %");
    EXPECT_EQ(CutCaptions(window_->TreeView()), "");
    EXPECT_GT(window_->TreePanelWidth(), first);
    Shot(window_.get(), "tree_font_200");
    // Back to the size the old width holds: the old width comes back.
    Trigger("View", "100 %");
    EXPECT_EQ(window_->TreePanelWidth(), first);
    // A width the user chose is kept, even where it cuts.
    SetTreeWidth(window_->Splitter(), 90);
    Restart();
    EXPECT_EQ(window_->TreePanelWidth(), 90);
}

TEST_F(Window, AbsurdStoredSplitterAndGeometryGiveSaneDefaults) {
    WriteSetting("Window Position", "SplitterV", 2);
    Start();
    EXPECT_EQ(window_->TreePanelWidth(), TForm1::kMinTreeWidth);
    Stop();
    WriteSetting("Window Position", "SplitterV", 900000);
    Start();
    EXPECT_LT(window_->TreePanelWidth(), window_->width());
    EXPECT_GT(window_->centralWidget()->width() - window_->TreePanelWidth(), 8);
    Stop();
    WriteSetting("Window Position", "Width", -40);
    Start();
    EXPECT_GE(window_->width(), 400);
    EXPECT_GE(window_->height(), 200);
    Stop();
    // A window stored far off every screen comes back, its size kept.
    WriteSetting("Window Position", "Width", 700);
    WriteSetting("Window Position", "Left", 30000);
    Start();
    const QRect screen = window_->screen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(window_->geometry()));
    EXPECT_LE(window_->geometry().right(), screen.right());
}

TEST_F(Window, FirstStartFitsTheFirstSheetsColumnsAsFarAsTheScreenAllowsAndAStoredSizeIsKept) {
    Start();
    QApplication::processEvents();
    auto* sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
    ASSERT_NE(sheet, nullptr);
    const int tree = window_->TreePanelWidth();
    const int needed = tree + window_->Splitter()->handleWidth() + sheet->NeededWidth();
    const QRect area = window_->screen()->availableGeometry();
    EXPECT_EQ(window_->width(), qBound(window_->width(), needed, area.width()));
    EXPECT_GT(window_->width(), indEnviron::DefaultWindowRect(area.width(), area.height()).width);
    // The rectangle asked for fits the desktop (the offscreen platform puts its own frame
    // around it).
    const int asked = window_->geometry().left() - window_->windowHandle()->frameMargins().left();
    EXPECT_GE(asked, area.left());
    EXPECT_LE(asked + window_->width(), area.left() + area.width());
    // That width shows every column without a sideways scroll bar (the tree keeps its width
    // when the window grows), and it is close to the least that does.
    for (const auto& [width, bar] : {std::pair{needed, false}, std::pair{needed - 30, true}}) {
        window_->resize(width, window_->height());
        QApplication::processEvents();
        EXPECT_EQ(window_->TreePanelWidth(), tree) << width;
        EXPECT_EQ(sheet->Grid()->horizontalScrollBar()->isVisible(), bar) << width;
    }
    // A stored rectangle is kept as it is, narrow or not.
    window_->setGeometry(area.left() + 20, area.top() + 30, 500, 400);
    const QRect stored = window_->normalGeometry();
    Restart();
    EXPECT_EQ(window_->normalGeometry(), stored);
    EXPECT_EQ(window_->width(), 500);
}

TEST_F(Window, TreeKeysStayInTheTreeAndEachSheetKeepsItsCursor) {
    Start();
    QTreeWidget* tree = window_->TreeView();
    ASSERT_TRUE(WaitUntil([&] { return window_->CurrentSheet() != nullptr; }));
    tree->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return tree->hasFocus(); }));
    // Down moves to the international list; the sheet opens after the delay, focus stays.
    QTest::keyClick(tree, Qt::Key_Down);
    ASSERT_TRUE(WaitUntil([&] {
        return window_->CurrentSheet() && window_->CurrentSheet()->Reference() == "GI_Sheet_IntCh";
    }));
    EXPECT_TRUE(tree->hasFocus());
    SheetPosition p;
    p.column = 2;
    p.row = 40;
    window_->CurrentSheet()->SetPosition(p);
    const SheetPosition left = window_->CurrentSheet()->Position();
    QTest::keyClick(tree, Qt::Key_Down);
    ASSERT_TRUE(WaitUntil([&] {
        return window_->CurrentSheet() && window_->CurrentSheet()->Reference() != "GI_Sheet_IntCh";
    }));
    EXPECT_TRUE(tree->hasFocus());
    // A quick run of keys opens only where it stops.
    QTest::keyClick(tree, Qt::Key_Up);
    ASSERT_TRUE(WaitUntil([&] {
        return window_->CurrentSheet() && window_->CurrentSheet()->Reference() == "GI_Sheet_IntCh";
    }));
    EXPECT_EQ(window_->CurrentSheet()->Position(), left);
}

TEST_F(Window, RecentFileReopensAndAVanishedFileGivesTheFileErrorAndKeepsTheList) {
    Start();
    const std::string a = dir_ + "/first.kcf";
    dialogs_.Answer(a);
    Trigger("File", "Save As...");
    ASSERT_EQ(App().DocumentPath(), a);
    Trigger("File", "New");
    ASSERT_TRUE(App().Untitled());
    Checked(Menu("File"));
    QAction* recent = FindAction(Menu("File"), "1 first.kcf");  // the name; the path its tip
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->toolTip().toStdString(), a);
    EXPECT_TRUE(recent->isEnabled());
    recent->trigger();
    EXPECT_EQ(App().DocumentPath(), a);
    // The file goes; choosing it reports the file error and the entry stays usable.
    App().New();
    fs::remove(a);
    prompts_.Clear();
    Checked(Menu("File"));
    recent->trigger();
    EXPECT_TRUE(App().Untitled());
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_NE(prompts_.shown()[0].text.find(GTex().GetLine("GI_Mess_FileErr_FileOpen", 0)),
              std::string::npos)
        << prompts_.shown()[0].text;
    EXPECT_EQ(Environ().recentFiles.At(0), a);
    // A folder under the same name is refused the same way.
    fs::create_directory(a);
    prompts_.Clear();
    recent->trigger();
    EXPECT_TRUE(App().Untitled());
    EXPECT_EQ(prompts_.shown().size(), 1u);
}

TEST_F(Window, TitleMarksAModifiedDocumentAndTheLastFolderIsOffered) {
    Start();
    EXPECT_FALSE(window_->isWindowModified());
    App().Working().SetByte(0x2000, App().Working().GetByte(0x2000) ^ 0x01);
    App().CheckModified();
    EXPECT_TRUE(window_->isWindowModified());
    EXPECT_TRUE(window_->windowTitle().contains("[*]"));
    fs::create_directory(dir_ + "/boat");
    dialogs_.Answer(dir_ + "/boat/mine.kcf");
    prompts_.SetDefaultAnswer(platform::kAnswerNo);
    Trigger("File", "Save As...");
    EXPECT_FALSE(window_->isWindowModified());
    Restart();
    Trigger("File", "Open...");
    ASSERT_FALSE(dialogs_.asked().empty());
    EXPECT_EQ(dialogs_.asked().back().request.initialDirectory, dir_ + "/boat");
}

TEST_F(Window, CommandLineOpensAFileAndTwoFilesOrAMissingOneAreReported) {
    Start();
    const std::string a = dir_ + "/a.kcf";
    ASSERT_EQ(App().SaveToFile(a), 0);
    App().New();
    window_->RunCommandLine({"kelda", a});
    EXPECT_EQ(App().DocumentPath(), a);
    prompts_.Clear();
    window_->RunCommandLine({"kelda", "x.kcf", "y.kcf"});
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_NE(prompts_.shown()[0].text.find("one clone file"), std::string::npos);
    prompts_.Clear();
    window_->RunCommandLine({"kelda", dir_ + "/none.kcf"});
    EXPECT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(App().DocumentPath(), a);
}

TEST_F(Window, DroppingOneCloneFileOpensItAndTwoAreRefused) {
    Start();
    const std::string a = dir_ + "/drop.kcf";
    ASSERT_EQ(App().SaveToFile(a), 0);
    App().New();
    auto drop = [&](QList<QUrl> urls) {
        QMimeData data;
        data.setUrls(urls);
        EXPECT_TRUE(window_->AcceptsDrop(&data));
        window_->OpenDropped(urls);
        QApplication::processEvents();
    };
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(a));
    prompts_.Clear();
    drop({url, url});
    EXPECT_TRUE(App().Untitled());
    EXPECT_EQ(prompts_.shown().size(), 1u);
    drop({url});
    ASSERT_TRUE(WaitUntil([&] { return App().DocumentPath() == a; }));
}

TEST_F(Window, ClosingIsRefusedWhileDisabledOrCancelledAndThenStoresNothing) {
    Start();
    SetTreeWidth(window_->Splitter(), 300);
    window_->setEnabled(false);  // as while a clone or a print runs
    EXPECT_FALSE(window_->close());
    EXPECT_FALSE(window_->StatusPanels()->IndicatorText().isEmpty());
    EXPECT_EQ(window_->StatusPanels()->IndicatorText().toStdString(),
              GTex().GetText("GI_Botttom_CloseWhileBusy"));
    window_->setEnabled(true);  // the run has ended: so has the notice
    EXPECT_TRUE(window_->StatusPanels()->IndicatorText().isEmpty());
    App().Working().SetByte(0x2000, App().Working().GetByte(0x2000) ^ 0x01);
    App().CheckModified();
    prompts_.Answer(platform::kAnswerCancel);
    EXPECT_FALSE(window_->close());
    EXPECT_NE(Environ().splitter, 300);
    prompts_.Answer(platform::kAnswerNo);
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(Environ().splitter, 300);
}

TEST_F(Window, SvcmodeOnTheCommandLineShowsTheDebugMenuMakerPanelAndNodes) {
    Start();
    EXPECT_FALSE(Menu("Debug")->menuAction()->isVisible());
    prompts_.Answer(platform::kAnswerCancel);
    window_->RunCommandLine({"kelda", "/SvcMode"});
    EXPECT_FALSE(App().MakerMode());
    EXPECT_FALSE(window_->StatusPanels()->MakerPanelShown());
    prompts_.Clear();
    window_->RunCommandLine({"kelda", "/svcmode", "/SVCMODE"});
    EXPECT_TRUE(App().MakerMode());
    EXPECT_EQ(prompts_.shown().size(), 1u);  // asked once
    ASSERT_TRUE(WaitUntil([&] { return window_->CurrentSheet() != nullptr; }));
    QApplication::processEvents();
    Shot(window_.get(), "main_window_maker_mode");
    EXPECT_TRUE(Menu("Debug")->menuAction()->isVisible());
    EXPECT_TRUE(window_->StatusPanels()->MakerPanelShown());
    EXPECT_EQ(window_->StatusPanels()->MakerPanelText(),
              QString::fromStdString(GTex().GetLine("GI_StatusPanel_Maker", 0)));
    bool eeprom = false;
    for (QTreeWidgetItemIterator it(window_->TreeView()); *it; ++it)
        eeprom = eeprom || (*it)->text(0) == "EEPROM";
    EXPECT_TRUE(eeprom);
}

TEST_F(Window, AboutBoxShowsTheOverlayTextsAndTypedSvcmodeEntersTheMode) {
    Start();
    Trigger("Help", "About KELDA...");
    ASSERT_TRUE(WaitUntil([&] { return window_->About() != nullptr; }));
    AboutBox* about = window_->About();
    EXPECT_EQ(about->windowTitle(), "About KELDA");
    EXPECT_TRUE(about->Text().startsWith("KELDA "));
    EXPECT_TRUE(
        about->Text().contains(QString::fromStdString(GTex().GetLine("GI_App_About_Revision", 0))));
    // Not modal: the main window is disabled instead, the box is not.
    EXPECT_EQ(about->windowModality(), Qt::NonModal);
    EXPECT_FALSE(window_->isEnabled());
    EXPECT_TRUE(about->isEnabled());
    Shot(about, "about_box");
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    QTest::keyClicks(about->Button(), "xxSVCmode");
    EXPECT_TRUE(App().MakerMode());
    EXPECT_TRUE(window_->StatusPanels()->MakerPanelShown());
    prompts_.Clear();
    QTest::keyClicks(about->Button(), "svcmode");  // already on: no second caution
    EXPECT_TRUE(prompts_.shown().empty());
    about->Button()->click();
    EXPECT_TRUE(WaitUntil([&] { return window_->About() == nullptr; }));
    EXPECT_TRUE(window_->isEnabled());
}

TEST_F(Window, IndicatorShowsEventTextsAndColoursAndKeepsItsMinimumWidth) {
    Start();
    MainStatusBar* bar = window_->StatusPanels();
    ShowStatusMessage("Hello from the bottom bar");
    EXPECT_EQ(bar->IndicatorText(), "Hello from the bottom bar");
    EvMan().SendText(4, 0x00FFFF, 0x000080, "This item cannot be changed here.");
    EXPECT_EQ(bar->IndicatorText(), "This item cannot be changed here.");
    EXPECT_EQ(bar->IndicatorBackground(), QColor(0x80, 0, 0));
    window_->resize(400, 300);
    QApplication::processEvents();
    EXPECT_GE(bar->IndicatorWidth(), MainStatusBar::kIndicatorMinimum);
}

TEST_F(Window, F1OnAChannelCellOpensItsTopicAndUnknownTopicsAreReported) {
    Start();
    OpenNode("International");
    ASSERT_NE(window_->CurrentSheet(), nullptr);
    // The first channel row's name cell.
    SheetPane* sheet = window_->CurrentSheet();
    const cmcCellObj* cell = nullptr;
    for (int row = 0; row < 20 && !cell; ++row)
        for (int column = 0; column < 12 && !cell; ++column) {
            sheet->SetPosition({column, row, -1, -1});
            const cmcCellObj* c = sheet->CurrentCell();
            if (c && c->Label == CL_ChList_Comment) cell = c;
        }
    ASSERT_NE(cell, nullptr);
    const int context = HelpGTex().ContextHelpNumber(LabelName(CL_ChList_Comment));
    ASSERT_GT(context, 0);
    prompts_.Clear();
    QTest::keyClick(sheet->Widget(), Qt::Key_F1);
    ASSERT_NE(window_->Help(), nullptr);
    QTextBrowser* popup = window_->Help()->Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(prompts_.shown().empty());
    Shot(popup, "help_popup");
    EXPECT_EQ(popup->source().fileName(), window_->Help()->TopicFile(context).section('/', -1));
    EXPECT_EQ(popup->size(),
              QSize(std::atoi(GTex().GetLine("GI_Sys_HtmlHelp_Popup_Width").c_str()),
                    std::atoi(GTex().GetLine("GI_Sys_HtmlHelp_Popup_Height").c_str())));
    // A label without a context number asks for topic 0, which the help does not have.
    EXPECT_EQ(window_->Help()->ShowPopup(0, QPoint(10, 10)), HelpViewer::kNoTopic);
    ASSERT_FALSE(prompts_.shown().empty());
    EXPECT_EQ(prompts_.shown().back().text, GTex().GetLine("GI_Sys_HtmlHelp_Error", 1));
}

// The pop-up is read and left: Escape, a click elsewhere, typing or another program taking the
// focus each close it, and the grid goes on taking what the user types.
TEST_F(Window, HelpPopupNeverHoldsTheInput) {
    Start();
    auto* sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
    ASSERT_NE(sheet, nullptr);
    cuiGrid* grid = sheet->Grid();
    GridModel& model = *grid->Model();
    // The first sheet's longest transmission.
    for (int r = 0; r < model.RowCount(); ++r)
        for (int c = 0; c < model.ColumnCount(); ++c)
            if (model.CellAt(c, r).Label == CL_ComCom_TotTimer) model.SelectCell(c, r);
    ASSERT_EQ(sheet->CurrentCell()->Label, CL_ComCom_TotTimer);
    grid->setFocus();
    const auto openPopup = [&]() -> QPointer<QTextBrowser> {
        QTest::keyClick(grid, Qt::Key_F1);
        QPointer<QTextBrowser> popup = window_->Help() ? window_->Help()->Popup() : nullptr;
        EXPECT_TRUE(popup && popup->isVisible());
        EXPECT_TRUE(grid->hasFocus()) << "the pop-up must not take the keyboard";
        return popup;
    };
    const auto closed = [](const QPointer<QTextBrowser>& p) {
        return WaitUntil([&] { return !p || !p->isVisible(); });
    };

    QPointer<QTextBrowser> popup = openPopup();
    Shot(popup, "help_popup_over_grid");
    // A lone Shift and the wheel over it leave it; a click inside (its links) too.
    QTest::keyClick(grid, Qt::Key_Shift);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton);
    EXPECT_TRUE(popup && popup->isVisible());
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(closed(popup)) << "Escape";
    EXPECT_FALSE(grid->EditorVisible()) << "Escape only closes the pop-up";

    popup = openPopup();
    QTest::mouseClick(window_->StatusPanels(), Qt::LeftButton);
    EXPECT_TRUE(closed(popup)) << "a click in the status bar";

    grid->setFocus();
    popup = openPopup();
    QTest::keyClicks(grid, "4");
    EXPECT_TRUE(closed(popup)) << "typing";
    ASSERT_TRUE(grid->EditorVisible()) << "the grid took the key";
    EXPECT_EQ(grid->Editor()->toPlainText(), "4");
    QTest::keyClick(grid->Editor(), Qt::Key_Escape);

    grid->setFocus();
    popup = openPopup();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window_.get(), &deactivate);
    EXPECT_TRUE(closed(popup)) << "the window lost the focus";
}

TEST_F(Window, HelpContentsWindowNavigatesAndSearches) {
    Start();
    Trigger("Help", "Contents");
    ASSERT_NE(window_->Help(), nullptr);
    HelpWindow* help = window_->Help()->Window();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Browser()->source().fileName(), "index.html");
    Shot(help, "help_window");
    EXPECT_FALSE(help->BackButton()->isEnabled());
    help->ShowPage(window_->Help()->TopicFile(1001));
    EXPECT_TRUE(help->BackButton()->isEnabled());
    help->BackButton()->click();
    EXPECT_EQ(help->Browser()->source().fileName(), "index.html");
    EXPECT_TRUE(help->ForwardButton()->isEnabled());
    help->Search("channel");
    EXPECT_TRUE(help->Browser()->toHtml().contains("topic"));
    help->Search("zzqqxxnotaword");
    EXPECT_FALSE(help->Browser()->toPlainText().contains("topic"));
}

TEST_F(Window, AMissingHelpFolderGivesTheHelpErrorWithItsPath) {
    // A copy of the data without the help pages.
    const std::string data = dir_ + "/data";
    fs::create_directory(data);
    for (const auto& e : fs::directory_iterator(KELDA_BIN_DIR))
        if (e.is_regular_file() &&
            (e.path().extension() == ".OVL" || e.path().extension() == ".kcf"))
            fs::copy_file(e.path(), data + "/" + e.path().filename().string());
    session_ = std::make_unique<AppSession>(data, settings_, 1280, 800);
    window_ = std::make_unique<TForm1>(&session_->App());
    window_->show();
    prompts_.Clear();
    Trigger("Help", "Contents");
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].icon, platform::PromptIcon::Error);
    EXPECT_NE(prompts_.shown()[0].text.find(data + "/help/index.html"), std::string::npos)
        << prompts_.shown()[0].text;
    SetGuiDataFolder(KELDA_BIN_DIR);
}

// A help page far beyond the limit, or one that is no file at all, never stalls F1 or the help
// window: the pop-up is refused with the help's error and the window shows that text instead.
TEST_F(Window, AnOutsizedOrOddHelpPageGivesTheHelpErrorAndNeverStalls) {
    const std::string data = dir_ + "/data";
    fs::create_directory(data);
    for (const auto& e : fs::directory_iterator(KELDA_BIN_DIR))
        if (e.path().extension() == ".OVL" || e.path().extension() == ".kcf" ||
            e.path().filename() == "help")
            fs::copy(e.path(), data + "/" + e.path().filename().string(),
                     fs::copy_options::recursive);
    session_ = std::make_unique<AppSession>(data, settings_, 1280, 800);
    window_ = std::make_unique<TForm1>(&session_->App());
    window_->show();
    Trigger("Help", "Contents");
    ASSERT_NE(window_->Help(), nullptr);
    HelpWindow* help = window_->Help()->Window();
    ASSERT_NE(help, nullptr);
    const QString page = window_->Help()->TopicFile(1001);
    const std::string noHelp = GTex().GetLine("GI_Sys_HtmlHelp_Error", 1);
    fs::resize_file(page.toStdString(), 20 << 20);  // 20 MB of NULs
    const QString odd = QString::fromStdString(data + "/help/odd.html");
    ASSERT_EQ(mkfifo(odd.toLocal8Bit().constData(), 0600), 0);  // opening it would wait forever

    prompts_.Clear();
    EXPECT_EQ(window_->Help()->ShowPopup(1001, QPoint(10, 10)), HelpViewer::kNoTopic);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, noHelp);
    for (const QString& file : {page, odd}) {
        help->ShowPage(file);
        EXPECT_EQ(help->Browser()->toPlainText().trimmed().toStdString(), noHelp);
    }
    help->Search("channel");  // reads every page, the odd ones left out
    EXPECT_TRUE(help->Browser()->toHtml().contains("topic"));
    SetGuiDataFolder(KELDA_BIN_DIR);
}

TEST_F(Window, DebugWindowByteEditLandsInTheImageAndTheCompareListsIt) {
    Start();
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    window_->RunCommandLine({"kelda", "/svcmode"});
    Trigger("Debug", "Set Compare Base");
    Trigger("Debug", "EEPROM Window...");
    auto* debug = window_->findChild<EepromDebugWindow*>();
    ASSERT_NE(debug, nullptr);
    const int address = 0x0123;
    debug->GoTo(address);
    SheetPane* pane = debug->Sheet();
    EXPECT_EQ(pane->Position().column, EepromDebugWindow::ColumnOf(address));
    EXPECT_EQ(pane->Position().row, EepromDebugWindow::RowOf(address));
    const cmcCellObj* cell = pane->CurrentCell();
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Label, CL_EeDebugWin_0 + 3);
    const uint8_t old = App().Working().GetByte(address);
    const uint8_t wanted = old == 0xA5 ? 0x5A : 0xA5;
    // Typed as the user types it: the first digit opens the editor, Enter commits.
    auto* grid = static_cast<cuiSheet*>(debug->Sheet())->Grid();
    grid->setFocus();
    const QString hex = QString("%1").arg(wanted, 2, 16, QChar('0'));
    QTest::keyClicks(grid, hex);
    ASSERT_TRUE(grid->EditorVisible());
    QTest::keyClick(grid->Editor(), Qt::Key_Return);
    EXPECT_EQ(App().Working().GetByte(address), wanted);
    EXPECT_TRUE(WaitUntil([&] { return debug->StatusText().startsWith(hex.toUpper()); }));
    // One digit alone is that digit's value.
    QTest::keyClick(grid, Qt::Key_7);
    QTest::keyClick(grid->Editor(), Qt::Key_Return);
    EXPECT_EQ(App().Working().GetByte(address), 0x07);
    // Enter opens the bit window; bit 7 and bit 6 toggled there land in the byte with OK, and
    // nothing lands when it is left with Escape.
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return debug->BitWindow() != nullptr; }));
    cuiFBitsR* bits = debug->BitWindow();
    EXPECT_EQ(bits->Held(), 0x07 << kBitWindowShift);
    // Each bit cell under its bit number, 7 first.
    GridModel* bitModel = bits->Grid()->Model();
    for (int index = 1; index <= 8; ++index) {
        std::string heading;
        for (int c = 0; c < bitModel->ColumnCount(); ++c)
            for (int r = 0; r < bitModel->RowCount(); ++r)
                if (bitModel->CellAt(c, r).Label == CL_FBits &&
                    bitModel->CellAt(c, r).Index == index)
                    for (int above = 0; above < r; ++above)
                        if (!bitModel->CellAt(c, above).Text.empty())
                            heading = bitModel->CellAt(c, above).Text;
        EXPECT_EQ(heading, std::to_string(8 - index));
    }
    EXPECT_TRUE(bits->BitSet(8));
    EXPECT_FALSE(bits->BitSet(1));
    QTest::keyClick(bits->Grid(), Qt::Key_Space);
    QTest::keyClick(bits->Grid(), Qt::Key_Right);
    QTest::keyClick(bits->Grid(), Qt::Key_Space);
    EXPECT_TRUE(bits->BitSet(1) && bits->BitSet(2));
    Shot(bits, "bit_window");
    QTest::keyClick(bits->Grid(), Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return debug->BitWindow() == nullptr; }));
    EXPECT_EQ(App().Working().GetByte(address), 0x07);
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return debug->BitWindow() != nullptr; }));
    bits = debug->BitWindow();
    QTest::keyClick(bits->Grid(), Qt::Key_Space);
    QTest::keyClick(bits->Grid(), Qt::Key_Right);
    QTest::keyClick(bits->Grid(), Qt::Key_Space);
    QTest::keyClick(bits->Grid(), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return debug->BitWindow() == nullptr; }));
    EXPECT_EQ(App().Working().GetByte(address), 0xC7);
    // OK keeps the window's edits as one step.
    Shot(debug, "eeprom_window");
    debug->findChild<QPushButton*>("EepromWindowOk")->click();
    EXPECT_TRUE(WaitUntil([&] { return window_->findChild<EepromDebugWindow*>() == nullptr; }));
    const uint8_t edited = 0xC7;
    App().Undo();
    EXPECT_EQ(App().Working().GetByte(address), old);
    App().Redo();
    EXPECT_EQ(App().Working().GetByte(address), edited);
    // The debug compare lists the byte, and right after it lists nothing.
    const std::string listing = App().DebugCompare();
    char line[32];
    std::snprintf(line, sizeof line, "%04X : %02X -> %02X", address, old, edited);
    EXPECT_EQ(listing, line);
    EXPECT_EQ(App().DebugCompare(), "");
}

// The maker's sheets have maroon title bars: their titles read at 4.5:1 or better.
TEST_F(Window, MakerSheetTitlesAreReadable) {
    Start();
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    window_->RunCommandLine({"kelda", "/svcmode"});
    auto contrast = [](const QLabel* title) {
        return ContrastRatio(title->palette().color(QPalette::Window),
                             title->palette().color(QPalette::WindowText));
    };
    for (const char* node : {"Manufacturer Values", "EEPROM"}) {
        OpenNode(node);
        auto* sheet = dynamic_cast<cuiSheet*>(window_->CurrentSheet());
        ASSERT_NE(sheet, nullptr) << node;
        EXPECT_EQ(sheet->TitleBar()->palette().color(QPalette::Window), QColor(0x80, 0, 0));
        EXPECT_GE(contrast(sheet->TitleBar()), kReadableContrast) << node;
    }
    Shot(window_.get(), "maker_sheet_title");
    Trigger("Debug", "EEPROM Window...");
    auto* debug = window_->findChild<EepromDebugWindow*>();
    ASSERT_NE(debug, nullptr);
    EXPECT_GE(contrast(static_cast<cuiSheet*>(debug->Sheet())->TitleBar()), kReadableContrast);
    debug->reject();
}

// Cancel takes back the window's own edits, those typed and those of the bit window, and only
// those: no step is left, the edit made before it stays, and the file is as unmodified as before.
TEST_F(Window, EepromWindowCancelTakesBackOnlyItsOwnEdits) {
    Start();
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    window_->RunCommandLine({"kelda", "/svcmode"});
    const int address = 0x0200;
    for (bool editBefore : {false, true}) {
        SCOPED_TRACE(editBefore ? "after an edit in the main window" : "in an unmodified file");
        const uint8_t before = editBefore ? uint8_t(App().Working().GetByte(0x0300) ^ 0x0F) : 0;
        if (editBefore) {
            App().Working().SetByte(0x0300, before);
            App().RecordStep({});
            App().CheckModified();
        }
        const size_t steps = App().History().UndoCount();
        const bool modified = App().Modified();
        cmcEeprom image;
        image.Assign(App().Working());
        Trigger("Debug", "EEPROM Window...");
        auto* debug = window_->findChild<EepromDebugWindow*>();
        ASSERT_NE(debug, nullptr);
        EXPECT_EQ(debug->windowModality(), Qt::WindowModal);
        auto* grid = static_cast<cuiSheet*>(debug->Sheet())->Grid();
        debug->GoTo(address);
        grid->setFocus();
        const uint8_t typed = App().Working().GetByte(address) == 0x3C ? 0xC3 : 0x3C;
        QTest::keyClicks(grid, QString("%1").arg(typed, 2, 16, QChar('0')));
        QTest::keyClick(grid->Editor(), Qt::Key_Return);
        ASSERT_EQ(App().Working().GetByte(address), typed);
        debug->GoTo(address + 1);
        QTest::keyClick(grid, Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return debug->BitWindow() != nullptr; }));
        QTest::keyClick(debug->BitWindow()->Grid(), Qt::Key_Space);
        QTest::keyClick(debug->BitWindow()->Grid(), Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return debug->BitWindow() == nullptr; }));
        ASSERT_NE(App().Working().GetByte(address + 1), image.GetByte(address + 1));
        // A byte left in its editor is taken back too.
        debug->GoTo(address + 2);
        QTest::keyClick(grid, Qt::Key_5);
        ASSERT_TRUE(grid->EditorVisible());
        debug->findChild<QPushButton*>("EepromWindowCancel")->click();
        EXPECT_TRUE(WaitUntil([&] { return window_->findChild<EepromDebugWindow*>() == nullptr; }));
        EXPECT_FALSE(App().Working().Differs(image));
        EXPECT_EQ(App().History().UndoCount(), steps);
        EXPECT_EQ(App().Modified(), modified);
        EXPECT_EQ(window_->isWindowModified(), modified);
        if (editBefore) {
            EXPECT_EQ(App().Working().GetByte(0x0300), before);
            App().Undo();  // the earlier edit is still the last step
            EXPECT_NE(App().Working().GetByte(0x0300), before);
        }
    }
}

}  // namespace
