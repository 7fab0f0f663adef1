#pragma once
// The serial port: opened by port number with a line-settings string ("38400,N,8,1"), read
// without ever waiting, written through a software buffer that a task feeds to the driver so
// that its transmit queue never holds more than 1024 bytes: the one thread is never held up by
// a long transfer, and the line never idles while data waits.
#include <cstdint>
#include <memory>
#include <string>

#include "base/cmcBuff.h"
#include "platform/SerialDevice.h"

class cmcTask;

// Why a port could not be opened: no device behind its number, no baud rate, or the device's
// own refusal. The application words it.
struct PortOpenFailure {
    enum class Cause { kNone, kNoDeviceForNumber, kNoBaudRate, kDevice };
    Cause cause = Cause::kNone;
    int portNumber = 0;
    std::string device;
    platform::OpenFailure failure;  // for kDevice
};

class cmcComm {
  public:
    cmcComm();
    ~cmcComm();
    cmcComm(const cmcComm&) = delete;
    cmcComm& operator=(const cmcComm&) = delete;

    bool Open(int portNumber, const std::string& settings);
    void Close();
    bool IsOpen() const;
    // At most max bytes of what has arrived; 0 when closed, when nothing waits or on failure.
    int Read(uint8_t* buffer, int max);
    void Write(const void* bytes, int length);
    int InputWaiting();
    int OutputQueued();
    int OutputPending();
    bool WriteError() const { return writeStatus_ != platform::IoStatus::kOk; }
    // The line hung up or failed for good while open (cable pulled, adapter unplugged).
    bool LineLost();

    int PortNumber() const { return portNumber_; }
    // The device the port number led to and, after a failed Open, why it failed.
    const std::string& DevicePath() const { return devicePath_; }
    const PortOpenFailure& LastOpenFailure() const { return openFailure_; }

    // The line settings of the last Open.
    unsigned BaudRate() const { return baud_; }
    bool ParityCheck() const { return parityCheck_; }
    int DataBits() const { return dataBits_; }
    int StopBits() const { return stopBits_; }
    // Per-byte part of the write time-out in whole milliseconds (100000 / baud).
    unsigned WriteMsPerByte() const { return baud_ ? 100000u / baud_ : 0u; }

    // Bytes that went through the port since construction (both directions).
    uint64_t BytesRead() const { return bytesRead_; }
    uint64_t BytesWritten() const { return bytesWritten_; }

    // The pump: hands the next chunk to the driver. Public for the task's callback and tests.
    void Service();

    static constexpr int kInputQueue = 32000;
    static constexpr int kOutputChunk = 1024;
    static constexpr int kWriteTimeoutConstant = 3000;

  private:
    void ParseSettings(const std::string& settings);
    static void PumpTick(void* self, cmcTask* task);

    std::unique_ptr<platform::SerialDevice> device_;
    int portNumber_ = 0;
    platform::IoStatus writeStatus_ = platform::IoStatus::kOk;  // how the last write ended
    cmcBuff output_;
    unsigned baud_ = 9600;
    bool parityCheck_ = false;
    int dataBits_ = 8;
    int stopBits_ = 0;
    cmcTask* pump_ = nullptr;
    std::string devicePath_;
    PortOpenFailure openFailure_;
    uint64_t bytesRead_ = 0;
    uint64_t bytesWritten_ = 0;
};
