#include "base/cmcBuff.h"

#include <algorithm>
#include <cstring>

#include "platform/Fatal.h"

namespace {
// Consumed bytes a queue tolerates at its front before it is compacted.
constexpr int kCompactAfter = 4096;
}  // namespace

cmcBuff::cmcBuff() : storage_(new uint8_t[1]{0}), front_(storage_.get()) {}

cmcBuff::cmcBuff(const cmcBuff& other) : cmcBuff() {
    Assign(other);
}

cmcBuff& cmcBuff::operator=(const cmcBuff& other) {
    if (this != &other) Assign(other);
    return *this;
}

void cmcBuff::Reallocate(int newCapacity) {
    newCapacity = std::max(newCapacity, 1);
    std::unique_ptr<uint8_t[]> block(new uint8_t[static_cast<size_t>(newCapacity)]);
    int keep = std::min(size_, newCapacity);
    if (keep > 0) std::memcpy(block.get(), front_, static_cast<size_t>(keep));
    std::memset(block.get() + keep, fill_, static_cast<size_t>(newCapacity - keep));
    storage_ = std::move(block);
    front_ = storage_.get();
    capacity_ = newCapacity;
}

int cmcBuff::SetSize(int n) {
    if (n < 0) n = 0;
    if (n > capacity_) Reallocate(std::max(n + size_ / 4, 1));
    size_ = n;
    return n;
}

void cmcBuff::Assign(const cmcBuff& other) {
    if (this == &other) return;
    AssignBytes(other.Data(), other.Size());
}

void cmcBuff::AssignBytes(const void* bytes, int count) {
    SetSize(0);
    AppendBytes(bytes, count);
}

void cmcBuff::Append(const cmcBuff& other) {
    if (this == &other) {
        cmcBuff copy(other);
        AppendBytes(copy.Data(), copy.Size());
        return;
    }
    AppendBytes(other.Data(), other.Size());
}

void cmcBuff::AppendBytes(const void* bytes, int count) {
    if (count <= 0) return;
    int at = size_;
    SetSize(size_ + count);
    std::memmove(front_ + at, bytes, static_cast<size_t>(count));
}

void cmcBuff::AppendByte(uint8_t byte) {
    AppendBytes(&byte, 1);
}

void cmcBuff::AppendFill(uint8_t byte, int count) {
    if (count <= 0) return;
    int at = size_;
    SetSize(size_ + count);
    std::memset(front_ + at, byte, static_cast<size_t>(count));
}

uint8_t& cmcBuff::At(int index) {
    if (index < 0 || index >= size_) platform::FatalStop("Out of cmcBuff element !");
    return front_[index];
}

int cmcBuff::PopFront() {
    if (size_ <= 0) return -1;
    int b = front_[0];
    ++front_;
    --capacity_;
    --size_;
    if (ConsumedAtFront() > kCompactAfter) Compact();
    return b;
}

void cmcBuff::Compact() {
    Reallocate(std::max(size_, 1));
}

void cmcBuff::Reset() {
    storage_.reset(new uint8_t[1]{0});
    front_ = storage_.get();
    size_ = 0;
    capacity_ = 1;
    fill_ = 0;
}
