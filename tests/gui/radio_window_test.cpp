// Reading and writing the radio from the window, against the real kelda-radiosim on a
// pseudo-terminal: the port dialogs, the progress window, the clone information dialog and a
// radio that goes away in the middle of a read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "app/CloneMessages.h"
#include "app/GridModel.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/ScopedInstall.h"
#include "cli/CliRunner.h"
#include "comm/PortLists.h"
#include "comm/PortNumbering.h"
#include "comm/dst_CDrv_Result.h"
#include "gui/AppSession.h"
#include "gui/CloneInfoDialog.h"
#include "gui/PortDialog.h"
#include "gui/ProgressWindow.h"
#include "gui/TForm1.h"
#include "gui/cuiGrid.h"
#include "platform/PortDiscovery.h"
#include "platform/qt/QtClock.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/cmcCellObj.h"
#include "support/Radiosim.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

int RunCli(const std::vector<std::string>& args, const std::string& out) {
    return test::BackgroundProgram("kelda-cli", args, out).Wait();
}

using test::Radiosim;

// The port number the window gives the simulated radio on its device: its entry in the list of
// present ports, "N: KELDA simulated radio (pts/M)".
int PortOf(const std::string& device) {
    std::vector<std::string> numbers, described;
    ListPresentPorts(numbers);
    DescribePorts(numbers, described);
    const std::string tty = device.substr(5);
    for (const auto& d : described)
        if (d.find("(" + tty + ")") != std::string::npos) return PortNumberOf(d);
    return 0;
}

QAction* FindAction(QWidget* window, const QString& text) {
    for (QAction* a : window->findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

template <class W>
W* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<W*>(w); d && d->isVisible()) return d;
    return nullptr;
}

bool Ended(indMain& app, int ms) {
    return QTest::qWaitFor(
        [&] { return app.LastCloneOutcome() != cuiMain::CloneOutcome::kRunning; }, ms);
}

class RadioWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-radio-gui-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        qapp = std::make_unique<QApplication>(gArgc, gArgv);
        prompter = std::make_unique<test::ScriptedPrompter>();
        session = std::make_unique<AppSession>(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800);
        ASSERT_TRUE(session->FirstInstance());
        window = std::make_unique<TForm1>(&session->App());
        window->resize(900, 600);
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        session.reset();
        prompter.reset();
        qapp.reset();
        RemoveTree(dir);
    }
    void Shot(QWidget* w, const char* name) {
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            w->grab().save(QString(shots) + "/" + name + ".png");
    }
    indMain& App() { return session->App(); }

    std::string dir;
    std::unique_ptr<QApplication> qapp;
    platform::QtClock clock;
    ScopedInstall<platform::InstallClock> clockSlot{&clock};
    std::unique_ptr<test::ScriptedPrompter> prompter;
    std::unique_ptr<AppSession> session;
    std::unique_ptr<TForm1> window;
};

TEST_F(RadioWindow, PortDialogsTakeOnlyPortsOneTo256) {
    const std::string refused = "The port number must be from 1 to 256.";
    PortDialog dialog(0, 1, window.get());
    dialog.show();
    Shot(&dialog, "port_dialog_number");
    ASSERT_NE(dialog.Field(), nullptr);
    for (const char* bad : {"0", "257", "COM", "abc"}) {
        SCOPED_TRACE(bad);
        prompter->Clear();
        dialog.Field()->setText(bad);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        ASSERT_EQ(prompter->shown().size(), 1u);
        EXPECT_EQ(prompter->shown()[0].text.rfind(refused, 0), 0u) << prompter->shown()[0].text;
        EXPECT_EQ(prompter->shown()[0].icon, platform::PromptIcon::Error);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.ChosenPort(), 0);
    }
    dialog.Field()->setText(QString(1000, '7'));  // a pasted flood is cut to four characters
    EXPECT_EQ(dialog.Field()->text(), "7777");
    for (auto [typed, port] : {std::pair{" 7 ", 7}, std::pair{"256", 256}}) {
        PortDialog d(0, 1, window.get());
        d.show();
        d.Field()->setText(typed);
        QTest::keyClick(d.Field(), Qt::Key_Return);  // OK is the default button
        EXPECT_EQ(d.ChosenPort(), port);
        EXPECT_FALSE(d.isVisible());
    }
    PortDialog cancelled(0, 1, window.get());
    cancelled.show();
    cancelled.Field()->setText("9");
    QTest::mouseClick(cancelled.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(cancelled.ChosenPort(), 0);
}

namespace {
class FixedDiscovery : public platform::PortDiscovery {
  public:
    std::vector<platform::SerialDeviceInfo> devices;
    std::vector<platform::SerialDeviceInfo> Discover() override { return devices; }
};
}  // namespace

// With no cable plugged in the list of connected ports is empty: OK says so, not that a number
// must be from 1 to 256; with the current port unplugged, it asks for a choice in the list.
TEST_F(RadioWindow, ConnectedPortsDialogSaysWhenNoPortIsConnectedOrNoneChosen) {
    FixedDiscovery discovery;
    ScopedInstall<platform::InstallPortDiscovery> discoverySlot{&discovery};
    PortNumbering table;
    ScopedInstall<InstallPortTable> tableSlot{&table};
    {
        PortDialog dialog(2, 3, window.get());
        dialog.show();
        ASSERT_EQ(dialog.List()->count(), 0);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        ASSERT_EQ(prompter->shown().size(), 1u);
        EXPECT_EQ(prompter->shown()[0].text.rfind("No serial port is connected.", 0), 0u)
            << prompter->shown()[0].text;
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.ChosenPort(), 0);
    }
    discovery.devices = {{"/dev/ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART (ttyUSB0)", 0}};
    prompter->Clear();
    PortDialog dialog(2, 3, window.get());  // port 3 is not plugged in
    dialog.show();
    ASSERT_EQ(dialog.List()->count(), 1);
    ASSERT_EQ(dialog.List()->currentIndex(), -1);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_EQ(prompter->shown().size(), 1u);
    EXPECT_EQ(prompter->shown()[0].text, "Choose the port of the programming cable in the list.");
    dialog.List()->setCurrentIndex(0);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.ChosenPort(), table.NumberOf("/dev/ttyUSB0"));
}

TEST_F(RadioWindow, ConnectedPortsListIsRefilledWhenDroppedDown) {
    Radiosim first(dir, {}, "first");
    const int firstPort = PortOf(first.Device());
    ASSERT_GT(firstPort, 0);
    PortDialog dialog(2, firstPort, window.get());
    dialog.show();
    ASSERT_NE(dialog.List(), nullptr);
    EXPECT_FALSE(dialog.List()->isEditable());
    ASSERT_GE(dialog.List()->count(), 1);
    EXPECT_EQ(PortNumberOf(dialog.List()->currentText().toStdString()), firstPort);
    Shot(&dialog, "port_dialog_connected");

    // A cable plugged in while the dialog is open shows up when the list drops down.
    Radiosim second(dir, {}, "second");
    const int before = dialog.List()->count();
    dialog.List()->showPopup();
    EXPECT_EQ(dialog.List()->count(), before + 1);
    EXPECT_EQ(PortNumberOf(dialog.List()->currentText().toStdString()), firstPort);
    dialog.List()->hidePopup();
    const int secondPort = PortOf(second.Device());
    for (int i = 0; i < dialog.List()->count(); ++i)
        if (PortNumberOf(dialog.List()->itemText(i).toStdString()) == secondPort)
            dialog.List()->setCurrentIndex(i);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.ChosenPort(), secondPort);

    // The known-ports variant is editable and keeps what was typed when it is refilled.
    PortDialog known(1, 1, window.get());
    known.show();
    ASSERT_TRUE(known.List()->isEditable());
    EXPECT_GE(known.List()->count(), 2);
    known.List()->setEditText("12");
    known.Refill();
    EXPECT_EQ(known.List()->currentText(), "12");
    Shot(&known, "port_dialog_known");
    QTest::mouseClick(known.OkButton(), Qt::LeftButton);
    EXPECT_EQ(known.ChosenPort(), 12);
}

TEST_F(RadioWindow, ProgressWindowKeepsItsSizeAndPlaceWhileTheLineChanges) {
    ProgressWindow progress(window.get());
    progress.SetProgress(0, ProgressLine({CloneOperation::kRead, 0, 18208, 0}));
    progress.adjustSize();
    progress.show();
    QApplication::processEvents();
    const QRect frame = progress.geometry();
    const QRect bar = progress.Box()->geometry();
    for (const auto& [done, ms] : {std::pair{576, 200u}, std::pair{2864, 1500u},
                                   std::pair{9216, 9000u}, std::pair{18208, 16000u}}) {
        SCOPED_TRACE(done);
        const std::string line =
            ProgressLine({CloneOperation::kWrite, done, 18208, uint32_t(ms * 200)});
        progress.SetProgress(done * 33 / 18208, line);
        QApplication::processEvents();
        EXPECT_EQ(progress.Line().toStdString(), line);
        EXPECT_EQ(progress.geometry(), frame);
        EXPECT_EQ(progress.Box()->geometry(), bar);
    }
}

TEST_F(RadioWindow, ReadEditWriteAndInformationThroughTheWindow) {
    const std::string image = dir + "/radio.kcf", saved = dir + "/saved.kcf";
    ASSERT_EQ(RunCli({"new", "--model", "2", "-o", image}, dir + "/cli.out"), 0);
    ASSERT_EQ(RunCli({"set", image, "CT_DscIndId.CL_DscIndId_Id[0]=211234567",
                      "CT_DscIndId.CL_DscIndId_Comment[0]=FRIEND",
                      "CT_Null.CL_ComCom_CloneComment=MY BOAT"},
                     dir + "/cli.out"),
              0);
    Radiosim radio(dir, {"--image", image, "--save", saved, "--baud", "115200"}, "radiosim");
    const int port = PortOf(radio.Device());
    ASSERT_GT(port, 0);

    // The port is chosen in the connected-ports dialog from its menu command.
    QAction* choose = FindAction(window.get(), "Choose from &Connected Ports...");
    ASSERT_NE(choose, nullptr);
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<PortDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        for (int i = 0; i < d->List()->count(); ++i)
            if (PortNumberOf(d->List()->itemText(i).toStdString()) == port)
                d->List()->setCurrentIndex(i);
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    choose->trigger();
    ASSERT_EQ(Environ().comPort, port);

    // Read: the progress window stands over the disabled main window and cannot be closed.
    App().RunCommand(AppCommand::kCloneRead, 0, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown<ProgressWindow>() != nullptr; }, 5000));
    ProgressWindow* progress = Shown<ProgressWindow>();
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(progress->isEnabled());
    EXPECT_FALSE(progress->close());
    EXPECT_TRUE(progress->isVisible());
    const QPoint centre = window->frameGeometry().center() - progress->frameGeometry().center();
    EXPECT_LE(centre.manhattanLength(), 4);
    EXPECT_TRUE(QTest::qWaitFor([&] { return progress->Box()->Filled() >= 8; }, 5000));
    EXPECT_TRUE(progress->Line().startsWith("Reading: ")) << progress->Line().toStdString();
    EXPECT_TRUE(progress->Line().contains(" of 18208 bytes")) << progress->Line().toStdString();
    Shot(progress, "progress_window");
    ASSERT_TRUE(Ended(App(), 30000));
    ASSERT_EQ(App().LastCloneOutcome(), cuiMain::CloneOutcome::kDone) << App().LastCloneResult();
    EXPECT_EQ(window->CloneProgress()->LastFilled(), 32);
    EXPECT_EQ(Shown<ProgressWindow>(), nullptr);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(App().Untitled());
    EXPECT_TRUE(App().Modified());
    window->OpenSheet("GI_Sheet_DscIndId");
    ASSERT_NE(window->CurrentSheet(), nullptr);
    cmcCellObj mmsi;  // the sheet's first MMSI cell, drawn as the sheet draws it
    mmsi.Category = CT_DscIndId;
    mmsi.Label = CL_DscIndId_Id;
    mmsi.Index = 0;
    EXPECT_EQ(CellText(mmsi, 0), "211234567");

    // Edit the clone comment as the settings sheet does, then write.
    cmcCellObj comment;
    comment.Label = CL_ComCom_CloneComment;
    cmcCellCapsule commit;
    commit.cell = &comment;
    commit.commitMode = CommitMode::kText;
    commit.inputText = "NEW NAME";
    DispatchCell(commit, false);
    prompter->Clear();
    App().RunCommand(AppCommand::kCloneWrite, 0, {});
    ASSERT_TRUE(Ended(App(), 60000));
    ASSERT_EQ(App().LastCloneOutcome(), cuiMain::CloneOutcome::kDone) << App().LastCloneResult();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ReadFile(saved).empty(); }, 3000));
    std::string got = dir + "/got.out";
    RunCli({"get", saved, "CT_Null.CL_ComCom_CloneComment"}, got);
    EXPECT_EQ(ReadFile(got), "NEW NAME\n");

    // Information: the radio's comment in the overlay's clone information sheet.
    App().RunCommand(AppCommand::kCloneInfo, 0, {});
    ASSERT_TRUE(Ended(App(), 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown<CloneInfoDialog>() != nullptr; }, 2000));
    QPointer<CloneInfoDialog> info = Shown<CloneInfoDialog>();
    EXPECT_FALSE(window->isEnabled());
    bool named = false;
    GridModel& m = *info->Grid()->Model();
    for (int r = 0; r < m.RowCount(); ++r)
        for (int c = 0; c < m.ColumnCount(); ++c) {
            cmcCellCapsule req;
            m.FillPaintRequest(req, c, r, false);
            if (req.cell->IsBound()) m.Dispatcher()(req, false);
            const std::string shown = req.cell->IsBound() ? req.displayText : req.cell->Text;
            named = named || QString::fromStdString(shown).trimmed() == "NEW NAME";
        }
    EXPECT_TRUE(named);
    Shot(info, "clone_information");
    QTest::keyClick(info, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return info.isNull(); }, 2000));
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(RadioWindow, ARadioThatGoesAwayMidReadIsALostConnection) {
    Radiosim radio(dir, {"--baud", "38400"}, "radiosim");
    Environ().comPort = PortOf(radio.Device());
    ASSERT_GT(Environ().comPort, 0);
    cmcEeprom before;
    before.Assign(App().Working());
    App().RunCommand(AppCommand::kCloneRead, 0, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown<ProgressWindow>() != nullptr; }, 5000));
    QTest::qWait(1000);
    ASSERT_EQ(App().LastCloneOutcome(), cuiMain::CloneOutcome::kRunning);
    radio.Kill();
    ASSERT_TRUE(Ended(App(), 500));  // at once, not after a time-out
    EXPECT_EQ(App().LastCloneResult(), CloneResult::kLineLost);
    ASSERT_EQ(prompter->shown().size(), 1u);
    const std::string& text = prompter->shown()[0].text;
    EXPECT_NE(text.find("was lost"), std::string::npos) << text;
    EXPECT_NE(text.find("cable"), std::string::npos) << text;
    EXPECT_NE(text.find("port " + std::to_string(Environ().comPort)), std::string::npos) << text;
    EXPECT_EQ(text.find("did not answer"), std::string::npos) << text;
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(App().Modified());
    EXPECT_TRUE(App().Working().Equals(before));
}

}  // namespace
