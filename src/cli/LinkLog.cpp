#include "cli/LinkLog.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "app/CloneMessages.h"
#include "platform/Clock.h"
#include "platform/SerialDevice.h"

namespace cli {

namespace {

FILE* gLog = nullptr;

void LogBytes(char direction, const uint8_t* bytes, int count) {
    if (gLog == nullptr || count <= 0) return;
    std::fprintf(gLog, "%u %c", platform::GetClock().NowMs(), direction);
    for (int i = 0; i < count; ++i) std::fprintf(gLog, " %02X", bytes[i]);
    std::fputc('\n', gLog);
}

// Passes every call on to the real device and logs what moved.
class LoggingDevice : public platform::SerialDevice {
  public:
    explicit LoggingDevice(std::unique_ptr<platform::SerialDevice> inner)
        : inner_(std::move(inner)) {}
    bool Open(const std::string& path, const platform::SerialLine& line) override {
        bool ok = inner_->Open(path, line);
        if (gLog)
            std::fprintf(gLog, "# open %s at %u baud: %s\n", path.c_str(), line.baud,
                         ok ? "ok" : DeviceOpenText(path, inner_->LastFailure()).c_str());
        return ok;
    }
    void Close() override {
        if (gLog && inner_->IsOpen()) std::fprintf(gLog, "# close\n");
        inner_->Close();
    }
    bool IsOpen() const override { return inner_->IsOpen(); }
    platform::IoResult Read(uint8_t* buf, int max) override {
        const platform::IoResult r = inner_->Read(buf, max);
        LogBytes('<', buf, r.count);
        return r;
    }
    platform::IoResult Write(const uint8_t* buf, int n, int timeoutMs) override {
        const platform::IoResult r = inner_->Write(buf, n, timeoutMs);
        LogBytes('>', buf, r.count);
        return r;
    }
    int InputWaiting() override { return inner_->InputWaiting(); }
    int OutputQueued() override { return inner_->OutputQueued(); }
    bool LineLost() override {
        bool lost = inner_->LineLost();
        if (lost && gLog && !lostLogged_) std::fprintf(gLog, "# line lost\n");
        lostLogged_ = lostLogged_ || lost;
        return lost;
    }
    const platform::OpenFailure& LastFailure() const override { return inner_->LastFailure(); }

  private:
    std::unique_ptr<platform::SerialDevice> inner_;
    bool lostLogged_ = false;
};

std::unique_ptr<platform::SerialDevice> Wrap(std::unique_ptr<platform::SerialDevice> device) {
    return std::make_unique<LoggingDevice>(std::move(device));
}

}  // namespace

bool LinkLog::Open(const std::string& path, std::string* reason) {
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) {
        if (reason) *reason = std::strerror(errno);
        return false;
    }
    gLog = file_;
    return true;
}

platform::SerialDeviceWrapper LinkLog::DeviceWrapper() const {
    return file_ ? &Wrap : nullptr;
}

LinkLog::~LinkLog() {
    if (file_ == nullptr) return;
    gLog = nullptr;
    std::fclose(file_);
}

}  // namespace cli
