#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/TForm1.h"

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

// Without a display the program explains what to do instead of failing with a toolkit error.
TEST(MainWindow, WithoutADisplayTheProgramSaysHowToRunIt) {
    std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " KELDA_BIN_DIR
                      "/kelda 2>&1";
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

}  // namespace
