#pragma once
// The operating system's serial device behind a small interface: the serial port object sees
// only this, so the protocol code stays free of termios and a second platform is one more file.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct SerialLine {
    unsigned baud = 9600;
    bool parityCheck = false;
    int dataBits = 8;  // 5..8 on this platform; 4 is taken as 5
    int stopBits = 0;  // 0 one, 1 one and a half (taken as two here), 2 two
};

// Why an open failed: a code that the application words, with what only the system can say.
enum class OpenFault {
    kNone,
    kNoSuchPort,    // nothing of that name on this computer
    kInUse,         // another program holds the port
    kNotSerial,     // a file, a folder or another kind of device
    kNoAccess,      // the system refuses this user (see `access`)
    kLineSettings,  // the device refused the line settings
    kSystem,        // another cause, in the system's own words
};

// Who may open a device that refused this user, from its mode bits and owners.
struct DeviceAccess {
    enum class Kind {
        kUnknown,    // the mode bits give no clue
        kGroup,      // members of the group `name`
        kRootOnly,   // only root
        kOwnerOnly,  // only the owner `name`
    };
    Kind kind = Kind::kUnknown;
    std::string name;
};

// How a read or a write ended: a write whose time ran out is told from a line that failed.
enum class IoStatus {
    kOk,
    kTimeout,  // the device did not take all the bytes in the time given
    kIoError,  // the system reported a failure of the line (I/O error, hang-up), or no device
};

struct IoResult {
    IoStatus status = IoStatus::kOk;
    int count = 0;  // bytes moved, also when the transfer ended early
};

struct OpenFailure {
    OpenFault fault = OpenFault::kNone;
    std::string systemText;  // the system's words for the cause, where it has them
    DeviceAccess access;     // for kNoAccess
};

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Opens the device exclusively, raw, with the line settings, DTR off and RTS on, and both
    // directions purged. On failure returns false and keeps why (LastFailure).
    virtual bool Open(const std::string& path, const SerialLine& line) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Reads into buf what has arrived, without waiting (kOk with a count of 0 when nothing
    // has); kIoError when the read failed (a hung-up line).
    virtual IoResult Read(uint8_t* buf, int max) = 0;
    // Writes n bytes, waiting at most timeoutMs for the device to take them: kOk when all went,
    // else kTimeout or kIoError with the number transferred before.
    virtual IoResult Write(const uint8_t* buf, int n, int timeoutMs) = 0;
    // Receive and transmit queue counts of the driver.
    virtual int InputWaiting() = 0;
    virtual int OutputQueued() = 0;
    // The line hung up or failed for good while open (cable pulled, adapter unplugged, the
    // other end of a pseudo-terminal closed): nothing will come or go any more.
    virtual bool LineLost() = 0;
    // Why the last Open failed.
    virtual const OpenFailure& LastFailure() const = 0;
};

// The platform's device (termios on POSIX).
std::unique_ptr<SerialDevice> CreateSerialDevice();

// Who may open a device with these mode bits and owners: its group (not root's), else root or
// its owner alone.
DeviceAccess AccessOf(unsigned mode, unsigned ownerUid, const std::string& ownerName,
                      unsigned groupGid, const std::string& groupName);

// Wraps every device made from now on, e.g. in a tap that logs the bytes for a bug report;
// nullptr removes the wrapper.
using SerialDeviceWrapper = std::unique_ptr<SerialDevice> (*)(std::unique_ptr<SerialDevice>);
SerialDeviceWrapper InstallSerialDeviceWrapper(SerialDeviceWrapper wrapper);

}  // namespace platform
