#include "sim/SimRadio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/Hex.h"
#include "comm/RadioIdentity.h"

namespace {

constexpr uint8_t kPre = 0xFE, kEnd = 0xFD, kRadio = 0xEE, kProgram = 0xEF;
constexpr const char* kMaker = "Vexa Inc.";
constexpr int kMakerAt = 0x0F10;                     // "Vexa Inc" as a radio holds it
constexpr int kVersionAt[4] = {390, 392, 393, 394};  // map version digits in memory
constexpr int kModelTypeAt = 0x0F19;

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

}  // namespace

SimRadio::SimRadio(const SimFaults& faults) : faults_(faults) {
    image_.SetSize(kImageSize);
    image_.SetByte(0x0F1A, 1);  // map marker
    image_.SetByte(kModelTypeAt, 2);
    SetUpIdentity();
}

void SimRadio::SetUpIdentity() {
    // A radio holds its maker's name where a clone file may have blanks.
    for (int i = 0; i < 8; ++i) image_.SetByte(kMakerAt + i, static_cast<uint8_t>(kMaker[i]));
    int modelType = image_.GetByte(kModelTypeAt);
    bool group = faults_.modelGroup < 0 ? modelType < 7 : faults_.modelGroup != 0;
    uint8_t flags = static_cast<uint8_t>((group ? radioid::kFlagModelGroup : 0) |
                                         (faults_.refuseRead ? radioid::kFlagRefusesRead : 0));
    char digits[4];
    bool own = faults_.version.size() == 4;
    for (int i = 0; i < 4; ++i) {
        digits[i] = own ? faults_.version[static_cast<size_t>(i)]
                        : static_cast<char>(image_.GetByte(kVersionAt[i]));
        if (!own && (digits[i] < '0' || digits[i] > '9')) {
            std::memcpy(digits, "0100", 4);
            break;
        }
    }
    std::memset(firmware_, 0x20, sizeof firmware_);
    firmware_[0] = flags;
    firmware_[1] = 0;
    firmware_[2] = 0;
    const int r = radioid::kRevision - radioid::kFirmwareFirst;
    firmware_[r] = static_cast<uint8_t>(digits[0]);
    firmware_[r + 1] = '.';
    firmware_[r + 2] = static_cast<uint8_t>(digits[1]);
    firmware_[r + 3] = static_cast<uint8_t>(digits[2]);
    firmware_[r + 4] = static_cast<uint8_t>(digits[3]);
    for (int i = 0; i < static_cast<int>(sizeof firmware_); ++i)
        image_.SetByte(radioid::kMemoryOrigin + radioid::kFirmwareFirst + i, firmware_[i]);
}

std::vector<uint8_t> SimRadio::Identity() const {
    std::vector<uint8_t> block(radioid::kSize);
    for (int i = 0; i < radioid::kSize; ++i)
        block[static_cast<size_t>(i)] = image_.GetByte(radioid::kMemoryOrigin + i);
    block[radioid::kLength] = radioid::kSize;
    for (int i = 0; i < static_cast<int>(sizeof firmware_); ++i)
        block[static_cast<size_t>(radioid::kFirmwareFirst + i)] = firmware_[i];
    // 0xFE and 0xFD would break the frame; a radio never holds them here.
    for (auto& b : block)
        if (b == kPre || b == kEnd) b = 0x20;
    return block;
}

void SimRadio::Receive(const uint8_t* data, int n, std::string& out) {
    for (int i = 0; i < n; ++i) {
        uint8_t b = data[i];
        if (faults_.chatter) return;  // whatever it is, it is not listening
        if (writing_ && faults_.stopWrite > 0 && writeRunBytes_ >= faults_.stopWrite) dead_ = true;
        if (dead_) return;
        if (writing_) ++writeRunBytes_;
        if (!faults_.noEcho) out += static_cast<char>(faults_.garbleEcho && b == kRadio ? 0xEA : b);
        if (b == kPre) {
            frame_.assign(1, static_cast<char>(kPre));
        } else if (frame_.empty()) {
            // noise between frames
        } else if (b == kEnd) {
            HandleFrame(out);
            frame_.clear();
        } else if (frame_.size() > 600) {
            frame_.clear();
        } else {
            frame_ += static_cast<char>(b);
        }
    }
}

std::string SimRadio::Frame(uint8_t command, const std::string& body) {
    std::string f = {static_cast<char>(kPre), static_cast<char>(kPre), static_cast<char>(kProgram),
                     static_cast<char>(kRadio), static_cast<char>(command)};
    return f + body + static_cast<char>(kEnd);
}

std::string SimRadio::DataBody(int address, const uint8_t* data, int n, int checksumDelta) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                                  static_cast<uint8_t>(n)};
    bytes.insert(bytes.end(), data, data + n);
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    bytes.push_back(static_cast<uint8_t>((256 - sum % 256) % 256 + checksumDelta));
    return Hex(bytes);
}

void SimRadio::HandleFrame(std::string& out) {
    // frame_ = FE, to, from, command, body
    if (frame_.size() < 4 || static_cast<uint8_t>(frame_[1]) != kRadio ||
        static_cast<uint8_t>(frame_[2]) != kProgram)
        return;
    const uint8_t command = static_cast<uint8_t>(frame_[3]);
    const std::string body = frame_.substr(4);
    auto word1 = [&] {
        return body.size() >= 2
                   ? static_cast<uint8_t>(body[0]) * 256 + static_cast<uint8_t>(body[1])
                   : -1;
    };
    switch (command) {
        case 0xE0: {
            if (faults_.silent) return;
            if (infoAnswer_) {
                infoAnswer_(out);
                return;
            }
            std::string reply = {
                static_cast<char>(kModelWord1 >> 8), static_cast<char>(kModelWord1 & 0xFF),
                static_cast<char>(kModelWord2 >> 8), static_cast<char>(kModelWord2 & 0xFF)};
            for (uint8_t b : Identity()) reply += static_cast<char>(b);
            out += Frame(0xE1, reply);
            break;
        }
        case 0xE2:
            if (faults_.silent || faults_.refuseRead || word1() != kModelWord1) return;
            if (readAnswer_)
                readAnswer_(out);
            else
                AnswerRead(out);
            break;
        case 0xE3:
            if (faults_.silent || word1() != kModelWord1) return;
            writing_ = true;
            ++writeRunsStarted_;
            writeRunBytes_ = 0;
            writeBad_ = false;
            writeFrames_ = 0;
            writtenBlocks_.clear();
            writtenCount_.clear();
            pending_.Assign(image_);
            break;
        case 0xE4:
            if (writing_) TakeDataFrame(body);
            break;
        case 0xE5:
            if (writing_) FinishWrite(body, out);
            break;
        default:
            break;
    }
}

void SimRadio::AnswerRead(std::string& out) {
    ++readsAnswered_;
    int frames = 0;
    int index = 0;
    uint8_t data[256];
    for (int a = kCloneFirst; a <= kCloneLast;) {
        int n = std::min(blockSize_, kCloneLast - a + 1);
        image_.ReadBlock(a, data, n);
        ++index;
        std::string body = DataBody(a, data, n, index == faults_.badChecksum ? 1 : 0);
        a += n;
        if (index == faults_.dropFrame) continue;
        out += Frame(0xE4, body);
        ++frames;
    }
    char count[3];
    std::snprintf(count, sizeof count, "%02X", (frames + (faults_.wrongCount ? 1 : 0)) % 256);
    out += Frame(0xE5, std::string(kMaker) + count);
}

void SimRadio::TakeDataFrame(const std::string& body) {
    ++writeFrames_;
    std::vector<uint8_t> bytes;
    if (body.size() % 2 != 0) {
        writeBad_ = true;
        return;
    }
    for (size_t i = 0; i < body.size(); i += 2) {
        int hi = HexValue(body[i], HexDigits::UpperOnly),
            lo = HexValue(body[i + 1], HexDigits::UpperOnly);
        if (hi < 0 || lo < 0) {
            writeBad_ = true;
            return;
        }
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    if (bytes.size() < 4 || bytes.size() != bytes[2] + 4u || sum % 256 != 0) {
        writeBad_ = true;
        return;
    }
    int address = bytes[0] * 256 + bytes[1];
    int n = bytes[2];
    if (address + n > kImageSize) {
        writeBad_ = true;
        return;
    }
    pending_.WriteBlock(address, bytes.data() + 3, n);
    writtenBlocks_.emplace_back(address, n);
}

void SimRadio::FinishWrite(const std::string& body, std::string& out) {
    writing_ = false;
    writtenCount_ = body.size() > 9 ? body.substr(9) : std::string();
    char count[3];
    std::snprintf(count, sizeof count, "%02X", writeFrames_ % 256);
    bool countOk = body == std::string(kMaker) + count || body == kMaker;
    bool accept = countOk && !writeBad_ && !faults_.refuseWrite;
    if (accept) {
        if (onWritten_) onWritten_(pending_);  // exactly what the run sent, over the old memory
        image_.Assign(pending_);
        // A cell of the memory that does not keep what it was sent.
        if (image_.IsValidAddress(faults_.corruptStore))
            image_.SetByte(faults_.corruptStore,
                           static_cast<uint8_t>(~image_.GetByte(faults_.corruptStore)));
        // The identity's flags and revision are the radio's own, whatever was sent.
        for (int i = 0; i < static_cast<int>(sizeof firmware_); ++i)
            image_.SetByte(radioid::kMemoryOrigin + radioid::kFirmwareFirst + i, firmware_[i]);
        ++writesAccepted_;
    }
    if (!faults_.noAck) out += Frame(0xE6, std::string(1, accept ? '\0' : '\x01'));
}
