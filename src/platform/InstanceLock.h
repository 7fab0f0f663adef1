#pragma once
// A named lock that one process at a time holds: the first instance of the program takes it and
// keeps it for its whole life; a later instance sees it taken and ends.
#include <memory>
#include <string>

namespace platform {

class InstanceLock {
  public:
    virtual ~InstanceLock() = default;
    // True when this process now holds the lock, false when another one holds it.
    virtual bool Acquire(const std::string& name) = 0;
    virtual void Release() = 0;
};

// The system's lock: a lock file on POSIX, a named mutex on Windows.
std::unique_ptr<InstanceLock> CreateInstanceLock();

}  // namespace platform
