#pragma once
// The simulated radio's logic: it takes the bytes the program sends and answers as the radio and
// its echoing link do, from an image it holds. Faults can be switched on to show every error the
// program reports. Pure byte logic, no I/O: SimLink puts it on a pseudo-terminal.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "radio/MemoryMap.h"
#include "radio/cmcEeprom.h"

struct SimFaults {
    bool noEcho = false;       // the link does not echo
    bool garbleEcho = false;   // the link echoes the radio address byte wrongly
    int dropFrame = 0;         // the K-th data frame of a read is not sent (1-based; 0 none)
    int badChecksum = 0;       // the K-th data frame of a read has its checksum off by one
    bool wrongCount = false;   // the end frame of a read counts one frame too many
    bool refuseWrite = false;  // a write run is answered with a refusal
    bool refuseRead = false;   // the identity says the radio refuses reading; reads go unanswered
    int modelGroup = -1;       // identity model-group bit: 0, 1, or -1 for the image's model type
    std::string version;       // four revision digits, "" for the image's own
    bool silent = false;       // the radio answers nothing (the link still echoes)
    bool noAck = false;        // the end frame of a write run goes unanswered
    int corruptStore = -1;     // an accepted write stores this address with its bits inverted
    int stallWrite = 0;    // the line stops taking bytes after this many of a write run (0 never)
    int stopWrite = 0;     // the radio goes dead (no echo, no answer) after this many bytes of a
                           // write run, as one switched off part way (0 never)
    bool chatter = false;  // not a radio: a device that sends text all the time, answers nothing
};

class SimRadio {
  public:
    static constexpr int kImageSize = 32768;
    static constexpr int kCloneFirst = 0x0000;
    static constexpr int kCloneLast = 0x471F;
    static constexpr int kModelWord1 = mm::kModelCode;
    static constexpr int kModelWord2 = mm::kSubCode;

    explicit SimRadio(const SimFaults& faults = {});

    // The radio's memory. After changing it, call SetUpIdentity to derive the radio's own
    // identity bytes (flags, revision) from it and the faults.
    cmcEeprom& Image() { return image_; }
    void SetUpIdentity();
    // The 34 information bytes of the answer to an information request.
    std::vector<uint8_t> Identity() const;

    // Data bytes per frame of a read (1..254).
    void SetBlockSize(int bytes) { blockSize_ = bytes; }
    // Called with what an accepted write run sent, laid over the memory it replaced.
    void OnWritten(std::function<void(const cmcEeprom&)> fn) { onWritten_ = std::move(fn); }

    // Takes bytes from the program and appends what goes back on the line (echo and answers).
    void Receive(const uint8_t* data, int n, std::string& out);

    // A frame from the radio: FE FE EF EE command body FD.
    static std::string Frame(uint8_t command, const std::string& body);
    // The hexadecimal body of a data frame for n bytes at address (checksum spoilt by delta).
    static std::string DataBody(int address, const uint8_t* data, int n, int checksumDelta = 0);

    // Replaces the answer to an information (0xE0) or read (0xE2) request, for tests of the
    // program's frame checks.
    void SetAnswer(uint8_t command, std::function<void(std::string& out)> fn) {
        (command == 0xE0 ? infoAnswer_ : readAnswer_) = std::move(fn);
    }
    // (address, count) of each data frame of the last write run, in arrival order.
    const std::vector<std::pair<int, int>>& WrittenBlocks() const { return writtenBlocks_; }
    // The frame count the last write run's end frame carried ("" when none).
    const std::string& WrittenCount() const { return writtenCount_; }

    const SimFaults& Faults() const { return faults_; }
    // Write runs begun (requests taken) and the bytes received since the last one began.
    int WriteRunsStarted() const { return writeRunsStarted_; }
    int64_t WriteRunBytes() const { return writeRunBytes_; }

    int WritesAccepted() const { return writesAccepted_; }
    int ReadsAnswered() const { return readsAnswered_; }

  private:
    void HandleFrame(std::string& out);
    void AnswerRead(std::string& out);
    void TakeDataFrame(const std::string& body);
    void FinishWrite(const std::string& body, std::string& out);

    SimFaults faults_;
    cmcEeprom image_;
    uint8_t firmware_[34 - 23] = {};  // identity bytes 23..33
    int blockSize_ = 16;
    std::string frame_;  // received frame under construction, from its 0xFE
    bool writing_ = false;
    bool writeBad_ = false;
    int writeFrames_ = 0;
    cmcEeprom pending_;
    std::function<void(const cmcEeprom&)> onWritten_;
    std::function<void(std::string&)> readAnswer_;
    std::function<void(std::string&)> infoAnswer_;
    std::vector<std::pair<int, int>> writtenBlocks_;
    std::string writtenCount_;
    int writeRunsStarted_ = 0;
    int64_t writeRunBytes_ = 0;
    bool dead_ = false;  // switched off part way (stopWrite)
    int writesAccepted_ = 0;
    int readsAnswered_ = 0;
};
