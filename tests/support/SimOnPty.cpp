#include "support/SimOnPty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "comm/cmcComm.h"
#include "platform/Clock.h"

namespace test {
namespace {
// Upper bound on waiting for the kernel; only a broken pseudo-terminal takes this long.
constexpr auto kKernelWait = std::chrono::milliseconds(500);
// Bytes kept waiting on the program's side at most: well inside the terminal's input buffer, so
// the kernel never holds bytes back.
constexpr int kSlaveWindow = 2048;
}  // namespace

SimOnPty::SimOnPty(const SimFaults& faults, int portNumber, unsigned baud)
    : radio_(faults), port_(portNumber) {
    std::string error;
    if (!pty_.Open(&error)) throw std::runtime_error(error);
    // A second descriptor on the slave to look at its input queue, as the radio's side sees it.
    slaveFd_ = ::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    link_ = std::make_unique<SimLink>(radio_, pty_.MasterFd(), baud);
    link_->SetWriteWindow([this] {
        int queued = SlaveWaiting();
        return queued >= kSlaveWindow ? size_t{0} : static_cast<size_t>(kSlaveWindow - queued);
    });
    table_.Assign(portNumber, pty_.SlavePath());
    tableSlot_.emplace(&table_);
    timer_ = platform::GetClock().CreateTimer([this] { Step(); });
    timer_->Start(1);
}

SimOnPty::~SimOnPty() {
    timer_.reset();
    tableSlot_.reset();
    if (slaveFd_ >= 0) ::close(slaveFd_);
}

void SimOnPty::SetPeer(const cmcComm* peer) {
    peer_ = peer;
    peerBase_ = peer ? peer->BytesWritten() - link_->BytesIn() : 0;
}

void SimOnPty::Stop() {
    timer_->Stop();
}

int SimOnPty::SlaveWaiting() const {
    int n = 0;
    if (slaveFd_ < 0 || ioctl(slaveFd_, FIONREAD, &n) != 0) return 0;
    return n;
}

void SimOnPty::WaitForInput() {
    if (!peer_) return;
    auto limit = std::chrono::steady_clock::now() + kKernelWait;
    for (;;) {
        uint64_t written = peer_->BytesWritten() - peerBase_;
        if (link_->BytesIn() + static_cast<uint64_t>(pty_.MasterInputWaiting()) >= written) return;
        if (std::chrono::steady_clock::now() > limit) return;
        pollfd p{pty_.MasterFd(), POLLIN, 0};
        poll(&p, 1, 1);
    }
}

void SimOnPty::WaitForDelivery(int before, size_t sent) {
    size_t want = static_cast<size_t>(before) + sent;
    auto limit = std::chrono::steady_clock::now() + kKernelWait;
    while (static_cast<size_t>(SlaveWaiting()) < want && std::chrono::steady_clock::now() < limit) {
        pollfd p{slaveFd_, POLLIN, 0};
        poll(&p, 1, 1);
    }
}

void SimOnPty::Step() {
    WaitForInput();
    int before = SlaveWaiting();
    uint64_t out = link_->BytesOut();
    link_->Service(static_cast<uint64_t>(platform::GetClock().NowMs()) * 1000);
    size_t sent = static_cast<size_t>(link_->BytesOut() - out);
    if (sent) WaitForDelivery(before, sent);
}

}  // namespace test
