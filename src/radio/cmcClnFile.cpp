#include "radio/cmcClnFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <ostream>

#include "base/Hex.h"
#include "platform/AtomicFile.h"
#include "platform/Fatal.h"
#include "platform/FileReader.h"
#include "radio/cmcEeprom.h"

namespace {

// A clone file of the whole image is about 45 KB; anything far larger is not one, and is
// refused before it is read into memory.
constexpr int64_t kLargestFile = 16 * 1024 * 1024;

constexpr int kShortestDataLine = 8;   // address, count and one byte
constexpr int kLongestDataLine = 516;  // address, count and 255 bytes

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexField(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 16 + HexValue(c);
    return v;
}

void AppendHex(std::string& out, unsigned value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += kHexDigits[(value >> shift) & 0xF];
}

// Optional sign and leading decimal digits, 0 when there are none; clamped to int.
int LeadingDecimal(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<int64_t>(INT_MAX) + 1) v = static_cast<int64_t>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

// Reads a whole regular file. Directories, devices and pipes cannot be opened as clone files.
FileError LoadFile(const std::string& path, std::string& out) {
    platform::FileReader file;
    if (file.Open(path) != platform::FileStatus::Ok) return FileError::kFileOpen;
    out.clear();
    switch (file.ReadAll(kLargestFile, out)) {
        case platform::FileStatus::Ok:
            return FileError::kNone;
        case platform::FileStatus::TooLarge:
            return FileError::kFormat;
        default:  // unreadable after all (an I/O error on the medium)
            return FileError::kFileOpen;
    }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, FileError code) {
    return out << FileErrorNumber(code);
}

cmcEeprom& cmcClnFile::Image() const {
    if (!image_) platform::FatalStop("Clone file used without an image.");
    return *image_;
}

void cmcClnFile::Attach(cmcEeprom* image) {
    image_ = image;
    const size_t bytes = image ? (static_cast<size_t>(image->Size()) + 7) / 8 : 0;
    readMap_.assign(bytes, 0);
    requiredMap_.assign(bytes, 0);
    if (image) {
        for (int a = 0; a < image->Size(); ++a) requiredMap_[a / 8] |= uint8_t(1u << (a % 8));
    }
}

// The image may have been resized since it was attached; the maps follow it.
void cmcClnFile::FitMaps() {
    const size_t bytes = (static_cast<size_t>(Image().Size()) + 7) / 8;
    if (readMap_.size() != bytes) Attach(image_);
}

void cmcClnFile::SetCodes(int modelCode, int subCode) {
    modelCode_ = modelCode;
    subCode_ = subCode;
}

void cmcClnFile::SetRevisionCheck(RevisionCheck check, void* user) {
    revisionCheck_ = check;
    revisionUser_ = user;
}

bool cmcClnFile::AcceptCurrentRevision(int mapRevision, void*) {
    return mapRevision == kMapRevision;
}

bool cmcClnFile::IsCloneFileAt(const std::string& path) {
    platform::FileReader file;
    if (file.Open(path) != platform::FileStatus::Ok) return false;
    std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == ".kcf") return true;
    std::string header;
    AppendHex(header, static_cast<unsigned>(kModelCode), 4);
    AppendHex(header, static_cast<unsigned>(kSubCode), 4);
    char start[16] = {};
    const int64_t n = file.ReadAt(0, start, sizeof start);
    if (n < static_cast<int64_t>(header.size()) + 1) return false;
    const std::string_view text(start, static_cast<size_t>(n));
    const char next = text[header.size()];
    return text.substr(0, header.size()) == header && (next == '\r' || next == '\n');
}

std::string cmcClnFile::CommentFromImage(const cmcEeprom& image) {
    std::string comment;
    for (int a = kCommentAddress; a < kCommentAddress + kCommentLength; ++a) {
        if (!image.IsValidAddress(a)) break;
        const uint8_t b = image.GetByte(a);
        comment += (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : ' ';
    }
    while (!comment.empty() && static_cast<unsigned char>(comment.back()) <= ' ')
        comment.pop_back();
    return comment;
}

std::string cmcClnFile::FormatText(const AddressRange* list) const {
    const cmcEeprom& image = Image();
    std::string out;
    out.reserve(static_cast<size_t>(image.Size()) * 2 + 4096);
    AppendHex(out, static_cast<unsigned>(modelCode_), 4);
    AppendHex(out, static_cast<unsigned>(subCode_), 4);
    out += "\r\n#Comment=";
    // A line break inside the comment would split it into a data line of its own.
    for (char c : comment_) {
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 || u == 0x7F) ? ' ' : c;
    }
    out += "\r\n#MapRev=";
    out += std::to_string(mapRevision_);
    out += "\r\n";
    const uint8_t* bytes = image.Bytes();
    ForEachRange(list, image.Size(), [&](int first, int last) {
        for (int c = first; c <= last;) {
            int n = kBytesPerLine - c % kBytesPerLine;
            if (c + n - 1 > last) n = last - c + 1;
            AppendHex(out, static_cast<unsigned>(c), 4);
            AppendHex(out, static_cast<unsigned>(n), 2);
            for (int i = 0; i < n; ++i) AppendHex(out, bytes[c + i], 2);
            out += "\r\n";
            c += n;
        }
    });
    return out;
}

FileError cmcClnFile::Write(const std::string& path, const AddressRange* list) {
    reason_.clear();
    switch (platform::WriteFileAtomically(path, FormatText(list), &reason_)) {
        case platform::WriteResult::Ok:
            return FileError::kNone;
        case platform::WriteResult::OpenFailed:
            return FileError::kFileOpen;
        case platform::WriteResult::WriteFailed:
            return FileError::kFileAccess;
    }
    return FileError::kFileAccess;
}

FileError cmcClnFile::Read(const std::string& path, const AddressRange* list) {
    std::string text;
    FileError code = LoadFile(path, text);
    if (code == FileError::kNone) code = ReadText(text, list);
    return code;
}

FileError cmcClnFile::ReadText(std::string_view text, const AddressRange* list) {
    cmcEeprom& image = Image();
    FitMaps();
    cmcEeprom saved;
    saved.Assign(image);
    std::fill(readMap_.begin(), readMap_.end(), 0);
    // Only a revision line of this file counts.
    mapRevision_ = -1;

    FileError code = ParseLines(text);
    if (code == FileError::kNone && list) code = CheckCoverage(list);
    if (code != FileError::kNone) image.Assign(saved);
    return code;
}

FileError cmcClnFile::ParseLines(std::string_view text) {
    // Splits off the next line. CR LF and LF both end a line; a last line without either keeps
    // its final character, which the data line check then drops as if it were the line end.
    size_t pos = 0;
    auto nextLine = [&](std::string_view& line, bool& ended) {
        if (pos >= text.size()) return false;
        size_t lf = text.find('\n', pos);
        ended = lf != std::string_view::npos;
        size_t end = ended ? lf : text.size();
        line = text.substr(pos, end - pos);
        pos = ended ? lf + 1 : text.size();
        if (ended && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    };

    std::string_view line;
    bool ended = false;
    if (!nextLine(line, ended) || !ended || line.size() != 8) return FileError::kFormat;
    for (char c : line)
        if (c < '0' || c > '9') return FileError::kFormat;
    // Each decimal digit is taken as a nibble: "3715" is 0x3715.
    int model = 0, sub = 0;
    for (int i = 0; i < 4; ++i) model = model * 16 + (line[i] - '0');
    for (int i = 4; i < 8; ++i) sub = sub * 16 + (line[i] - '0');
    if (model != modelCode_) return FileError::kModel;
    if (sub != subCode_) return FileError::kExtra;

    bool revisionChecked = false;
    while (nextLine(line, ended)) {
        if (!line.empty() && line[0] == '#') {
            if (line.find("MapRev=") != std::string_view::npos)
                mapRevision_ = LeadingDecimal(line.substr(8));
            continue;
        }
        if (!revisionChecked) {
            if (!revisionCheck_ || !revisionCheck_(mapRevision_, revisionUser_))
                return FileError::kMapRev;
            revisionChecked = true;
        }
        if (!ended) line.remove_suffix(1);
        const FileError code = ParseDataLine(line);
        if (code != FileError::kNone) return code;
    }
    return FileError::kNone;
}

FileError cmcClnFile::ParseDataLine(std::string_view line) {
    const int length = static_cast<int>(line.size());
    if (length < kShortestDataLine || length > kLongestDataLine) return FileError::kFormat;
    // Every character is a digit; the bytes are decoded first, so a bad digit anywhere leaves
    // the image as it was.
    uint8_t values[(kLongestDataLine - 6) / 2];
    const int pairs = length / 2;
    for (int i = 0; i < pairs; ++i) {
        const int high = HexValue(line[2 * i]), low = HexValue(line[2 * i + 1]);
        if (high < 0 || low < 0) return FileError::kFormat;
        if (i >= 3) values[i - 3] = static_cast<uint8_t>(high * 16 + low);
    }
    if (length % 2 != 0 && HexValue(line.back()) < 0) return FileError::kFormat;
    const int address = HexField(line.substr(0, 4));
    const int count = HexField(line.substr(4, 2));
    if (length != 6 + 2 * count) return FileError::kFormat;
    cmcEeprom& image = Image();
    if (!image.IsValidAddress(address) || !image.IsValidAddress(address + count - 1))
        return FileError::kData;
    for (int i = 0; i < count; ++i) {
        image.SetByte(address + i, values[i]);
        MarkRead(address + i);
    }
    return FileError::kNone;
}

void cmcClnFile::MarkRead(int address) {
    readMap_[static_cast<size_t>(address) / 8] |= uint8_t(1u << (address % 8));
}

FileError cmcClnFile::CheckCoverage(const AddressRange* list) {
    if (!list) return FileError::kCoverage;
    FitMaps();
    std::fill(requiredMap_.begin(), requiredMap_.end(), 0);
    ForEachRange(list, Image().Size(), [&](int first, int last) {
        for (int a = first; a <= last; ++a)
            requiredMap_[static_cast<size_t>(a) / 8] |= uint8_t(1u << (a % 8));
    });
    if (readMap_ == requiredMap_) return FileError::kNone;
    for (size_t i = 0; i < readMap_.size(); ++i)
        if (readMap_[i] & ~requiredMap_[i]) return FileError::kData;
    return FileError::kCoverage;
}
