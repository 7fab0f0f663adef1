#include "platform/qt/FontWarmup.h"

#include <thread>

#if defined(__unix__)
#include <dlfcn.h>
#endif

namespace platform {

namespace {

// Joined at the latest when the program ends, also on an early exit before the window.
struct Warmup {
    std::thread thread;
    ~Warmup() {
        if (thread.joinable()) thread.join();
    }
};

std::thread& WarmupThread() {
    static Warmup warmup;
    return warmup.thread;
}

}  // namespace

void StartFontWarmup() {
#if defined(__unix__)
    std::thread& thread = WarmupThread();
    if (thread.joinable()) return;
    // Qt's font database on these systems stands on fontconfig, already loaded with Qt; its
    // initialisation is safe to run on any thread, and the font database takes the finished
    // configuration instead of reading its own.
    using InitFunction = int (*)();
    auto init = reinterpret_cast<InitFunction>(dlsym(RTLD_DEFAULT, "FcInit"));
    if (!init) return;
    thread = std::thread([init] { init(); });
#endif
}

void AwaitFontWarmup() {
    std::thread& thread = WarmupThread();
    if (thread.joinable()) thread.join();
}

}  // namespace platform
