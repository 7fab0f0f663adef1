#pragma once
// The clone protocol driver: runs one exchange with the radio at a time (information, read or
// write) as a state machine stepped every 10 ms by a task, over a serial port it owns and keeps
// open only while a run lasts. There are no retries: any error ends the run with a result code
// in the record handed to the completion.
//
// Frames: preamble 0xFE..., 0xFE 0xFE, to, from, command, body, 0xFD. The program is 0xEF and the
// radio 0xEE. Every byte sent comes back on the receive line first (the link echoes).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/cmcBuff.h"
#include "base/cmcTick.h"
#include "comm/cmcComm.h"
#include "comm/dst_CDrv_Result.h"
#include "radio/AddressRange.h"

class cmcTask;

class cmcCloneDrv {
  public:
    using Callback = void (*)(void* user, dst_CDrv_Result* result);

    enum State : int {
        kIdle = 0,
        kStarting = 2,
        kPreparing = 3,
        kOpening = 4,
        kSendInfoRequest = 5,
        kAwaitInfoReply = 6,
        kSendReadRequest = 7,
        kReceiving = 8,
        kSendWriteRequest = 9,
        kSending = 10,
        kSendEnd = 11,
        kAwaitAck = 12,
        kDraining = 13,
        kFinished = 14,
    };

    static constexpr uint8_t kPreamble = 0xFE;
    static constexpr uint8_t kEnd = 0xFD;
    static constexpr uint8_t kRadio = 0xEE;
    static constexpr uint8_t kProgram = 0xEF;
    static constexpr uint8_t kCmdInfo = 0xE0;
    static constexpr uint8_t kCmdInfoReply = 0xE1;
    static constexpr uint8_t kCmdRead = 0xE2;
    static constexpr uint8_t kCmdWrite = 0xE3;
    static constexpr uint8_t kCmdData = 0xE4;
    static constexpr uint8_t kCmdEnd = 0xE5;
    static constexpr uint8_t kCmdAck = 0xE6;
    static constexpr const char* kMaker = "Vexa Inc.";
    static constexpr int kBlockSize = 16;
    static constexpr int kNormalTimeout = 1000;
    static constexpr int kAckTimeout = 2000;

    cmcCloneDrv();
    ~cmcCloneDrv();
    cmcCloneDrv(const cmcCloneDrv&) = delete;
    cmcCloneDrv& operator=(const cmcCloneDrv&) = delete;

    void SetPort(int portNumber, const std::string& settings);
    void SetRequestWords(int word1, int word2);
    void SetImageSize(int bytes);
    void SetRequestPreamble(int count);
    void SetDataPreamble(int first, int others);
    void SetCountInEndFrame(bool on);
    void SetEchoCheck(bool on);

    bool IsBusy() const { return state_ != kIdle; }
    bool StartInfo(Callback callback, void* user);
    // Range lists end with a pair whose last is below its first (kEndOfRanges); they are copied.
    bool StartRead(const AddressRange* ranges, Callback callback, void* user);
    bool StartWrite(const cmcEeprom& image, const AddressRange* ranges, Callback callback,
                    void* user);

    int State() const { return state_; }
    // Data bytes moved and data frames sent or accepted in the current run.
    int DataCounter() const { return dataCounter_; }
    int FrameCounter() const { return frameCounter_; }
    int PortNumber() const { return portNumber_; }
    // Bytes that came in on the line in the current or last run once it had gone quiet: none
    // at all means not even the echo of what was sent came back (no cable on this port).
    int BytesReceived() const { return bytesReceived_; }
    // The line never went quiet before the request of the current or last run: something on
    // the port kept sending the whole time.
    bool LineNeverQuiet() const { return neverQuiet_; }
    // Data bytes of a write run whose frames came back on the line in full: what surely went
    // out to the radio.
    int DataConfirmed() const { return dataConfirmed_; }
    // The port, for its device name and open error and its byte counts.
    const cmcComm& Port() const { return port_; }

    // The task's tick; public so that tests may step the driver by hand.
    void Tick();

  private:
    static void TaskTick(void* self, cmcTask* task);
    bool Begin(CloneOperation operation, Callback callback, void* user);
    void Step();
    void DoState(int s, int& next, bool& progress);
    int ReadIntoQueue();
    void SendRequest(uint8_t command);
    // What one received byte did to the frame being gathered in frame_.
    enum class FrameStep { Partial, Complete, Overflow };
    FrameStep PushFrameByte(int b);
    bool CollectFrame(cmcBuff& completed);
    std::optional<CloneResult> CheckFrame();
    std::optional<CloneResult> CheckDataFrame();
    CloneResult CoverageCheck();
    void DoSending(int& next, bool& progress);
    void ComposeDataFrame(int address, int last);
    void NoteFrameStarts(const uint8_t* bytes, int n);
    bool AtEndMarker() const;

    int word1_ = 0;
    int word2_ = 0;
    int imageSize_ = 1;
    int portNumber_ = 1;
    std::string settings_ = "9600,n,8,1";
    int requestPreamble_ = 0;
    int firstDataPreamble_ = 0;
    int dataPreamble_ = 0;
    CloneOperation operation_ = CloneOperation::kNone;
    bool countInEndFrame_ = true;
    bool echoCheck_ = false;
    cmcComm port_;
    cmcBuff receive_;
    cmcBuff frame_;
    cmcBuff expectedEcho_;
    uint8_t readArea_[256] = {};
    int dataCounter_ = 0;
    int frameCounter_ = 0;
    std::vector<AddressRange> ranges_;
    bool haveRanges_ = false;
    size_t currentRange_ = 0;
    int currentAddress_ = 0;
    std::unique_ptr<dst_CDrv_Result> result_;
    Callback callback_ = nullptr;
    void* user_ = nullptr;
    int state_ = kIdle;
    cmcTick deadline_;
    cmcTick settle_;         // the line must stay quiet until this runs out
    cmcTick quietLimit_;     // how long to wait for a quiet line at most
    cmcTick strangerLimit_;  // how long a line may carry data without a frame start
    bool frameStartSeen_ = false;
    uint32_t lineHistory_ = 0;  // the last four bytes thrown away while waiting for quiet
    // Echo bookkeeping of a write run: bytes expected back so far, bytes that came back, and
    // for each data frame handed to the port the echo position of its end and its data bytes.
    uint64_t echoQueued_ = 0;
    uint64_t echoMatched_ = 0;
    int heldData_ = 0;  // data bytes of composed frames not yet handed to the port
    std::vector<std::pair<uint64_t, int>> unconfirmed_;
    size_t unconfirmedFront_ = 0;
    int dataConfirmed_ = 0;
    bool settling_ = false;
    bool neverQuiet_ = false;
    int bytesReceived_ = 0;
    cmcTask* task_ = nullptr;
};
