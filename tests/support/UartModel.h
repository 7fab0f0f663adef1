#pragma once
// A serial device that behaves like a real UART with the simulated radio at the far end of the
// cable: a transmit queue of a few KB that drains at the line rate and reports what it still
// holds, a receive line paced the same way, and the link's echo. A pseudo-terminal always
// reports an empty transmit queue, so only this exercises the pump's topping up, the driver's
// hold-back and the draining paths.
//
// Install() makes every serial device the program creates from then on a view of this model,
// until the model goes. Time comes from a function in microseconds (the manual clock in tests,
// the steady clock in benchmarks).
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "base/ScopedInstall.h"
#include "platform/SerialDevice.h"

class SimRadio;

namespace test {

class UartModel {
  public:
    UartModel(SimRadio& radio, unsigned baud, std::function<uint64_t()> nowUs);
    ~UartModel();
    UartModel(const UartModel&) = delete;
    UartModel& operator=(const UartModel&) = delete;

    void Install();

    // Faults: the transmitter stops (the queue never drains); the cable is pulled.
    void SetStuck(bool on) { stuck_ = on; }
    void Unplug() { unplugged_ = true; }
    // Bytes that arrive on the receive line from now on at the line rate, as a radio still
    // sending would produce them.
    void Stream(const std::string& bytes);

    static constexpr int kTxCapacity = 4096;

    // Figures of the transmit line since the first byte was queued.
    int MaxQueued() const { return maxQueued_; }
    uint64_t BytesSent() const { return bytesSent_; }
    // Time the transmitter stood idle between its first and its last byte.
    uint64_t IdleUs() const { return idleUs_; }
    uint64_t FirstByteUs() const { return firstUs_; }
    uint64_t LastByteUs() const { return txClockUs_; }
    bool Opened() const { return opens_ > 0; }

    // Called by the devices.
    bool Open();
    void Close();
    bool IsOpen() const { return open_; }
    int Read(uint8_t* buf, int max);
    int Write(const uint8_t* buf, int n);
    int InputWaiting();
    int OutputQueued();
    bool LineLost() const { return open_ && unplugged_; }

  private:
    void Advance();
    void Arrive(char byte, uint64_t sentUs);

    SimRadio& radio_;
    uint64_t byteUs_;
    std::function<uint64_t()> nowUs_;
    bool open_ = false;
    int opens_ = 0;
    bool stuck_ = false;
    bool unplugged_ = false;
    std::deque<uint8_t> tx_;
    uint64_t txClockUs_ = 0;                           // when the byte on the wire has gone out
    std::deque<std::pair<uint64_t, uint8_t>> rxWire_;  // (arrival time, byte)
    uint64_t rxClockUs_ = 0;
    std::string rx_;  // arrived, not yet read
    int maxQueued_ = 0;
    uint64_t bytesSent_ = 0;
    uint64_t idleUs_ = 0;
    uint64_t firstUs_ = 0;
    bool started_ = false;
    UartModel* previous_ = nullptr;  // the model installed before this one
    std::optional<ScopedInstall<platform::InstallSerialDeviceWrapper>> installed_;
};

}  // namespace test
