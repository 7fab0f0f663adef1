// The instance lock as a named mutex in the user's session: the system drops it when the
// holder ends, however it ends, so a crashed instance never blocks the next start.
#include <windows.h>

#include "platform/InstanceLock.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

class MutexInstanceLock : public InstanceLock {
  public:
    ~MutexInstanceLock() override { Release(); }

    bool Acquire(const std::string& name) override {
        if (mutex_) return true;
        // Backslashes would name a namespace; everything else may stand in a mutex name.
        std::string plain = name;
        for (char& c : plain)
            if (c == '\\') c = '_';
        HANDLE m = CreateMutexW(nullptr, TRUE, win32::Widen("Local\\" + plain).c_str());
        if (m == nullptr) return true;  // no lock to be had: better to run than to refuse
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(m);
            return false;
        }
        mutex_ = m;
        return true;
    }

    void Release() override {
        if (!mutex_) return;
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }

  private:
    HANDLE mutex_ = nullptr;
};

}  // namespace

std::unique_ptr<InstanceLock> CreateInstanceLock() {
    return std::make_unique<MutexInstanceLock>();
}

}  // namespace platform
