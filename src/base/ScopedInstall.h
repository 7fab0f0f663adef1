#pragma once
// Puts a process-wide service in place for a scope and brings back the one installed before
// when the scope ends, on any exit: a test whose assertion fails returns early, and nothing it
// installed may stay behind for the rest of the test program. Install is one of the Install*
// functions, which return the service they replace:
//
//     ScopedInstall<InstallGTex> text(&store);
//     ScopedInstall<platform::InstallClock> clock(&manualClock);
template <auto Install>
class ScopedInstall;

template <class T, T (*Install)(T)>
class ScopedInstall<Install> {
  public:
    explicit ScopedInstall(T service) : previous_(Install(service)) {}
    ~ScopedInstall() { Install(previous_); }
    ScopedInstall(const ScopedInstall&) = delete;
    ScopedInstall& operator=(const ScopedInstall&) = delete;

  private:
    T previous_;
};
