#include "comm/cmcComm.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/cmcTask.h"
#include "comm/PortNumbering.h"

cmcComm::cmcComm() : device_(platform::CreateSerialDevice()), pump_(new cmcTask) {
    pump_->SetCallback(&cmcComm::PumpTick, this);
}

cmcComm::~cmcComm() {
    Close();
    cmcTask::Release(pump_);
}

void cmcComm::PumpTick(void* self, cmcTask*) {
    static_cast<cmcComm*>(self)->Service();
}

void cmcComm::ParseSettings(const std::string& settings) {
    std::vector<std::string> fields(1);
    for (char c : settings) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    fields.resize(std::max<size_t>(fields.size(), 4));
    baud_ = static_cast<unsigned>(std::atol(fields[0].c_str()));
    char p = fields[1].empty() ? '\0' : fields[1][0];
    parityCheck_ = p == 'M' || p == 'O' || p == 'm' || p == 'o';
    dataBits_ = std::clamp(static_cast<int>(std::atol(fields[2].c_str())), 4, 8);
    stopBits_ = fields[3] == "1.5" ? 1 : fields[3] == "2" ? 2 : 0;
}

bool cmcComm::Open(int portNumber, const std::string& settings) {
    if (IsOpen()) return false;
    portNumber_ = portNumber;
    writeStatus_ = platform::IoStatus::kOk;
    openFailure_ = {};
    ParseSettings(settings);
    devicePath_ = PortTable().DevicePath(portNumber);
    if (devicePath_.empty()) {
        // A device plugged in since the table was last looked at gets its number now.
        PortTable().Refresh();
        devicePath_ = PortTable().DevicePath(portNumber);
    }
    if (devicePath_.empty()) {
        openFailure_ = {PortOpenFailure::Cause::kNoDeviceForNumber, portNumber, {}, {}};
        return false;
    }
    if (baud_ == 0) {
        // No time-out can be derived from a zero rate; refuse rather than divide by it.
        openFailure_ = {PortOpenFailure::Cause::kNoBaudRate, portNumber, devicePath_, {}};
        return false;
    }
    platform::SerialLine line;
    line.baud = baud_;
    line.parityCheck = parityCheck_;
    line.dataBits = dataBits_;
    line.stopBits = stopBits_;
    if (!device_->Open(devicePath_, line)) {
        openFailure_ = {PortOpenFailure::Cause::kDevice, portNumber, devicePath_,
                        device_->LastFailure()};
        return false;
    }
    return true;
}

void cmcComm::Close() {
    pump_->SetInterval(-1);
    device_->Close();
    output_.Reset();
    writeStatus_ = platform::IoStatus::kOk;
}

bool cmcComm::IsOpen() const {
    return device_->IsOpen();
}

int cmcComm::Read(uint8_t* buffer, int max) {
    if (!IsOpen() || max <= 0) return 0;
    int waiting = device_->InputWaiting();
    int n = std::min(max, waiting);
    if (n <= 0) return 0;
    const platform::IoResult got = device_->Read(buffer, n);
    // A failed read is the line's loss, which LineLost tells.
    if (got.status != platform::IoStatus::kOk || got.count <= 0) return 0;
    bytesRead_ += static_cast<uint64_t>(got.count);
    return got.count;
}

void cmcComm::Write(const void* bytes, int length) {
    if (!IsOpen()) return;
    pump_->SetInterval(-1);
    output_.AppendBytes(bytes, length);
    pump_->SetInterval(0);
    Service();
}

int cmcComm::InputWaiting() {
    return IsOpen() ? device_->InputWaiting() : 0;
}

int cmcComm::OutputQueued() {
    return IsOpen() ? device_->OutputQueued() : 0;
}

int cmcComm::OutputPending() {
    return OutputQueued() + output_.Size();
}

bool cmcComm::LineLost() {
    return IsOpen() && device_->LineLost();
}

void cmcComm::Service() {
    int next = -1;
    // After a short write the line has stalled: each further try would hold the one thread for
    // another whole write time-out (a run composes several frames at once). The owner sees the
    // flag, ends its run and closes the port, which clears it.
    if (IsOpen() && writeStatus_ == platform::IoStatus::kOk) {
        // Top the driver's queue up to one chunk rather than wait for it to run empty: on a port
        // that reports its queue honestly, waiting leaves the line idle until the next look.
        int room = kOutputChunk - std::max(device_->OutputQueued(), 0);
        int n = std::min(output_.Size(), room);
        if (n > 0) {
            int timeout = static_cast<int>(WriteMsPerByte()) * n + kWriteTimeoutConstant;
            const platform::IoResult sent = device_->Write(output_.Data(), n, timeout);
            bytesWritten_ += static_cast<uint64_t>(std::max(sent.count, 0));
            if (sent.status != platform::IoStatus::kOk || sent.count < n) {
                // The line did not take the bytes in time, or failed; the owner sees the flag
                // and ends.
                writeStatus_ = sent.status == platform::IoStatus::kOk ? platform::IoStatus::kTimeout
                                                                      : sent.status;
                pump_->SetInterval(-1);
                return;
            }
            if (output_.Size() > n) {
                for (int i = 0; i < n; ++i) output_.PopFront();
            } else {
                output_.SetSize(0);
            }
        }
        if (output_.Size() > 0) next = 10;
    }
    pump_->SetInterval(next);
}
