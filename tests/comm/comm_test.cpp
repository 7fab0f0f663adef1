// The serial port object over a real pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/CloneMessages.h"
#include "base/ScopedInstall.h"
#include "comm/PortNumbering.h"
#include "comm/cmcComm.h"
#include "platform/PseudoTerminal.h"
#include "support/ManualClock.h"

namespace {

class CommOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Open());
        table.Assign(12, pty.SlavePath());
    }
    // Everything the master end has received, waiting briefly for the kernel to pass it on.
    std::string Drain(size_t want) {
        std::string got;
        for (int i = 0; i < 500 && got.size() < want; ++i) {
            char buf[4096];
            ssize_t n = ::read(pty.MasterFd(), buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            else
                usleep(1000);
        }
        return got;
    }

    test::ManualClock clock;
    platform::PseudoTerminal pty;
    PortNumbering table;
    ScopedInstall<InstallPortTable> tableSlot{&table};
    cmcComm port;
};

TEST(cmcCommSettings, SettingsStringsGiveLineSettings) {
    struct Case {
        const char* text;
        unsigned baud;
        bool parity;
        int dataBits;
        int stopBits;
    } const cases[] = {
        {"38400,N,8,1", 38400, false, 8, 0}, {"9600,n,8,1", 9600, false, 8, 0},
        {"x,N,9,1.5", 0, false, 8, 1},       {"9600,N,3,2", 9600, false, 4, 2},
        {"4800,O,7,1", 4800, true, 7, 0},    {"4800,m,7,1", 4800, true, 7, 0},
        {"4800,E,7,1", 4800, false, 7, 0},   {"1200", 1200, false, 4, 0},
    };
    test::ManualClock clock;
    PortNumbering empty;
    ScopedInstall<InstallPortTable> emptySlot(&empty);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        cmcComm port;
        EXPECT_FALSE(port.Open(250, c.text));  // no device: only the parsing counts here
        EXPECT_EQ(port.BaudRate(), c.baud);
        EXPECT_EQ(port.ParityCheck(), c.parity);
        EXPECT_EQ(port.DataBits(), c.dataBits);
        EXPECT_EQ(port.StopBits(), c.stopBits);
    }
    cmcComm port;
    port.Open(250, "38400,N,8,1");
    EXPECT_EQ(port.WriteMsPerByte(), 2u);
    port.Open(250, "9600,N,8,1");
    EXPECT_EQ(port.WriteMsPerByte(), 10u);
}

TEST_F(CommOnPty, OpensTheDeviceOfItsNumberOnceAndExclusively) {
    ASSERT_TRUE(port.Open(12, "38400,N,8,1")) << PortOpenText(port.LastOpenFailure());
    EXPECT_EQ(port.DevicePath(), pty.SlavePath());
    EXPECT_FALSE(port.Open(12, "9600,N,8,1"));  // already open: refused, left as it was
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.BaudRate(), 38400u);

    cmcComm second;
    EXPECT_FALSE(second.Open(12, "38400,N,8,1"));
    EXPECT_NE(PortOpenText(second.LastOpenFailure()).find(pty.SlavePath()), std::string::npos);
    EXPECT_NE(PortOpenText(second.LastOpenFailure()).find("in use"), std::string::npos);

    // After closing, the exclusive mode is gone too, also for a plain opener.
    port.Close();
    int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0);
    if (fd >= 0) ::close(fd);
    EXPECT_TRUE(second.Open(12, "38400,N,8,1")) << PortOpenText(second.LastOpenFailure());
}

TEST_F(CommOnPty, WritesGoOutInChunksOfAtMost1024) {
    ASSERT_TRUE(port.Open(12, "38400,N,8,1"));
    std::string data(3000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13);
    port.Write(data.data(), static_cast<int>(data.size()));
    EXPECT_EQ(port.OutputPending(), 3000 - 1024);  // the first chunk went at once
    EXPECT_EQ(port.BytesWritten(), 1024u);
    clock.Advance(9);
    EXPECT_EQ(port.OutputPending(), 3000 - 1024);
    clock.Advance(1);
    EXPECT_EQ(port.OutputPending(), 3000 - 2048);
    clock.Advance(10);
    EXPECT_EQ(port.OutputPending(), 0);
    EXPECT_EQ(Drain(3000), data);
    EXPECT_FALSE(port.WriteError());
}

TEST_F(CommOnPty, ReadTakesAtMostWhatIsAskedAndNeverWaits) {
    ASSERT_TRUE(port.Open(12, "38400,N,8,1"));
    uint8_t buf[1024];
    EXPECT_EQ(port.Read(buf, 256), 0);
    std::string data(1000, 'x');
    ASSERT_EQ(::write(pty.MasterFd(), data.data(), data.size()), 1000);
    for (int i = 0; i < 500 && port.InputWaiting() < 1000; ++i) usleep(1000);
    EXPECT_EQ(port.InputWaiting(), 1000);
    EXPECT_EQ(port.Read(buf, 256), 256);
    EXPECT_EQ(port.Read(buf, 1024), 744);
    EXPECT_EQ(port.Read(buf, 256), 0);
}

TEST_F(CommOnPty, CloseDropsUnsentDataAndIsSafeTwice) {
    ASSERT_TRUE(port.Open(12, "38400,N,8,1"));
    std::string data(5000, 'y');
    port.Write(data.data(), static_cast<int>(data.size()));
    EXPECT_GT(port.OutputPending(), 0);
    port.Close();
    EXPECT_EQ(port.OutputPending(), 0);
    EXPECT_FALSE(port.IsOpen());
    port.Close();
    clock.Advance(50);
    EXPECT_EQ(port.BytesWritten(), 1024u);  // the pump stopped with the port
    port.Write("z", 1);                     // ignored while closed
    EXPECT_EQ(port.OutputPending(), 0);
}

TEST_F(CommOnPty, LineThatStopsTakingBytesSetsTheWriteError) {
    ASSERT_TRUE(port.Open(12, "115200,N,8,1"));  // the shortest time-out: 3 s
    // Nobody reads the master end: the terminal's buffers fill and a write runs out of time.
    std::string data(200000, 'w');
    port.Write(data.data(), static_cast<int>(data.size()));
    for (int i = 0; i < 400 && !port.WriteError(); ++i) clock.Advance(10);
    EXPECT_TRUE(port.WriteError());
    EXPECT_TRUE(port.IsOpen());  // its owner closes it
    // Nothing more is tried until then, even when the line would take bytes again: each try
    // could hold the thread for another time-out.
    const uint64_t written = port.BytesWritten();
    Drain(data.size());
    port.Write("x", 1);
    clock.Advance(50);
    EXPECT_EQ(port.BytesWritten(), written);
    EXPECT_EQ(Drain(1).size(), 0u);
    port.Close();
    EXPECT_FALSE(port.WriteError());
}

TEST_F(CommOnPty, DeviceThatDoesNotExistNamesItself) {
    table.Assign(3, "/dev/kelda-no-such-port");
    EXPECT_FALSE(port.Open(3, "38400,N,8,1"));
    EXPECT_NE(PortOpenText(port.LastOpenFailure()).find("/dev/kelda-no-such-port"),
              std::string::npos);
    EXPECT_NE(PortOpenText(port.LastOpenFailure()).find("No such file"), std::string::npos);
}

}  // namespace
