// What assistive technology learns of the window: the sheet's grid as a table with its cells'
// texts, headers, state and warnings; focus and value events as the cursor moves and a value
// changes; cells that stay safe while the sheet is built anew; names for the window's parts;
// the keyboard alone (F6, Shift+F10, access keys).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/GridModel.h"
#include "app/SheetTree.h"
#include "app/indMain.h"
#include "gui/AboutBox.h"
#include "gui/AppSession.h"
#include "gui/GridAccessible.h"
#include "gui/HelpViewer.h"
#include "gui/PortDialog.h"
#include "gui/ProgressWindow.h"
#include "gui/SheetDialog.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

// The events the window sends to assistive technology, kept while a test runs.
struct Heard {
    QAccessible::Event type;
    QString name;  // of the cell or widget the event is about
};
std::vector<Heard>* gHeard = nullptr;

void Listen(QAccessibleEvent* event) {
    if (!gHeard) return;
    QAccessibleInterface* iface = event->accessibleInterface();
    gHeard->push_back({event->type(), iface ? iface->text(QAccessible::Name) : QString()});
}

class Accessibility : public testing::Test {
  protected:
    void SetUp() override {
        app_ = std::make_unique<QApplication>(gArgc, gArgv);
        char tmpl[] = "/tmp/kelda-a11y-XXXXXX";
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
        QAccessible::installUpdateHandler(nullptr);
        QAccessible::setActive(false);
        gHeard = nullptr;
        window_.reset();
        session_.reset();
        app_.reset();
        RemoveTree(dir_);
    }

    cuiSheet* Open(const std::string& reference) {
        window_->OpenSheet(reference);
        QApplication::processEvents();
        return dynamic_cast<cuiSheet*>(window_->CurrentSheet());
    }
    cuiGrid* Grid() { return dynamic_cast<cuiSheet*>(window_->CurrentSheet())->Grid(); }
    QAccessibleTableInterface* Table() {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Grid());
        return iface ? iface->tableInterface() : nullptr;
    }
    // The cell of a label on the sheet, as the table gives it.
    QAccessibleInterface* CellOf(int label, int index = 0) {
        GridModel& m = *Grid()->Model();
        for (int r = 0; r < m.RowCount(); ++r)
            for (int c = 0; c < m.ColumnCount(); ++c)
                if (m.CellAt(c, r).Label == label && m.CellAt(c, r).Index == index)
                    return Table()->cellAt(r, c);
        return nullptr;
    }
    std::unique_ptr<QApplication> app_;
    std::string dir_;
    test::ScriptedPrompter prompts_;
    std::unique_ptr<AppSession> session_;
    std::unique_ptr<TForm1> window_;
    std::vector<Heard> heard_;  // events sent while nobody listens
};

QString Name(QAccessibleInterface* iface) {
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

TEST_F(Accessibility, TheFunctionsSheetIsATableWhoseCellsSayTheirSettingAndValue) {
    Open("GI_Sheet_ComCom");
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(Grid());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->role(), QAccessible::Table);
    EXPECT_EQ(grid->text(QAccessible::Name), "Functions");
    EXPECT_FALSE(grid->text(QAccessible::Description).isEmpty());
    ASSERT_NE(Table(), nullptr);
    EXPECT_EQ(Table()->rowCount(), Grid()->Model()->RowCount());
    EXPECT_EQ(Table()->columnCount(), Grid()->Model()->ColumnCount());

    QAccessibleInterface* dual = CellOf(CL_ComCom_DualWatchF);
    ASSERT_NE(dual, nullptr);
    EXPECT_EQ(dual->role(), QAccessible::Cell);
    EXPECT_EQ(Name(dual), "On");
    EXPECT_EQ(dual->text(QAccessible::Value), "On");
    EXPECT_TRUE(dual->text(QAccessible::Description).contains("Dual watch"));
    EXPECT_TRUE(dual->state().editable);
    EXPECT_FALSE(dual->state().readOnly);
    // Its row header is the setting's name; that cell takes no input.
    const auto headers = dual->tableCellInterface()->rowHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(Name(headers.front()), "Dual watch");
    EXPECT_TRUE(headers.front()->state().readOnly);
    EXPECT_FALSE(headers.front()->state().focusable);
    // A heading joined over its row says its text in every column it covers.
    GridModel& m = *Grid()->Model();
    int heading = -1;
    for (int r = 0; r < m.RowCount() && heading < 0; ++r)
        if (m.CellAt(0, r).Text == "Scan and watch") heading = r;
    ASSERT_GE(heading, 0);
    ASSERT_TRUE(m.CellAt(m.ColumnCount() - 1, heading).JoinLeft);
    for (int c = 0; c < m.ColumnCount(); ++c)
        EXPECT_EQ(Name(Table()->cellAt(heading, c)), "Scan and watch") << c;
    // The table knows its own cells back, and the cursor's cell is the focused child.
    EXPECT_EQ(grid->child(grid->indexOfChild(dual)), dual);
    Grid()->setFocus();
    QApplication::processEvents();
    const auto* cell = dual->tableCellInterface();
    Grid()->Model()->SelectCell(cell->columnIndex(), cell->rowIndex());
    EXPECT_EQ(grid->focusChild(), dual);
    EXPECT_TRUE(dual->state().focused);
    EXPECT_TRUE(dual->state().selected);
    EXPECT_TRUE(grid->childAt(dual->rect().center().x(), dual->rect().center().y()) == dual);
}

TEST_F(Accessibility, ChannelListHeadersComeFromTheFixedRowsAndColumns) {
    Open("GI_Sheet_IntCh");
    GridModel& m = *Grid()->Model();
    ASSERT_GT(m.FixedRows(), 0);
    ASSERT_GT(m.FixedCols(), 0);
    const int row = m.FixedRows() + 15;
    const int column = m.FixedCols() + 1;
    QAccessibleInterface* cell = Table()->cellAt(row, column);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(Table()->cellAt(0, column)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(Table()->cellAt(row, 0)->role(), QAccessible::RowHeader);
    const auto columnHeads = cell->tableCellInterface()->columnHeaderCells();
    const auto rowHeads = cell->tableCellInterface()->rowHeaderCells();
    ASSERT_FALSE(columnHeads.isEmpty());
    ASSERT_FALSE(rowHeads.isEmpty());
    EXPECT_FALSE(Table()->columnDescription(column).isEmpty());
    EXPECT_EQ(Table()->rowDescription(row), Name(rowHeads.front()));
    EXPECT_EQ(Table()->cellAt(m.RowCount(), 0), nullptr);
    EXPECT_EQ(Table()->cellAt(0, -1), nullptr);
}

TEST_F(Accessibility, EveryCellOfTheLongestSheetReadsAndSurvivesRebuilds) {
    cuiSheet* sheet = Open("GI_Sheet_IntCh");
    GridModel& m = *Grid()->Model();
    ASSERT_GE(m.RowCount(), 418);
    // Read cell by cell, as a reader walking the table does.
    int texts = 0;
    for (int r = 0; r < Table()->rowCount(); ++r)
        for (int c = 0; c < Table()->columnCount(); ++c) {
            QAccessibleInterface* cell = Table()->cellAt(r, c);
            ASSERT_NE(cell, nullptr);
            texts += !Name(cell).isEmpty();
            (void)cell->state();
        }
    EXPECT_GT(texts, 418);
    // A reader holds a cell near the end while the sheet is built anew at another font size,
    // then for another model: the cell keeps answering for its place, never for a gone cell.
    QAccessibleInterface* held = Table()->cellAt(m.RowCount() - 1, m.FixedCols() + 1);
    ASSERT_NE(held, nullptr);
    const QAccessible::Id id = QAccessible::uniqueId(held);
    sheet->SetFontPercent(150);
    sheet->Rebuild();
    QApplication::processEvents();
    QAccessibleInterface* again = QAccessible::accessibleInterface(id);
    if (again) {
        (void)again->text(QAccessible::Name);
        (void)again->state();
        (void)again->rect();
    }
    prompts_.SetDefaultAnswer(platform::kAnswerOk);
    session_->App().Model().ChangeModel(0, false);
    QApplication::processEvents();
    again = QAccessible::accessibleInterface(id);
    if (again) {
        (void)again->text(QAccessible::Name);
        (void)again->tableCellInterface()->rowHeaderCells();
    }
    // A sheet closed under the reader leaves cells that say they are gone.
    Open("GI_Sheet_IntCh");
    ASSERT_NE(window_->CurrentSheet(), nullptr);
    QAccessibleInterface* last = Table()->cellAt(0, 0);
    const QAccessible::Id lastId = QAccessible::uniqueId(last);
    window_->CloseSheet();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    if (QAccessibleInterface* gone = QAccessible::accessibleInterface(lastId)) {
        EXPECT_FALSE(gone->isValid());
        EXPECT_TRUE(gone->text(QAccessible::Name).isEmpty());
    }
}

// The events themselves reach a reader over the desktop's accessibility bus (the AT-SPI test
// listens there); without one nothing is sent at all.
TEST_F(Accessibility, EditingAnnouncesTheEditorAndTheTableTakesValuesAsTyped) {
    Open("GI_Sheet_ComCom");
    heard_.clear();
    gHeard = &heard_;
    QAccessible::installUpdateHandler(Listen);
    ASSERT_FALSE(QAccessible::isActive());
    QAccessibleInterface* tri = CellOf(CL_ComCom_TriWatchF);
    QAccessibleInterface* comment = CellOf(CL_ComCom_CloneComment);
    ASSERT_NE(tri, nullptr);
    ASSERT_NE(comment, nullptr);
    Grid()->setFocus();
    Grid()->Model()->SelectCell(tri->tableCellInterface()->columnIndex(),
                                tri->tableCellInterface()->rowIndex());
    QTest::keyClick(Grid(), Qt::Key_Up);
    QTest::keyClick(Grid(), Qt::Key_Down);
    EXPECT_TRUE(heard_.empty());

    // The chooser of a choice cell and the editor of a text cell say what they edit.
    const QString before = Name(tri);
    QTest::keyClick(Grid(), Qt::Key_Return);
    QApplication::processEvents();
    ChooserPopup* chooser = Grid()->Chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->Grid()->accessibleName(), axtext::Text(axtext::kChooserName, {"Tri watch"}));
    EXPECT_FALSE(chooser->Grid()->accessibleDescription().isEmpty());
    QTest::keyClick(chooser, Qt::Key_Escape);
    QApplication::processEvents();
    Grid()->Model()->SelectCell(comment->tableCellInterface()->columnIndex(),
                                comment->tableCellInterface()->rowIndex());
    QTest::keyClicks(Grid(), "SEA");
    ASSERT_TRUE(Grid()->EditorVisible());
    EXPECT_EQ(Grid()->Editor()->accessibleName(),
              axtext::Text(axtext::kEditorName, {"Comment stored with the settings"}));
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(Grid());
    EXPECT_EQ(grid->focusChild()->object(), Grid()->Editor());
    EXPECT_EQ(grid->child(grid->childCount() - 1)->object(), Grid()->Editor());
    QTest::keyClick(Grid()->Editor(), Qt::Key_Return);
    EXPECT_EQ(Name(comment), "SEA");

    // Through the table: a choice by its text, and a refused value that changes nothing.
    const QString other = before == "On" ? "Off" : "On";
    tri->setText(QAccessible::Value, other);
    EXPECT_EQ(Name(tri), other);
    tri->setText(QAccessible::Value, "Sideways");
    EXPECT_EQ(Name(tri), other);
    EXPECT_TRUE(heard_.empty());
}

TEST_F(Accessibility, AnErrorCellDescribesItsFinding) {
    datCh rec(&session_->App().WorkingImage());
    rec.Load(1, 3);
    rec.marks |= datCh::kMarkP;
    rec.flags |= datCh::kUnused;
    rec.Commit();
    Open("GI_Sheet_IntCh");
    GridModel& m = *Grid()->Model();
    bool found = false;
    for (int r = m.FixedRows(); r < m.RowCount() && !found; ++r)
        for (int c = m.FixedCols(); c < m.ColumnCount(); ++c) {
            const CellSpeech speech = SpeakCell(*Grid(), c, r);
            if (speech.description.empty()) continue;
            found = true;
            EXPECT_EQ(speech.description.rfind("error: ", 0), 0u) << speech.description;
            EXPECT_GT(speech.description.size(), 10u);
            EXPECT_TRUE(
                Table()->cellAt(r, c)->text(QAccessible::Description).startsWith("error: "));
            break;
        }
    EXPECT_TRUE(found);
}

TEST_F(Accessibility, WindowPartsHaveNamesFromTheOverlay) {
    Open("GI_Sheet_ComCom");
    EXPECT_EQ(window_->TreeView()->accessibleName(), axtext::Text(axtext::kTreeName));
    EXPECT_FALSE(window_->TreeView()->accessibleName().isEmpty());
    EXPECT_FALSE(window_->menuBar()->accessibleName().isEmpty());
    // Every toolbar button, the extension button included, and every menu item.
    int buttons = 0;
    for (QToolBar* bar : window_->findChildren<QToolBar*>()) {
        EXPECT_FALSE(bar->accessibleName().isEmpty());
        for (QToolButton* b : bar->findChildren<QToolButton*>()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
            ASSERT_NE(iface, nullptr);
            EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << b->objectName().toStdString();
            ++buttons;
        }
    }
    EXPECT_GT(buttons, 5);
    for (QAction* top : window_->menuBar()->actions()) {
        if (!top->menu()) continue;
        emit top->menu()->aboutToShow();
        for (QAction* a : top->menu()->actions())
            if (!a->isSeparator()) {
                EXPECT_FALSE(a->text().isEmpty());
            }
    }
    for (QWidget* w : window_->statusBar()->findChildren<QWidget*>())
        if (w->isVisible() && w->width() > 50) {
            EXPECT_FALSE(w->accessibleName().isEmpty());
        }

    ProgressWindow progress(window_.get());
    progress.SetProgress(8, "Reading 8192 of 32768 bytes");
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(progress.Box());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_FALSE(bar->text(QAccessible::Name).isEmpty());
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 25);
}

// Every control of the help window and the dialogs that a reader can land on says what it is,
// and the windows' captions come from the overlay.
TEST_F(Accessibility, TheHelpWindowAndTheDialogsNameEveryControl) {
    std::vector<QString> unnamed;
    int controls = 0;
    const auto walk = [&](QWidget* top) {
        ASSERT_FALSE(top->windowTitle().isEmpty()) << top->metaObject()->className();
        std::vector<QAccessibleInterface*> todo{QAccessible::queryAccessibleInterface(top)};
        while (!todo.empty()) {
            QAccessibleInterface* iface = todo.back();
            todo.pop_back();
            if (!iface || iface->state().invisible) continue;
            switch (iface->role()) {
                case QAccessible::PushButton:
                case QAccessible::CheckBox:
                case QAccessible::RadioButton:
                case QAccessible::ComboBox:
                case QAccessible::EditableText:
                case QAccessible::Table:
                case QAccessible::ProgressBar:
                    ++controls;
                    if (iface->text(QAccessible::Name).trimmed().isEmpty())
                        unnamed.push_back(QString("%1 in %2")
                                              .arg(iface->object()
                                                       ? iface->object()->metaObject()->className()
                                                       : "?",
                                                   top->windowTitle()));
                    break;
                default:
                    break;
            }
            for (int i = 0; i < iface->childCount(); ++i) todo.push_back(iface->child(i));
        }
    };
    HelpViewer help(window_.get());
    HelpWindow helpWindow(help.HelpFile());
    helpWindow.show();
    EXPECT_EQ(helpWindow.windowTitle(),
              axtext::Text(axtext::kHelpCaption, {GTex().GetLine(keys::kSysAppTitle, 0)}));
    walk(&helpWindow);
    helpWindow.Search("zzzz-nowhere");
    EXPECT_TRUE(
        helpWindow.Browser()->toPlainText().contains(axtext::Text(axtext::kHelpNothingFound)));
    AboutBox about(window_.get(), [](char) {});
    about.show();
    walk(&about);
    for (int variant : {0, 1}) {
        PortDialog port(variant, 1, window_.get());
        port.show();
        walk(&port);
    }
    SheetDialog info(window_.get(), "Radio Information", GTex(), "GI_Sheet_CloneInfo");
    info.show();
    walk(&info);
    ProgressWindow progress(window_.get());
    progress.show();
    EXPECT_EQ(progress.windowTitle(), axtext::Text(axtext::kProgressCaption));
    walk(&progress);
    EXPECT_GT(controls, 10);
    EXPECT_TRUE(unnamed.empty())
        << QStringList(unnamed.begin(), unnamed.end()).join(", ").toStdString();
}

TEST_F(Accessibility, F6MovesBetweenTreeAndSheetAndShiftF10OpensTheCellsCommands) {
    Open("GI_Sheet_ComCom");
    window_->TreeView()->setFocus();
    QApplication::processEvents();
    QTest::keyClick(window_.get(), Qt::Key_F6);
    EXPECT_EQ(QApplication::focusWidget(), Grid());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_EQ(QApplication::focusWidget(), window_->TreeView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), Grid());

    QTest::keyClick(Grid(), Qt::Key_F10, Qt::ShiftModifier);
    QMenu* popup = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) popup = m;
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->actions().isEmpty());
    popup->close();
}

// Access keys: within each menu of the window and each cell popup menu of the overlay, no two
// items share a key, and every item has one.
TEST_F(Accessibility, AccessKeysAreUniqueWithinEachMenu) {
    std::vector<QMenu*> menus;
    for (QAction* top : window_->menuBar()->actions())
        if (top->menu()) menus.push_back(top->menu());
    // The popup menus the overlay defines, as the sheets show them.
    std::vector<std::unique_ptr<QMenu>> popups;
    for (const char* sheet : {"GI_Sheet_IntCh", "GI_Sheet_ComCom", "GI_Sheet_DscIndId"}) {
        Open(sheet);
        GridModel& m = *Grid()->Model();
        for (int r = m.FixedRows(); r < m.RowCount(); r += 7)
            for (int c = m.FixedCols(); c < m.ColumnCount(); ++c) {
                if (!m.CellAt(c, r).Selectable) continue;
                m.SelectCell(c, r);
                if (QMenu* menu = Grid()->PopupMenu(QPoint(), false)) {
                    popups.emplace_back(menu);
                    menus.push_back(menu);
                }
            }
    }
    ASSERT_GT(popups.size(), 3u);
    std::vector<QMenu*> all;
    while (!menus.empty()) {
        QMenu* menu = menus.back();
        menus.pop_back();
        emit menu->aboutToShow();
        all.push_back(menu);
        for (QAction* a : menu->actions())
            if (a->menu()) menus.push_back(a->menu());
    }
    for (QMenu* menu : all) {
        QMap<QChar, QString> keys;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator() || !a->isVisible()) continue;
            const QChar key = AccessKeyOf(a->text());
            EXPECT_FALSE(key.isNull()) << a->text().toStdString();
            if (key.isNull()) continue;
            EXPECT_FALSE(keys.contains(key))
                << a->text().toStdString() << " and " << keys.value(key).toStdString();
            keys.insert(key, a->text());
        }
    }
}

TEST(AccessKeys, AssignedWhereMissingAndKeptWhereGiven) {
    int argc = 1;
    QApplication app(argc, gArgv);
    struct Case {
        QStringList in;
        QStringList out;
    } const cases[] = {
        {{"&Open", "Options", "Other"}, {"&Open", "O&ptions", "O&ther"}},
        {{"USA", "Europe", "United Kingdom"}, {"&USA", "&Europe", "United &Kingdom"}},
        {{"Copy\tCtrl+C", "Cut"}, {"&Copy\tCtrl+C", "C&ut"}},
        {{"Salt && Pepper", "Save"}, {"&Salt && Pepper", "S&ave"}},
        {{"75 %", "100 %"}, {"&75 %", "&100 %"}},
    };
    for (const Case& c : cases) {
        QMenu menu;
        for (const QString& text : c.in) menu.addAction(text);
        AssignAccessKeys(&menu);
        QStringList got;
        for (QAction* a : menu.actions()) got << a->text();
        EXPECT_EQ(got, c.out) << c.in.join('|').toStdString();
    }
    EXPECT_EQ(AccessKeyOf("Salt && &Pepper"), QChar('P'));
    EXPECT_TRUE(AccessKeyOf("Salt && Pepper").isNull());
}

}  // namespace
