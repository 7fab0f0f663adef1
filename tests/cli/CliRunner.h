#pragma once
// Runs the real kelda-cli (or another program of the build) in a child process and collects
// its exit status and output; a temporary folder per test holds the files it works on.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestFiles.h"

extern char** environ;

namespace test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class TempFolder {
  public:
    TempFolder() {
        char tmpl[] = "/tmp/kelda-cli-test-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempFolder() { RemoveTree(path_); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// Runs the executable at exe with the arguments; stdout and stderr go through files so that
// large outputs cannot block the child. stdoutPath, when given, takes the standard output
// instead (/dev/full: a full disk).
inline CliResult RunExecutable(const std::string& exe, const std::vector<std::string>& args,
                               const TempFolder& tmp, const char* stdoutPath = nullptr) {
    std::vector<std::string> words = {exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string outPath = stdoutPath ? stdoutPath : tmp / ".stdout";
    const std::string errPath = tmp / ".stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    CliResult r;
    if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int ws = 0;
        waitpid(pid, &ws, 0);
        r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (!stdoutPath) r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    return r;
}

// Runs bin/<program> of the build.
inline CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const TempFolder& tmp, const char* stdoutPath = nullptr) {
    return RunExecutable(std::string(KELDA_BIN_DIR) + "/" + program, args, tmp, stdoutPath);
}

inline CliResult RunCli(const std::vector<std::string>& args, const TempFolder& tmp) {
    return RunProgram("kelda-cli", args, tmp);
}

}  // namespace test
