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

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Opens the device exclusively, raw, with the line settings, DTR off and RTS on, and both
    // directions purged. On failure returns false and fills the reason (device and cause).
    virtual bool Open(const std::string& path, const SerialLine& line) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Bytes read into buf without waiting; -1 when the read failed (a hung-up line).
    virtual int Read(uint8_t* buf, int max) = 0;
    // Writes n bytes, waiting at most timeoutMs for the device to take them; returns the
    // number transferred (fewer than n when the time ran out or the line failed).
    virtual int Write(const uint8_t* buf, int n, int timeoutMs) = 0;
    // Receive and transmit queue counts of the driver.
    virtual int InputWaiting() = 0;
    virtual int OutputQueued() = 0;
    // The line hung up or failed for good while open (cable pulled, adapter unplugged, the
    // other end of a pseudo-terminal closed): nothing will come or go any more.
    virtual bool LineLost() = 0;
    // Why the last Open failed, for messages that name the device.
    virtual const std::string& LastError() const = 0;
};

// The platform's device (termios on POSIX).
std::unique_ptr<SerialDevice> CreateSerialDevice();

// The hint added to a refused open: which group to join, or that only root (or the owner) can
// open the device. Empty when the mode bits give no clue.
std::string PermissionHint(unsigned mode, unsigned ownerUid, const std::string& ownerName,
                           unsigned groupGid, const std::string& groupName);

// Wraps every device made from now on, e.g. in a tap that logs the bytes for a bug report;
// nullptr removes the wrapper.
using SerialDeviceWrapper = std::unique_ptr<SerialDevice> (*)(std::unique_ptr<SerialDevice>);
SerialDeviceWrapper InstallSerialDeviceWrapper(SerialDeviceWrapper wrapper);

}  // namespace platform
