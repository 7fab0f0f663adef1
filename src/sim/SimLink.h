#pragma once
// Puts a simulated radio on the master end of a pseudo-terminal: reads what the program sends,
// and sends back the echo and the radio's answers, optionally at the pace of a real line
// (10 bits a byte at the given baud rate).
#include <cstdint>
#include <functional>
#include <string>

class SimRadio;

class SimLink {
  public:
    // baud 0: as fast as the pseudo-terminal takes the bytes.
    SimLink(SimRadio& radio, int masterFd, unsigned baud = 0);

    // Moves bytes both ways at time nowUs (microseconds on any steady clock). Returns the
    // microseconds until output is due again, or -1 when nothing waits to go out.
    int64_t Service(uint64_t nowUs);

    // Caps what one Service may hand to the pseudo-terminal (tests keep the kernel's buffers
    // from filling, so that every byte sent is at once readable on the other end).
    void SetWriteWindow(std::function<size_t()> window) { window_ = std::move(window); }

    uint64_t BytesIn() const { return bytesIn_; }
    uint64_t BytesOut() const { return bytesOut_; }
    size_t OutputWaiting() const { return out_.size() - outFront_; }
    // The master end failed for good (the descriptor is gone).
    bool Broken() const { return broken_; }

  private:
    void StallProgramOutput();

    SimRadio& radio_;
    int fd_;
    unsigned baud_;
    std::string out_;
    size_t outFront_ = 0;
    uint64_t wireFreeUs_ = 0;  // when the line can start the next byte
    bool started_ = false;
    uint64_t bytesIn_ = 0;
    uint64_t bytesOut_ = 0;
    bool broken_ = false;
    int stalledRun_ = 0;  // the write run whose line was stalled
    std::function<size_t()> window_;
};
