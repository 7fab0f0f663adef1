#pragma once
// A pseudo-terminal pair: the simulated radio holds the master end, the program under test opens
// the slave path as if it were a serial port.
#include <string>

namespace platform {

class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    // Opens a master (non-blocking) and keeps the slave open in raw mode, so the line stays up
    // and unmangled while no program has it open. Returns false with a reason on failure.
    bool Open(std::string* error = nullptr);
    void Close();

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    // Bytes the master end can read now.
    int MasterInputWaiting() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace platform
