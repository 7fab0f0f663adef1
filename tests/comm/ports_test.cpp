// Port numbers and the port lists, over a fixed set of devices.
#include <gtest/gtest.h>

#include <map>

#include "base/ScopedInstall.h"
#include "comm/PortLists.h"
#include "comm/PortNumbering.h"
#include "platform/PortDiscovery.h"

namespace {

class FixedDiscovery : public platform::PortDiscovery {
  public:
    std::vector<platform::SerialDeviceInfo> devices;
    std::vector<platform::SerialDeviceInfo> Discover() override { return devices; }
};

class MemoryStore : public PortStore {
  public:
    std::map<int, std::string> saved;
    std::map<int, std::string> Load() override { return saved; }
    void Save(const std::map<int, std::string>& table) override { saved = table; }
};

class Ports : public ::testing::Test {
  protected:
    FixedDiscovery discovery;
    ScopedInstall<platform::InstallPortDiscovery> discoverySlot{&discovery};
    MemoryStore store;
    PortNumbering table{&store};
    ScopedInstall<InstallPortTable> tableSlot{&table};
};

TEST(PortNumberOf, ReadsTheNumberAfterComOrAtTheStart) {
    EXPECT_EQ(PortNumberOf("COM12"), 12);
    EXPECT_EQ(PortNumberOf("3: FT232R USB UART (ttyUSB0)"), 3);
    EXPECT_EQ(PortNumberOf("serial"), 0);
    EXPECT_EQ(PortNumberOf(" 7 "), 7);
    EXPECT_EQ(PortNumberOf("com4"), 0);  // only the upper-case prefix counts
}

TEST(PortDialogChoice, OnlyPortsOneTo256AreTaken) {
    struct Case {
        int variant;
        std::string text;
        int port;
    } const cases[] = {
        {0, "0", 0},
        {0, "257", 0},
        {0, "256", 256},
        {0, " 7 ", 7},
        {1, "1", 1},
        {0, "COM", 0},
        {0, "abc", 0},
        {0, "-3", 0},
        {0, "99999999999999999999", 0},  // saturates instead of wrapping into range
        {0, "4294967303", 0},            // 2^32 + 7
        {1, std::string(1000, '7'), 0},
        {0, std::string(1000, 'x'), 0},
        {2, "3: FT232R USB UART (ttyUSB0)", 3},
        {2, "12: KELDA simulated radio (pts/4)", 12},
        {2, "", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PortDialogChoice(c.variant, c.text), c.port) << c.variant << " " << c.text;
}

TEST_F(Ports, NewDevicesTakeTheLowestFreeNumberAndKeepIt) {
    store.saved = {{1, "/dev/serial/by-id/usb-old"}, {3, "/dev/ttyS0"}};
    discovery.devices = {
        {"/dev/ttyS0", "/dev/ttyS0", "16550A (ttyS0)"},
        {"/dev/serial/by-id/usb-FTDI", "/dev/ttyUSB0", "FT232R USB UART (ttyUSB0)"},
        {"/run/ports/radiosim", "/dev/pts/4", "KELDA simulated radio (pts/4)"}};
    std::vector<std::string> present;
    ListPresentPorts(present);
    EXPECT_EQ(present, (std::vector<std::string>{"2", "3", "4"}));
    // Kept across runs: a fresh table over the same store gives the same numbers.
    PortNumbering again(&store);
    EXPECT_EQ(again.DevicePath(2), "/dev/serial/by-id/usb-FTDI");
    EXPECT_EQ(again.DevicePath(4), "/run/ports/radiosim");
    EXPECT_EQ(again.NumberOf("/dev/ttyS0"), 3);

    std::vector<std::string> registered;
    ListRegisteredPorts(registered);  // the device at 1 is absent but still registered
    EXPECT_EQ(registered, (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_F(Ports, ListsAreInNumericOrderAndDescribed) {
    table.Assign(10, "/dev/ttyUSB9");
    table.Assign(2, "/dev/ttyUSB1");
    table.Assign(1, "/dev/ttyUSB0");
    discovery.devices = {{"/dev/ttyUSB9", "/dev/ttyUSB9", "CP2102 (ttyUSB9)"},
                         {"/dev/ttyUSB1", "/dev/ttyUSB1", "PL2303 (ttyUSB1)"},
                         {"/dev/ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART (ttyUSB0)"}};
    std::vector<std::string> numbers;
    ListPresentPorts(numbers);
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "10"}));
    std::vector<std::string> described;
    DescribePorts({"10", "1"}, described);
    EXPECT_EQ(described,
              (std::vector<std::string>{"1: FT232R USB UART (ttyUSB0)", "10: CP2102 (ttyUSB9)"}));
}

TEST_F(Ports, FullTableGivesNoNumber) {
    for (int n = 1; n <= 256; ++n) table.Assign(n, "/dev/x" + std::to_string(n));
    EXPECT_EQ(table.NumberOf("/dev/another"), 0);
    discovery.devices = {{"/dev/another", "/dev/another", "Another (another)"}};
    std::vector<std::string> present;
    ListPresentPorts(present);
    EXPECT_TRUE(present.empty());
}

}  // namespace
