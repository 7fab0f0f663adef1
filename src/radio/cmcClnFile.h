#pragma once
// Clone files: the text form of an EEPROM image that documents and initial files use. A header
// with the model codes, remarks (the comment and the memory map revision), then data lines of
// an address, a count and the bytes, all in hexadecimal.
//
// Reading never leaves a half-read image: on any failure the attached image is restored.
// Writing never leaves a half-written file: the previous file survives any failure.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "radio/AddressRange.h"
#include "radio/FileError.h"
#include "radio/MemoryMap.h"

class cmcEeprom;

class cmcClnFile {
  public:
    // Accept (true) or refuse a file's memory map revision (-1 when the file names none).
    using RevisionCheck = bool (*)(int mapRevision, void* user);

    static constexpr int kBytesPerLine = 16;
    static constexpr int kModelCode = mm::kModelCode;
    static constexpr int kSubCode = mm::kSubCode;
    static constexpr int kMapRevision = 1;
    // Where the image keeps the radio's clone comment.
    static constexpr int kCommentAddress = 0x0F1B;
    static constexpr int kCommentLength = 16;

    cmcClnFile() = default;

    // Sets the image (not owned) and rebuilds both address maps for its size.
    void Attach(cmcEeprom* image);
    void SetCodes(int modelCode, int subCode);
    void SetComment(std::string comment) { comment_ = std::move(comment); }
    void SetMapRevision(int revision) { mapRevision_ = revision; }
    int MapRevision() const { return mapRevision_; }
    void SetRevisionCheck(RevisionCheck check, void* user);

    // The program's revision check: only revision 1 is understood.
    static bool AcceptCurrentRevision(int mapRevision, void* user);

    // Both return a FileError code and show nothing; the application words the message.
    FileError Write(const std::string& path, const AddressRange* list);
    // With no list the coverage check is skipped (call CheckCoverage later).
    FileError Read(const std::string& path, const AddressRange* list);

    // Read without a file and without a report: the text is what the file would hold.
    FileError ReadText(std::string_view text, const AddressRange* list);
    // The whole text Write puts into the file.
    std::string FormatText(const AddressRange* list) const;

    // Compares the addresses the last read stored with the list: kNone, kData when something
    // outside the list was read, kCoverage when something of it is missing (or there is no list).
    FileError CheckCoverage(const AddressRange* list);

    // The system's reason of the last failed Write ("No space left on device").
    const std::string& Reason() const { return reason_; }

    // Whether the file at path is a clone file (its name ends in .kcf, or it begins as one
    // does), so that no other output may replace it. Reads at most its first line.
    static bool IsCloneFileAt(const std::string& path);

    // The comment a file gets: the image's clone comment with anything unprintable blanked and
    // trailing blanks removed.
    static std::string CommentFromImage(const cmcEeprom& image);

  private:
    FileError ParseLines(std::string_view text);
    FileError ParseDataLine(std::string_view line);
    void MarkRead(int address);
    void FitMaps();
    cmcEeprom& Image() const;

    cmcEeprom* image_ = nullptr;
    int modelCode_ = 0;
    int subCode_ = 0;
    std::string comment_;
    std::string reason_;
    int mapRevision_ = -1;
    RevisionCheck revisionCheck_ = nullptr;
    void* revisionUser_ = nullptr;
    // One bit per image byte: bit (i mod 8) of byte (i div 8).
    std::vector<uint8_t> requiredMap_;
    std::vector<uint8_t> readMap_;
};
