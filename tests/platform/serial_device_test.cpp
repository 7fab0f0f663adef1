// The POSIX serial device: a hung-up line is noticed, and a refused open says what to do.
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
    ASSERT_TRUE(device->Open(pty.SlavePath(), platform::SerialLine{38400})) << device->LastError();
    uint8_t buf[16];
    EXPECT_EQ(device->Read(buf, sizeof buf), 0);
    EXPECT_FALSE(device->LineLost());  // quiet, still there
    pty.Close();                       // as when the simulated radio is killed
    EXPECT_TRUE(device->LineLost());
    device->Close();
    EXPECT_FALSE(device->LineLost());  // a closed port has no line to lose
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
        EXPECT_EQ(device->LastError(),
                  path + ": this is not a serial port; choose the device of the programming cable");
        EXPECT_FALSE(device->IsOpen());
    }
    std::remove(file.c_str());
    rmdir(folder);
}

TEST(PosixSerialDevice, PermissionHintNamesTheGroupToJoinOrWhoAloneMayOpen) {
    struct Case {
        unsigned mode, uid;
        const char* owner;
        unsigned gid;
        const char* group;
        const char* hint;
    } const cases[] = {
        {S_IFCHR | 0660, 0, "root", 20, "dialout",
         "the user must belong to the group \"dialout\" that owns the device, e.g. sudo usermod "
         "-aG dialout $USER, then log in again"},
        {S_IFCHR | 0660, 0, "root", 987, "",
         "the user must belong to the group \"987\" that owns the device, e.g. sudo usermod -aG "
         "987 $USER, then log in again"},
        {S_IFCHR | 0660, 0, "root", 0, "root", "only root can open this device"},
        {S_IFCHR | 0600, 0, "root", 20, "dialout", "only root can open this device"},
        {S_IFCHR | 0620, 1000, "ann", 5, "tty", "only its owner \"ann\" can open this device"},
        {S_IFCHR | 0000, 1000, "ann", 5, "tty", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::PermissionHint(c.mode, c.uid, c.owner, c.gid, c.group), c.hint)
            << std::oct << c.mode << " " << c.owner << " " << c.group;
}

}  // namespace
