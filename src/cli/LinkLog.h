#pragma once
// A hex log of both directions of the serial link, for bug reports: every device the program
// opens while the log is installed writes one line per read or write,
//   "<ms> > FE FE EE EF ..." for bytes sent and "<ms> < ..." for bytes received.
#include <cstdio>
#include <string>

#include "platform/SerialDevice.h"

namespace cli {

class LinkLog {
  public:
    // Opens the file; false (with the reason) when it cannot be written.
    bool Open(const std::string& path, std::string* reason);
    ~LinkLog();
    // What the session must wrap its serial devices in: the logging tap while the log is open.
    platform::SerialDeviceWrapper DeviceWrapper() const;

  private:
    FILE* file_ = nullptr;
};

}  // namespace cli
