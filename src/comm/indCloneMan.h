#pragma once
// The clone manager: the one object through which the program clones. It configures the
// protocol driver for this radio, starts information, read and write runs, reports progress
// while data moves, runs the installed checks on the result, hands a failed run to the
// installed failure report (the application words and shows its message) and then hands the
// result record to the caller's completion.
#include <cstdint>
#include <functional>
#include <string>

#include "comm/cmcCloneDrv.h"

class cmcTask;

// What the manager asks of the window around it (the command-line tool shows progress on the
// terminal; the window disables itself and shows a progress window).
class CloneManView {
  public:
    virtual ~CloneManView() = default;
    // A run starts: disable the main window; for reads and writes also open the progress.
    virtual void RunStarted(CloneOperation /*operation*/, bool /*showProgress*/) {}
    // Every 30 ms while a read or write runs: segments filled of 32 (may reach 33 at the end).
    virtual void ProgressChanged(int /*filled*/) {}
    // The run has ended and its failure was reported: close the progress, enable the main window.
    virtual void RunEnded() {}
};

// What the message of a failed run needs: the result code and what it names.
struct CloneFailure {
    CloneResult code = CloneResult::kOk;
    CloneOperation operation = CloneOperation::kNone;  // of the run
    bool dataSent = false;                             // data frames went out before the run failed
    int port = 1;
    std::string device;           // the device path behind the port, if known
    PortOpenFailure openFailure;  // why the port could not be opened
    bool portNamedByDevice = false;
    // What the line did, when that tells the user more than the code.
    enum class Line {
        kAsExpected,
        kNothingCameBack,  // not even the echo of what was sent: no cable on this port
        kNeverQuiet,       // something on the port kept sending the whole time
        kStoppedPartWay,   // the data moved and then stopped: switched off, cable loose
    };
    Line line = Line::kAsExpected;
    int bytesDone = 0;   // with kStoppedPartWay: data bytes that came (a write: went out)
    int bytesTotal = 0;  // and that were expected
};

class indCloneMan {
  public:
    using Check = void (*)(void* data, dst_CDrv_Result* result);
    using Completion = void (*)(void* user, dst_CDrv_Result* result);

    static constexpr const char* kLineSettings = "38400,N,8,1";
    static constexpr int kRequestPreamble = 48;
    static constexpr int kDataPreamble = 50;
    static constexpr int kSegments = 32;
    static constexpr int kProgressMs = 30;

    indCloneMan();
    ~indCloneMan();
    indCloneMan(const indCloneMan&) = delete;
    indCloneMan& operator=(const indCloneMan&) = delete;

    void SetRequestWords(int word1, int word2) { driver_.SetRequestWords(word1, word2); }
    void SetImageSize(int bytes) { driver_.SetImageSize(bytes); }
    void SetInfoCheck(Check check, void* data);
    void SetReadCheck(Check check, void* data);
    // Where the port number of each run comes from (the program-wide port setting); port 1
    // until set.
    void SetPortSource(std::function<int()> source) { portSource_ = std::move(source); }
    void SetView(CloneManView* view) { view_ = view; }
    // Messages name the port by its device path (the user named a device, not a number).
    void SetPortNamedByDevice(bool on) { portByDevice_ = on; }

    bool IsBusy() const { return driver_.IsBusy(); }
    // The operation of the current or last run.
    CloneOperation Operation() const { return operation_; }
    bool StartInfo(Completion completion, void* user);
    bool StartRead(const AddressRange* ranges, Completion completion, void* user);
    bool StartWrite(const cmcEeprom& image, const AddressRange* ranges, Completion completion,
                    void* user);

    // Called with each failed run before the view hears that it ended.
    void SetFailureReport(std::function<void(const CloneFailure&)> report) {
        failureReport_ = std::move(report);
    }
    // A failure of the given code as the current port and run would report it.
    CloneFailure Failure(CloneResult code) const;

    // Progress of the current or last run: segments filled = data bytes * 33 / expected bytes.
    int ProgressFilled() const;
    int ExpectedBytes() const { return expectedBytes_; }
    // Where the current or last run stands: the data bytes moved of the run's total and the
    // time since it started (the progress window words it, with the time left at this pace).
    struct Progress {
        CloneOperation operation = CloneOperation::kInfo;
        int done = 0;
        int total = 0;
        uint32_t elapsedMs = 0;
    };
    Progress CurrentProgress() const;
    const cmcCloneDrv& Driver() const { return driver_; }

  private:
    void Configure();
    // What the line did in the run that just failed, when it tells more than the code.
    void DescribeLine(CloneFailure& failure) const;
    static void Done(void* self, dst_CDrv_Result* result);
    static void TaskTick(void* self, cmcTask* task);

    Check infoCheck_ = nullptr;
    void* infoCheckData_ = nullptr;
    Check readCheck_ = nullptr;
    void* readCheckData_ = nullptr;
    Completion completion_ = nullptr;
    void* user_ = nullptr;
    cmcCloneDrv driver_;
    int expectedBytes_ = 0;
    CloneOperation operation_ = CloneOperation::kNone;
    cmcTask* task_ = nullptr;
    std::function<int()> portSource_;
    CloneManView* view_ = nullptr;
    int port_ = 1;          // of the current run
    uint32_t startMs_ = 0;  // when the current read or write began
    bool portByDevice_ = false;
    std::function<void(const CloneFailure&)> failureReport_;
};
