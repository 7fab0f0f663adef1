#include "radio/cmcEeprom.h"

#include <cstring>
#include <string>

#include "platform/Fatal.h"

void cmcEeprom::SetSize(int size) {
    if (size != size_) {
        data_.reset();
        size_ = 0;
        if (size > 0) {
            data_ = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
            size_ = size;
        }
    }
    if (size > 0) std::memset(data_.get(), 0x00, static_cast<size_t>(size_));
}

void cmcEeprom::Fill(uint8_t value) {
    if (data_) std::memset(data_.get(), value, static_cast<size_t>(size_));
}

void cmcEeprom::OutOfImage(const char* access) {
    platform::FatalStop(std::string("Out of EEPROM image address (") + access + ").");
}

bool cmcEeprom::BlockFits(int address, int length) const {
    // Widened so that address + length cannot wrap.
    return IsValidAddress(address) && length > 0 && static_cast<int64_t>(address) + length <= size_;
}

void cmcEeprom::ReadBlock(int address, void* destination, int length) const {
    if (!BlockFits(address, length)) return;
    std::memcpy(destination, data_.get() + address, static_cast<size_t>(length));
}

void cmcEeprom::WriteBlock(int address, const void* source, int length) {
    if (!BlockFits(address, length)) return;
    std::memmove(data_.get() + address, source, static_cast<size_t>(length));
}

void cmcEeprom::Assign(const cmcEeprom& other) {
    if (&other == this) return;
    SetSize(other.size_);
    if (size_ > 0) std::memcpy(data_.get(), other.data_.get(), static_cast<size_t>(size_));
}

bool cmcEeprom::Equals(const cmcEeprom& other) const {
    if (size_ != other.size_) return false;
    if (size_ == 0) return true;
    return std::memcmp(data_.get(), other.data_.get(), static_cast<size_t>(size_)) == 0;
}
