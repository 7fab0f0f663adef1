#pragma once
// Instance locks that exclude each other within one process, as instances of the program would.
#include <set>
#include <string>

#include "platform/InstanceLock.h"

namespace test {

class MemoryInstanceLock : public platform::InstanceLock {
  public:
    ~MemoryInstanceLock() override { Release(); }
    bool Acquire(const std::string& name) override {
        if (!held_.empty()) return true;
        if (!Held().insert(name).second) return false;
        held_ = name;
        return true;
    }
    void Release() override {
        if (held_.empty()) return;
        Held().erase(held_);
        held_.clear();
    }
    static bool IsHeld(const std::string& name) { return Held().count(name) != 0; }

  private:
    static std::set<std::string>& Held() {
        static std::set<std::string> names;
        return names;
    }
    std::string held_;
};

}  // namespace test
