#pragma once
// The simulated radio in the test's own process, on a pseudo-terminal pair, stepped by the
// installed clock (a ManualClock in tests) every millisecond. The port table maps a port number
// to the pseudo-terminal, so the code under test opens it like any serial port.
//
// A pseudo-terminal hands bytes to the other end through a kernel worker, a little later. So
// that a test on the manual clock stays deterministic, each step first waits (in real time,
// briefly) until everything the program wrote has reached the radio, and after sending until
// everything sent has reached the program's side.
#include <memory>
#include <optional>
#include <string>

#include "base/ScopedInstall.h"
#include "comm/PortNumbering.h"
#include "platform/PseudoTerminal.h"
#include "sim/SimLink.h"
#include "sim/SimRadio.h"

class cmcComm;
namespace platform {
class Timer;
}

namespace test {

class SimOnPty {
  public:
    // Installs a memory-only port table with port number -> the pseudo-terminal.
    explicit SimOnPty(const SimFaults& faults = {}, int portNumber = 7, unsigned baud = 0);
    ~SimOnPty();

    SimRadio& Radio() { return radio_; }
    SimLink& Link() { return *link_; }
    const std::string& DevicePath() const { return pty_.SlavePath(); }
    int PortNumber() const { return port_; }
    // The program's port, whose written bytes the radio waits for before each step.
    void SetPeer(const cmcComm* peer);
    // Stops answering and echoing (as if unplugged).
    void Stop();

  private:
    void Step();
    void WaitForInput();
    void WaitForDelivery(int before, size_t sent);
    int SlaveWaiting() const;

    platform::PseudoTerminal pty_;
    SimRadio radio_;
    std::unique_ptr<SimLink> link_;
    std::unique_ptr<platform::Timer> timer_;
    PortNumbering table_;
    std::optional<ScopedInstall<InstallPortTable>> tableSlot_;
    int port_;
    const cmcComm* peer_ = nullptr;
    uint64_t peerBase_ = 0;
    int slaveFd_ = -1;
};

}  // namespace test
