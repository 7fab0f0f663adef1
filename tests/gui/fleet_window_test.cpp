// Programming a fleet from the window, against kelda-radiosim instances on their own
// pseudo-terminals: the dialog of Radio > Program a Fleet, its list check, its table and log.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/ScopedInstall.h"
#include "cli/CliRunner.h"
#include "comm/PortLists.h"
#include "gui/AppSession.h"
#include "gui/FleetDialog.h"
#include "gui/TForm1.h"
#include "platform/qt/QtClock.h"
#include "radio/cmcEeprom.h"
#include "support/Radiosim.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

namespace {

int gArgc = 1;
char gName[] = "test_gui";
char* gArgv[] = {gName, nullptr};

using test::Radiosim;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Bytes(const cmcEeprom& image) {
    std::string s;
    for (int i = 0; i < image.Size(); ++i) s += char(image.GetByte(i));
    return s;
}

int PortOf(const std::string& device) {
    std::vector<std::string> numbers, described;
    ListPresentPorts(numbers);
    DescribePorts(numbers, described);
    const std::string tty = device.substr(5);
    for (const auto& d : described)
        if (d.find("(" + tty + ")") != std::string::npos) return PortNumberOf(d);
    return 0;
}

class FleetWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-fleet-gui-XXXXXX";
        dir = mkdtemp(tmpl);
        templ = dir + "/template.kcf";
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        qapp = std::make_unique<QApplication>(gArgc, gArgv);
        prompter = std::make_unique<test::ScriptedPrompter>();
        session = std::make_unique<AppSession>(KELDA_BIN_DIR, dir + "/settings.conf", 1280, 800);
        ASSERT_TRUE(session->FirstInstance());
        window = std::make_unique<TForm1>(&session->App());
        window->resize(900, 600);
        window->show();
        QApplication::processEvents();
        // The template: a factory image with a contact of its own, saved and opened.
        ASSERT_EQ(Cli({"new", "--model", "2", "-o", templ}), 0);
        ASSERT_EQ(Cli({"set", templ, "CT_DscIndId.CL_DscIndId_Id[0]=211234567",
                       "CT_DscIndId.CL_DscIndId_Comment[0]=BASE"}),
                  0);
        ASSERT_EQ(session->App().OpenFile(templ), 0);
    }
    void TearDown() override {
        window.reset();
        session.reset();
        prompter.reset();
        qapp.reset();
        RemoveTree(dir);
    }
    int Cli(const std::vector<std::string>& args) {
        return test::BackgroundProgram("kelda-cli", args, dir + "/cli.out").Wait();
    }
    std::string CliOut(const std::vector<std::string>& args) {
        Cli(args);
        return Slurp(dir + "/cli.out");
    }
    void Shot(QWidget* w, const char* name) {
        QApplication::processEvents();
        if (const char* shots = std::getenv("KELDA_SCREENSHOT_DIR"))
            w->grab().save(QString(shots) + "/" + name + ".png");
    }
    // The dialog as the menu command opens it.
    FleetDialog* OpenFromMenu() {
        QAction* item = nullptr;
        for (QAction* a : window->findChildren<QAction*>())
            if (a->text() == "Program a &Fleet...") item = a;
        if (!item) return nullptr;
        item->trigger();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<FleetDialog*>(w); d && d->isVisible()) return d;
        return nullptr;
    }
    void CheckOnly(FleetDialog* d, const std::set<int>& ports) {
        for (int i = 0; i < d->PortList()->count(); ++i) {
            QListWidgetItem* item = d->PortList()->item(i);
            item->setCheckState(ports.count(item->data(Qt::UserRole).toInt()) ? Qt::Checked
                                                                              : Qt::Unchecked);
        }
    }
    // What a radio was written with (its MMSI and comment), and whether the rest is the
    // template's, over the range every write sends.
    std::string Holds(const std::string& saved) {
        for (int i = 0; i < 200 && Slurp(saved).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string held =
            CliOut({"get", saved, "CT_Null.CL_ComDsc_SelfId", "CT_Null.CL_ComCom_CloneComment"});
        const std::string expected = dir + "/expected.kcf";
        const std::string mmsi = held.substr(0, 9), comment = held.substr(10, held.size() - 11);
        Cli({"set", templ, "-o", expected, "CT_Null.CL_ComDsc_SelfId=" + mmsi,
             "CT_Null.CL_ComCom_CloneComment=" + comment});
        const std::string want = CliOut({"dump", expected, "--from", "0x0310", "--to", "0x46AF"});
        const std::string got = CliOut({"dump", saved, "--from", "0x0310", "--to", "0x46AF"});
        return held + (want == got && !want.empty() ? "the template" : "other bytes");
    }

    std::string dir;
    std::string templ;
    std::unique_ptr<QApplication> qapp;
    platform::QtClock clock;
    ScopedInstall<platform::InstallClock> clockSlot{&clock};
    std::unique_ptr<test::ScriptedPrompter> prompter;
    std::unique_ptr<AppSession> session;
    std::unique_ptr<TForm1> window;
};

const char kList[] =
    "\xEF\xBB\xBFMMSI;Comment\r\n"
    "211000001;BOAT ONE\r\n"
    "211000002;BOAT TWO\r\n"
    "211000003;BOAT THREE\r\n";

TEST_F(FleetWindow, ThreeRowsOverTwoRadiosThenTheLastFromTheLogCutOffWhenClosed) {
    WriteFile(dir + "/list.csv", kList);
    Radiosim a(dir, {"--save", dir + "/a.kcf"}, "fleeta");
    Radiosim b(dir, {"--save", dir + "/b.kcf"}, "fleetb");
    const int portA = PortOf(a.Device()), portB = PortOf(b.Device());
    ASSERT_GT(portA, 0);
    ASSERT_GT(portB, 0);
    const std::string documentBefore = Bytes(session->App().Working());

    FleetDialog* d = OpenFromMenu();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->StartButton()->isEnabled());  // no list yet
    d->ListField()->setText(QString::fromStdString(dir + "/list.csv"));
    QTest::keyClick(d->ListField(), Qt::Key_Return);
    EXPECT_EQ(d->LogField()->text().toStdString(), dir + "/list-log.csv");
    EXPECT_TRUE(d->Problems()->toPlainText().isEmpty())
        << d->Problems()->toPlainText().toStdString();
    CheckOnly(d, {portA, portB});
    d->VerifyBox()->setChecked(true);
    ASSERT_TRUE(d->StartButton()->isEnabled()) << d->Status()->text().toStdString();
    ASSERT_EQ(d->Table()->model()->rowCount(), 2 + 3);  // a line per cable and per row

    QTest::mouseClick(d->StartButton(), Qt::LeftButton);
    EXPECT_TRUE(d->Running());
    EXPECT_FALSE(d->StartButton()->isEnabled());
    // The window stays live while the radios are written: the dialog's table shows progress.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return d->Board()->Count(fleet::RowLine::kWriting) == 2; }, 20000));
    Shot(d, "fleet_dialog_running");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return d->Board()->Count(fleet::RowLine::kVerified) == 2; }, 60000));
    // The third row waits for a radio: both cables still hold theirs.
    EXPECT_EQ(d->Board()->Rows()[2].state, fleet::RowLine::kWaiting);
    QTest::mouseClick(d->StopButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->Running(); }, 10000));
    const std::string summary = d->Summary()->text().toStdString();
    EXPECT_NE(summary.find("2 of 3 rows written and verified."), std::string::npos) << summary;
    EXPECT_NE(summary.find("Not written: row 3 (MMSI 211000003)."), std::string::npos) << summary;
    EXPECT_EQ(summary.find("part of the data"), std::string::npos) << summary;
    Shot(d, "fleet_dialog_stopped");

    const std::string heldA = Holds(dir + "/a.kcf");
    const std::set<std::string> held = {heldA, Holds(dir + "/b.kcf")};
    EXPECT_EQ(held, (std::set<std::string>{"211000001\nBOAT ONE\nthe template",
                                           "211000002\nBOAT TWO\nthe template"}));
    std::string log = Slurp(dir + "/list-log.csv");
    EXPECT_EQ(log.rfind("time,port,row,mmsi,comment,model,revision,result,code,message,seconds", 0),
              0u)
        << log;
    EXPECT_NE(log.find(",1,211000001,BOAT ONE,International,"), std::string::npos) << log;
    EXPECT_NE(log.find(",2,211000002,BOAT TWO,International,"), std::string::npos) << log;

    // A third radio on a cable of its own, paced as a real line: Start again writes only what
    // the log leaves, and closing in the middle asks first.
    // Radio A stays on its cable: done already, it is not taken for the row left.
    Radiosim c(dir, {"--save", dir + "/c.kcf", "--baud", "38400"}, "fleetc");
    d->RefreshPorts();
    const int portC = PortOf(c.Device());
    CheckOnly(d, {portA, portC});
    EXPECT_EQ(d->Board()->Count(fleet::RowLine::kDoneBefore), 2);
    ASSERT_TRUE(d->StartButton()->isEnabled()) << d->Status()->text().toStdString();
    QTest::mouseClick(d->StartButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return d->Board()->Rows()[2].state == fleet::RowLine::kWriting; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->Board()->Rows()[2].percent >= 2; }, 20000));
    EXPECT_EQ(d->Board()->Rows()[2].port, "port " + std::to_string(portC));
    prompter->Clear();
    prompter->Answer(platform::kAnswerCancel);
    EXPECT_FALSE(d->close());
    ASSERT_EQ(prompter->shown().size(), 1u);
    EXPECT_TRUE(d->Running());
    // OK cuts the radio off, and it is named as one that may hold part of the data.
    prompter->Clear();
    prompter->Answer(platform::kAnswerOk);
    EXPECT_TRUE(d->close());
    ASSERT_EQ(prompter->shown().size(), 2u);
    EXPECT_NE(prompter->shown()[1].text.find("may hold part of the data"), std::string::npos);
    EXPECT_NE(prompter->shown()[1].text.find("row 3 (MMSI 211000003)"), std::string::npos)
        << prompter->shown()[1].text;
    log = Slurp(dir + "/list-log.csv");
    EXPECT_NE(log.find(",3,211000003,BOAT THREE,International,"), std::string::npos) << log;
    EXPECT_NE(log.find("interrupted while writing"), std::string::npos) << log;
    size_t verified = 0;
    for (size_t at = 0; (at = log.find(",verified,", at)) != std::string::npos; ++at) ++verified;
    EXPECT_EQ(verified, 2u) << log;

    EXPECT_EQ(Holds(dir + "/a.kcf"), heldA);
    EXPECT_EQ(Slurp(dir + "/c.kcf"), "");

    // The document was the template only: it is as it was, and not marked changed.
    EXPECT_FALSE(session->App().Modified());
    EXPECT_EQ(Bytes(session->App().Working()), documentBefore);
}

TEST_F(FleetWindow, ABadListShowsEveryBadRowAndStartStaysDisabled) {
    Radiosim a(dir, {"--save", dir + "/a.kcf"}, "fleeta");
    FleetDialog* d = OpenFromMenu();
    ASSERT_NE(d, nullptr);
    CheckOnly(d, {PortOf(a.Device())});
    struct Case {
        const char* text;
        std::vector<const char*> says;
    };
    const Case cases[] = {
        // Not digits, a coast station's, twice.
        {"MMSI;Comment\n211000001;ONE\n21100000X;TWO\n002111234;THREE\n211000001;FOUR\n",
         {"row 2 (line 3)", "row 3 (line 4)",
          "row 4 (line 5): MMSI 211000001 is already in row 1"}},
        {"", {"the list is empty"}},
        {"Name,Phone\nA,1\n", {"no MMSI column"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(dir + "/bad.csv", c.text);
        d->SetListFile(QString::fromStdString(dir + "/bad.csv"));
        const std::string shown = d->Problems()->toPlainText().toStdString();
        for (const char* s : c.says) EXPECT_NE(shown.find(s), std::string::npos) << shown;
        EXPECT_EQ(shown.find("row 1 "), std::string::npos) << shown;
        EXPECT_TRUE(d->Problems()->isVisible());
        EXPECT_FALSE(d->StartButton()->isEnabled());
    }
    Shot(d, "fleet_dialog_bad_list");
    // A log that cannot be one (the list itself) is refused before any radio is touched.
    WriteFile(dir + "/good.csv", "MMSI\n211000001\n");
    d->SetListFile(QString::fromStdString(dir + "/good.csv"));
    EXPECT_TRUE(d->StartButton()->isEnabled()) << d->Status()->text().toStdString();
    d->LogField()->setText(QString::fromStdString(dir + "/good.csv"));
    QTest::keyClick(d->LogField(), Qt::Key_Return);
    EXPECT_FALSE(d->StartButton()->isEnabled());
    EXPECT_NE(d->Status()->text().toStdString().find("cannot be used"), std::string::npos);
    d->close();
    EXPECT_TRUE(Slurp(dir + "/a.kcf").empty());

    // A template with an error in its warning list opens no dialog, as Write refuses it.
    ASSERT_EQ(Cli({"set", templ, "-o", dir + "/broken.kcf", "CT_Null.CL_ComDsc_SelfId=002111234"}),
              0);
    ASSERT_EQ(session->App().OpenFile(dir + "/broken.kcf"), 0);
    prompter->Clear();
    EXPECT_EQ(OpenFromMenu(), nullptr);
    ASSERT_EQ(prompter->shown().size(), 1u);
    EXPECT_EQ(prompter->shown()[0].icon, platform::PromptIcon::Error);
}

}  // namespace
