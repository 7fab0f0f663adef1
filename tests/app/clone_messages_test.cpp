#include <gtest/gtest.h>

#include "app/CloneMessages.h"

namespace {

using platform::DeviceAccess;
using platform::OpenFault;

// A port that cannot be opened is named with what is wrong there and, where the system refused
// the user, who may open it.
TEST(PortOpenMessages, NameThePortAndWhatIsWrongThere) {
    struct Case {
        PortOpenFailure failure;
        const char* text;
    };
    const std::string dev = "/dev/ttyUSB0";
    const auto device = [&](platform::OpenFailure f) {
        return PortOpenFailure{PortOpenFailure::Cause::kDevice, 3, dev, std::move(f)};
    };
    const Case cases[] = {
        {{}, ""},
        {{PortOpenFailure::Cause::kNoDeviceForNumber, 231, "", {}},
         "port 231: no serial device has this number"},
        {{PortOpenFailure::Cause::kNoBaudRate, 3, dev, {}}, "/dev/ttyUSB0: no baud rate given"},
        {device({OpenFault::kNoSuchPort, "", {}}),
         "/dev/ttyUSB0: there is no such port on this computer"},
        {device({OpenFault::kInUse, "", {}}),
         "/dev/ttyUSB0: the port is in use by another program"},
        {device({OpenFault::kNotSerial, "", {}}),
         "/dev/ttyUSB0: this is not a serial port; choose the device of the programming cable"},
        {device({OpenFault::kLineSettings, "The parameter is incorrect.", {}}),
         "/dev/ttyUSB0: the line settings are refused: The parameter is incorrect."},
        {device({OpenFault::kSystem, "No such file or directory", {}}),
         "/dev/ttyUSB0: No such file or directory"},
        {device(
             {OpenFault::kNoAccess, "Permission denied", {DeviceAccess::Kind::kGroup, "dialout"}}),
         "/dev/ttyUSB0: Permission denied (the user must belong to the group \"dialout\" that owns "
         "the device, e.g. sudo usermod -aG dialout $USER, then log in again)"},
        {device({OpenFault::kNoAccess, "Permission denied", {DeviceAccess::Kind::kRootOnly, ""}}),
         "/dev/ttyUSB0: Permission denied (only root can open this device)"},
        {device(
             {OpenFault::kNoAccess, "Permission denied", {DeviceAccess::Kind::kOwnerOnly, "ann"}}),
         "/dev/ttyUSB0: Permission denied (only its owner \"ann\" can open this device)"},
        {device({OpenFault::kNoAccess, "Permission denied", {}}),
         "/dev/ttyUSB0: Permission denied"},
    };
    for (const Case& c : cases) EXPECT_EQ(PortOpenText(c.failure), c.text);
}

}  // namespace
