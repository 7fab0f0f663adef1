#pragma once
// A hex log of both directions of the serial link, for bug reports: every device the program
// opens while the log is installed writes one line per read or write,
//   "<ms> > FE FE EE EF ..." for bytes sent and "<ms> < ..." for bytes received.
#include <cstdio>
#include <string>

namespace cli {

class LinkLog {
  public:
    // Opens the file; false (with the reason) when it cannot be written.
    bool Open(const std::string& path, std::string* reason);
    ~LinkLog();

  private:
    FILE* file_ = nullptr;
};

}  // namespace cli
