#pragma once
// A named lock that one process at a time holds: the first instance of the program takes it and
// keeps it for its whole life; a later instance sees it taken and hands its work to the first
// over the channel beside the lock.
#include <memory>
#include <string>

namespace platform {

class InstanceLock {
  public:
    virtual ~InstanceLock() = default;
    // True when this process now holds the lock, false when another one holds it. True too when
    // no lock can be made at all (better to run than to refuse to start): Problem() then says
    // why, and this process cannot know whether it is the only one.
    virtual bool Acquire(const std::string& name) = 0;
    virtual void Release() = 0;
    // Why the lock could not be made ("<where>: <the system's reason>"); empty when it was taken
    // or another process holds it.
    virtual std::string Problem() const { return {}; }
};

// The system's lock: a lock file on POSIX, a named mutex on Windows.
std::unique_ptr<InstanceLock> CreateInstanceLock();

// The name of the local channel through which a later start reaches the lock's holder: a socket
// beside the lock file on POSIX, a pipe of the user's session on Windows.
std::string InstanceChannelName(const std::string& lockName);

}  // namespace platform
