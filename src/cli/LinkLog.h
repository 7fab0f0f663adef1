#pragma once
// A hex log of both directions of the serial link, for bug reports: every device the program
// opens while the log is installed writes one line per read or write,
//   "<ms> > FE FE EE EF ..." for bytes sent and "<ms> < ..." for bytes received.
#include <cstdio>
#include <optional>
#include <string>

#include "base/ScopedInstall.h"
#include "platform/SerialDevice.h"

namespace cli {

class LinkLog {
  public:
    // Opens the file; false (with the reason) when it cannot be written.
    bool Open(const std::string& path, std::string* reason);
    ~LinkLog();

  private:
    FILE* file_ = nullptr;
    std::optional<ScopedInstall<platform::InstallSerialDeviceWrapper>> wrapper_;
};

}  // namespace cli
