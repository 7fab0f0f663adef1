#include "clone_runs.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/RunLoop.h"
#include "sim/SimRadio.h"

namespace clonebench {

const AddressRange kReadList[] = {{0x0000, 0x471F}, kEndOfRanges};
const AddressRange kFullWriteList[] = {
    {0x01C0, 0x02DF}, {0x0310, 0x46AF}, {0x4710, 0x471F}, kEndOfRanges};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

Radiosim::Radiosim(const std::string& args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        std::string cmd =
            std::string("exec '") + KELDA_BIN_DIR + "/kelda-radiosim' --no-publish " + args;
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    FILE* f = fdopen(fds[0], "r");
    char line[256] = {};
    if (f && std::fgets(line, sizeof line, f)) device = line;
    while (!device.empty() && device.back() == '\n') device.pop_back();
    if (f) std::fclose(f);
}

Radiosim::~Radiosim() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

void Run::Done(void* self, dst_CDrv_Result* r) {
    auto* run = static_cast<Run*>(self);
    run->done = true;
    run->result = r->result;
}

namespace {

void Accept(void*, dst_CDrv_Result*) {}

void FillTestImage(cmcEeprom& image) {
    image.SetSize(cmcEeprom::kImageSize);
    for (int a = 0; a < image.Size(); ++a) image.SetByte(a, static_cast<uint8_t>(a * 31));
    image.SetByte(0x0F1A, 1);
}

}  // namespace

void Configure(indCloneMan& man, int port) {
    man.SetRequestWords(SimRadio::kModelWord1, 0);
    man.SetImageSize(cmcEeprom::kImageSize);
    man.SetPortSource([port] { return port; });
    man.SetInfoCheck(&Accept, nullptr);
    man.SetReadCheck(&Accept, nullptr);
}

bool TimedRun(benchmark::State& state, indCloneMan& man, bool write, double& wire, double& took,
              uint64_t* lineBytes) {
    cmcEeprom image;
    FillTestImage(image);
    uint64_t before = man.Driver().Port().BytesRead();
    auto start = std::chrono::steady_clock::now();
    Run info, data;
    man.StartInfo(&Run::Done, &info);
    platform::RunLoop::Default().RunUntil([&] { return info.done; }, 20000);
    if (write)
        man.StartWrite(image, kFullWriteList, &Run::Done, &data);
    else
        man.StartRead(kReadList, &Run::Done, &data);
    platform::RunLoop::Default().RunUntil([&] { return data.done; }, 120000);
    double s = Seconds(start);
    if (info.result != CloneResult::kOk || data.result != CloneResult::kOk) {
        state.SkipWithError("clone run failed");
        return false;
    }
    state.SetIterationTime(s);
    // Every byte on the line reaches the program once: its own come back as the echo.
    const uint64_t bytes = man.Driver().Port().BytesRead() - before;
    if (lineBytes) *lineBytes = bytes;
    wire += static_cast<double>(bytes) * 10.0 / kBaud;
    took += s;
    return true;
}

}  // namespace clonebench
