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
        if (m == nullptr) {
            // No lock to be had: better to run than to refuse, but say so.
            problem_ =
                "the mutex Local\\" + plain + ": Windows error " + std::to_string(GetLastError());
            return true;
        }
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(m);
            return false;
        }
        mutex_ = m;
        return true;
    }

    std::string Problem() const override { return problem_; }

    void Release() override {
        if (!mutex_) return;
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }

  private:
    HANDLE mutex_ = nullptr;
    std::string problem_;
};

}  // namespace

std::unique_ptr<InstanceLock> CreateInstanceLock() {
    return std::make_unique<MutexInstanceLock>();
}

std::string InstanceChannelName(const std::string& lockName) {
    // A pipe name is seen by every session of the machine: the user's name keeps each user's
    // instance apart.
    std::string name = "KELDA-";
    for (char c : lockName) name += (c == '\\' || c == ' ') ? '_' : c;
    wchar_t user[256];
    DWORD size = 256;
    if (GetUserNameW(user, &size) && size > 1) name += "-" + win32::Narrow(user);
    return name;
}

}  // namespace platform
