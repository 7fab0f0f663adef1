#pragma once
// The clone protocol driver: runs one exchange with the radio at a time (information, read or
// write) as a state machine stepped every 10 ms by a task, over a serial port it owns and keeps
// open only while a run lasts. There are no retries: any error ends the run with a result code
// in the record handed to the completion. The frames themselves are built and checked in
// comm/CloneFrames.h; every byte sent comes back on the receive line first (the link echoes).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/cmcBuff.h"
#include "base/cmcTick.h"
#include "comm/CloneFrames.h"
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
    void Finish();
    void Step();
    bool MatchEcho();
    void OnTimeout(int s, int& next);
    void DoState(int s, int& next, bool& progress);
    void DoOpening(int& next, bool& progress);
    void DoAwaitInfoReply(int& next, bool& progress);
    void DoReceiving(int& next, bool& progress);
    void DoSending(int& next, bool& progress);
    void DoAwaitAck(int& next, bool& progress);
    int ReadIntoQueue();
    void Send(const cmcBuff& frame);
    void SendRequest(uint8_t command);
    bool CollectFrame(cmcBuff& completed);
    std::optional<int> EndFrameCount() const;
    std::optional<CloneResult> TakeBlock(const clone_frames::DataBlock& block);
    CloneResult CoverageCheck();
    void ComposeDataFrame(int address, int last);
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
    clone_frames::Framer framer_;
    cmcBuff outgoing_;  // a composed data frame not yet handed to the port
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
