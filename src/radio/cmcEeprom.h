#pragma once
// The in-memory copy of the radio's EEPROM. Every access is bounds tested: single-byte access
// outside the image is a programming error and stops the program; block copies that do not
// fit are ignored as a whole.
#include <cstdint>
#include <memory>

class cmcEeprom {
  public:
    // Size of the radio's EEPROM, and of every image the program keeps.
    static constexpr int kImageSize = 0x8000;

    cmcEeprom() = default;
    ~cmcEeprom() = default;
    // Images are never shared; copies go through Assign.
    cmcEeprom(const cmcEeprom&) = delete;
    cmcEeprom& operator=(const cmcEeprom&) = delete;

    // Resizes (freeing the old buffer when the size changes) and clears every byte to 0x00,
    // also when the size stays the same. A size of 0 or below leaves an empty image.
    void SetSize(int size);
    int Size() const { return size_; }
    bool IsValidAddress(int address) const { return address >= 0 && address < size_; }

    void Fill(uint8_t value);
    // Inline: the image's readers and writers call these for every byte.
    uint8_t GetByte(int address) const {
        if (!IsValidAddress(address)) OutOfImage("GetByte");
        return data_[static_cast<size_t>(address)];
    }
    void SetByte(int address, uint8_t value) {
        if (!IsValidAddress(address)) OutOfImage("SetByte");
        data_[static_cast<size_t>(address)] = value;
    }

    // Copy length bytes out of / into the image at address; nothing at all happens unless the
    // whole block lies inside the image and length > 0.
    void ReadBlock(int address, void* destination, int length) const;
    void WriteBlock(int address, const void* source, int length);

    void Assign(const cmcEeprom& other);
    bool Equals(const cmcEeprom& other) const;
    bool Differs(const cmcEeprom& other) const { return !Equals(other); }

    // Read-only view of the bytes for bulk readers (clone file writer, debug compare); null
    // when the image is empty.
    const uint8_t* Bytes() const { return data_.get(); }

  private:
    [[noreturn]] static void OutOfImage(const char* access);
    bool BlockFits(int address, int length) const;

    int32_t size_ = 0;
    std::unique_ptr<uint8_t[]> data_;
};
