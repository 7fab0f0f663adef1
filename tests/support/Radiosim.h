#pragma once
// kelda-radiosim (or another program of the build) as a real process in the background, for
// the tests that drive the programs against the simulated radio over a real pseudo-terminal.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace test {

// A program of the build (bin/<program>) running in the background with stdout in outPath and
// stderr in outPath + ".err"; stopped by its own pid when the object goes.
class BackgroundProgram {
  public:
    BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outPath);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Waits for the program to end by itself; its exit status, or 128 + signal.
    int Wait();
    // Sends the signal and waits; the exit status, or 128 + signal.
    int Stop(int signal);

  private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// The simulated radio; it names its pseudo-terminal on its first line of output. With a
// publishName it is also published in the ports folder under that name (as the window's port
// discovery finds it), else not at all.
class Radiosim {
  public:
    Radiosim(const std::string& folder, std::vector<std::string> options,
             const std::string& publishName = "");
    const std::string& Device() const { return device_; }
    std::string Errors() const;
    // As if the cable were pulled: the radio's end of the line goes away at once.
    void Kill();

  private:
    std::string out_;
    std::unique_ptr<BackgroundProgram> process_;
    std::string device_;
};

}  // namespace test
