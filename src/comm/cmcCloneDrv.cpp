#include "comm/cmcCloneDrv.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "base/Hex.h"
#include "base/cmcTask.h"

namespace {

constexpr int kMaxFrame = 521;          // longest received frame, as seen without its 0xFD
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
const char kHex[] = "0123456789ABCDEF";

bool IsBcd(uint8_t b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

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
    if (state_ == kFinished) {
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
        frame_.Reset();
        expectedEcho_.Reset();
    }
    if (state_ == kIdle) task_->SetInterval(-1);
}

int cmcCloneDrv::ReadIntoQueue() {
    int n = port_.Read(readArea_, sizeof readArea_);
    if (n > 0) {
        receive_.AppendBytes(readArea_, n);
        bytesReceived_ += n;
    }
    return n;
}

void cmcCloneDrv::Step() {
    const int s = state_;
    int next = s + 1;
    bool progress = true;
    const bool expired = deadline_.Remaining() == 0;

    bool mismatch = false;
    bool waiting = false;
    if (!echoCheck_) {
        expectedEcho_.SetSize(0);
    } else if (s != kDraining && expectedEcho_.Size() > 0) {
        ReadIntoQueue();
        progress = false;
        while (receive_.Size() > 0 && expectedEcho_.Size() > 0) {
            if (receive_.At(0) != expectedEcho_.At(0)) {
                mismatch = true;
                break;
            }
            receive_.PopFront();
            expectedEcho_.PopFront();
            ++echoMatched_;
            progress = true;
        }
        while (unconfirmedFront_ < unconfirmed_.size() &&
               unconfirmed_[unconfirmedFront_].first <= echoMatched_)
            dataConfirmed_ += unconfirmed_[unconfirmedFront_++].second;
        if (expectedEcho_.Size() == 0) expectedEcho_.Reset();
        int limit = s == kSending ? kEchoLimitSending : 0;
        waiting = expectedEcho_.Size() > limit;
    }

    if (mismatch) {
        result_->result = CloneResult::kEchoFailed;
        next = kDraining;
    } else if (waiting) {
        next = s;
    } else {
        DoState(s, next, progress);
    }

    if (next != s) progress = true;
    if (progress) {
        deadline_.Start(next == kAwaitAck ? kAckTimeout : kNormalTimeout);
    } else if (expired) {
        if (s == kDraining || s == kPreparing) {
            // The port's own output did not go out: the port stopped sending, whatever the
            // radio did. A run that had already succeeded keeps its success.
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
    if (receive_.Size() > kCompactAbove) receive_.Compact();
    if (expectedEcho_.Size() > kCompactAbove) expectedEcho_.Compact();
    state_ = next;
}

void cmcCloneDrv::SendRequest(uint8_t command) {
    cmcBuff frame;
    frame.AppendFill(kPreamble, requestPreamble_);
    const uint8_t body[] = {kPreamble,
                            kPreamble,
                            kRadio,
                            kProgram,
                            command,
                            static_cast<uint8_t>(word1_ >> 8),
                            static_cast<uint8_t>(word1_),
                            static_cast<uint8_t>(word2_ >> 8),
                            static_cast<uint8_t>(word2_),
                            kEnd};
    frame.AppendBytes(body, sizeof body);
    port_.Write(frame.Data(), frame.Size());
    expectedEcho_.Append(frame);
    echoQueued_ += static_cast<uint64_t>(frame.Size());
    frame_.SetSize(0);
}

// The one framer: a frame runs from 0xFE (a later 0xFE starts it again) to 0xFD and holds at
// most kMaxFrame bytes before the 0xFD; bytes outside a frame are line noise.
cmcCloneDrv::FrameStep cmcCloneDrv::PushFrameByte(int b) {
    if (b == kPreamble) {
        frame_.AssignBytes(&kPreamble, 1);
    } else if (frame_.Size() == 0) {
        // outside a frame
    } else if (b == kEnd) {
        return FrameStep::Complete;
    } else if (frame_.Size() >= kMaxFrame) {
        return FrameStep::Overflow;
    } else {
        frame_.AppendByte(static_cast<uint8_t>(b));
    }
    return FrameStep::Partial;
}

bool cmcCloneDrv::CollectFrame(cmcBuff& completed) {
    ReadIntoQueue();
    bool done = false;
    for (int b; (b = receive_.PopFront()) >= 0;) {
        switch (PushFrameByte(b)) {
            case FrameStep::Partial:
                break;
            case FrameStep::Complete:
                completed.Assign(frame_);
                frame_.SetSize(0);
                done = true;
                break;
            case FrameStep::Overflow:
                frame_.Reset();
                completed.AssignBytes("\0", 1);  // no check accepts this
                return true;
        }
    }
    return done;
}

void cmcCloneDrv::DoState(int s, int& next, bool& progress) {
    switch (s) {
        case kStarting:
            next = kPreparing;
            break;
        case kPreparing:
            if (port_.OutputPending() > 0) next = s;
            break;
        case kOpening: {
            if (!settling_) {
                port_.Close();
                if (!port_.Open(portNumber_, settings_)) {
                    result_->result = CloneResult::kPortFailed;
                    next = kDraining;
                    break;
                }
                settling_ = true;
                settle_.Start(kSettleMs);
                quietLimit_.Start(kQuietLimitMs);
                strangerLimit_.Start(kStrangerMs);
                frameStartSeen_ = false;
                lineHistory_ = 0;
                next = s;
                break;
            }
            // Throw away what arrives until the line has been quiet for a while: a radio may
            // still be sending the rest of its memory after a failed or interrupted read, and a
            // new run must not take that for an answer. Waiting step by step keeps the thread
            // free; the limit keeps a chattering device from holding the run for ever.
            int discarded = 0;
            for (int n; discarded < kDiscardPerStep &&
                        (n = port_.Read(readArea_, sizeof readArea_)) > 0;) {
                discarded += n;
                NoteFrameStarts(readArea_, n);
            }
            receive_.SetSize(0);
            if (discarded > 0) settle_.Start(kSettleMs);
            if (settle_.Remaining() > 0 && !frameStartSeen_ && strangerLimit_.Remaining() == 0) {
                // Data all along and never the start of a frame: not a radio. Saying so now
                // beats failing on a garbled answer after the quiet limit.
                settling_ = false;
                result_->result = CloneResult::kOtherSender;
                next = kDraining;
                break;
            }
            const bool overLimit = quietLimit_.Remaining() == 0;
            if (settle_.Remaining() > 0 && !overLimit) {
                next = s;
                progress = true;  // waiting for quiet is not a silent radio
                break;
            }
            settling_ = false;
            neverQuiet_ = settle_.Remaining() > 0;
            next = operation_ == CloneOperation::kRead    ? kSendReadRequest
                   : operation_ == CloneOperation::kWrite ? kSendWriteRequest
                                                          : kSendInfoRequest;
            break;
        }
        case kSendInfoRequest:
            SendRequest(kCmdInfo);
            next = kAwaitInfoReply;
            break;
        case kAwaitInfoReply: {
            next = s;
            progress = false;
            cmcBuff f;
            if (!CollectFrame(f)) break;
            const uint8_t* d = f.Data();
            if (f.Size() >= 8 && d[0] == kPreamble && d[1] == kProgram && d[2] == kRadio &&
                d[3] == kCmdInfoReply) {
                if (!IsBcd(d[4]) || !IsBcd(d[5]) || !IsBcd(d[6]) || !IsBcd(d[7])) {
                    result_->result = CloneResult::kBadFrame;
                } else {
                    result_->word1 = d[4] * 256 + d[5];
                    result_->word2 = d[6] * 256 + d[7];
                    result_->information.AssignBytes(d + 8, f.Size() - 8);
                    result_->result = CloneResult::kOk;
                    progress = true;
                }
            } else {
                result_->result = CloneResult::kBadFrame;
            }
            next = kDraining;
            break;
        }
        case kSendReadRequest:
            SendRequest(kCmdRead);
            next = kReceiving;
            break;
        case kReceiving: {
            next = s;
            progress = false;
            ReadIntoQueue();
            for (int b; (b = receive_.PopFront()) >= 0;) {
                const FrameStep step = PushFrameByte(b);
                if (step == FrameStep::Partial) continue;
                if (step == FrameStep::Overflow) {
                    result_->result = CloneResult::kBadFrame;
                    next = kDraining;
                    break;
                }
                const std::optional<CloneResult> end = CheckFrame();
                if (!end) {
                    ++frameCounter_;
                    progress = true;
                    frame_.SetSize(0);
                    continue;
                }
                result_->result = *end == CloneResult::kOk && haveRanges_ ? CoverageCheck() : *end;
                next = kDraining;
                break;
            }
            break;
        }
        case kSendWriteRequest:
            SendRequest(kCmdWrite);
            next = kSending;
            break;
        case kSending:
            DoSending(next, progress);
            break;
        case kSendEnd: {
            cmcBuff frame;
            const uint8_t head[] = {kPreamble, kPreamble, kRadio, kProgram, kCmdEnd};
            frame.AppendBytes(head, sizeof head);
            frame.AppendBytes(kMaker, 9);
            if (countInEndFrame_) {
                char count[3];
                std::snprintf(count, sizeof count, "%02X", frameCounter_ % 256);
                frame.AppendBytes(count, 2);
            }
            frame.AppendByte(kEnd);
            port_.Write(frame.Data(), frame.Size());
            expectedEcho_.Append(frame);
            echoQueued_ += static_cast<uint64_t>(frame.Size());
            progress = true;
            next = kAwaitAck;
            break;
        }
        case kAwaitAck: {
            next = s;
            progress = false;
            cmcBuff f;
            if (!CollectFrame(f)) break;
            const uint8_t ack[] = {kPreamble, kProgram, kRadio, kCmdAck, 0x00};
            bool ok = f.Size() == 5 && std::memcmp(f.Data(), ack, 5) == 0;
            result_->result = ok ? CloneResult::kOk : CloneResult::kNotAcknowledged;
            next = kDraining;
            break;
        }
        case kDraining:
            progress = false;
            if (port_.OutputPending() == 0) {
                next = kFinished;
                progress = true;
            } else {
                next = s;
            }
            break;
        default:
            break;
    }
}

// Checks the frame in frame_ (0xFE up to the 0xFD): nothing when data was taken in, kOk for a
// correct end frame, else why the frame ends the run.
std::optional<CloneResult> cmcCloneDrv::CheckFrame() {
    const int len = frame_.Size();
    const uint8_t* d = frame_.Data();
    if (len <= 11 || len >= kMaxFrame + 2 || d[0] != kPreamble || d[1] != kProgram ||
        d[2] != kRadio)
        return CloneResult::kBadFrame;
    if (d[3] == kCmdData) return CheckDataFrame();
    if (d[3] != kCmdEnd) return CloneResult::kBadFrame;
    std::string expected = kMaker;
    if (countInEndFrame_) {
        char count[3];
        std::snprintf(count, sizeof count, "%02X", frameCounter_ % 256);
        expected += count;
    }
    if (len != 4 + static_cast<int>(expected.size())) return CloneResult::kBadFrame;
    if (std::memcmp(d + 4, expected.data(), 9) != 0) return CloneResult::kBadFrame;
    if (std::memcmp(d + 4 + 9, expected.data() + 9, expected.size() - 9) != 0)
        return CloneResult::kBadCount;
    return CloneResult::kOk;
}

std::optional<CloneResult> cmcCloneDrv::CheckDataFrame() {
    const uint8_t* body = frame_.Data() + 4;
    const int chars = frame_.Size() - 4;
    if (chars % 2 != 0) return CloneResult::kBadFrame;
    std::vector<uint8_t> bytes(static_cast<size_t>(chars / 2));
    for (int i = 0; i < chars; i += 2) {
        // Lower-case digits are not part of the protocol.
        const int hi = HexValue(static_cast<char>(body[i]), HexDigits::UpperOnly);
        const int lo = HexValue(static_cast<char>(body[i + 1]), HexDigits::UpperOnly);
        if (hi < 0 || lo < 0) return CloneResult::kBadFrame;
        bytes[static_cast<size_t>(i / 2)] = static_cast<uint8_t>(hi * 16 + lo);
    }
    const int n = bytes.size() >= 3 ? bytes[2] : -1;
    if (static_cast<int>(bytes.size()) != n + 4) return CloneResult::kBadFrame;
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    if (sum % 256 != 0) return CloneResult::kBadFrame;
    const int address = bytes[0] * 256 + bytes[1];
    cmcEeprom& image = result_->image;
    if (n > 0 && (address + n > imageSize_ || !image.IsValidAddress(address) ||
                  !image.IsValidAddress(address + n - 1)))
        return CloneResult::kOutOfRange;
    if (n > 0) {
        image.WriteBlock(address, bytes.data() + 3, n);
        // The map only grows: frames may come in any order, and shrinking it would let a
        // later growth drop the marks of higher addresses.
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

// A frame starts with two 0xFE and the two addresses, the radio's answers (to the program) as
// well as the echo of the program's own frames (to the radio).
void cmcCloneDrv::NoteFrameStarts(const uint8_t* bytes, int n) {
    constexpr uint32_t kToProgram = 0xFEFEEFEEu;
    constexpr uint32_t kToRadio = 0xFEFEEEEFu;
    for (int i = 0; i < n && !frameStartSeen_; ++i) {
        lineHistory_ = (lineHistory_ << 8) | bytes[i];
        frameStartSeen_ = lineHistory_ == kToProgram || lineHistory_ == kToRadio;
    }
}

bool cmcCloneDrv::AtEndMarker() const {
    return currentRange_ >= ranges_.size();
}

void cmcCloneDrv::ComposeDataFrame(int address, int last) {
    int n = std::min(kBlockSize - address % kBlockSize, last - address + 1);
    frame_.AppendFill(kPreamble, frameCounter_ == 0 ? firstDataPreamble_ : dataPreamble_);
    const uint8_t head[] = {kPreamble, kPreamble, kRadio, kProgram, kCmdData};
    frame_.AppendBytes(head, sizeof head);
    char text[8];
    std::snprintf(text, sizeof text, "%04X%02X", address & 0xFFFF, n);
    frame_.AppendBytes(text, 6);
    unsigned sum = static_cast<unsigned>((address >> 8) & 0xFF) + (address & 0xFF) + n;
    for (int i = 0; i < n; ++i) {
        uint8_t b = result_->image.GetByte(address + i);
        sum += b;
        const uint8_t pair[] = {static_cast<uint8_t>(kHex[b >> 4]),
                                static_cast<uint8_t>(kHex[b & 15])};
        frame_.AppendBytes(pair, 2);
    }
    uint8_t check = static_cast<uint8_t>((256 - sum % 256) % 256);
    const uint8_t tail[] = {static_cast<uint8_t>(kHex[check >> 4]),
                            static_cast<uint8_t>(kHex[check & 15]), kEnd};
    frame_.AppendBytes(tail, 3);
    ++frameCounter_;
    currentAddress_ += n;
    dataCounter_ += n;
    heldData_ += n;
}

void cmcCloneDrv::DoSending(int& next, bool& progress) {
    const int s = kSending;
    next = s;
    progress = false;
    for (int pass = 0; pass < kFramesPerStep; ++pass) {
        if (AtEndMarker()) {
            if (port_.OutputPending() == 0 && frame_.Size() == 0) {
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
        if (frame_.Size() == 0 || port_.OutputPending() > 4 * frame_.Size()) return;
        port_.Write(frame_.Data(), frame_.Size());
        expectedEcho_.Append(frame_);
        echoQueued_ += static_cast<uint64_t>(frame_.Size());
        unconfirmed_.emplace_back(echoQueued_, heldData_);
        heldData_ = 0;
        frame_.SetSize(0);
        progress = true;
        if (AtEndMarker()) return;
    }
}
