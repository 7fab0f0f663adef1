#include "comm/indCloneMan.h"

#include <algorithm>
#include <vector>

#include "base/cmcTask.h"
#include "platform/Clock.h"

namespace {

CloneManView gNoView;

int RangeBytes(const AddressRange* ranges) {
    int total = 0;
    for (const AddressRange* r = ranges; r && r->last >= r->first; ++r)
        total += r->last - r->first + 1;
    return total;
}

}  // namespace

indCloneMan::indCloneMan() : task_(new cmcTask) {
    task_->SetCallback(&indCloneMan::TaskTick, this);
}

indCloneMan::~indCloneMan() {
    cmcTask::Release(task_);
}

void indCloneMan::SetInfoCheck(Check check, void* data) {
    infoCheck_ = check;
    infoCheckData_ = data;
}

void indCloneMan::SetReadCheck(Check check, void* data) {
    readCheck_ = check;
    readCheckData_ = data;
}

void indCloneMan::Configure() {
    port_ = portSource_ ? portSource_() : 1;
    // The radio always talks at 38400 baud, whatever speed the settings prefer.
    driver_.SetPort(port_, kLineSettings);
    driver_.SetRequestPreamble(kRequestPreamble);
    driver_.SetDataPreamble(kDataPreamble, kDataPreamble);
    driver_.SetCountInEndFrame(true);
    driver_.SetEchoCheck(true);
}

bool indCloneMan::StartInfo(Completion completion, void* user) {
    if (IsBusy()) return false;
    operation_ = CloneOperation::kInfo;
    expectedBytes_ = 0;
    Configure();
    completion_ = completion;
    user_ = user;
    (view_ ? view_ : &gNoView)->RunStarted(operation_, false);
    return driver_.StartInfo(&indCloneMan::Done, this);
}

bool indCloneMan::StartRead(const AddressRange* ranges, Completion completion, void* user) {
    if (IsBusy()) return false;
    expectedBytes_ = RangeBytes(ranges);
    operation_ = CloneOperation::kRead;
    Configure();
    completion_ = completion;
    user_ = user;
    startMs_ = platform::GetClock().NowMs();
    driver_.StartRead(ranges, &indCloneMan::Done, this);
    (view_ ? view_ : &gNoView)->RunStarted(operation_, true);
    task_->SetInterval(kProgressMs);
    return true;
}

bool indCloneMan::StartWrite(const cmcEeprom& image, const AddressRange* ranges,
                             Completion completion, void* user) {
    if (IsBusy()) return false;
    expectedBytes_ = RangeBytes(ranges);
    operation_ = CloneOperation::kWrite;
    Configure();
    completion_ = completion;
    user_ = user;
    startMs_ = platform::GetClock().NowMs();
    driver_.StartWrite(image, ranges, &indCloneMan::Done, this);
    (view_ ? view_ : &gNoView)->RunStarted(operation_, true);
    task_->SetInterval(kProgressMs);
    return true;
}

int indCloneMan::ProgressFilled() const {
    if (expectedBytes_ <= 0) return 0;
    return static_cast<int>(static_cast<long long>(driver_.DataCounter()) * (kSegments + 1) /
                            expectedBytes_);
}

indCloneMan::Progress indCloneMan::CurrentProgress() const {
    return {operation_, driver_.DataCounter(), expectedBytes_,
            platform::GetClock().NowMs() - startMs_};
}

void indCloneMan::TaskTick(void* self, cmcTask* task) {
    auto* man = static_cast<indCloneMan*>(self);
    (man->view_ ? man->view_ : &gNoView)->ProgressChanged(man->ProgressFilled());
    if (!man->IsBusy()) task->SetInterval(-1);
}

void indCloneMan::Done(void* self, dst_CDrv_Result* result) {
    auto* man = static_cast<indCloneMan*>(self);
    // Without a check nothing vouches for the data; a run that failed keeps its own cause.
    if (man->operation_ == CloneOperation::kInfo) {
        if (man->infoCheck_)
            man->infoCheck_(man->infoCheckData_, result);
        else if (result->result == CloneResult::kOk)
            result->result = CloneResult::kNotIdentified;
    } else if (man->operation_ == CloneOperation::kRead) {
        if (man->readCheck_)
            man->readCheck_(man->readCheckData_, result);
        else if (result->result == CloneResult::kOk)
            result->result = CloneResult::kIncomplete;
    }
    CloneManView* view = man->view_ ? man->view_ : &gNoView;
    if (man->operation_ != CloneOperation::kInfo) view->ProgressChanged(man->ProgressFilled());
    if (result->result != CloneResult::kOk && man->failureReport_) {
        CloneFailure failure = man->Failure(result->result);
        failure.dataSent = man->driver_.FrameCounter() > 0;
        man->DescribeLine(failure);
        man->failureReport_(failure);
    }
    view->RunEnded();
    if (man->completion_) {
        Completion completion = man->completion_;
        void* user = man->user_;
        man->completion_ = nullptr;
        man->user_ = nullptr;
        completion(user, result);  // may start the next run
    }
}

CloneFailure indCloneMan::Failure(CloneResult code) const {
    CloneFailure f;
    f.code = code;
    f.operation = operation_;
    f.port = port_;
    f.device = driver_.Port().DevicePath();
    f.openFailure = driver_.Port().LastOpenFailure();
    f.portNamedByDevice = portByDevice_;
    return f;
}

void indCloneMan::DescribeLine(CloneFailure& f) const {
    // Only what went wrong on the line itself: not the port, not what the checks found.
    const int code = CloneResultNumber(f.code);
    if (code < CloneResultNumber(CloneResult::kEchoFailed) ||
        code > CloneResultNumber(CloneResult::kNotAcknowledged))
        return;
    if (driver_.LineNeverQuiet()) {
        f.line = CloneFailure::Line::kNeverQuiet;
    } else if (f.code == CloneResult::kEchoFailed && driver_.BytesReceived() == 0) {
        f.line = CloneFailure::Line::kNothingCameBack;
    } else if (f.code == CloneResult::kTimeout && f.operation == CloneOperation::kRead &&
               driver_.DataCounter() > 0) {
        // Data was flowing and then stopped: not a radio that never answered.
        f.line = CloneFailure::Line::kStoppedPartWay;
        f.bytesDone = driver_.DataCounter();
        f.bytesTotal = expectedBytes_;
    } else if (f.code == CloneResult::kTimeout && f.operation == CloneOperation::kWrite &&
               driver_.DataConfirmed() < expectedBytes_) {
        // The echo of the data stopped: the radio holds at most what came back.
        f.line = CloneFailure::Line::kStoppedPartWay;
        f.bytesDone = driver_.DataConfirmed();
        f.bytesTotal = expectedBytes_;
    }
}
