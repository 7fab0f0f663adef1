#include "app/UndoHistory.h"

#include <algorithm>
#include <cstring>

#include "radio/cmcEeprom.h"

namespace {

// Equal bytes shorter than this between two changes are kept inside one run: a run header
// costs more than a few bytes kept twice.
constexpr int kJoinGap = 8;
constexpr int kBlock = 64;

}  // namespace

size_t UndoHistory::Step::Cost() const {
    return sizeof(Step) + runs.capacity() * sizeof(Run) + before.capacity() + after.capacity() +
           what.text.capacity() + (what.documentBefore ? what.documentBefore->baseline.size() : 0) +
           (what.documentAfter ? what.documentAfter->baseline.size() : 0);
}

void UndoHistory::SetLimits(Limits limits) {
    limits_ = limits;
    Trim();
}

void UndoHistory::Reset(const cmcEeprom& image) {
    done_.clear();
    undone_.clear();
    held_ = 0;
    Absorb(image);
}

void UndoHistory::Absorb(const cmcEeprom& image) {
    const uint8_t* bytes = image.Bytes();
    last_.assign(bytes, bytes + image.Size());
}

bool UndoHistory::InStep(const cmcEeprom& image) const {
    return static_cast<size_t>(image.Size()) == last_.size() &&
           (last_.empty() || std::memcmp(image.Bytes(), last_.data(), last_.size()) == 0);
}

bool UndoHistory::Commit(const cmcEeprom& image, const UndoWhat& what) {
    const int size = image.Size();
    if (static_cast<size_t>(size) != last_.size()) {
        // Another image size: nothing to measure against.
        Reset(image);
        return false;
    }
    const uint8_t* now = image.Bytes();
    uint8_t* was = last_.data();
    Step step;
    int runStart = -1, runEnd = -1;
    auto closeRun = [&] {
        if (runStart < 0) return;
        const int length = runEnd - runStart + 1;
        step.runs.push_back({static_cast<uint16_t>(runStart), static_cast<uint16_t>(length)});
        step.before.insert(step.before.end(), was + runStart, was + runEnd + 1);
        step.after.insert(step.after.end(), now + runStart, now + runEnd + 1);
        runStart = -1;
    };
    for (int block = 0; block < size; block += kBlock) {
        const int end = std::min(size, block + kBlock);
        if (std::memcmp(now + block, was + block, static_cast<size_t>(end - block)) == 0) continue;
        for (int a = block; a < end; ++a) {
            if (now[a] == was[a]) continue;
            if (runStart >= 0 && a - runEnd > kJoinGap) closeRun();
            if (runStart < 0) runStart = a;
            runEnd = a;
        }
    }
    closeRun();
    if (step.runs.empty()) return false;
    for (const Run& r : step.runs) std::memcpy(was + r.address, now + r.address, r.length);
    step.runs.shrink_to_fit();
    step.what = what;
    for (const Step& s : undone_) held_ -= s.Cost();
    undone_.clear();
    held_ += step.Cost();
    done_.push_back(std::move(step));
    Trim();
    return true;
}

void UndoHistory::Apply(const Step& step, bool forward, cmcEeprom& image,
                        std::vector<Range>* changed) {
    const std::vector<uint8_t>& bytes = forward ? step.after : step.before;
    size_t offset = 0;
    for (const Run& r : step.runs) {
        image.WriteBlock(r.address, bytes.data() + offset, r.length);
        std::memcpy(last_.data() + r.address, bytes.data() + offset, r.length);
        offset += r.length;
        if (changed) changed->push_back({r.address, r.address + r.length - 1});
    }
}

void UndoHistory::Discard(cmcEeprom& image, std::vector<Range>* changed) {
    const int size = image.Size();
    if (static_cast<size_t>(size) != last_.size()) return;
    const uint8_t* now = image.Bytes();
    for (int a = 0; a < size;) {
        if (now[a] == last_[a]) {
            ++a;
            continue;
        }
        int end = a + 1;
        while (end < size && now[end] != last_[end]) ++end;
        image.WriteBlock(a, last_.data() + a, end - a);
        if (changed) changed->push_back({a, end - 1});
        a = end;
    }
}

bool UndoHistory::Undo(cmcEeprom& image, std::vector<Range>* changed) {
    if (!InStep(image)) Commit(image, UndoWhat{});
    if (done_.empty()) return false;
    Step step = std::move(done_.back());
    done_.pop_back();
    Apply(step, false, image, changed);
    undone_.push_back(std::move(step));
    return true;
}

bool UndoHistory::Redo(cmcEeprom& image, std::vector<Range>* changed) {
    // A change since the last step would make the redo steps meaningless; it drops them.
    if (!InStep(image)) Commit(image, UndoWhat{});
    if (undone_.empty()) return false;
    Step step = std::move(undone_.back());
    undone_.pop_back();
    Apply(step, true, image, changed);
    done_.push_back(std::move(step));
    return true;
}

void UndoHistory::Trim() {
    while (!done_.empty() &&
           (done_.size() + undone_.size() > limits_.steps || held_ > limits_.bytes)) {
        held_ -= done_.front().Cost();
        done_.pop_front();
    }
}
