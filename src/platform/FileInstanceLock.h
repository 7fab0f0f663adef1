#pragma once
// The instance lock as flock() on <runtime folder>/<name>.lock. The kernel drops the lock when
// the holder dies, so a crashed instance never blocks the next start.
#include "platform/InstanceLock.h"

namespace platform {

class FileInstanceLock : public InstanceLock {
  public:
    FileInstanceLock() = default;
    ~FileInstanceLock() override { Release(); }
    FileInstanceLock(const FileInstanceLock&) = delete;
    FileInstanceLock& operator=(const FileInstanceLock&) = delete;

    bool Acquire(const std::string& name) override;
    void Release() override;
    std::string Problem() const override { return problem_; }

    // The lock file's path for a lock name (characters other than letters, digits, '-' and '.'
    // become '_').
    static std::string PathFor(const std::string& name);

  private:
    int fd_ = -1;
    std::string problem_;
};

}  // namespace platform
