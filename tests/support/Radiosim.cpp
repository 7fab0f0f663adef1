#include "support/Radiosim.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "cli/CliRunner.h"

namespace test {

namespace {

int StatusOf(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

}  // namespace

BackgroundProgram::BackgroundProgram(const std::string& program,
                                     const std::vector<std::string>& args,
                                     const std::string& outPath) {
    const std::string exe = std::string(KELDA_BIN_DIR) + "/" + program;
    std::vector<std::string> words = {exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, (outPath + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundProgram::~BackgroundProgram() {
    Stop(SIGTERM);
}

int BackgroundProgram::Wait() {
    if (pid_ <= 0) return status_;
    int ws = 0;
    waitpid(pid_, &ws, 0);
    pid_ = -1;
    return status_ = StatusOf(ws);
}

int BackgroundProgram::Stop(int signal) {
    if (pid_ <= 0) return status_;
    kill(pid_, signal);
    return Wait();
}

Radiosim::Radiosim(const std::string& folder, std::vector<std::string> options,
                   const std::string& publishName)
    : out_(folder + "/" + (publishName.empty() ? std::string("sim") : publishName) + ".out") {
    if (publishName.empty())
        options.insert(options.begin(), "--no-publish");
    else
        options.insert(options.end(), {"--name", publishName});
    process_ = std::make_unique<BackgroundProgram>("kelda-radiosim", options, out_);
    // The device first, then the published link.
    const long lines = publishName.empty() ? 1 : 2;
    for (int i = 0; i < 300; ++i) {
        const std::string text = ReadFile(out_);
        if (std::count(text.begin(), text.end(), '\n') >= lines) {
            device_ = text.substr(0, text.find('\n'));
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(device_.empty()) << Errors();
}

std::string Radiosim::Errors() const {
    return ReadFile(out_ + ".err");
}

void Radiosim::Kill() {
    process_->Stop(SIGKILL);
}

}  // namespace test
