#include "comm/cmcCloneDrv.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "base/cmcTask.h"

namespace cf = clone_frames;

namespace {

constexpr int kEchoLimitSending = 128;  // unconfirmed echo bytes allowed while sending
constexpr int kCompactAbove = 4096;
constexpr int kStepsPerTick = 8;      // hand-overs between states run within one tick
constexpr int kSettleMs = 100;        // the line must have been quiet this long before a run
constexpr int kQuietLimitMs = 15000;  // longer than a whole read the radio may still be sending
// A radio starts a frame every few dozen bytes: a line that carries data this long without
// one is another device, not a radio finishing a read.
constexpr int kStrangerMs = 1000;
constexpr int kDiscardPerStep = 65535;
constexpr int kFramesPerStep = 8;

void SetBit(cmcBuff& map, int address) {
    map.At(address / 8) |= static_cast<uint8_t>(1u << (address % 8));
}

}  // namespace

std::ostream& operator<<(std::ostream& out, CloneResult result) {
    return out << CloneResultNumber(result);
}

cmcCloneDrv::cmcCloneDrv() : task_(new cmcTask) {
    task_->SetCallback(&cmcCloneDrv::TaskTick, this);
}

cmcCloneDrv::~cmcCloneDrv() {
    cmcTask::Release(task_);
}

void cmcCloneDrv::TaskTick(void* self, cmcTask*) {
    static_cast<cmcCloneDrv*>(self)->Tick();
}

void cmcCloneDrv::SetPort(int portNumber, const std::string& settings) {
    portNumber_ = portNumber;
    settings_ = settings;
}
void cmcCloneDrv::SetRequestWords(int word1, int word2) {
    word1_ = word1;
    word2_ = word2;
}
void cmcCloneDrv::SetImageSize(int bytes) {
    imageSize_ = bytes;
}
void cmcCloneDrv::SetRequestPreamble(int count) {
    requestPreamble_ = count;
}
void cmcCloneDrv::SetDataPreamble(int first, int others) {
    firstDataPreamble_ = first;
    dataPreamble_ = others;
}
void cmcCloneDrv::SetCountInEndFrame(bool on) {
    countInEndFrame_ = on;
}
void cmcCloneDrv::SetEchoCheck(bool on) {
    echoCheck_ = on;
}

bool cmcCloneDrv::Begin(CloneOperation operation, Callback callback, void* user) {
    callback_ = callback;
    user_ = user;
    operation_ = operation;
    dataCounter_ = 0;
    frameCounter_ = 0;
    result_ = std::make_unique<dst_CDrv_Result>();
    result_->operation = operation;
    result_->result = CloneResult::kPortFailed;
    result_->word1 = word1_;
    result_->word2 = word2_;
    result_->image.SetSize(imageSize_);
    settling_ = false;
    neverQuiet_ = false;
    bytesReceived_ = 0;
    echoQueued_ = 0;
    echoMatched_ = 0;
    heldData_ = 0;
    unconfirmed_.clear();
    unconfirmedFront_ = 0;
    dataConfirmed_ = 0;
    state_ = kStarting;
    task_->SetInterval(10);
    return true;
}

bool cmcCloneDrv::StartInfo(Callback callback, void* user) {
    if (IsBusy()) return false;
    haveRanges_ = false;
    ranges_.clear();
    return Begin(CloneOperation::kInfo, callback, user);
}

static std::vector<AddressRange> UpToEndMarker(const AddressRange* ranges) {
    std::vector<AddressRange> out;
    for (const AddressRange* r = ranges; r && r->last >= r->first; ++r) out.push_back(*r);
    return out;
}

bool cmcCloneDrv::StartRead(const AddressRange* ranges, Callback callback, void* user) {
    if (IsBusy()) return false;
    ranges_ = UpToEndMarker(ranges);
    haveRanges_ = true;
    return Begin(CloneOperation::kRead, callback, user);
}

bool cmcCloneDrv::StartWrite(const cmcEeprom& image, const AddressRange* ranges, Callback callback,
                             void* user) {
    if (IsBusy()) return false;
    ranges_ = UpToEndMarker(ranges);
    haveRanges_ = true;
    currentRange_ = 0;
    currentAddress_ = ranges_.empty() ? 0 : ranges_[0].first;
    Begin(CloneOperation::kWrite, callback, user);
    result_->image.Assign(image);
    return true;
}

void cmcCloneDrv::Tick() {
    // A state whose work is done hands over to the next one in the same tick: waiting a tick
    // at every hand-over (start, open, request, drain) added tens of milliseconds to each run.
    // A state that waits (for quiet, the radio, the echo or the port) ends the tick.
    for (int steps = 0; state_ != kIdle && state_ != kFinished && steps < kStepsPerTick; ++steps) {
        const int before = state_;
        Step();
        if (state_ == before) break;
    }
    // A lost line ends the run at once; it is not the radio's silence. A run that had already
    // succeeded keeps its success.
    if (state_ != kIdle && state_ != kFinished && port_.IsOpen() &&
        !(state_ == kDraining && result_->result == CloneResult::kOk) && port_.LineLost()) {
        result_->result = CloneResult::kLineLost;
        state_ = kFinished;
    }
    if (port_.WriteError() && state_ != kIdle) {
        if (result_->result != CloneResult::kLineLost) result_->result = CloneResult::kSendFailed;
        state_ = kFinished;
    }
    if (state_ == kFinished) Finish();
    if (state_ == kIdle) task_->SetInterval(-1);
}

void cmcCloneDrv::Finish() {
    port_.Close();
    state_ = kIdle;
    std::unique_ptr<dst_CDrv_Result> record = std::move(result_);
    if (callback_) {
        Callback callback = callback_;
        void* user = user_;
        callback_ = nullptr;
        user_ = nullptr;
        callback(user, record.get());  // may start the next run
    }
    record.reset();
    receive_.Reset();
    framer_.Reset();
    outgoing_.Reset();
    expectedEcho_.Reset();
}

int cmcCloneDrv::ReadIntoQueue() {
    int n = port_.Read(readArea_, sizeof readArea_);
    if (n > 0) {
        receive_.AppendBytes(readArea_, n);
        bytesReceived_ += n;
    }
    return n;
}

// One step of the machine: the echo of what was sent is taken off the line first; a state
// runs only once no more echo is owed than it allows; a state that made no progress until its
// deadline ends the run.
void cmcCloneDrv::Step() {
    const int s = state_;
    int next = s + 1;
    bool progress = true;
    const bool expired = deadline_.Remaining() == 0;

    if (!echoCheck_) {
        expectedEcho_.SetSize(0);
        DoState(s, next, progress);
    } else if (s == kDraining || expectedEcho_.Size() == 0) {
        DoState(s, next, progress);
    } else if (const uint64_t before = echoMatched_; !MatchEcho()) {
        result_->result = CloneResult::kEchoFailed;
        next = kDraining;
    } else {
        progress = echoMatched_ != before;
        const int allowed = s == kSending ? kEchoLimitSending : 0;
        if (expectedEcho_.Size() > allowed)
            next = s;
        else
            DoState(s, next, progress);
    }

    if (next != s) progress = true;
    if (progress)
        deadline_.Start(next == kAwaitAck ? kAckTimeout : kNormalTimeout);
    else if (expired)
        OnTimeout(s, next);
    if (receive_.Size() > kCompactAbove) receive_.Compact();
    if (expectedEcho_.Size() > kCompactAbove) expectedEcho_.Compact();
    state_ = next;
}

// Takes the echo of sent bytes off the received ones; false when a byte came back different.
bool cmcCloneDrv::MatchEcho() {
    ReadIntoQueue();
    bool same = true;
    while (receive_.Size() > 0 && expectedEcho_.Size() > 0) {
        if (receive_.At(0) != expectedEcho_.At(0)) {
            same = false;
            break;
        }
        receive_.PopFront();
        expectedEcho_.PopFront();
        ++echoMatched_;
    }
    while (unconfirmedFront_ < unconfirmed_.size() &&
           unconfirmed_[unconfirmedFront_].first <= echoMatched_)
        dataConfirmed_ += unconfirmed_[unconfirmedFront_++].second;
    if (expectedEcho_.Size() == 0) expectedEcho_.Reset();
    return same;
}

void cmcCloneDrv::OnTimeout(int s, int& next) {
    if (s == kDraining || s == kPreparing) {
        // The port's own output did not go out: the port stopped sending, whatever the radio
        // did. A run that had already succeeded keeps its success.
        if (result_->result != CloneResult::kOk || s == kPreparing)
            result_->result = CloneResult::kSendFailed;
    } else if (echoCheck_ && expectedEcho_.Size() > 0 &&
               !(operation_ == CloneOperation::kWrite && echoMatched_ > 0)) {
        result_->result = CloneResult::kEchoFailed;
    } else {
        // Data went out and came back, and then the line fell silent: nothing came back
        // different, the radio (or its end of the cable) stopped.
        result_->result = CloneResult::kTimeout;
    }
    // A port whose output never drains must not hold the run forever.
    next = s == kDraining ? kFinished : kDraining;
}

void cmcCloneDrv::DoState(int s, int& next, bool& progress) {
    switch (s) {
        case kStarting:
            next = kPreparing;
            break;
        case kPreparing:
            if (port_.OutputPending() > 0) next = s;
            break;
        case kOpening:
            DoOpening(next, progress);
            break;
        case kSendInfoRequest:
            SendRequest(cf::kCmdInfo);
            next = kAwaitInfoReply;
            break;
        case kAwaitInfoReply:
            DoAwaitInfoReply(next, progress);
            break;
        case kSendReadRequest:
            SendRequest(cf::kCmdRead);
            next = kReceiving;
            break;
        case kReceiving:
            DoReceiving(next, progress);
            break;
        case kSendWriteRequest:
            SendRequest(cf::kCmdWrite);
            next = kSending;
            break;
        case kSending:
            DoSending(next, progress);
            break;
        case kSendEnd: {
            cmcBuff frame;
            cf::AppendEndFrame(frame, EndFrameCount());
            Send(frame);
            next = kAwaitAck;
            break;
        }
        case kAwaitAck:
            DoAwaitAck(next, progress);
            break;
        case kDraining: {
            const bool drained = port_.OutputPending() == 0;
            next = drained ? kFinished : s;
            progress = drained;
            break;
        }
        default:
            break;
    }
}

void cmcCloneDrv::Send(const cmcBuff& frame) {
    port_.Write(frame.Data(), frame.Size());
    expectedEcho_.Append(frame);
    echoQueued_ += static_cast<uint64_t>(frame.Size());
}

void cmcCloneDrv::SendRequest(uint8_t command) {
    cmcBuff frame;
    cf::AppendRequest(frame, command, word1_, word2_, requestPreamble_);
    Send(frame);
    framer_.Clear();
}

std::optional<int> cmcCloneDrv::EndFrameCount() const {
    if (!countInEndFrame_) return std::nullopt;
    return frameCounter_;
}

void cmcCloneDrv::DoOpening(int& next, bool& progress) {
    next = kOpening;
    if (!settling_) {
        port_.Close();
        if (!port_.Open(portNumber_, settings_)) {
            result_->result = CloneResult::kPortFailed;
            next = kDraining;
            return;
        }
        settling_ = true;
        settle_.Start(kSettleMs);
        quietLimit_.Start(kQuietLimitMs);
        strangerLimit_.Start(kStrangerMs);
        frameStartSeen_ = false;
        lineHistory_ = 0;
        return;
    }
    // Throw away what arrives until the line has been quiet for a while: a radio may still be
    // sending the rest of its memory after a failed or interrupted read, and a new run must not
    // take that for an answer. Waiting step by step keeps the thread free; the limit keeps a
    // chattering device from holding the run for ever.
    int discarded = 0;
    for (int n; discarded < kDiscardPerStep && (n = port_.Read(readArea_, sizeof readArea_)) > 0;) {
        discarded += n;
        if (!frameStartSeen_) frameStartSeen_ = cf::FrameStartIn(lineHistory_, readArea_, n);
    }
    receive_.SetSize(0);
    if (discarded > 0) settle_.Start(kSettleMs);
    if (settle_.Remaining() > 0 && !frameStartSeen_ && strangerLimit_.Remaining() == 0) {
        // Data all along and never the start of a frame: not a radio. Saying so now beats
        // failing on a garbled answer after the quiet limit.
        settling_ = false;
        result_->result = CloneResult::kOtherSender;
        next = kDraining;
        return;
    }
    if (settle_.Remaining() > 0 && quietLimit_.Remaining() > 0) {
        progress = true;  // waiting for quiet is not a silent radio
        return;
    }
    settling_ = false;
    neverQuiet_ = settle_.Remaining() > 0;
    next = operation_ == CloneOperation::kRead    ? kSendReadRequest
           : operation_ == CloneOperation::kWrite ? kSendWriteRequest
                                                  : kSendInfoRequest;
}

// Feeds the received bytes to the framer; true when a frame was completed, the last one in
// `completed`. A frame longer than any the protocol has ends the wait too, with a frame no
// check accepts.
bool cmcCloneDrv::CollectFrame(cmcBuff& completed) {
    ReadIntoQueue();
    bool done = false;
    for (int b; (b = receive_.PopFront()) >= 0;) {
        switch (framer_.Push(b)) {
            case cf::FrameStep::Partial:
                break;
            case cf::FrameStep::Complete:
                completed.Assign(framer_.Frame());
                framer_.Clear();
                done = true;
                break;
            case cf::FrameStep::Overflow:
                framer_.Reset();
                completed.SetSize(0);
                return true;
        }
    }
    return done;
}

void cmcCloneDrv::DoAwaitInfoReply(int& next, bool& progress) {
    next = kAwaitInfoReply;
    progress = false;
    cmcBuff frame;
    if (!CollectFrame(frame)) return;
    if (const std::optional<cf::InfoReply> reply = cf::ParseInfoReply(frame)) {
        result_->word1 = reply->word1;
        result_->word2 = reply->word2;
        result_->information.AssignBytes(reply->information, reply->informationSize);
        result_->result = CloneResult::kOk;
        progress = true;
    } else {
        result_->result = CloneResult::kBadFrame;
    }
    next = kDraining;
}

void cmcCloneDrv::DoReceiving(int& next, bool& progress) {
    next = kReceiving;
    progress = false;
    ReadIntoQueue();
    cf::DataBlock block;
    for (int b; (b = receive_.PopFront()) >= 0;) {
        const cf::FrameStep step = framer_.Push(b);
        if (step == cf::FrameStep::Partial) continue;
        std::optional<CloneResult> end = CloneResult::kBadFrame;
        if (step == cf::FrameStep::Complete) {
            end = cf::ParseReadFrame(framer_.Frame(), EndFrameCount(), block);
            if (!end) end = TakeBlock(block);
        }
        if (!end) {
            ++frameCounter_;
            progress = true;
            framer_.Clear();
            continue;
        }
        result_->result = *end == CloneResult::kOk && haveRanges_ ? CoverageCheck() : *end;
        next = kDraining;
        return;
    }
}

// Stores a received block in the image; nothing when it fits, else kOutOfRange.
std::optional<CloneResult> cmcCloneDrv::TakeBlock(const cf::DataBlock& block) {
    const int address = block.address;
    const int n = block.count;
    cmcEeprom& image = result_->image;
    if (n > 0 && (address + n > imageSize_ || !image.IsValidAddress(address) ||
                  !image.IsValidAddress(address + n - 1)))
        return CloneResult::kOutOfRange;
    if (n > 0) {
        image.WriteBlock(address, block.bytes.data(), n);
        // The map only grows: frames may come in any order, and shrinking it would let a later
        // growth drop the marks of higher addresses.
        cmcBuff& map = result_->receivedMap;
        map.SetSize(std::max(map.Size(), (address + n + 7) / 8));
        for (int a = address; a < address + n; ++a) SetBit(map, a);
    }
    dataCounter_ += n;
    return std::nullopt;
}

CloneResult cmcCloneDrv::CoverageCheck() {
    cmcBuff expected;
    expected.SetSize((imageSize_ + 7) / 8);
    std::memset(expected.Data(), 0, static_cast<size_t>(expected.Size()));
    for (const AddressRange& r : ranges_)
        for (int a = std::max(r.first, 0); a <= r.last && a < imageSize_; ++a) SetBit(expected, a);
    cmcBuff& got = result_->receivedMap;
    if (got.Size() > expected.Size()) return CloneResult::kOutOfRange;
    int old = got.Size();
    got.SetSize(expected.Size());
    std::memset(got.Data() + old, 0, static_cast<size_t>(expected.Size() - old));
    if (std::memcmp(got.Data(), expected.Data(), static_cast<size_t>(expected.Size())) == 0)
        return CloneResult::kOk;
    for (int i = 0; i < expected.Size(); ++i)
        if (got.Data()[i] & ~expected.Data()[i]) return CloneResult::kOutOfRange;
    return CloneResult::kIncomplete;
}

void cmcCloneDrv::DoAwaitAck(int& next, bool& progress) {
    next = kAwaitAck;
    progress = false;
    cmcBuff frame;
    if (!CollectFrame(frame)) return;
    result_->result = cf::IsAck(frame) ? CloneResult::kOk : CloneResult::kNotAcknowledged;
    next = kDraining;
}

bool cmcCloneDrv::AtEndMarker() const {
    return currentRange_ >= ranges_.size();
}

void cmcCloneDrv::ComposeDataFrame(int address, int last) {
    const int n = cf::DataFrameBytes(address, last);
    uint8_t bytes[cf::kBlockSize];
    for (int i = 0; i < n; ++i) bytes[i] = result_->image.GetByte(address + i);
    cf::AppendDataFrame(outgoing_, address, bytes, n,
                        frameCounter_ == 0 ? firstDataPreamble_ : dataPreamble_);
    ++frameCounter_;
    currentAddress_ += n;
    dataCounter_ += n;
    heldData_ += n;
}

void cmcCloneDrv::DoSending(int& next, bool& progress) {
    next = kSending;
    progress = false;
    for (int pass = 0; pass < kFramesPerStep; ++pass) {
        if (AtEndMarker()) {
            if (port_.OutputPending() == 0 && outgoing_.Size() == 0) {
                next = kSendEnd;
                return;
            }
            // Frames held back by a busy port still have to go out before the end frame.
        } else if (currentAddress_ > ranges_[currentRange_].last) {
            ++currentRange_;
            if (!AtEndMarker()) currentAddress_ = ranges_[currentRange_].first;
        } else {
            ComposeDataFrame(currentAddress_, ranges_[currentRange_].last);
        }
        if (outgoing_.Size() == 0 || port_.OutputPending() > 4 * outgoing_.Size()) return;
        Send(outgoing_);
        unconfirmed_.emplace_back(echoQueued_, heldData_);
        heldData_ = 0;
        outgoing_.SetSize(0);
        progress = true;
        if (AtEndMarker()) return;
    }
}
