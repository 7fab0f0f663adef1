// The POSIX serial device: a hung-up line is noticed, and a refused open says why.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/PseudoTerminal.h"
#include "platform/SerialDevice.h"

namespace {

TEST(PosixSerialDevice, TheOtherEndGoingAwayIsALostLineNotAQuietOne) {
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    auto device = platform::CreateSerialDevice();
    ASSERT_TRUE(device->Open(pty.SlavePath(), platform::SerialLine{38400}))
        << static_cast<int>(device->LastFailure().fault);
    uint8_t buf[16];
    const platform::IoResult quiet = device->Read(buf, sizeof buf);
    EXPECT_EQ(quiet.status, platform::IoStatus::kOk);
    EXPECT_EQ(quiet.count, 0);
    EXPECT_FALSE(device->LineLost());  // quiet, still there
    pty.Close();                       // as when the simulated radio is killed
    EXPECT_TRUE(device->LineLost());
    EXPECT_EQ(device->Write(buf, sizeof buf, 100).status, platform::IoStatus::kIoError);
    device->Close();
    EXPECT_FALSE(device->LineLost());  // a closed port has no line to lose
}

// A line that stops taking bytes is a time-out with the count that went, not a failed line.
TEST(PosixSerialDevice, AStalledWriteIsATimeOutNotAnError) {
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    auto device = platform::CreateSerialDevice();
    ASSERT_TRUE(device->Open(pty.SlavePath(), platform::SerialLine{38400}));
    // Nobody reads the other end: the terminal's buffers fill and then take nothing more.
    const std::string block(1 << 20, 'x');
    const auto* bytes = reinterpret_cast<const uint8_t*>(block.data());
    const platform::IoResult r = device->Write(bytes, static_cast<int>(block.size()), 50);
    EXPECT_EQ(r.status, platform::IoStatus::kTimeout);
    EXPECT_GT(r.count, 0);
    EXPECT_LT(r.count, static_cast<int>(block.size()));
    EXPECT_FALSE(device->LineLost());
}

// A path that leads to something other than a serial port is named as such, not with the
// system's words for a refused terminal call.
TEST(PosixSerialDevice, APathThatIsNoSerialPortIsToldAsSuch) {
    char folder[] = "/tmp/kelda-serial-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/notes.txt";
    { std::ofstream(file) << "not a port\n"; }
    for (const std::string& path : {file, std::string(folder), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        auto device = platform::CreateSerialDevice();
        EXPECT_FALSE(device->Open(path, platform::SerialLine{38400}));
        EXPECT_EQ(device->LastFailure().fault, platform::OpenFault::kNotSerial);
        EXPECT_FALSE(device->IsOpen());
    }
    std::remove(file.c_str());
    rmdir(folder);
}

// Who may open a device that refused the user: its group (not root's), else root or the owner
// alone, else nobody named.
TEST(PosixSerialDevice, AccessNamesTheGroupToJoinOrWhoAloneMayOpen) {
    using Kind = platform::DeviceAccess::Kind;
    struct Case {
        unsigned mode, uid;
        const char* owner;
        unsigned gid;
        const char* group;
        Kind kind;
        const char* name;
    } const cases[] = {
        {S_IFCHR | 0660, 0, "root", 20, "dialout", Kind::kGroup, "dialout"},
        {S_IFCHR | 0660, 0, "root", 987, "", Kind::kGroup, "987"},
        {S_IFCHR | 0660, 0, "root", 0, "root", Kind::kRootOnly, ""},
        {S_IFCHR | 0600, 0, "root", 20, "dialout", Kind::kRootOnly, ""},
        {S_IFCHR | 0620, 1000, "ann", 5, "tty", Kind::kOwnerOnly, "ann"},
        {S_IFCHR | 0620, 1000, "", 5, "tty", Kind::kOwnerOnly, "1000"},
        {S_IFCHR | 0000, 1000, "ann", 5, "tty", Kind::kUnknown, ""},
    };
    for (const Case& c : cases) {
        const platform::DeviceAccess access =
            platform::AccessOf(c.mode, c.uid, c.owner, c.gid, c.group);
        EXPECT_EQ(access.kind, c.kind) << std::oct << c.mode << " " << c.owner << " " << c.group;
        EXPECT_EQ(access.name, c.name) << std::oct << c.mode << " " << c.owner << " " << c.group;
    }
}

}  // namespace
