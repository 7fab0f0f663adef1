#pragma once
// A growable byte buffer that doubles as a first-in-first-out byte queue (received data,
// expected echo, frames under construction, output not yet sent).
#include <cstdint>
#include <memory>

class cmcBuff {
  public:
    cmcBuff();
    cmcBuff(const cmcBuff& other);
    cmcBuff& operator=(const cmcBuff& other);

    int Size() const { return size_; }
    int Capacity() const { return capacity_; }
    uint8_t* Data() { return front_; }
    const uint8_t* Data() const { return front_; }

    int SetSize(int n);
    void Assign(const cmcBuff& other);
    void AssignBytes(const void* bytes, int count);
    void Append(const cmcBuff& other);
    void AppendBytes(const void* bytes, int count);
    void AppendByte(uint8_t byte);
    void AppendFill(uint8_t byte, int count);
    // The byte at index from the front; an index outside the contents is a fatal stop.
    uint8_t& At(int index);
    // Removes and returns the first byte (0..255), or -1 when empty.
    int PopFront();
    // Moves the contents into an allocation of exactly max(size, 1) bytes.
    void Compact();
    // Back to one allocated byte and no contents.
    void Reset();

    // Bytes consumed by PopFront since the last compaction (for tests and benchmarks).
    int ConsumedAtFront() const { return static_cast<int>(front_ - storage_.get()); }

  private:
    void Reallocate(int newCapacity);

    std::unique_ptr<uint8_t[]> storage_;
    uint8_t* front_;
    int size_ = 0;
    int capacity_ = 1;
    uint8_t fill_ = 0;
};
